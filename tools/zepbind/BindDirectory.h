// Strict reader of a package's trailer and directory for listing and checking; unlike the
// updater's reader it refuses a directory that does not lie inside the file.
#pragma once

#include <string>
#include <vector>

struct BindEntry {
    std::string name; // up to its NUL; 32 bytes when the field has none
    long long offset;
    long long size;
};

class BindDirectory {
public:
    // Reads the trailer and every entry of the package file (a program with a package appended,
    // or a stand-alone package); false with a one-line reason when there is no usable directory.
    bool Load(const std::string& path, std::string& error);

    const std::vector<BindEntry>& Entries() const { return m_entries; }
    // Where the package ends: the file's end, or where a signed program's certificate table
    // begins.
    unsigned long long PackageEnd() const { return m_packageEnd; }

private:
    std::vector<BindEntry> m_entries;
    unsigned long long m_packageEnd = 0;
};
