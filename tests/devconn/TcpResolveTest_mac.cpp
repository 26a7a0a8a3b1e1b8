// macOS address resolution of the TCP transport: "lpd://" device URIs, no registry.
#include "DevConnTCP.h"
#include "TestNet.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Url(const std::string& name) {
    DevConnTCP conn;
    sockaddr_in addr;
    return AddrText(conn.GetIpFromUrl(name.c_str(), &addr), addr);
}

TEST(TcpUrlMac, LpdAnywhereBelow1024) {
    EXPECT_EQ("10.0.0.7", Url("lpd://10.0.0.7/queue"));
    EXPECT_EQ("10.0.0.7", Url("dnssd-ish lpd://10.0.0.7/queue"));
    EXPECT_EQ("10.0.0.7", Url("lpd://10.0.0.7:515/queue"));
    EXPECT_EQ("-", Url("lpd://10.0.0.7"));
    EXPECT_EQ("-", Url("http://10.0.0.7/ipp"));
    EXPECT_EQ("-", Url("lpd://10.0.0.7/" + std::string(1009, 'q'))); // 1024 characters
    EXPECT_EQ("10.0.0.7", Url("lpd://10.0.0.7/" + std::string(1008, 'q')));
}

TEST(TcpUrlMac, PortOfAQueueIsItsUri) {
    DevConnTCP conn;
    sockaddr_in addr;
    EXPECT_EQ("10.0.0.7", AddrText(conn.GetIpFromPort("lpd://10.0.0.7/queue", &addr), addr));
    EXPECT_EQ("10.0.0.7", AddrText(conn.ResolveIpAddr("lpd://10.0.0.7/queue", &addr), addr));
    EXPECT_FALSE(conn.ResolveIpAddr(nullptr, &addr));
    EXPECT_FALSE(conn.ResolveIpAddr("lpd://10.0.0.7/queue", nullptr));
    EXPECT_FALSE(conn.GetIpFromReg("Standard TCP/IP Port", "IPAddress", "IP_10.0.0.7", &addr));
}

} // namespace
