// The parts of a Windows program's PE headers that locate its Authenticode certificate table.
// Integers are little-endian, converted on access so any host reads the same.
#pragma once

#include <cstddef>
#include <cstdint>

struct ZEP_PE_LE16 {
    unsigned char b[2];
    uint16_t get() const { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
};

struct ZEP_PE_LE32 {
    unsigned char b[4];
    uint32_t get() const {
        return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
               (uint32_t(b[3]) << 24);
    }
};

// The MS-DOS header every program starts with; only its magic and the PE header's offset count.
struct tagPeDosHeader {
    unsigned char e_magic[2]; // "MZ"
    unsigned char e_unused[58];
    ZEP_PE_LE32 e_lfanew;
};

// "PE\0\0" and the COFF file header, at e_lfanew.
struct tagPeFileHeader {
    unsigned char Signature[4];
    ZEP_PE_LE16 Machine;
    ZEP_PE_LE16 NumberOfSections;
    ZEP_PE_LE32 TimeDateStamp;
    ZEP_PE_LE32 PointerToSymbolTable;
    ZEP_PE_LE32 NumberOfSymbols;
    ZEP_PE_LE16 SizeOfOptionalHeader;
    ZEP_PE_LE16 Characteristics;
};

// The optional header up to its data directories: the two formats differ only in where the
// directory count lies.
struct tagPeOptionalHeader32Head {
    ZEP_PE_LE16 Magic; // ZEP_PE32_MAGIC
    unsigned char fields[90];
    ZEP_PE_LE32 NumberOfRvaAndSizes;
};
struct tagPeOptionalHeader64Head {
    ZEP_PE_LE16 Magic; // ZEP_PE32PLUS_MAGIC
    unsigned char fields[106];
    ZEP_PE_LE32 NumberOfRvaAndSizes;
};

struct tagPeDataDirectory {
    ZEP_PE_LE32 VirtualAddress; // for the certificate table: a file offset
    ZEP_PE_LE32 Size;
};

enum : uint16_t {
    ZEP_PE32_MAGIC = 0x10B,
    ZEP_PE32PLUS_MAGIC = 0x20B,
};
enum : uint32_t {
    ZEP_PE_DIRECTORY_SECURITY = 4, // IMAGE_DIRECTORY_ENTRY_SECURITY
};

#define ZEP_PE_AT(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f " offset")
static_assert(sizeof(ZEP_PE_LE16) == 2 && sizeof(ZEP_PE_LE32) == 4, "PE integer sizes");
static_assert(sizeof(tagPeDosHeader) == 64, "DOS header size");
ZEP_PE_AT(tagPeDosHeader, e_lfanew, 0x3C);
static_assert(sizeof(tagPeFileHeader) == 24, "PE signature and file header size");
ZEP_PE_AT(tagPeFileHeader, NumberOfSections, 6);
ZEP_PE_AT(tagPeFileHeader, SizeOfOptionalHeader, 20);
static_assert(sizeof(tagPeOptionalHeader32Head) == 96, "PE32 optional header head size");
ZEP_PE_AT(tagPeOptionalHeader32Head, NumberOfRvaAndSizes, 92);
static_assert(sizeof(tagPeOptionalHeader64Head) == 112, "PE32+ optional header head size");
ZEP_PE_AT(tagPeOptionalHeader64Head, NumberOfRvaAndSizes, 108);
static_assert(sizeof(tagPeDataDirectory) == 8, "data directory size");
#undef ZEP_PE_AT
