// Reading the simulated device's advertised limits.
#include "SimTargetInfo.h"

#include <cctype>
#include <cstdlib>

namespace {

bool StartsWithKey(const std::string& row, const char* key) {
    size_t i = 0;
    for (; key[i] != '\0'; ++i)
        if (i >= row.size() || std::toupper(static_cast<unsigned char>(row[i])) != key[i])
            return false;
    return i < row.size() && (row[i] == ' ' || row[i] == '\t');
}

} // namespace

uint32_t AdvertisedMaxPacket(const std::string& targetInfo) {
    size_t begin = 0;
    while (begin < targetInfo.size()) {
        size_t end = targetInfo.find('\n', begin);
        if (end == std::string::npos)
            end = targetInfo.size();
        std::string row = targetInfo.substr(begin, end - begin);
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        if (StartsWithKey(row, "MAXPACKET")) {
            const unsigned long value = std::strtoul(row.c_str() + 9, nullptr, 10);
            return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
        }
        begin = end + 1;
    }
    return 0;
}
