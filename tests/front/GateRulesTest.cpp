// Start-up decisions: the interface language, the mutex namespace and the platform gate, for
// the systems a package's PLATFORMVERSION rows are written against.
#include "zepParse.h"
#include "zepPlatformGate.h"
#include "zepUiLanguage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The gate as start-up runs it: the ranges read from an information text.
int Gate(const std::string& info, int platform, int major, int minor, bool wow64) {
    zepParse parse;
    std::string text = info;
    parse.loadData(&text[0], text.size(), ZEP_INFO_FILETYPE);
    WinVersionRange ranges[3];
    for (int code = PLATFORM_WIN9X; code <= PLATFORM_WIN64; ++code) {
        WinVersionRange& r = ranges[code - 1];
        r.bFound =
            parse.getPlatformVersion(code, r.nMaxMajor, r.nMaxMinor, r.nMinMajor, r.nMinMinor);
    }
    WinSystemVersion system;
    system.nPlatformId = platform;
    system.nMajor = major;
    system.nMinor = minor;
    system.bWow64 = wow64;
    return DecidePlatform(ranges, system);
}

const int k9x = SYSTEM_PLATFORM_WIN9X, kNT = SYSTEM_PLATFORM_NT;

} // namespace

TEST(UiLanguage, SystemLanguagesMapToTheTableRows) {
    struct Case {
        uint16_t wLangId;
        bool bMatch;
        uint32_t dwLocale;
    } cases[] = {
        {0x0409, true, 0x0409}, {0x0809, true, 0x0409}, // any English runs in US English
        {0x080C, true, 0x040C}, {0x0C0C, true, 0x040C}, // any French
        {0x0816, true, 0x0416},                         // Portugal runs in Brazilian
        {0x0406, true, 0x0406}, {0x0806, false, 0},     // Danish only as Denmark
        {0x0404, true, 0x0404}, {0x0C04, true, 0x0804}, {0x0804, true, 0x0804}, // Chinese
        {0x0411, true, 0x0411}, {0x0412, true, 0x0412}, {0x041E, true, 0x041E},
        {0x0418, false, 0}, // Romanian: no row, the locale stays
    };
    for (const Case& c : cases) {
        uint32_t dwLocale = 0;
        EXPECT_EQ(c.bMatch, ChooseUiLocale(c.wLangId, dwLocale)) << std::hex << c.wLangId;
        if (c.bMatch) {
            EXPECT_EQ(c.dwLocale, dwLocale) << std::hex << c.wLangId;
        }
    }
}

TEST(PlatformGate, RangesOfThePackageDecide) {
    const std::string nt50 = "PLATFORMVERSION WINNT=5.0\r\n";
    const std::string nt5051 = "PLATFORMVERSION WINNT=5.0 5.1\r\n";
    const std::string none = "MODELNAME X\r\n";
    struct Case {
        const std::string& info;
        int platform, major, minor;
        bool wow64;
        int expected;
    } cases[] = {
        {nt50, kNT, 5, 1, false, PLATFORM_OK_NT},    // XP
        {nt50, kNT, 6, 0, false, PLATFORM_OK_NT},    // no upper bound
        {nt50, kNT, 6, 1, false, PLATFORM_OK_NT},    // what Wine reports
        {nt50, k9x, 4, 10, false, PLATFORM_REFUSED}, // 98
        {nt50, kNT, 5, 1, true, PLATFORM_REFUSED},   // 32-bit copy on 64-bit: no WIN64 row
        {nt5051, kNT, 5, 0, false, PLATFORM_OK_NT},
        {nt5051, kNT, 5, 1, false, PLATFORM_OK_NT},
        {nt5051, kNT, 5, 2, false, PLATFORM_REFUSED},
        // Built-in ranges when no row is usable.
        {none, k9x, 4, 10, false, PLATFORM_OK_9X},
        {none, k9x, 4, 90, false, PLATFORM_OK_9X},
        {none, k9x, 4, 0, false, PLATFORM_REFUSED},
        {none, kNT, 5, 0, false, PLATFORM_OK_NT},
        {none, kNT, 5, 2, false, PLATFORM_OK_NT},
        {none, kNT, 6, 0, false, PLATFORM_REFUSED},
        {none, kNT, 5, 1, true, PLATFORM_OK_NT}, // 64-bit judged by the NT range
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Gate(c.info, c.platform, c.major, c.minor, c.wow64))
            << c.info << c.platform << " " << c.major << "." << c.minor << " wow64 " << c.wow64;
}

