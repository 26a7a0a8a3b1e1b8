// The IEEE 1284 device-ID key scans on arbitrary IDs: the value found must lie inside the ID and
// end at a NUL within it.
#include "DevConnBase.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

typedef char* (*ScanFn)(char*);

void Scan(const uint8_t* data, size_t size, ScanFn scan) {
    std::vector<char> id(data, data + size);
    id.push_back('\0');
    char* found = scan(id.data());
    if (found == nullptr)
        return;
    char* end = id.data() + id.size();
    if (found < id.data() || found >= end || std::memchr(found, '\0', end - found) == nullptr)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scan(data, size, DevConnBase::FindModelKey);
    Scan(data, size, DevConnBase::FindMFGKey);
    return 0;
}
