// What only the macOS program does: its reading of VERSION rows, exact package names, and the
// package's place in the application bundle.
#include "BindFixture.h"
#include "zepBindBundle_mac.h"

#include <gtest/gtest.h>

namespace {

TEST(VariantMac, FileNameLosesItsDirectoryPart) {
    auto p = ParserWith(Rows({"VERSION LANGUAGE=AB000166 lang/ab1234_lang.bin LANGUAGE",
                              "VERSION BOOT=1 dir\\sub\\boot.bin"}));
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "LANGUAGE");
    EXPECT_EQ(ver, "AB000166");
    EXPECT_EQ(file, "ab1234_lang.bin");
    EXPECT_EQ(bin, "LANGUAGE");
    EXPECT_EQ(compatible, "");
    ASSERT_TRUE(p->getVersion(1, type, ver, file, bin, compatible, header));
    EXPECT_EQ(file, "boot.bin");
}

TEST(VariantMac, TypeCountsOnlyAsTheFirstField) {
    auto p = ParserWith("VERSION ab1234_boot.bin BOOTABLE=AB001234");
    std::string type = "none", ver = "none", file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "none");
    EXPECT_EQ(ver, "none");
    EXPECT_EQ(file, "ab1234_boot.bin");
}

TEST(VariantMac, FirstOfSeveralTypesIsShown) {
    auto p = ParserWith("VERSION A=1 a.bin B=2 DISPVER=x DISPVER=y");
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "A");
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "A");
    EXPECT_EQ(ver, "x");
}

TEST(VariantMac, DisplayTypeReplacesTheShownType) {
    auto p = ParserWith("VERSION BOOTABLE=AB001234 x.bin DISPFIRM=\"Main firmware\"");
    std::string type, ver;
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "Main firmware");
    EXPECT_EQ(ver, "AB001234");
}

TEST(VariantMac, BundleFolder) {
    EXPECT_EQ(zepBindBundleFolder("/Apps/Halvard.app/Contents/MacOS/Halvard"), "/Apps/Halvard.app");
    EXPECT_EQ(zepBindBundleFolder("/Apps/Halvard.app/Halvard"), "/Apps/Halvard.app");
    EXPECT_EQ(zepBindBundleFolder("/opt/bin/halvard"), "/opt/bin");
    EXPECT_EQ(zepBindBundleFolder("/halvard"), "/");
    EXPECT_EQ(zepBindBundleFolder("/x/Contents/MacOS/prog"), "/x/Contents/MacOS");
}

typedef BindFixture VariantMacBind;

TEST_F(VariantMacBind, NamesCompareExactly) {
    zepBindInfo* bind =
        OpenBytes(RawPackage::Simple({{"boot.bin", "B"}, {"ZEPINFO.txt", "I"}}).bytes());
    ASSERT_NE(bind, nullptr);
    unsigned long size = 7;
    EXPECT_TRUE(bind->getBindFileSize("ZEPINFO.txt", size));
    EXPECT_FALSE(bind->getBindFileSize("zepinfo.txt", size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(bind->getBindFileSize("BOOT.BIN", size));
}

} // namespace
