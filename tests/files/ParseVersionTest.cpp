// VERSION rows of ZEPINFO.txt as both programs read them: the rows whose first field is
// TYPE=VERSION and whose file name has no directory part.
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

struct Version {
    std::string type, ver, file, bin, compatible, header;
};

bool GetVersion(zepParse& p, unsigned index, Version& v) {
    return p.getVersion(index, v.type, v.ver, v.file, v.bin, v.compatible, v.header);
}

TEST(ParseVersion, AllFieldsOfARow) {
    auto p = ParserWith(
        "VERSION BOOTABLE=AB001234 ab1234_boot.bin BOOTABLE COMPATIBLE=AB001000 HEADER=BIN2");
    Version v;
    ASSERT_TRUE(GetVersion(*p, 0, v));
    EXPECT_EQ(v.type, "BOOTABLE");
    EXPECT_EQ(v.ver, "AB001234");
    EXPECT_EQ(v.file, "ab1234_boot.bin");
    EXPECT_EQ(v.bin, "BOOTABLE");
    EXPECT_EQ(v.compatible, "AB001000");
    EXPECT_EQ(v.header, "BIN2");
}

TEST(ParseVersion, AbsentFieldsLeaveOutputsButClearCompatible) {
    auto p = ParserWith("VERSION LANGUAGE=AB000166 ab1234_lang.bin");
    Version v{"t", "v", "f", "keep-bin", "old-compatible", "keep-header"};
    ASSERT_TRUE(GetVersion(*p, 0, v));
    EXPECT_EQ(v.type, "LANGUAGE");
    EXPECT_EQ(v.file, "ab1234_lang.bin");
    EXPECT_EQ(v.bin, "keep-bin");
    EXPECT_EQ(v.compatible, "");
    EXPECT_EQ(v.header, "keep-header");
}

TEST(ParseVersion, FurtherPlainFieldReplacesTheDeviceFileName) {
    auto p = ParserWith("VERSION BOOTABLE=1 a.bin DEV1 DEV2 compatible=7");
    Version v;
    ASSERT_TRUE(GetVersion(*p, 0, v));
    EXPECT_EQ(v.file, "a.bin");
    EXPECT_EQ(v.bin, "DEV2");
    EXPECT_EQ(v.compatible, "7"); // names compare without regard to case
}

TEST(ParseVersion, MissingRowOrEmptyText) {
    Version v;
    EXPECT_FALSE(GetVersion(*ParserWith("VERSION A=1 a.bin"), 1, v));
    EXPECT_FALSE(GetVersion(*ParserWith(""), 0, v));
    zepParse fresh; // an empty instance counts as ZEPINFO.txt
    EXPECT_FALSE(GetVersion(fresh, 0, v));
}

TEST(ParseVersion, DisplayVersionReplacesOnlyWhatIsShown) {
    auto p = ParserWith("VERSION BOOTABLE=AB001234 x.bin BOOTABLE DISPVER=1.02");
    std::string type, ver;
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "1.02");
    Version v;
    ASSERT_TRUE(GetVersion(*p, 0, v));
    EXPECT_EQ(v.type, "BOOTABLE");
    EXPECT_EQ(v.ver, "AB001234");
}

TEST(ParseVersion, QuotedDisplayVersion) {
    auto p = ParserWith("VERSION BOOTABLE=AB001234 x.bin DISPVER=\"1.02 beta\"");
    std::string type, ver;
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(ver, "1.02 beta");
}

TEST(ParseVersion, DisplayListEndsAfterTheLastRow) {
    auto p = ParserWith(
        Rows({"VERSION A=1 a.bin", "TGMNAME T", "VERSION B=2 b.bin", "VERSION C=3 c.bin"}));
    std::string type, ver;
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_TRUE(p->getDispFirmVersion(i, type, ver)) << i;
    EXPECT_EQ(type, "C");
    type = ver = "old";
    EXPECT_FALSE(p->getDispFirmVersion(3, type, ver));
    EXPECT_EQ(type, "");
    EXPECT_EQ(ver, "");
}

TEST(ParseVersion, FileNameFirstStillShowsTypeAndVersion) {
    auto p = ParserWith("VERSION ab1234_boot.bin BOOTABLE=AB001234");
    std::string type, ver;
    ASSERT_TRUE(p->getDispFirmVersion(0, type, ver));
    EXPECT_EQ(type, "BOOTABLE");
    EXPECT_EQ(ver, "AB001234");
}

TEST(ParseVersion, RowWithoutTypeShowsNothing) {
    auto p = ParserWith(Rows({"VERSION a.bin COMPATIBLE=1 HEADER=2", "VERSION A= a.bin"}));
    std::string type, ver;
    EXPECT_FALSE(p->getDispFirmVersion(0, type, ver));
    EXPECT_FALSE(p->getDispFirmVersion(1, type, ver)); // no version text
}

} // namespace
