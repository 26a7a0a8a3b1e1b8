// halvard --discover's portable rules: its command line, what an agent's answer makes of a
// printer, the secrets file, and the outputs a device's text reaches. The network side runs
// against real agents in tests/discover.
#include "CliDiscover.h"

#include <gtest/gtest.h>

namespace {

std::string DiscoverError(std::vector<const char*> args) {
    args.insert(args.begin(), "halvard");
    CliOptions options;
    std::string error;
    EXPECT_FALSE(ParseCliOptions(int(args.size()), args.data(), options, error));
    return error;
}

TEST(CliDiscover, CommandLine) {
    std::vector<const char*> args = {"halvard",  "--discover",   "127.0.77.0/26", "127.0.78.5",
                                     "--jobs=8", "--snmp-port", "16100",         "--json"};
    CliOptions o;
    std::string error;
    ASSERT_TRUE(ParseCliOptions(int(args.size()), args.data(), o, error)) << error;
    EXPECT_TRUE(o.bDiscover && o.bJson);
    EXPECT_EQ((std::vector<std::string>{"127.0.77.0/26", "127.0.78.5"}), o.discover.ranges);
    EXPECT_EQ(8u, o.nJobs);
    EXPECT_EQ(16100, o.discover.wPort);
    EXPECT_EQ(1000ul, o.discover.dwTimeoutMs);
    EXPECT_EQ(1u, o.discover.nRetries);

    const std::pair<std::vector<const char*>, const char*> rows[] = {
        {{"--discover"}, "no range: give --discover RANGE... or --ranges FILE"},
        {{"--discover", "10.0.0.0/15"}, "10.0.0.0/15 is larger than the /16 one run may scan"},
        {{"--discover", "10.0.0.0/2x"}, "not a prefix length from 16 to 32: 10.0.0.0/2x"},
        {{"--discover", "10.0.0.1", "--address", "10.0.0.2"},
         "--address cannot be used with --discover"},
        {{"--discover", "10.0.0.1", "--check"}, "--check cannot be used with --discover"},
        {{"--discover", "10.0.0.1", "-x"}, "unknown argument: -x"},
        {{"--discover", "10.0.0.1", "--snmp-port", "0"},
         "--snmp-port takes a UDP port from 1 to 65535"},
        {{"--discover", "10.0.0.1", "--snmp-timeout", "5"},
         "--snmp-timeout takes milliseconds from 10 to 60000"},
        {{"--discover", "10.0.0.1", "--snmp-retries", "11"},
         "--snmp-retries takes a number from 0 to 10"},
        {{"--discover", "10.0.0.1", "--jobs", "513"},
         "--jobs takes a number from 1 to 512 with --discover"},
        {{"--discover", "10.0.0.1", "--snmp-auth", "SHA"},
         "--snmp-auth and --snmp-priv need --snmp-user (SNMPv3)"},
        {{"--discover", "10.0.0.1", "--community", "c", "--snmp-user", "u"},
         "give either --community (SNMPv2c) or --snmp-user (SNMPv3), not both"},
        {{"--discover", "10.0.0.1", "--report", "r.txt"},
         "--report takes a file ending in .csv or .json"},
        {{"--discover", "10.0.0.1", "--json", "--json"}, "--json given twice"},
        {{"--discover", "10.0.0.1", "--ranges"}, "--ranges needs a value"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, DiscoverError(row.first)) << row.first[1];
}

TEST(CliDiscover, WhatAnAnswerMakesOfAPrinter) {
    TargetListRules rules;
    rules.strTgmName = "HV2000";
    rules.deviceIdModels = {"HV-2000"};
    SnmpAnswer answer;
    answer.addr = 0x7F004D05;
    answer.status = SnmpStatus::ANSWERED;
    answer.bPrinterMib = true;
    answer.strSysName = "prn";
    answer.strHrDeviceDescr = "Torvi HV-2000";
    answer.strDeviceId = "MFG:Torvi;MDL:HV-2000;";
    FoundPrinter p;
    ASSERT_TRUE(PrinterOf(answer, rules, p));
    EXPECT_EQ("HV-2000", p.strModel);
    EXPECT_TRUE(p.bServed);
    answer.strDeviceId = "MFG:Torvi;"; // no model in the ID: the Host Resources description
    ASSERT_TRUE(PrinterOf(answer, rules, p));
    EXPECT_EQ("Torvi HV-2000", p.strModel);
    EXPECT_FALSE(p.bServed); // DEVICEIDMODELNAME is matched whole
    rules.deviceIdModels.clear();
    answer.strHrDeviceDescr = "HV2000 series";
    ASSERT_TRUE(PrinterOf(answer, rules, p));
    EXPECT_TRUE(p.bServed); // without it, TGMNAME begins the model
    answer.bPrinterMib = false;
    EXPECT_FALSE(PrinterOf(answer, rules, p)); // an agent without the Printer MIB
    answer.bPrinterMib = true;
    answer.status = SnmpStatus::REFUSED;
    EXPECT_FALSE(PrinterOf(answer, rules, p));
}

TEST(CliDiscover, SecretsFileNeverQuotesAValue) {
    SnmpSettings s;
    std::string error;
    ASSERT_TRUE(ReadSecretsText("# v3\r\nauth=a=b c\r\npriv=p\n\ncommunity=x\n", s, error));
    EXPECT_EQ("a=b c", s.strAuthPass);
    EXPECT_EQ("p", s.strPrivPass);
    EXPECT_EQ("x", s.strCommunity);
    EXPECT_FALSE(ReadSecretsText("auth=ok\npassword=hunter22\n", s, error));
    EXPECT_EQ("line 2 of the secrets file is not community=, auth= or priv=", error);
    EXPECT_FALSE(ReadSecretsText("hunter22\n", s, error));
    EXPECT_EQ(std::string::npos, error.find("hunter22"));
}

TEST(CliDiscover, DeviceTextsAreDefusedInEveryOutput) {
    FoundPrinter p;
    p.addr = 0x7F004D02;
    p.strName = "a\nb";
    p.strModel = "HV-2000\x1b[2J";
    p.strSerial = "=cmd|' /C calc'!A0";
    p.strDescription = "x;@SUM(1)";
    p.bServed = true;
    p.bPortOpen = true;
    const std::string targets = DiscoverTargetsText({p});
    EXPECT_NE(std::string::npos,
              targets.find("\n# HV-2000\\x1b[2J, serial =cmd|' /C calc'!A0 (a\\x0ab)\n127.0.77.2\n"))
        << targets;
    EXPECT_EQ(std::string::npos, DiscoverTable({p}).find('\x1b'));
    const std::string csv = DiscoverCsv({p});
    EXPECT_NE(std::string::npos, csv.find("\"'=cmd|' /C calc'!A0\"")) << csv;
    EXPECT_NE(std::string::npos, csv.find("\"x;'@SUM(1)\"")) << csv;
    EXPECT_NE(std::string::npos, DiscoverPrinterJson(p).find("\"name\":\"a\\nb\""));
    p.bServed = false;
    EXPECT_EQ(std::string::npos, DiscoverTargetsText({p}).find("127.0.77.2"));
}

} // namespace
