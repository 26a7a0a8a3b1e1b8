// POSIX: mkstemp creates with O_EXCL, which fails on an existing name or symbolic link.
#include "AtomicFile.h"

#include <stdlib.h>
#include <unistd.h>

#include <vector>

std::FILE* CreateExclusiveTemp(const std::string& prefix, std::string& path) {
    std::vector<char> name(prefix.begin(), prefix.end());
    for (char c : std::string("XXXXXX"))
        name.push_back(c);
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    std::FILE* fp = fdopen(fd, "wb");
    if (fp == nullptr) {
        close(fd);
        unlink(name.data());
        return nullptr;
    }
    path = name.data();
    return fp;
}

bool FlushToDisk(std::FILE* fp) {
    return fsync(fileno(fp)) == 0;
}
