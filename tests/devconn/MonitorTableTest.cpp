// The table that says where a Windows print port keeps its device's address: every row, its
// order, and the treatment of missing texts.
#include "DevConnMonitorTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Str(LPCSTR p) {
    return p != nullptr ? p : "(null)";
}

// "kind key value fallback" of the row chosen for a record.
std::string Row(LPCSTR pMonitor, LPCSTR pDescription) {
    ZepPortRecord record = {"PORT1", pMonitor, pDescription};
    ZepAddrSource s = ChooseAddrSource(record);
    const char* kinds[] = {"none", "reg", "url"};
    return std::string(kinds[s.kind]) + " " + Str(s.pKey) + " " + Str(s.pValue) + " " +
           Str(s.pFallbackValue);
}

TEST(MonitorTable, EveryRow) {
    EXPECT_EQ("reg Standard TCP/IP Port IPAddress HostName",
              Row("Some Monitor", "Standard TCP/IP Port"));
    EXPECT_EQ("reg Standard TCP/IP Port IPAddress HostName", Row("TCPMON.DLL", "Anything"));
    EXPECT_EQ("reg Torvi LPR 2.0 Server Name (null)", Row("Torvi LPR 2.0", "x"));
    EXPECT_EQ("reg Torvi Wayfind LPR Port PrinterAddr (null)", Row("x", "Torvi Wayfind LPR Port"));
    EXPECT_EQ("reg Torvi LPR Port Server Name (null)", Row("Torvi LPR Port", "x"));
    EXPECT_EQ("url (null) (null) (null)", Row("Internet Port", "x"));
    EXPECT_EQ("reg LPR Port Server Name (null)", Row("", ""));
    EXPECT_EQ("reg LPR Port Server Name (null)", Row(nullptr, nullptr));
    EXPECT_EQ("none (null) (null) (null)", Row("Local Monitor", "Local Port"));
    EXPECT_EQ("none (null) (null) (null)", Row("", "Local Port"));
    EXPECT_EQ("none (null) (null) (null)", Row("Local Monitor", nullptr));
}

TEST(MonitorTable, NamesIgnoreCaseAndKeyKeepsTheRecordsSpelling) {
    EXPECT_EQ("reg standard tcp/ip PORT IPAddress HostName", Row("x", "standard tcp/ip PORT"));
    EXPECT_EQ("reg Standard TCP/IP Port IPAddress HostName", Row("tcpmon.dll", ""));
    EXPECT_EQ("reg torvi lpr 2.0 Server Name (null)", Row("torvi lpr 2.0", ""));
    EXPECT_EQ("url (null) (null) (null)", Row("INTERNET PORT", ""));
}

// The first matching row wins: the description test comes before the monitor tests.
TEST(MonitorTable, FirstMatchingRowWins) {
    EXPECT_EQ("reg Standard TCP/IP Port IPAddress HostName",
              Row("Internet Port", "Standard TCP/IP Port"));
    EXPECT_EQ("reg Torvi LPR 2.0 Server Name (null)",
              Row("Torvi LPR 2.0", "Torvi Wayfind LPR Port"));
    EXPECT_EQ("reg Torvi Wayfind LPR Port PrinterAddr (null)",
              Row("Torvi LPR Port", "Torvi Wayfind LPR Port"));
}

TEST(MonitorTable, EqualNoCase) {
    EXPECT_TRUE(ZepEqualNoCase("IP_10.0.0.1", "ip_10.0.0.1"));
    EXPECT_TRUE(ZepEqualNoCase(nullptr, ""));
    EXPECT_FALSE(ZepEqualNoCase("USB001", "USB0010"));
    EXPECT_FALSE(ZepEqualNoCase("USB0010", "USB001"));
}

TEST(MonitorTable, TextCopiesAreCutToTheBufferAndEnded) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {{"HV1", "HV1"}, {"HV20", "HV20"}, {"HV 2000", "HV 2"}, {"", ""}, {nullptr, "old"}};
    for (const Case& c : cases) {
        char buffer[5] = {'o', 'l', 'd', '\0', 'x'};
        ZepCopyText(buffer, 5, c.text);
        EXPECT_STREQ(c.expected, buffer) << (c.text ? c.text : "null");
    }
}

} // namespace
