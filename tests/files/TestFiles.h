// Helpers of the file tests: a scratch folder, files written from bytes, packages assembled
// byte by byte (independently of the reader's own layout declarations), and parsers
// preloaded with a text.
#pragma once

#include "zepParse.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const;

private:
    std::string m_path;
};

void WriteFileBytes(const std::string& path, const Bytes& bytes);
void WriteFileText(const std::string& path, const std::string& text);
Bytes ReadFileBytes(const std::string& path);

// Package bytes, written field by field in little-endian order.
class RawPackage {
public:
    // Bytes before the first image (the program of the Windows form).
    explicit RawPackage(const Bytes& prefix = Bytes()) : m_bytes(prefix) {}

    // Appends a file image and returns its offset.
    int32_t AddData(const std::string& data);
    // Appends one 40-byte directory entry; name is copied into the 32-byte field as given
    // (up to 32 bytes, the rest NUL).
    void AddEntry(const std::string& name, int32_t offset, int32_t size);
    // Appends the 16-byte trailer.
    void AddTrailer(int32_t dirOffset, int32_t count,
                    const std::string& magic8 = std::string("ZEPBIND", 8));

    // Typical package: each file's data, the directory right after, then the trailer.
    static RawPackage Simple(const std::vector<std::pair<std::string, std::string>>& files,
                             const Bytes& prefix = Bytes());

    int32_t Size() const { return static_cast<int32_t>(m_bytes.size()); }
    const Bytes& bytes() const { return m_bytes; }

private:
    void AddLE32(int32_t v);

    Bytes m_bytes;
};

// A parser loaded with text of the given type.
std::unique_ptr<zepParse> ParserWith(const std::string& text,
                                     loadFile_type type = ZEP_INFO_FILETYPE);

// Rows joined with CR LF (no terminator after the last row).
std::string Rows(const std::vector<std::string>& rows);

// A deterministic byte string of the given length.
std::string PatternData(size_t size, unsigned seed);
