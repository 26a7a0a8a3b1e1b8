// The keys of ZEPINFO.txt and TargetInfo.txt: accessors, their answers for missing keys, the
// text types they accept, and their locking.
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(ParseKeys, MissingKeysGiveTheirDefaults) {
    auto p = ParserWith("TGMNAME T");
    int n = 99;
    EXPECT_TRUE(p->getPortNo(n));
    EXPECT_EQ(n, 48350);
    for (auto fn : {&zepParse::getEnterTime, &zepParse::getExitTime, &zepParse::getUpdateTime}) {
        n = 99;
        EXPECT_TRUE(((*p).*fn)(n));
        EXPECT_EQ(n, 0);
    }
    n = 99;
    EXPECT_FALSE(p->getMaxPacket(n));
    for (auto fn :
         {&zepParse::getUseVORQ, &zepParse::getNeedEnterOperation, &zepParse::getNeedExitOparetion,
          &zepParse::getAllowVersionDown, &zepParse::getSpecialCmdPattern}) {
        yesno_type v = DEF_ERROR_VALUE;
        EXPECT_TRUE(((*p).*fn)(v));
        EXPECT_EQ(v, DEF_NO_VALUE);
    }
    yesno_type v = DEF_ERROR_VALUE;
    EXPECT_TRUE(p->getUseDriverOnly(v));
    EXPECT_EQ(v, DEF_YES_VALUE);
    std::string s;
    EXPECT_FALSE(p->getModelName(s));
    EXPECT_FALSE(p->getProductName(s));
    EXPECT_FALSE(p->getDefaltIPAddress(s));
    std::vector<std::string> names;
    EXPECT_FALSE(p->getDriverName(names));
    EXPECT_FALSE(p->getDeviceIDModelName(names));
    EXPECT_FALSE(p->getModelName(names));
    EXPECT_FALSE(p->getPort(names));
    std::vector<int> codes;
    EXPECT_FALSE(p->getSupportCommand(codes));
}

TEST(ParseKeys, PortNumber) {
    int n = 0;
    EXPECT_FALSE(ParserWith("PORTNO")->getPortNo(n));
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(ParserWith("PORTNO 9100")->getPortNo(n));
    EXPECT_EQ(n, 9100);
    // A number outside the TCP port range would silently reach another port.
    EXPECT_FALSE(ParserWith("PORTNO 70000")->getPortNo(n));
    EXPECT_EQ(n, 70000);
    EXPECT_FALSE(ParserWith("PORTNO 0")->getPortNo(n));
    EXPECT_FALSE(ParserWith("PORTNO -5")->getPortNo(n));
}

TEST(ParseKeys, TimesInSeconds) {
    int n = 0;
    EXPECT_TRUE(ParserWith("UPDATETIME 60")->getUpdateTime(n));
    EXPECT_EQ(n, 60);
    EXPECT_FALSE(ParserWith("ENTERTIME")->getEnterTime(n));
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(ParserWith("EXITTIME -20")->getExitTime(n));
    EXPECT_EQ(n, -20);
    // Seconds become milliseconds later: a value whose product overflows is refused.
    EXPECT_TRUE(ParserWith("UPDATETIME 2147483")->getUpdateTime(n));
    EXPECT_FALSE(ParserWith("UPDATETIME 2147484")->getUpdateTime(n));
}

TEST(ParseKeys, MaxPacket) {
    int n = 0;
    auto p = ParserWith("MAXPACKET 4156", TARGET_INFO_FILETYPE);
    EXPECT_TRUE(p->getMaxPacket(n));
    EXPECT_EQ(n, 4156);
    // A key without a value reads as -1, and the key still counts as present.
    EXPECT_TRUE(ParserWith("MAXPACKET", TARGET_INFO_FILETYPE)->getMaxPacket(n));
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(ParserWith("MAXPACKET -100", TARGET_INFO_FILETYPE)->getMaxPacket(n));
    EXPECT_EQ(n, -100);
}

