// Durable appends on POSIX: O_APPEND, one write per line, fsync; a new file's directory entry
// is synced as well.
#include "CliDurable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

DurableAppendFile::~DurableAppendFile() {
    if (m_handle >= 0)
        close(static_cast<int>(m_handle));
}

bool DurableAppendFile::Open(const std::string& path, std::string& strError) {
    struct stat before = {};
    const bool bExisted = stat(path.c_str(), &before) == 0;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        strError = "cannot open " + path + " for appending: " + std::strerror(errno);
        return false;
    }
    m_handle = fd;
    if (!bExisted) {
        const std::string::size_type slash = path.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const int dirFd = open(dir.c_str(), O_RDONLY | O_CLOEXEC);
        if (dirFd >= 0) {
            fsync(dirFd);
            close(dirFd);
        }
    }
    return true;
}

bool DurableAppendFile::Append(const std::string& bytes) {
    const int fd = static_cast<int>(m_handle);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return fsync(fd) == 0;
}
