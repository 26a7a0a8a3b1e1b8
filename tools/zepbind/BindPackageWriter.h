// Packs firmware images and ZEPINFO.txt into a bound package: either a stand-alone package file
// (the macOS program's ZEPBINDDATA) or a copy of the Windows program with the package appended.
#pragma once

#include <string>
#include <vector>

struct BindPackageSpec {
    std::string outPath;
    std::string programPath; // empty: stand-alone package
    std::string infoPath;
    std::vector<std::string> imagePaths; // stored under their base names, in this order
    bool bCrLf = false; // store ZEPINFO.txt with CR LF row ends instead of refusing bare LFs
};

// Writes the package; on failure nothing appears at outPath and error says why. A ZEPINFO.txt
// with a row ending in a bare line feed is refused unless bCrLf converts it.
bool WriteBindPackage(const BindPackageSpec& spec, std::string& error);
