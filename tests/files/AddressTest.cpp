// The one reader of addresses and ranges: each rule as a row, the way every input is read.
#include "zepAddress.h"

#include <gtest/gtest.h>

namespace {

// "-" for refused syntax, "refused: WHY" for an address that names no device, else its spelling.
std::string Device(const std::string& text) {
    uint32_t addr = 0;
    std::string why;
    if (!ZepParseIPv4(text, addr))
        return "-";
    if (!ZepParseDeviceAddr(text, addr, why))
        return "refused: " + why;
    return ZepAddrText(addr);
}

// "first..last (count)", or the reason.
std::string Range(const std::string& text) {
    ZepAddrRange r;
    std::string why;
    if (!ZepParseAddrRange(text, r, why))
        return why;
    return ZepAddrText(r.first) + ".." + ZepAddrText(r.last) + " (" + std::to_string(r.Count()) +
           ")";
}

TEST(Address, OneSpellingAndOneSetOfRefusals) {
    const std::pair<const char*, const char*> rows[] = {
        {"127.0.0.1", "127.0.0.1"},
        {"010.000.000.007", "10.0.0.7"}, // leading zeros are decimal, never octal
        {"1.2.3.255", "1.2.3.255"},      // could be a host of a larger block
        {"223.255.255.254", "223.255.255.254"},
        {"0.0.0.0", "refused: 0.0.0.0 is in 0.0.0.0/8, which names no device"},
        {"0.1.2.3", "refused: 0.1.2.3 is in 0.0.0.0/8, which names no device"},
        {"224.0.0.251", "refused: 224.0.0.251 is a multicast address, not a device"},
        {"240.0.0.1", "refused: 240.0.0.1 is in the reserved block 240.0.0.0/4, not a device"},
        {"255.255.255.255", "refused: 255.255.255.255 is the broadcast address, not a device"},
        {"", "-"},          {"1.2.3", "-"},       {"1.2.3.4.5", "-"},   {"1..3.4", "-"},
        {"1.2.3.4.", "-"},  {" 1.2.3.4", "-"},    {"1.2.3.4 ", "-"},    {"+1.2.3.4", "-"},
        {"1.2.3.-4", "-"},  {"1.2.3.256", "-"},   {"1.2.3.0004", "-"},  {"0x7f.0.0.1", "-"},
        {"a.b.c.d", "-"},   {"2130706433", "-"},  {"1.2.3.4/24", "-"},  {"1.2.3.4:80", "-"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, Device(row.first)) << row.first;
}

TEST(Address, RangesBlocksAndLimits) {
    const std::pair<const char*, const char*> rows[] = {
        {"127.0.77.5", "127.0.77.5..127.0.77.5 (1)"},
        {"127.0.77.0/26", "127.0.77.1..127.0.77.62 (62)"}, // no network or broadcast address
        {"127.0.77.4/30", "127.0.77.5..127.0.77.6 (2)"},
        {"127.0.77.4/31", "127.0.77.4..127.0.77.5 (2)"},
        {"127.0.77.4/32", "127.0.77.4..127.0.77.4 (1)"},
        {"127.0.0.0/16", "127.0.0.1..127.0.255.254 (65534)"},
        {"127.0.77.10-127.0.77.20", "127.0.77.10..127.0.77.20 (11)"},
        {"127.0.0.0-127.0.255.255", "127.0.0.0..127.0.255.255 (65536)"},
        {"127.0.0.0/15", "127.0.0.0/15 is larger than the /16 one run may scan"},
        {"127.0.0.0-127.1.0.0", "127.0.0.0-127.1.0.0 is larger than the /16 one run may scan"},
        {"127.0.77.1/24", "127.0.77.1/24 has host bits set: the block is 127.0.77.0/24"},
        {"127.0.77.0/33", "not a prefix length from 16 to 32: 127.0.77.0/33"},
        {"127.0.77.0/", "not a prefix length from 16 to 32: 127.0.77.0/"},
        {"127.0.77.0/2a", "not a prefix length from 16 to 32: 127.0.77.0/2a"},
        {"127.0.77.20-127.0.77.10", "the range 127.0.77.20-127.0.77.10 ends before it begins"},
        {"127.0.77.1-", "not an IPv4 address: "},
        {"127.0.77.300/24", "not an IPv4 address: 127.0.77.300"},
        {"printer.local", "not an IPv4 address: printer.local"},
        {"0.0.0.0/16", "0.0.0.0/16: 0.0.0.1 is in 0.0.0.0/8, which names no device"},
        {"223.255.255.0-224.0.0.5",
         "223.255.255.0-224.0.0.5: 224.0.0.5 is a multicast address, not a device"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, Range(row.first)) << row.first;
}

TEST(Address, RangesAddUpToOneSlash16AtMost) {
    ZepAddrRange a, b, c;
    std::string why;
    ASSERT_TRUE(ZepParseAddrRange("127.0.77.1-127.0.77.3", a, why));
    ASSERT_TRUE(ZepParseAddrRange("127.0.77.2-127.0.77.4", b, why));
    std::vector<uint32_t> addrs;
    ASSERT_TRUE(ZepRangeAddresses({a, b}, addrs, why));
    EXPECT_EQ((std::vector<uint32_t>{0x7F004D01, 0x7F004D02, 0x7F004D03, 0x7F004D04}), addrs);
    ASSERT_TRUE(ZepParseAddrRange("127.0.0.0-127.0.255.255", c, why));
    EXPECT_TRUE(ZepRangeAddresses({c, a}, addrs, why)); // inside the /16: nothing added
    EXPECT_EQ(65536u, addrs.size());
    ASSERT_TRUE(ZepParseAddrRange("127.1.0.1", b, why));
    EXPECT_FALSE(ZepRangeAddresses({c, b}, addrs, why));
    EXPECT_NE(std::string::npos, why.find("more than the 65536 addresses"));
    EXPECT_TRUE(addrs.empty());
}

} // namespace
