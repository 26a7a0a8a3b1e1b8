// The process-wide ZEPINFO.txt: loading it from the package, the plain forwarding functions,
// and the sample release in examples/.
#include "BindFixture.h"
#include "zepInfo.h"

#include <gtest/gtest.h>

namespace {

std::string ExampleText(const char* name) {
    Bytes b = ReadFileBytes(std::string(ZEP_TEST_SOURCE_DIR) + "/examples/" + name);
    return std::string(b.begin(), b.end());
}

class ZepInfo : public BindFixture {
protected:
    void SetUp() override { LoadText("TGMNAME BEFORE"); }

    static void LoadText(std::string text) {
        g_ZepInfo.loadData(&text[0], static_cast<unsigned long>(text.size()), ZEP_INFO_FILETYPE);
    }

    static std::string Tgm() {
        std::string s;
        zepinfo_getTgmName(s);
        return s;
    }
};

TEST_F(ZepInfo, LoadsTheInformationFromAUsablePackage) {
    OpenBytes(RawPackage::Simple({{"a.bin", "A"}, {"ZEPINFO.txt", "TGMNAME AFTER\r\n"}}).bytes());
    EXPECT_EQ(zepinfo_loadfile(), 0);
    EXPECT_EQ(Tgm(), "AFTER");
    ASSERT_NE(zepBindInfo::Instance(), nullptr);
    EXPECT_TRUE(zepBindInfo::Instance()->IsBindZepFile()); // stays open for the update
}

TEST_F(ZepInfo, UnusablePackageIsClosedAndNothingLoaded) {
    OpenBytes(RawPackage::Simple({{"ZEPINFO.txt", "TGMNAME AFTER"}}).bytes());
    EXPECT_EQ(zepinfo_loadfile(), 0);
    EXPECT_EQ(Tgm(), "BEFORE");
    unsigned long size = 5;
    EXPECT_FALSE(zepBindInfo::Instance()->getBindFileSize("ZEPINFO.txt", size));
    EXPECT_EQ(size, 5u); // closed
}

TEST_F(ZepInfo, NoPackageAtAll) {
    OpenFile(m_dir.Path("absent"));
    EXPECT_EQ(zepinfo_loadfile(), 0);
    EXPECT_EQ(Tgm(), "BEFORE");
}

TEST_F(ZepInfo, PackageWithoutInformationLeavesAnEmptyText) {
    OpenBytes(RawPackage::Simple({{"a.bin", "A"}, {"b.bin", "B"}}).bytes());
    EXPECT_EQ(zepinfo_loadfile(), 0);
    EXPECT_EQ(Tgm(), "");
    int port = 0;
    EXPECT_TRUE(zepinfo_getPortNo(port));
    EXPECT_EQ(port, 48350);
}

TEST_F(ZepInfo, SampleReleaseThroughThePlainFunctions) {
    std::string info = ExampleText("ZEPINFO.txt");
    ASSERT_FALSE(info.empty());
    OpenBytes(RawPackage::Simple(
                  {{"hv2000_boot.bin", "B"}, {"hv2000_lang.bin", "L"}, {"ZEPINFO.txt", info}})
                  .bytes());
    ASSERT_EQ(zepinfo_loadfile(), 0);

    std::string s;
    EXPECT_EQ(Tgm(), "HV2000");
    ASSERT_TRUE(zepinfo_getModelName(s));
    EXPECT_EQ(s, "Halvard HV-2000");
    std::vector<std::string> names;
    ASSERT_TRUE(zepinfo_getDriverName(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Halvard HV-2000 PCL6"}));
    EXPECT_EQ(zepinfo_getStringArraySize(names), 1);

    int port = 0, update = 0;
    ASSERT_TRUE(zepinfo_getPortNo(port) && zepinfo_getUpdateTime(update));
    EXPECT_EQ(port, 48350);
    EXPECT_EQ(update, 60);
    yesno_type v = DEF_ERROR_VALUE;
    ASSERT_TRUE(zepinfo_getNeedEnterOperation(v));
    EXPECT_EQ(v, DEF_NO_VALUE);

    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(zepinfo_getVersion(1, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type + " " + ver + " " + file + " " + bin,
              "LANGUAGE HV000310 hv2000_lang.bin LANGUAGE");
    EXPECT_FALSE(zepinfo_getVersion(2, type, ver, file, bin, compatible, header));
    ASSERT_TRUE(zepinfo_getDispFirmVersion(0, type, ver));
    EXPECT_STREQ(zepinfo_toString(type), "BOOTABLE");
    EXPECT_EQ(ver, "HV001200");

    long lMax = 0, lMin = 0;
    ASSERT_TRUE(zepinfo_getPlatformVersion(4, lMax, lMin));
    EXPECT_EQ(lMin, 0x1040);
    EXPECT_LT(lMax, 0);
    int maxMajor = 0, maxMinor = 0, minMajor = 0, minMinor = 0;
    ASSERT_TRUE(g_ZepInfo.getPlatformVersion(3, maxMajor, maxMinor, minMajor, minMinor));
    EXPECT_EQ(minMajor * 100 + minMinor, 502);
    EXPECT_FALSE(g_ZepInfo.getPlatformVersion(1, maxMajor, maxMinor, minMajor, minMinor));
}

TEST(SampleRelease, DeviceInformation) {
    auto p = ParserWith(ExampleText("TargetInfo.txt"), TARGET_INFO_FILETYPE);
    std::string s;
    ASSERT_TRUE(p->getTgmName(s));
    EXPECT_EQ(s, "HV2000");
    std::string type, ver;
    ASSERT_TRUE(p->getTargetInfoVersion(0, type, ver));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "HV001100");
    ASSERT_TRUE(p->getTargetInfoVersion(1, type, ver));
    EXPECT_EQ(type, "LANGUAGE");
    EXPECT_EQ(ver, "HV000300");
    EXPECT_FALSE(p->getTargetInfoVersion(2, type, ver));
    int n = 0;
    ASSERT_TRUE(p->getMaxPacket(n));
    EXPECT_EQ(n, 4156);
    std::vector<int> codes;
    ASSERT_TRUE(p->getSupportCommand(codes));
    EXPECT_EQ(codes, (std::vector<int>{0x5101, 0x5102, 0x5103}));
}

TEST(SampleRelease, RowsEndWithCarriageReturnLineFeed) {
    for (const char* name : {"ZEPINFO.txt", "TargetInfo.txt"}) {
        std::string text = ExampleText(name);
        ASSERT_GE(text.size(), 2u) << name;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << name;
        size_t lf = 0, crlf = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ++lf;
                crlf += i > 0 && text[i - 1] == '\r';
            }
        }
        EXPECT_EQ(lf, crlf) << name;
    }
}

} // namespace
