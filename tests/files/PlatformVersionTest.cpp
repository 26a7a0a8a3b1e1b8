// PLATFORMVERSION rows: the Windows form (major.minor ranges of platform codes 1 to 3) and the
// macOS form (hexadecimal release numbers of code 4). Both exist in every build.
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

struct WinRange {
    bool found;
    int maxMajor, maxMinor, minMajor, minMinor;
};

WinRange Win(const std::string& text, int code) {
    WinRange r{false, 11, 11, 11, 11};
    r.found =
        ParserWith(text)->getPlatformVersion(code, r.maxMajor, r.maxMinor, r.minMajor, r.minMinor);
    return r;
}

void ExpectRange(const WinRange& r, int minMajor, int minMinor, int maxMajor, int maxMinor) {
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.minMajor, minMajor);
    EXPECT_EQ(r.minMinor, minMinor);
    EXPECT_EQ(r.maxMajor, maxMajor);
    EXPECT_EQ(r.maxMinor, maxMinor);
}

void ExpectUntouched(const WinRange& r) {
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.minMajor, 11);
    EXPECT_EQ(r.maxMajor, 11);
}

TEST(PlatformVersionWin, MinimumOnlyHasNoUpperBound) {
    ExpectRange(Win("PLATFORMVERSION WINNT=5.0", 2), 5, 0, -1, -1);
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5.0", 1));
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5.0", 3));
}

TEST(PlatformVersionWin, MinimumAndMaximum) {
    ExpectRange(Win("PLATFORMVERSION WINNT=5.0 5.1", 2), 5, 0, 5, 1);
    ExpectRange(Win("PLATFORMVERSION\tWIN9X=4.10\t\t4.90", 1), 4, 10, 4, 90);
    ExpectRange(Win("PLATFORMVERSION WIN64=5.2", 3), 5, 2, -1, -1);
}

TEST(PlatformVersionWin, UnusableFirstRowHidesLaterOnes) {
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5", 2));
    ExpectUntouched(Win(Rows({"PLATFORMVERSION WINNT=5", "PLATFORMVERSION WINNT=5.0"}), 2));
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5.0 6", 2)); // maximum without a point
}

TEST(PlatformVersionWin, FirstRowOfAPlatformWins) {
    std::string text = Rows({"PLATFORMVERSION WINNT=5.0 5.1", "PLATFORMVERSION WINNT=6.0"});
    ExpectRange(Win(text, 2), 5, 0, 5, 1);
}

TEST(PlatformVersionWin, NamesIgnoreCaseAndOtherRowsAreSkipped) {
    std::string text = Rows({"PLATFORMVERSION", "PLATFORMVERSION 5.0", "PLATFORMVERSION =5.0",
                             "PLATFORMVERSION MACOS=1040", "platformversion winnt=5.1"});
    ExpectRange(Win(text, 2), 5, 1, -1, -1);
}

TEST(PlatformVersionWin, CodesOutsideOneToThreeAndOtherTextTypes) {
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5.0", 0));
    ExpectUntouched(Win("PLATFORMVERSION WINNT=5.0", 4));
    int a = 11, b = 11, c = 11, d = 11;
    EXPECT_FALSE(ParserWith("PLATFORMVERSION WINNT=5.0", TARGET_INFO_FILETYPE)
                     ->getPlatformVersion(2, a, b, c, d));
    EXPECT_EQ(a, 11);
}

struct MacRange {
    bool found;
    long max, min;
};

MacRange Mac(const std::string& text, int code = 4) {
    MacRange r{false, 11, 11};
    r.found = ParserWith(text)->getPlatformVersion(code, r.max, r.min);
    return r;
}

TEST(PlatformVersionMac, HexadecimalReleaseNumbers) {
    MacRange r = Mac("PLATFORMVERSION MACOS=1040");
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.min, 0x1040);
    EXPECT_EQ(r.max, -257); // "-0101": no upper bound
    r = Mac("PLATFORMVERSION macos=1040 1049");
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.min, 0x1040);
    EXPECT_EQ(r.max, 0x1049);
    r = Mac("PLATFORMVERSION MACOS=zz");
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.min, 0);
}

TEST(PlatformVersionMac, OnlyCodeFourAndOnlyMacRows) {
    MacRange r = Mac("PLATFORMVERSION MACOS=1040", 2);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.min, 11);
    EXPECT_FALSE(Mac("PLATFORMVERSION WINNT=5.0").found);
    EXPECT_FALSE(Mac("").found);
    r = Mac(Rows(
        {"PLATFORMVERSION WINNT=5.0", "PLATFORMVERSION MACOS=1030", "PLATFORMVERSION MACOS=1040"}));
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.min, 0x1030);
}

} // namespace