TEST(ParseKeys, YesNoKeys) {
    yesno_type v = DEF_ERROR_VALUE;
    EXPECT_TRUE(ParserWith("NEEDEXITOPERATION  YES")->getNeedExitOparetion(v));
    EXPECT_EQ(v, DEF_YES_VALUE);
    EXPECT_FALSE(ParserWith("NEEDEXITOPERATION MAYBE")->getNeedExitOparetion(v));
    EXPECT_EQ(v, DEF_ERROR_VALUE);
    EXPECT_TRUE(ParserWith("ALLOWVERSIONDOWN BOTH")->getAllowVersionDown(v));
    EXPECT_EQ(v, DEF_BOTH_VALUE);
    EXPECT_TRUE(ParserWith("USEDRIVERONLY no")->getUseDriverOnly(v));
    EXPECT_EQ(v, DEF_NO_VALUE);
    EXPECT_FALSE(ParserWith("USEDRIVERONLY 1")->getUseDriverOnly(v));
    EXPECT_EQ(v, DEF_ERROR_VALUE);
    EXPECT_TRUE(ParserWith("SPECIALCMDPATTERN yes")->getSpecialCmdPattern(v));
    EXPECT_EQ(v, DEF_YES_VALUE);
}

TEST(ParseKeys, StringKeys) {
    auto p = ParserWith(Rows({"TGMNAME AB1234", "MODELNAME \"Model A\" \"Model B\"",
                              "DRIVERNAME \"Drv 1\" Drv2", "DEVICEIDMODELNAME AB-1234",
                              "PRODUCT Prod", "DEFAULTIPADDRESS 10.0.0.1", "PORTNO 48350"}));
    std::string s;
    ASSERT_TRUE(p->getTgmName(s));
    EXPECT_EQ(s, "AB1234");
    ASSERT_TRUE(p->getModelName(s));
    EXPECT_EQ(s, "Model A");
    std::vector<std::string> v;
    ASSERT_TRUE(p->getModelName(v));
    EXPECT_EQ(v, (std::vector<std::string>{"Model A", "Model B"}));
    v.clear();
    ASSERT_TRUE(p->getDriverName(v));
    EXPECT_EQ(v, (std::vector<std::string>{"Drv 1", "Drv2"}));
    v.clear();
    ASSERT_TRUE(p->getDeviceIDModelName(v));
    EXPECT_EQ(v, (std::vector<std::string>{"AB-1234"}));
    v.clear();
    ASSERT_TRUE(p->getPort(v)); // PORT is a prefix of PORTNO
    EXPECT_EQ(v, (std::vector<std::string>{"48350"}));
    ASSERT_TRUE(p->getProductName(s));
    EXPECT_EQ(s, "Prod");
    ASSERT_TRUE(p->getDefaltIPAddress(s));
    EXPECT_EQ(s, "10.0.0.1");
}

TEST(ParseKeys, SupportCommandsAreHexadecimal) {
    auto p = ParserWith(Rows({"SUPPORT_COMMAND 1A", "SUPPORT_COMMAND 0x2B", "SUPPORT_COMMAND",
                              "SUPPORT_COMMAND 5101"}),
                        TARGET_INFO_FILETYPE);
    std::vector<int> codes;
    ASSERT_TRUE(p->getSupportCommand(codes));
    EXPECT_EQ(codes, (std::vector<int>{26, 43, -1, 0x5101}));
}

TEST(ParseKeys, TargetInfoVersion) {
    auto p = ParserWith(Rows({"VERSION BOOTABLE1 = AB001200", "VERSION LANGUAGE2=AB000300",
                              "VERSION noequals", "VERSION"}),
                        TARGET_INFO_FILETYPE);
    std::string type, ver;
    ASSERT_TRUE(p->getTargetInfoVersion(0, type, ver));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "AB001200");
    ASSERT_TRUE(p->getTargetInfoVersion(1, type, ver));
    EXPECT_EQ(type, "LANGUAGE");
    EXPECT_EQ(ver, "AB000300");
    ASSERT_TRUE(p->getTargetInfoVersion(2, type, ver));
    EXPECT_EQ(type, "");
    EXPECT_EQ(ver, "");
    EXPECT_FALSE(p->getTargetInfoVersion(3, type, ver)); // no value
    EXPECT_FALSE(p->getTargetInfoVersion(4, type, ver)); // no row
}

