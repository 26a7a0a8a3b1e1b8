// The information-text format: how rows are cut and matched to keys, and how fields split.
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

std::string RowOf(const std::string& text, const char* key, unsigned index = 0) {
    return ParserWith(text)->getTargetKeyRowData(key, index);
}

TEST(ParseRows, KeyMatchesRowStartRegardlessOfCase) {
    std::string text = Rows({"// TGMNAME comment", "tgmname AB1234", " TGMNAME spaced",
                             "\tTGMNAME tabbed", "", "TGMNAME second"});
    EXPECT_EQ(RowOf(text, "TGMNAME", 0), "tgmname AB1234");
    EXPECT_EQ(RowOf(text, "TGMNAME", 1), "TGMNAME second");
    EXPECT_EQ(RowOf(text, "TGMNAME", 2), "");
    EXPECT_EQ(RowOf(text, "//"), "// TGMNAME comment");
}

TEST(ParseRows, KeyIsAPrefixTest) {
    std::string text = Rows({"PORTNO 48350"});
    EXPECT_EQ(RowOf(text, "PORT"), "PORTNO 48350");
    std::string value;
    EXPECT_TRUE(ParserWith(text)->getStringValue("PORT", value, 0));
    EXPECT_EQ(value, "48350");
}

TEST(ParseRows, OnlyCarriageReturnLineFeedEndsARow) {
    std::string text = "TGMNAME A\nPORTNO 1\rMODELNAME M\r\nDRIVERNAME D";
    EXPECT_EQ(RowOf(text, "TGMNAME"), "TGMNAME A\nPORTNO 1\rMODELNAME M");
    EXPECT_EQ(RowOf(text, "PORTNO"), "");
    EXPECT_EQ(RowOf(text, "MODELNAME"), "");
    EXPECT_EQ(RowOf(text, "DRIVERNAME"), "DRIVERNAME D"); // last row needs no terminator
}

TEST(ParseRows, TrailingTerminatorLeavesAnEmptyRowOfNoKey) {
    std::string text = "TGMNAME A\r\n";
    EXPECT_EQ(RowOf(text, "TGMNAME"), "TGMNAME A");
    EXPECT_EQ(RowOf(text, ""), "TGMNAME A");
    EXPECT_EQ(RowOf(text, "", 1), ""); // the empty last row is empty: nothing to return
    EXPECT_EQ(RowOf(text, "TGMNAME", 1), "");
}

TEST(ParseRows, NullKeyOrEmptyTextGiveNothing) {
    EXPECT_EQ(RowOf("TGMNAME A", nullptr), "");
    EXPECT_EQ(RowOf("", "TGMNAME"), "");
    zepParse fresh;
    EXPECT_EQ(fresh.getTargetKeyRowData("TGMNAME", 0), "");
}

TEST(ParseRows, EmbeddedZeroBytesAreKeptAndReadThrough) {
    const char raw[] = "TGMNAME A\0B\r\nPORTNO 7\0\r\nMODELNAME M";
    std::string text(raw, sizeof raw - 1);
    auto p = ParserWith(text);
    EXPECT_EQ(p->getTargetKeyRowData("TGMNAME", 0), std::string("TGMNAME A\0B", 11));
    std::string value;
    ASSERT_TRUE(p->getStringValue("TGMNAME", value, 0));
    EXPECT_EQ(value, std::string("A\0B", 3));
    int port = 0;
    EXPECT_TRUE(p->getPortNo(port));
    EXPECT_EQ(port, 7);
    EXPECT_TRUE(p->getModelName(value));
    EXPECT_EQ(value, "M");
}

TEST(ParseRows, MegabyteRowIsReadWhole) {
    std::string big(1 << 20, 'x');
    std::string text = Rows({"TGMNAME T", "DRIVERNAME " + big + " \"tail value\"", "PORTNO 9"});
    auto p = ParserWith(text);
    std::vector<std::string> names;
    ASSERT_TRUE(p->getDriverName(names));
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], big);
    EXPECT_EQ(names[1], "tail value");
    int port = 0;
    EXPECT_TRUE(p->getPortNo(port));
    EXPECT_EQ(port, 9);
}

