// A file only ever appended to, each append on disk before it returns (CliDurable_posix.cpp,
// CliDurable_win.cpp): a journal line written survives the program being killed at once.
#pragma once

#include <cstdint>
#include <string>

class DurableAppendFile {
public:
    DurableAppendFile() = default;
    ~DurableAppendFile();
    DurableAppendFile(const DurableAppendFile&) = delete;
    DurableAppendFile& operator=(const DurableAppendFile&) = delete;

    // Opens or creates path for appending; false with the reason in strError.
    bool Open(const std::string& path, std::string& strError);
    // Appends all of bytes and flushes them to the disk.
    bool Append(const std::string& bytes);

private:
    intptr_t m_handle = -1; // fd on POSIX, HANDLE on Windows
};
