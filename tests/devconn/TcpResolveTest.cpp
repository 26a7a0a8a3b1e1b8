// Portable address resolution: dotted text, URL host parts, host text with a port suffix. Only
// dotted and loopback names; nothing outside this machine is looked up.
#include "DevConnTCPResolve.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Dotted text of a network-order address, or "-" when none.
std::string Dotted(bool bFound, uint32_t dwAddrNet) {
    if (!bFound)
        return "-";
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&dwAddrNet);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

std::string DottedOf(const char* psz) {
    uint32_t a = 0;
    const bool bFound = ZepDottedAddr(psz, &a);
    return Dotted(bFound, a);
}

TEST(DottedAddr, AcceptsOnlyDottedQuads) {
    EXPECT_EQ("192.168.0.5", DottedOf("192.168.0.5"));
    EXPECT_EQ("127.0.0.1", DottedOf("127.0.0.1"));
    EXPECT_EQ("10.0.0.7", DottedOf("010.000.000.007"));
    EXPECT_EQ("-", DottedOf("0.0.0.0"));
    EXPECT_EQ("-", DottedOf("255.255.255.255"));
    EXPECT_EQ("-", DottedOf("224.0.0.251")); // multicast: the one address reader refuses it
    EXPECT_EQ("-", DottedOf("0.1.2.3"));
    EXPECT_EQ("-", DottedOf("256.1.1.1"));
    EXPECT_EQ("-", DottedOf("1.2.3"));
    EXPECT_EQ("-", DottedOf("1.2.3.4.5"));
    EXPECT_EQ("-", DottedOf("1.2.3.4 "));
    EXPECT_EQ("-", DottedOf("1..3.4"));
    EXPECT_EQ("-", DottedOf("1234.1.1.1"));
    EXPECT_EQ("-", DottedOf("localhost"));
    EXPECT_EQ("-", DottedOf(""));
    EXPECT_EQ("-", DottedOf(nullptr));
}

std::string Host(const char* pszName, const char* pszScheme, bool bAnywhere, size_t cchMax) {
    char sz[64];
    return ZepUrlHost(pszName, pszScheme, bAnywhere, cchMax, sz, sizeof(sz)) ? sz : "-";
}

TEST(UrlHost, SchemeLengthAndSlashRules) {
    EXPECT_EQ("192.168.0.5", Host("http://192.168.0.5/ipp", "http://", false, 260));
    EXPECT_EQ("-", Host("http://192.168.0.5", "http://", false, 260)); // no '/' after the host
    EXPECT_EQ("-", Host("xhttp://192.168.0.5/ipp", "http://", false, 260));
    EXPECT_EQ("10.0.0.7", Host("xlpd://10.0.0.7/q", "lpd://", true, 1024));
    EXPECT_EQ("h:631", Host("http://h:631/ipp", "http://", false, 260));
    EXPECT_EQ("", Host("http:///ipp", "http://", false, 260));
    EXPECT_EQ("-",
              Host(("http://1.2.3.4/" + std::string(245, 'q')).c_str(), "http://", false, 260));
    EXPECT_EQ("1.2.3.4",
              Host(("http://1.2.3.4/" + std::string(244, 'q')).c_str(), "http://", false, 260));
    // A host part longer than the caller's buffer is refused, not cut.
    EXPECT_EQ("-", Host(("http://" + std::string(100, 'h') + "/").c_str(), "http://", false, 260));
}

std::string HostText(const char* psz, bool bPortSuffix) {
    uint32_t a = 0;
    const bool bFound = ZepHostTextAddr(psz, bPortSuffix, &a);
    return Dotted(bFound, a);
}

TEST(HostText, DottedPortSuffixAndLookup) {
    EXPECT_EQ("192.168.0.5", HostText("192.168.0.5:631", true));
    EXPECT_EQ("127.0.0.1", HostText("localhost:631", true)); // looked up without the port
    EXPECT_EQ("127.0.0.1", HostText("localhost", false));
    // Text that reads as an address is never handed to the system's look-up, which would
    // take 0.0.0.0 (or octal "010") its own way.
    EXPECT_EQ("-", HostText("0.0.0.0", false));
    EXPECT_EQ("-", HostText("0.0.0.0:631", true));
    EXPECT_EQ("10.0.0.1", HostText("010.0.0.1:631", true));
    EXPECT_EQ("-", HostText(":631", true));
    EXPECT_EQ("-", HostText("", true));
}

TEST(UrlAddr, HostWithPortNumber) {
    uint32_t a = 0;
    const bool bFound = ZepUrlAddr("http://192.168.0.5:631/ipp", "http://", false, 260, &a);
    EXPECT_EQ("192.168.0.5", Dotted(bFound, a));
}

} // namespace