TEST(ParseFields, SeparatePointHonoursQuotes) {
    zepParse p;
    EXPECT_EQ(p.getSeparatePoint("abc def"), 3u);
    EXPECT_EQ(p.getSeparatePoint("abc\tdef"), 3u);
    EXPECT_EQ(p.getSeparatePoint("\"a b\" c"), 5u);
    EXPECT_EQ(p.getSeparatePoint("a\"b c\"d e"), 7u);
    EXPECT_EQ(p.getSeparatePoint("abc"), 3u);
    EXPECT_EQ(p.getSeparatePoint("\"open quote never closed"), 24u);
    EXPECT_EQ(p.getSeparatePoint(""), 0u);
}

TEST(ParseFields, NextRowDataSkipsOneFieldAndItsSeparators) {
    zepParse p;
    EXPECT_EQ(p.getNextRowData("KEY  \t value rest"), "value rest");
    EXPECT_EQ(p.getNextRowData("KEY"), "");
    EXPECT_EQ(p.getNextRowData("KEY   "), "");
    EXPECT_EQ(p.getNextRowData("  leading"), "leading"); // empty first field
    EXPECT_EQ(p.getNextRowData("\"a b\" c"), "c");
    EXPECT_EQ(p.getNextRowData("KEY \"a b\" c"), "\"a b\" c");
    EXPECT_EQ(p.getNextRowData("A\"B C\"D"), "");
}

TEST(ParseFields, SmallStringOperations) {
    zepParse p;
    EXPECT_TRUE(p.isSeparator(" x"));
    EXPECT_TRUE(p.isSeparator("\tx"));
    EXPECT_FALSE(p.isSeparator("x "));
    EXPECT_FALSE(p.isSeparator(""));
    EXPECT_EQ(p.removeDoubleQuot("\"a\"b\"\""), "ab");
    EXPECT_EQ(p.removeWhiteSpace(" a\tb c "), "abc");
    EXPECT_EQ(p.getNumberBeforeString("BOOTABLE2"), "BOOTABLE");
    EXPECT_EQ(p.getNumberBeforeString("LANGUAGE12X"), "LANGUAGE");
    EXPECT_EQ(p.getNumberBeforeString("2BOOT"), "2BOOT");
    EXPECT_EQ(p.getNumberBeforeString("BOOT"), "BOOT");
}

TEST(ParseFields, ExtVersionNeedsTextOnBothSidesOfThePoint) {
    zepParse p;
    int major = 7, minor = 7;
    for (const char* bad : {"5.", ".1", "51", ""}) {
        EXPECT_FALSE(p.getExtVersion(bad, major, minor)) << bad;
        EXPECT_EQ(major, 7);
        EXPECT_EQ(minor, 7);
    }
    ASSERT_TRUE(p.getExtVersion("5.1", major, minor));
    EXPECT_EQ(major, 5);
    EXPECT_EQ(minor, 1);
    ASSERT_TRUE(p.getExtVersion("-1.-1", major, minor));
    EXPECT_EQ(major, -1);
    EXPECT_EQ(minor, -1);
    ASSERT_TRUE(p.getExtVersion("6.10.2", major, minor));
    EXPECT_EQ(minor, 10);
    ASSERT_TRUE(p.getExtVersion("99999999999.x", major, minor)); // held to the int range
    EXPECT_EQ(major, 2147483647);
    EXPECT_EQ(minor, 0);
}

TEST(ParseFields, CaseInsensitiveCompareAndFind) {
    zepParse p;
    EXPECT_EQ(p.compareString("Compatible", "COMPATIBLE"), 0);
    EXPECT_NE(p.compareString("COMPATIBLEX", "COMPATIBLE"), 0);
    EXPECT_EQ(p.compareString("x", nullptr), -1);
    EXPECT_EQ(p.findString("need yes", "YES", 0), 5u);
    EXPECT_EQ(p.findString("yes yes", "YES", 1), 4u);
    EXPECT_EQ(p.findString("abc", "d", 0), static_cast<unsigned long>(std::string::npos));
    EXPECT_EQ(p.findString("abc", nullptr, 0), static_cast<unsigned long>(std::string::npos));
    EXPECT_EQ(p.findString("abc", "a", 10), static_cast<unsigned long>(std::string::npos));
    // Letters beyond ASCII are left alone, whatever the locale.
    EXPECT_NE(p.compareString("\xE9", "\xC9"), 0);
}

} // namespace
