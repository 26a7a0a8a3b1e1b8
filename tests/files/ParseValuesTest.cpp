// The value readers: first value, all values, numbers and YES/NO/BOTH words of a key's row.
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseValues, StringValueIsTheFirstFieldWithoutQuotes) {
    auto p = ParserWith(Rows({"MODELNAME \"Office 2000\" second", "PRODUCT a\"b c\"d e"}));
    std::string value;
    ASSERT_TRUE(p->getStringValue("MODELNAME", value, 0));
    EXPECT_EQ(value, "Office 2000");
    ASSERT_TRUE(p->getStringValue("PRODUCT", value, 0));
    EXPECT_EQ(value, "ab cd");
}

TEST(ParseValues, ArrayValueKeepsQuotedSeparators) {
    auto p =
        ParserWith(Rows({"DRIVERNAME \"A B\" C", "DEVICEIDMODELNAME A\"B C\"D", "PORT \"\" x"}));
    std::vector<std::string> values;
    ASSERT_TRUE(p->getStringArrayValue("DRIVERNAME", values, 0));
    EXPECT_EQ(values, (std::vector<std::string>{"A B", "C"}));
    values.clear();
    ASSERT_TRUE(p->getStringArrayValue("DEVICEIDMODELNAME", values, 0));
    EXPECT_EQ(values, (std::vector<std::string>{"AB CD"}));
    ASSERT_TRUE(p->getStringArrayValue("PORT", values, 0)); // appends
    EXPECT_EQ(values, (std::vector<std::string>{"AB CD", "", "x"}));
}

TEST(ParseValues, KeyWithoutValue) {
    auto p = ParserWith("MODELNAME");
    std::string value = "old";
    EXPECT_FALSE(p->getStringValue("MODELNAME", value, 0));
    EXPECT_EQ(value, "");
    std::vector<std::string> values;
    EXPECT_TRUE(p->getStringArrayValue("MODELNAME", values, 0));
    EXPECT_TRUE(values.empty());
    int n = 5;
    EXPECT_TRUE(p->getIntValue("MODELNAME", n, 0, 10));
    EXPECT_EQ(n, -1);
}

TEST(ParseValues, MissingKeyLeavesOutputsAlone) {
    auto p = ParserWith("TGMNAME A");
    std::string value = "old";
    EXPECT_FALSE(p->getStringValue("MODELNAME", value, 0));
    EXPECT_FALSE(p->getStringValue(nullptr, value, 0));
    EXPECT_EQ(value, "old");
    std::vector<std::string> values;
    EXPECT_FALSE(p->getStringArrayValue("MODELNAME", values, 0));
    EXPECT_FALSE(p->getStringArrayValue(nullptr, values, 0));
    int n = 5;
    EXPECT_FALSE(p->getIntValue("MODELNAME", n, 0, 10));
    EXPECT_FALSE(p->getIntValue(nullptr, n, 0, 10));
    EXPECT_EQ(n, 5);
    yesno_type yn = DEF_BOTH_VALUE;
    EXPECT_FALSE(p->getYesNoValue("MODELNAME", yn, 0));
    EXPECT_FALSE(p->getYesNoValue(nullptr, yn, 0));
    EXPECT_EQ(yn, DEF_BOTH_VALUE);
}

TEST(ParseValues, IntValueReadsLikeStrtol) {
    struct Case {
        const char* row;
        unsigned base;
        int expected;
    } cases[] = {
        {"PORTNO 0xBCDE", 10, 0},
        {"PORTNO 0xBCDE", 16, 48350},
        {"PORTNO BCDE", 16, 48350},
        {"PORTNO 12abc", 10, 12},
        {"PORTNO abc", 10, 0},
        {"PORTNO -7", 10, -7},
        {"PORTNO 42 99", 10, 42},
        {"PORTNO\t\t+3", 10, 3},
        {"PORTNO 99999999999", 10, 2147483647},
        {"PORTNO -99999999999", 10, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        int n = 1234;
        EXPECT_TRUE(ParserWith(c.row)->getIntValue("PORTNO", n, 0, c.base)) << c.row;
        EXPECT_EQ(n, c.expected) << c.row << " base " << c.base;
    }
}

TEST(ParseValues, YesNoWordSearchCoversTheRestOfTheRow) {
    struct Case {
        const char* row;
        yesno_type expected;
    } cases[] = {
        {"NEEDENTEROPERATION YES", DEF_YES_VALUE},
        {"NEEDENTEROPERATION  no", DEF_NO_VALUE},
        {"NEEDENTEROPERATION Both", DEF_BOTH_VALUE},
        {"NEEDENTEROPERATION NOTHING", DEF_NO_VALUE},
        {"NEEDENTEROPERATION NO // YES", DEF_YES_VALUE},
        {"NEEDENTEROPERATION MAYBE", DEF_ERROR_VALUE},
        {"NEEDENTEROPERATION", DEF_ERROR_VALUE},
        {"NEEDENTEROPERATIONYES", DEF_YES_VALUE},
    };
    for (const Case& c : cases) {
        yesno_type v = DEF_BOTH_VALUE;
        EXPECT_TRUE(ParserWith(c.row)->getYesNoValue("NEEDENTEROPERATION", v, 0)) << c.row;
        EXPECT_EQ(v, c.expected) << c.row;
    }
}

TEST(ParseValues, YesNoSearchStartsAfterTheKeyItself) {
    // The key NO... must not answer itself.
    yesno_type v = DEF_BOTH_VALUE;
    EXPECT_TRUE(ParserWith("NOTICE x")->getYesNoValue("NOTICE", v, 0));
    EXPECT_EQ(v, DEF_ERROR_VALUE);
}

TEST(ParseValues, RowIndexSelectsTheNthRowOfTheKey) {
    auto p = ParserWith(Rows({"SUPPORT_COMMAND 1", "TGMNAME T", "SUPPORT_COMMAND 2"}));
    int n = 0;
    ASSERT_TRUE(p->getIntValue("SUPPORT_COMMAND", n, 1, 10));
    EXPECT_EQ(n, 2);
    EXPECT_FALSE(p->getIntValue("SUPPORT_COMMAND", n, 2, 10));
}

} // namespace
