// Windows program: the package is appended to the program's own executable file, and directory
// names compare without regard to letter case.
#include "zepBindInfo.h"

#include <windows.h>

bool zepBindInfo::LocatePackage(std::string& path) {
    char buf[ZEP_PATH_SIZE];
    DWORD n = GetModuleFileNameA(NULL, buf, ZEP_PATH_SIZE);
    if (n == 0 || n >= ZEP_PATH_SIZE) // a truncated path would name another file
        return false;
    path.assign(buf, n);
    return true;
}

bool zepBindInfo::IsSameName(const char* entryName, const char* name) {
    return lstrcmpiA(entryName, name) == 0;
}
