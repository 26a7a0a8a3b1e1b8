// An output file that appears under its name only when complete: written to a temporary file
// beside the target and renamed over it on Commit; removed if never committed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Platform variant (AtomicFile_posix.cpp / AtomicFile_win.cpp): a new file named prefix plus
// random characters, created exclusively without following a symbolic link; its name in path.
std::FILE* CreateExclusiveTemp(const std::string& prefix, std::string& path);
// Writes the stream's flushed data through to the disk.
bool FlushToDisk(std::FILE* fp);

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::string& path, std::string& error);
    // Write failures are remembered and reported by Commit.
    void Write(const void* data, size_t size);
    // Copies the rest of in; adds the number of bytes copied to copied. False on a read error.
    bool CopyFrom(std::FILE* in, unsigned long long& copied);
    // Renames the finished file into place; with permissionsFrom set, it first takes that
    // file's permissions (a packed program stays executable).
    bool Commit(std::string& error, const std::string& permissionsFrom = std::string());

private:
    void Discard();

    std::string m_path;
    std::string m_tmpPath;
    std::FILE* m_fp = nullptr;
    bool m_bWriteFailed = false;
};
