// On-disk layout of the bound firmware package, shared by the reader and the packer:
//   [program bytes, Windows only] [file images] [directory entries] [16-byte trailer]
// Integers are signed 32-bit little-endian, converted on access so any host reads the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct ZEP_LE32 {
    unsigned char b[4];
    int32_t get() const {
        return static_cast<int32_t>(uint32_t(b[0]) | (uint32_t(b[1]) << 8) |
                                    (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
    }
    void set(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<unsigned char>(u >> (8 * i));
    }
};

enum {
    ZEP_BIND_NAME_SIZE = 32, // a name of at most 31 characters and its NUL
    ZEP_BIND_MAGIC_SIZE = 8,
};

// "ZEPBIND" and its NUL: all eight bytes are compared.
static const char ZEP_BIND_MAGIC[ZEP_BIND_MAGIC_SIZE] = {'Z', 'E', 'P', 'B', 'I', 'N', 'D', '\0'};

// Name under which the update information travels in every package.
static const char ZEP_BIND_INFO_NAME[] = "ZEPINFO.txt";

// Trailer: the last 16 bytes of the package.
struct tagBindManagementInfo {
    ZEP_LE32 lStartManageOffset; // directory offset from the start of the file
    ZEP_LE32 lAllFileNum;        // number of directory entries
    char szBindComplete[ZEP_BIND_MAGIC_SIZE];
};

// One directory entry.
struct tagBindManagement {
    char szFileName[ZEP_BIND_NAME_SIZE];
    ZEP_LE32 lStartOffset; // from the start of the file (Windows: of the program file)
    ZEP_LE32 lFlieSize;
};

#define ZEP_BIND_AT(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f " offset")
static_assert(sizeof(ZEP_LE32) == 4, "LE32 size");
static_assert(sizeof(tagBindManagementInfo) == 16, "trailer size");
ZEP_BIND_AT(tagBindManagementInfo, lStartManageOffset, 0);
ZEP_BIND_AT(tagBindManagementInfo, lAllFileNum, 4);
ZEP_BIND_AT(tagBindManagementInfo, szBindComplete, 8);
static_assert(sizeof(tagBindManagement) == 40, "directory entry size");
ZEP_BIND_AT(tagBindManagement, szFileName, 0);
ZEP_BIND_AT(tagBindManagement, lStartOffset, 32);
ZEP_BIND_AT(tagBindManagement, lFlieSize, 36);
#undef ZEP_BIND_AT

inline bool ZepBindHasMagic(const tagBindManagementInfo& info) {
    return std::memcmp(info.szBindComplete, ZEP_BIND_MAGIC, ZEP_BIND_MAGIC_SIZE) == 0;
}

// The entry's name up to its NUL; a field without one yields all 32 bytes, so a caller can tell
// an overlong name from a valid one by its length.
inline std::string ZepBindEntryName(const tagBindManagement& entry) {
    const void* nul = std::memchr(entry.szFileName, '\0', ZEP_BIND_NAME_SIZE);
    size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - entry.szFileName)
                     : static_cast<size_t>(ZEP_BIND_NAME_SIZE);
    return std::string(entry.szFileName, len);
}
