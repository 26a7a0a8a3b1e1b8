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

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "VERSION BOOTABLE1=HV001100": the row with its version replaced, or unchanged.
std::string RowWithVersion(const std::string& row,
                           const std::map<std::string, std::string>& versions) {
    if (!StartsWithKey(row, "VERSION"))
        return row;
    const size_t nameBegin = row.find_first_not_of(" \t", 7);
    const size_t eq = row.find('=', nameBegin == std::string::npos ? row.size() : nameBegin);
    if (eq == std::string::npos || eq == nameBegin)
        return row;
    size_t typeEnd = row.find_last_not_of(" \t", eq - 1) + 1;
    const size_t nameEnd = typeEnd;
    while (typeEnd > nameBegin && std::isdigit(static_cast<unsigned char>(row[typeEnd - 1])))
        --typeEnd;
    const std::string type = row.substr(nameBegin, typeEnd - nameBegin);
    for (const auto& version : versions)
        if (SameNoCase(type, version.first))
            return row.substr(0, nameEnd) + "=" + version.second;
    return row;
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

std::string WithVersions(const std::string& targetInfo,
                         const std::map<std::string, std::string>& versions) {
    std::string out;
    size_t begin = 0;
    while (begin < targetInfo.size()) {
        size_t end = targetInfo.find('\n', begin);
        const bool bLineEnd = end != std::string::npos;
        if (!bLineEnd)
            end = targetInfo.size();
        std::string row = targetInfo.substr(begin, end - begin);
        const bool bCr = !row.empty() && row.back() == '\r';
        if (bCr)
            row.pop_back();
        out += RowWithVersion(row, versions) + (bCr ? "\r" : "") + (bLineEnd ? "\n" : "");
        begin = end + 1;
    }
    return out;
}
