// The trusted-keys folder on POSIX systems: its keys count only while nobody but root (or the
// user running halvard) can change them, as sshd holds its own files.
#include "CliTrust.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool OnlyOwnerMayChange(const std::string& path, std::string& strError) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        strError = "cannot read " + path;
        return false;
    }
    const bool bOwner = st.st_uid == 0 || st.st_uid == geteuid();
    if (!bOwner || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || S_ISLNK(st.st_mode)) {
        strError = path + " may be changed by other users: its keys are not trusted "
                          "(it must be owned by root, and writable by its owner only)";
        return false;
    }
    return true;
}

} // namespace

bool TrustedKeyFiles(const std::string& strFolder, std::vector<std::string>& files,
                     std::string& strError) {
    files.clear();
    DIR* dir = opendir(strFolder.c_str());
    if (dir == nullptr)
        return true; // no folder: no keys
    if (!OnlyOwnerMayChange(strFolder, strError)) {
        closedir(dir);
        return false;
    }
    for (dirent* e = readdir(dir); e != nullptr; e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pem") == 0)
            files.push_back(strFolder + "/" + name);
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        if (!OnlyOwnerMayChange(file, strError))
            return false;
    return true;
}
