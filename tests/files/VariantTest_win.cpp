// What only the Windows program does: its reading of VERSION rows, package names without
// regard to letter case, and the package appended to the program file itself.
#include "BindFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(VariantWin, FileNameKeepsItsDirectoryPart) {
    auto p = ParserWith("VERSION LANGUAGE=AB000166 lang/ab1234_lang.bin LANGUAGE");
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "LANGUAGE");
    EXPECT_EQ(ver, "AB000166");
    EXPECT_EQ(file, "lang/ab1234_lang.bin");
    EXPECT_EQ(bin, "LANGUAGE");
    EXPECT_EQ(compatible, "");
}

TEST(VariantWin, TypeCountsWhereverItStands) {
    auto p = ParserWith("VERSION ab1234_boot.bin BOOTABLE=AB001234");
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "AB001234");
}

TEST(VariantWin, LastOfSeveralTypesWins) {
    auto p = ParserWith("VERSION A=1 a.bin B=2 DISPVER=x DISPVER=y");
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "B");
    EXPECT_EQ(ver, "2");
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "B");
    EXPECT_EQ(ver, "y");
}

TEST(VariantWin, NoDisplayType) {
    auto p = ParserWith("VERSION BOOTABLE=AB001234 x.bin DISPFIRM=Main");
    std::string type, ver, file, bin, compatible, header;
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "AB001234");
    ASSERT_TRUE(p->getVersion(0, type, ver, file, bin, compatible, header));
    EXPECT_EQ(type, "BOOTABLE");
}

typedef BindFixture VariantWinBind;

TEST_F(VariantWinBind, NamesIgnoreLetterCase) {
    zepBindInfo* bind =
        OpenBytes(RawPackage::Simple({{"boot.bin", "B"}, {"ZEPINFO.txt", "I"}}).bytes());
    ASSERT_NE(bind, nullptr);
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize("zepinfo.txt", size));
    EXPECT_EQ(size, 1u);
    EXPECT_TRUE(bind->getBindFileSize("BOOT.BIN", size));
}

// Without a path given, the reader opens the running program: this test program carries no
// package, so none is found.
TEST_F(VariantWinBind, RunningProgramWithoutPackage) {
    zepBindInfo::DestroyInstance();
    zepBindInfo::SetPackagePath(nullptr);
    zepBindInfo* bind = zepBindInfo::Instance();
    ASSERT_NE(bind, nullptr);
    EXPECT_FALSE(bind->IsBindZepFile());
    unsigned long size = 5;
    EXPECT_FALSE(bind->getBindFileSize("ZEPINFO.txt", size));
    EXPECT_EQ(size, 5u);
}

} // namespace
