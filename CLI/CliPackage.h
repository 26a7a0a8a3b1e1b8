// The console updater's firmware package: opens it, loads its ZEPINFO.txt into g_ZepInfo and
// reads what the updater shows and needs from it.
#pragma once

#include "zepParse.h"

#include <string>
#include <utility>
#include <vector>

// Opens the package in strPath (the program's own file when the package is appended to it) and
// loads its ZEPINFO.txt into g_ZepInfo. False with a message for the user when the package is
// missing, unusable or unreadable. Call once per process, before anything else uses the package.
bool LoadPackage(const std::string& strPath, std::string& strError);

// The SHA-256 of the loaded package's own bytes (for a bound program, the package region
// alone), as 64 lower-case hexadecimal digits: what a journal line names its package by. False
// with a message when the package cannot be read.
bool PackageSha256(std::string& strHex, std::string& strError);

struct PackageFacts {
    std::string strModel; // first MODELNAME, else TGMNAME, else empty
    std::vector<std::pair<std::string, std::string>> firmware; // display (type, version) rows
    unsigned short wPortNo = 0;
    yesno_type needExit = DEF_NO_VALUE;
};

// Reads the loaded ZEPINFO.txt. False with a message when PORTNO is not a usable TCP port.
bool ReadPackageFacts(PackageFacts& facts, std::string& strError);
