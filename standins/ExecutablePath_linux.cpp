// Stand-in for the bundle-location query of macOS: on Linux the running program's path is the
// link /proc/self/exe, which a Mac does not have.
#include "zepBindBundle_mac.h"

#include <climits>
#include <unistd.h>

bool zepRunningExecutable(std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf))
        return false;
    path.assign(buf, static_cast<size_t>(n));
    return true;
}
