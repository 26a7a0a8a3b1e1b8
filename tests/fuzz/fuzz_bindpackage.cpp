// The bound-package reader on arbitrary files: the trailer, the directory, and every file the
// directory names read in pieces of a size taken from the input. What it delivers must be the
// bytes of the file where the directory says they are.
#include "zepBindFormat.h"
#include "zepBindInfo.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Names the directory holds, taken from the bytes as the layout places them, plus fixed ones.
std::vector<std::string> NamesToAsk(const std::vector<uint8_t>& file) {
    std::vector<std::string> names = {ZEP_BIND_INFO_NAME, "boot.bin", "", "ZEPINFO.TXT"};
    if (file.size() < sizeof(tagBindManagementInfo))
        return names;
    tagBindManagementInfo trailer;
    std::memcpy(&trailer, file.data() + file.size() - sizeof trailer, sizeof trailer);
    const long long start = trailer.lStartManageOffset.get();
    for (long long i = 0; i < 8 && i < trailer.lAllFileNum.get(); ++i) {
        const long long at = start + i * static_cast<long long>(sizeof(tagBindManagement));
        if (at < 0 || at + static_cast<long long>(sizeof(tagBindManagement)) >
                          static_cast<long long>(file.size()))
            break;
        tagBindManagement entry;
        std::memcpy(&entry, file.data() + at, sizeof entry);
        names.push_back(ZepBindEntryName(entry));
    }
    return names;
}

void ReadWhole(zepBindInfo& bind, const std::string& name, const std::vector<uint8_t>& file,
               unsigned long piece) {
    unsigned long start = 0, size = 0;
    if (!bind.getBindMngData(name.c_str(), start, size))
        return;
    unsigned long sizeOnly = 0;
    if (!bind.getBindFileSize(name.c_str(), sizeOnly) || sizeOnly != size ||
        static_cast<unsigned long long>(start) + size > file.size())
        std::abort();
    std::vector<unsigned char> buf(piece + 1, 0xEE);
    for (unsigned long offset = 0; offset <= size; offset += piece) {
        unsigned long n = piece;
        if (!bind.getBindFileData(name.c_str(), offset, buf.data(), n))
            std::abort(); // a stream in memory does not fail to read
        const unsigned long expect = size - offset < piece ? size - offset : piece;
        if (n != expect || buf[piece] != 0xEE ||
            (n != 0 && std::memcmp(buf.data(), file.data() + start + offset, n) != 0))
            std::abort();
        if (n == 0)
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const unsigned long piece = 1 + data[0] * 17ul;
    std::vector<uint8_t> file(data + 1, data + size);
    // fmemopen refuses an empty buffer; one that is too short for a trailer is no package anyway.
    if (file.empty())
        return 0;
    FILE* fp = fmemopen(file.data(), file.size(), "rb");
    if (fp == nullptr)
        return 0;
    zepBindInfo::SetPackageStream(fp);
    zepBindInfo* bind = zepBindInfo::Instance();
    if (bind != nullptr) {
        bind->IsBindZepFile();
        for (const std::string& name : NamesToAsk(file))
            ReadWhole(*bind, name, file, piece);
        // Out-of-range offsets and a null name.
        unsigned char b[4];
        unsigned long n = sizeof b;
        bind->getBindFileData(ZEP_BIND_INFO_NAME, 0xFFFFFFF0ul, b, n);
        n = sizeof b;
        bind->getBindFileData(nullptr, 0, b, n);
    }
    zepBindInfo::DestroyInstance();
    return 0;
}