TEST(ParseKeys, EachVersionReaderAcceptsOnlyItsTextType) {
    std::string row = "VERSION BOOTABLE=AB001234 ab.bin BOOTABLE HEADER=H1";
    std::string a, b, c, d, e, f;
    for (loadFile_type type : {TARGET_INFO_FILETYPE, ZEP_BIND_FILETYPE}) {
        auto p = ParserWith(row, type);
        EXPECT_FALSE(p->getVersion(0, a, b, c, d, e, f));
        EXPECT_FALSE(p->getDispFirmVersion(0, a, b));
        long lMax = 0, lMin = 0;
        EXPECT_FALSE(p->getPlatformVersion(4, lMax, lMin));
    }
    for (loadFile_type type : {ZEP_INFO_FILETYPE, ZEP_BIND_FILETYPE}) {
        EXPECT_FALSE(ParserWith(row, type)->getTargetInfoVersion(0, a, b));
    }
    for (loadFile_type type : {ZEP_INFO_FILETYPE, TARGET_INFO_FILETYPE}) {
        EXPECT_FALSE(ParserWith(row, type)->getZepBindVersion(0, a, b));
    }
}

TEST(ParseKeys, ZepBindVersion) {
    auto p = ParserWith(Rows({"VERSION first.bin HEADER=BOOT second.bin OTHER=1", "VERSION"}),
                        ZEP_BIND_FILETYPE);
    std::string file = "untouched", type = "untouched";
    ASSERT_TRUE(p->getZepBindVersion(0, file, type));
    EXPECT_EQ(file, "second.bin");
    EXPECT_EQ(type, "BOOT");
    file = type = "untouched";
    ASSERT_TRUE(p->getZepBindVersion(1, file, type));
    EXPECT_EQ(file, "untouched");
    EXPECT_FALSE(p->getZepBindVersion(2, file, type));
}

TEST(ParseKeys, LoadReplacesTextAndTypeAndRefusesNull) {
    zepParse p;
    std::string text = "MAXPACKET 100";
    ASSERT_TRUE(
        p.loadData(&text[0], static_cast<unsigned long>(text.size()), TARGET_INFO_FILETYPE));
    text = "garbage"; // the parser keeps its own copy
    int n = 0;
    ASSERT_TRUE(p.getMaxPacket(n));
    EXPECT_EQ(n, 100);
    EXPECT_FALSE(p.loadData(nullptr, 10, ZEP_INFO_FILETYPE));
    std::string type, ver;
    text = "VERSION A1=B";
    EXPECT_FALSE(p.getTargetInfoVersion(0, type, ver));
    ASSERT_TRUE(p.getMaxPacket(n)); // the old text is still held
    ASSERT_TRUE(
        p.loadData(&text[0], static_cast<unsigned long>(text.size()), TARGET_INFO_FILETYPE));
    EXPECT_TRUE(p.getTargetInfoVersion(0, type, ver));
    EXPECT_FALSE(p.getMaxPacket(n));
}

// Readers on one thread while another keeps replacing the text: every answer comes from one
// whole text, never from a mix or a text being replaced.
TEST(ParseKeys, ReadersSeeOneWholeTextWhileItIsReplaced) {
    zepParse p;
    std::string a = Rows({"TGMNAME AAAA", "PORTNO 1111"});
    std::string b = Rows({"TGMNAME BBBBBBBB", "PORTNO 2222", "MODELNAME x"});
    p.loadData(&a[0], static_cast<unsigned long>(a.size()), ZEP_INFO_FILETYPE);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            std::string& t = (i % 2) ? a : b;
            p.loadData(&t[0], static_cast<unsigned long>(t.size()), ZEP_INFO_FILETYPE);
        }
    });
    int bad = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string name;
        if (!p.getTgmName(name) || (name != "AAAA" && name != "BBBBBBBB"))
            ++bad;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
