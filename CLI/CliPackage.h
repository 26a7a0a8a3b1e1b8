// The console updater's firmware package: opens it, loads its ZEPINFO.txt into g_ZepInfo and
// reads what the updater shows and needs from it.
#pragma once

#include "zepPackageLoad.h"
#include "zepParse.h"

#include <string>
#include <utility>
#include <vector>

// Opens the package in strPath (the program's own file when the package is appended to it),
// reads it whole for its SHA-256 and signature, and loads its ZEPINFO.txt into g_ZepInfo when
// trust accepts it. False with a message for the user when the package is missing, unusable,
// unreadable or refused (load says which). Call once per process, before anything else uses
// the package.
bool LoadPackage(const std::string& strPath, const ZepTrust& trust, ZepPackageLoad& load,
                 std::string& strError);

struct PackageFacts {
    std::string strModel; // first MODELNAME, else TGMNAME, else empty
    std::vector<std::pair<std::string, std::string>> firmware; // display (type, version) rows
    unsigned short wPortNo = 0;
    yesno_type needExit = DEF_NO_VALUE;
};

// Reads the loaded ZEPINFO.txt. False with a message when PORTNO is not a usable TCP port.
bool ReadPackageFacts(PackageFacts& facts, std::string& strError);
