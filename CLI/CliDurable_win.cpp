// Durable appends on Windows: append-only access, one WriteFile per line, FlushFileBuffers.
#include "CliDurable.h"

#include <windows.h>

DurableAppendFile::~DurableAppendFile() {
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

bool DurableAppendFile::Open(const std::string& path, std::string& strError) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        strError =
            "cannot open " + path + " for appending (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    m_handle = reinterpret_cast<intptr_t>(file);
    return true;
}

bool DurableAppendFile::Append(const std::string& bytes) {
    HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n,
                       nullptr) ||
            n == 0)
            return false;
        done += n;
    }
    return FlushFileBuffers(file) != 0;
}
