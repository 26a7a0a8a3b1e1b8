// Windows: CREATE_NEW fails on any existing name, a symbolic link included, and the name's
// random part comes from the system's generator.
#include "AtomicFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <random>

std::FILE* CreateExclusiveTemp(const std::string& prefix, std::string& path) {
    std::random_device random; // rand_s underneath on mingw-w64
    static const char hex[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 4; ++i) {
            const uint32_t r = random();
            for (int k = 0; k < 8; ++k)
                name += hex[(r >> (4 * k)) & 0xF];
        }
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return nullptr;
        }
        int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_WRONLY);
        if (fd < 0) {
            CloseHandle(h);
            DeleteFileA(name.c_str());
            return nullptr;
        }
        std::FILE* fp = _fdopen(fd, "wb");
        if (fp == nullptr) {
            _close(fd);
            DeleteFileA(name.c_str());
            return nullptr;
        }
        path = name;
        return fp;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* fp) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(fp)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
}
