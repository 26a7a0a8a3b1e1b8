// The one reader of IPv4 addresses and address ranges: the console's options, its targets file,
// discovery's ranges and the TCP transport's resolver all take an address the same way, and
// refuse the same addresses for the same reasons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Addresses are in host byte order (127.0.0.1 is 0x7F000001).

// Four decimal fields of 1 to 3 digits, each at most 255, separated by single dots and nothing
// else (no spaces, signs, hex or shorter forms). A leading zero is a decimal digit: "010.0.0.1"
// is 10.0.0.1, never the octal reading some system resolvers make of it.
bool ZepParseIPv4(const std::string& text, uint32_t& addr);

// Why an address cannot name a device, or empty when it can: 0.0.0.0/8 names this host's own
// network, 224.0.0.0/4 is multicast, and 240.0.0.0/4 (with 255.255.255.255) is reserved or
// broadcast; none is one printer.
std::string ZepAddrRefusal(uint32_t addr);

// The address in its one spelling ("10.0.0.1").
std::string ZepAddrText(uint32_t addr);

// An address that names a device: syntax, then ZepAddrRefusal. False with the reason in strWhy.
bool ZepParseDeviceAddr(const std::string& text, uint32_t& addr, std::string& strWhy);

// A scanned range: first to last, both included.
struct ZepAddrRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint64_t Count() const { return uint64_t(last) - first + 1; }
};

// The most addresses one run may scan: a /16.
const uint64_t kZepMaxScanAddresses = 65536;

// ADDRESS, ADDRESS/PREFIX (a block of at most /16 whose host bits are zero; for blocks of 4 and
// more addresses the network and broadcast addresses are left out, since a packet to the
// broadcast address would reach every host of the subnet) or FIRST-LAST (FIRST not above LAST).
// Every address of the range must be one ZepAddrRefusal accepts. False with the reason.
bool ZepParseAddrRange(const std::string& text, ZepAddrRange& range, std::string& strWhy);

// The addresses of several ranges, each once, in the order first given. False when they add up
// to more than kZepMaxScanAddresses distinct addresses.
bool ZepRangeAddresses(const std::vector<ZepAddrRange>& ranges, std::vector<uint32_t>& addrs,
                       std::string& strWhy);
