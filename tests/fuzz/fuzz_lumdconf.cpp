// The printer daemon's lumd.conf reader and the URI classification on arbitrary text: the input
// is an argument (queue name, address or URI) up to a NUL, then the file. Every queue the file
// lists is looked up; every text handed out is freed, so a leak is a finding too.
#include "lumd_conf_access.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void LookUp(char* start, char* end, char* queue) {
    char* address = nullptr;
    char* type = nullptr;
    zGetPrinterAddressAndIOLibType(start, end, queue, &address, &type);
    std::free(address);
    std::free(type);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    std::string arg(reinterpret_cast<const char*>(data),
                    nul ? static_cast<size_t>(nul - data) : size);
    std::vector<char> file(nul ? nul + 1 : data + size, data + size);

    printer_connection_type type = CONNECTION_TYPE_UNKNOWN;
    char* signature = nullptr;
    getConnectionTypeFromURI(&arg[0], &type, &signature);
    std::free(signature);
    zGetIOSignatureFromLumdUri(arg.c_str());
    if (file.empty())
        return 0; // a memory stream needs at least one byte

    FILE* fp = fmemopen(file.data(), file.size(), "r");
    if (fp == nullptr)
        return 0;
    char* buf = nullptr;
    long used = 0;
    const int rc = zGetAllDataFromStream(fp, &buf, &used);
    std::fclose(fp);
    if (rc != 0)
        return 0;
    if (used != static_cast<long>(file.size()) || std::memcmp(buf, file.data(), file.size()) != 0)
        std::abort();
    char* const end = buf + used;

    const int count = zGetQueueCount(buf, end);
    char* at = buf;
    char* queue = nullptr;
    int seen = 0;
    while (seen <= count && zGetFirstQueueName(at, end, &at, &queue)) {
        ++seen;
        if (at < buf || at > end)
            std::abort();
        LookUp(buf, end, queue);
        std::free(queue);
        queue = nullptr;
    }
    if (seen != count)
        std::abort(); // the walk and the count disagree about the sections
    LookUp(buf, end, &arg[0]);
    char* found = nullptr;
    if (!arg.empty() && zGetQueueNameFromPrinterAddress(buf, end, &arg[0], &found))
        std::free(found);
    std::free(buf);
    return 0;
}