TEST(PlatformGate, RowFormsThatCountAsAbsentOrIgnored) {
    // No point: the row is absent and the built-in NT range (5.0 to 5.2) applies.
    EXPECT_EQ(PLATFORM_OK_NT, Gate("PLATFORMVERSION WINNT=5\r\n", kNT, 5, 2, false));
    EXPECT_EQ(PLATFORM_REFUSED, Gate("PLATFORMVERSION WINNT=5\r\n", kNT, 6, 0, false));
    // Only the first row of a platform counts; small letters count the same.
    EXPECT_EQ(
        PLATFORM_REFUSED,
        Gate("PLATFORMVERSION WINNT=5.0 5.1\r\nPLATFORMVERSION WINNT=5.0\r\n", kNT, 6, 0, false));
    EXPECT_EQ(PLATFORM_OK_NT, Gate("PLATFORMVERSION winnt=5.0\r\n", kNT, 10, 0, false));
    // A WIN64 row admits a 32-bit copy on 64-bit Windows; a 9x row sends NT to the 64-bit rule.
    const std::string w64 = "PLATFORMVERSION WINNT=5.0\r\nPLATFORMVERSION WIN64=5.2\r\n";
    EXPECT_EQ(PLATFORM_OK_NT, Gate(w64, kNT, 6, 1, true));
    EXPECT_EQ(PLATFORM_REFUSED, Gate(w64, kNT, 5, 1, true));
    EXPECT_EQ(PLATFORM_REFUSED, Gate("PLATFORMVERSION WIN9X=4.10\r\n", kNT, 5, 1, false));
    EXPECT_EQ(PLATFORM_OK_NT,
              Gate("PLATFORMVERSION WIN9X=4.10\r\nPLATFORMVERSION WIN64=5.2\r\n", kNT, 5, 2, true));
    // Version 5.10 is 50010, above 5.9.
    EXPECT_EQ(PLATFORM_OK_NT, Gate("PLATFORMVERSION WINNT=5.9\r\n", kNT, 5, 10, false));
}

TEST(PlatformGate, NamespaceAndMacGate) {
    EXPECT_FALSE(IsGlobalNamespaceFor(false, kNT, 6, nullptr));
    EXPECT_FALSE(IsGlobalNamespaceFor(true, k9x, 4, nullptr));
    EXPECT_FALSE(IsGlobalNamespaceFor(true, kNT, 3, nullptr));
    EXPECT_TRUE(IsGlobalNamespaceFor(true, kNT, 5, nullptr));
    EXPECT_TRUE(IsGlobalNamespaceFor(true, kNT, 4, "terminal server"));
    EXPECT_TRUE(IsGlobalNamespaceFor(true, kNT, 4, "TERMINAL"));
    EXPECT_FALSE(IsGlobalNamespaceFor(true, kNT, 4, "Termina"));
    EXPECT_FALSE(IsGlobalNamespaceFor(true, kNT, 4, nullptr));

    EXPECT_FALSE(IsMacSystemSupported(0x1039, -257, 0x1040));
    EXPECT_TRUE(IsMacSystemSupported(0x1040, -257, 0x1040));
    EXPECT_TRUE(IsMacSystemSupported(0x1049, 0x1049, 0x1040));
    EXPECT_FALSE(IsMacSystemSupported(0x1050, 0x1049, 0x1040));
    EXPECT_FALSE(IsMacSystemSupported(0x1040, 0, 0)); // no MACOS row: both 0, refused
}
