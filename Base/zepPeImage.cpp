// Reading the PE headers of a program file as far as the certificate table's directory entry.
// Every offset comes from the file, so each is checked against its size before it is used.
#include "zepPeImage.h"

#include "zepPeFormat.h"

#include <climits>

namespace {

bool ReadAt(std::FILE* fp, unsigned long long fileSize, unsigned long long offset, void* buf,
            size_t size) {
    return offset <= fileSize && size <= fileSize - offset && offset <= LONG_MAX &&
           std::fseek(fp, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(buf, size, 1, fp) == 1;
}

ZepPeSignature Malformed(std::string& strError, const char* what,
                         ZepPeSignature state = ZEP_PE_MALFORMED) {
    strError = what;
    return state;
}

} // namespace

ZepPeSignature ZepPeReadSignature(std::FILE* fp, unsigned long long fileSize, ZepPeCertTable& table,
                                  std::string& strError) {
    tagPeDosHeader dos;
    if (!ReadAt(fp, fileSize, 0, &dos, sizeof dos) || dos.e_magic[0] != 'M' ||
        dos.e_magic[1] != 'Z')
        return ZEP_PE_NOT_A_PROGRAM;
    const unsigned long long peAt = dos.e_lfanew.get();
    tagPeFileHeader file;
    if (!ReadAt(fp, fileSize, peAt, &file, sizeof file))
        return Malformed(strError, "its PE header lies outside the file", ZEP_PE_NO_PE_HEADER);
    if (file.Signature[0] != 'P' || file.Signature[1] != 'E' || file.Signature[2] != 0 ||
        file.Signature[3] != 0)
        return Malformed(strError, "it has no PE signature", ZEP_PE_NO_PE_HEADER);

    const unsigned long long optAt = peAt + sizeof file;
    const unsigned long long optSize = file.SizeOfOptionalHeader.get();
    ZEP_PE_LE16 magic;
    if (optSize < sizeof magic || !ReadAt(fp, fileSize, optAt, &magic, sizeof magic))
        return Malformed(strError, "its optional header is missing");
    unsigned long long dirsAt = 0;
    uint32_t count = 0;
    if (magic.get() == ZEP_PE32_MAGIC || magic.get() == ZEP_PE32PLUS_MAGIC) {
        tagPeOptionalHeader32Head h32;
        tagPeOptionalHeader64Head h64;
        const bool b64 = magic.get() == ZEP_PE32PLUS_MAGIC;
        const size_t headSize = b64 ? sizeof h64 : sizeof h32;
        if (optSize < headSize ||
            !ReadAt(fp, fileSize, optAt, b64 ? static_cast<void*>(&h64) : &h32, headSize))
            return Malformed(strError, "its optional header is cut short");
        count = b64 ? h64.NumberOfRvaAndSizes.get() : h32.NumberOfRvaAndSizes.get();
        dirsAt = optAt + headSize;
        if (count > (optSize - headSize) / sizeof(tagPeDataDirectory))
            return Malformed(strError, "its data directories run past the optional header");
    } else {
        return Malformed(strError, "its optional header is of an unknown kind");
    }
    if (count <= ZEP_PE_DIRECTORY_SECURITY)
        return ZEP_PE_UNSIGNED;

    tagPeDataDirectory security;
    if (!ReadAt(fp, fileSize, dirsAt + ZEP_PE_DIRECTORY_SECURITY * sizeof security, &security,
                sizeof security))
        return Malformed(strError, "its data directories lie outside the file");
    const unsigned long long at = security.VirtualAddress.get();
    const unsigned long long size = security.Size.get();
    if (size == 0)
        return ZEP_PE_UNSIGNED;
    if (at == 0 || at > fileSize || size > fileSize - at)
        return Malformed(strError, "its certificate table lies outside the file");
    table.offset = at;
    table.size = size;
    return ZEP_PE_SIGNED;
}
