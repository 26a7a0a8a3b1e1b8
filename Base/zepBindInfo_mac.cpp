// macOS program: the package is the file ZEPBINDDATA in the top folder of the application
// bundle, and directory names compare exactly.
#include "zepBindBundle_mac.h"
#include "zepBindInfo.h"

#include <cstring>

namespace {

const char PACKAGE_FILE_NAME[] = "ZEPBINDDATA";

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string ParentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::string zepBindBundleFolder(const std::string& exePath) {
    std::string folder = ParentOf(exePath);
    if (EndsWith(folder, ".app/Contents/MacOS"))
        return ParentOf(ParentOf(folder));
    return folder;
}

bool zepBindInfo::LocatePackage(std::string& path) {
    std::string exe;
    // An executable path as long as the bundle path buffer is no path either.
    if (!zepRunningExecutable(exe) || exe.size() >= ZEP_BUNDLE_PATH_SIZE)
        return false;
    std::string folder = zepBindBundleFolder(exe);
    // Bounded like the bundle path buffer: a path that does not fit is no path.
    if (folder.size() >= ZEP_BUNDLE_PATH_SIZE)
        return false;
    std::memcpy(m_szBindFileFolder, folder.c_str(), folder.size() + 1);
    path = folder + "/" + PACKAGE_FILE_NAME;
    return true;
}

bool zepBindInfo::IsSameName(const char* entryName, const char* name) {
    return std::strcmp(entryName, name) == 0;
}
