// Addresses and ranges, read by one set of rules for every input.
#include "zepAddress.h"

#include <unordered_set>

namespace {

bool ParsePrefix(const std::string& text, unsigned& prefix) {
    if (text.empty() || text.size() > 2)
        return false;
    prefix = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        prefix = prefix * 10 + unsigned(c - '0');
    }
    return prefix <= 32;
}

bool ParseRangeAddr(const std::string& text, uint32_t& addr, std::string& strWhy) {
    if (ZepParseIPv4(text, addr))
        return true;
    strWhy = "not an IPv4 address: " + text;
    return false;
}

} // namespace

bool ZepParseIPv4(const std::string& text, uint32_t& addr) {
    uint32_t value = 0;
    size_t i = 0;
    for (int field = 0; field < 4; ++field) {
        if (field > 0 && (i >= text.size() || text[i++] != '.'))
            return false;
        unsigned part = 0;
        int digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            part = part * 10 + unsigned(text[i] - '0');
            if (++digits > 3)
                return false;
        }
        if (digits == 0 || part > 255)
            return false;
        value = (value << 8) | part;
    }
    if (i != text.size())
        return false;
    addr = value;
    return true;
}

std::string ZepAddrRefusal(uint32_t addr) {
    if ((addr >> 24) == 0)
        return ZepAddrText(addr) + " is in 0.0.0.0/8, which names no device";
    if (addr == 0xFFFFFFFFu)
        return "255.255.255.255 is the broadcast address, not a device";
    if ((addr >> 28) == 0xE)
        return ZepAddrText(addr) + " is a multicast address, not a device";
    if ((addr >> 28) == 0xF)
        return ZepAddrText(addr) + " is in the reserved block 240.0.0.0/4, not a device";
    return std::string();
}

std::string ZepAddrText(uint32_t addr) {
    return std::to_string(addr >> 24) + "." + std::to_string((addr >> 16) & 0xFF) + "." +
           std::to_string((addr >> 8) & 0xFF) + "." + std::to_string(addr & 0xFF);
}

bool ZepParseDeviceAddr(const std::string& text, uint32_t& addr, std::string& strWhy) {
    uint32_t value = 0;
    if (!ZepParseIPv4(text, value)) {
        strWhy = "not an IPv4 address: " + text;
        return false;
    }
    strWhy = ZepAddrRefusal(value);
    if (!strWhy.empty())
        return false;
    addr = value;
    return true;
}

bool ZepParseAddrRange(const std::string& text, ZepAddrRange& range, std::string& strWhy) {
    ZepAddrRange r;
    const size_t slash = text.find('/');
    const size_t dash = text.find('-');
    if (slash != std::string::npos) {
        unsigned prefix = 0;
        if (!ParseRangeAddr(text.substr(0, slash), r.first, strWhy))
            return false;
        if (!ParsePrefix(text.substr(slash + 1), prefix)) {
            strWhy = "not a prefix length from 16 to 32: " + text;
            return false;
        }
        if (prefix < 16) {
            strWhy = text + " is larger than the /16 one run may scan";
            return false;
        }
        const uint32_t hostMask = prefix == 32 ? 0 : (0xFFFFFFFFu >> prefix);
        if ((r.first & hostMask) != 0) {
            strWhy = text + " has host bits set: the block is " +
                     ZepAddrText(r.first & ~hostMask) + "/" + std::to_string(prefix);
            return false;
        }
        r.last = r.first | hostMask;
        if (prefix <= 30) { // network and broadcast addresses are no hosts
            ++r.first;
            --r.last;
        }
    } else if (dash != std::string::npos) {
        if (!ParseRangeAddr(text.substr(0, dash), r.first, strWhy) ||
            !ParseRangeAddr(text.substr(dash + 1), r.last, strWhy))
            return false;
        if (r.first > r.last) {
            strWhy = "the range " + text + " ends before it begins";
            return false;
        }
        if (r.Count() > kZepMaxScanAddresses) {
            strWhy = text + " is larger than the /16 one run may scan";
            return false;
        }
    } else {
        if (!ParseRangeAddr(text, r.first, strWhy))
            return false;
        r.last = r.first;
    }
    // The refused addresses lie at both ends of the address space: checking the ends suffices.
    for (uint32_t end : {r.first, r.last}) {
        strWhy = ZepAddrRefusal(end);
        if (!strWhy.empty()) {
            strWhy = text + ": " + strWhy;
            return false;
        }
    }
    range = r;
    return true;
}

bool ZepRangeAddresses(const std::vector<ZepAddrRange>& ranges, std::vector<uint32_t>& addrs,
                       std::string& strWhy) {
    addrs.clear();
    std::unordered_set<uint32_t> seen;
    for (const ZepAddrRange& range : ranges) {
        for (uint64_t a = range.first; a <= range.last; ++a) {
            if (!seen.insert(uint32_t(a)).second)
                continue;
            if (addrs.size() == kZepMaxScanAddresses) {
                strWhy = "the ranges add up to more than the 65536 addresses (a /16) one run "
                         "may scan";
                addrs.clear();
                return false;
            }
            addrs.push_back(uint32_t(a));
        }
    }
    return true;
}
