// The fleet safeguards' pure rules, table-driven: what is retried and how long it waits, the
// inventory's CSV escaping, the journal's line reader, and the rate on a device's line.
#include "CliFleetDisplay.h"
#include "CliJournal.h"
#include "CliReport.h"
#include "CliRetry.h"

#include <gtest/gtest.h>

TEST(CliTrust, OnlyFailuresBeforeAnyFirmwareAreRetried) {
    const struct {
        ZEPRESULT nResult;
        bool bImagesBegun, bRetried;
    } cases[] = {
        {RESULT_ERR_BUSY, false, true},     {RESULT_ERR_FAX, false, true},
        {RESULT_ERR_CONNECT, false, true},  {RESULT_ERR_CONNECT, true, false},
        {RESULT_ERR_WRITE, true, false},    {RESULT_ERR_CHECKSUM, true, false},
        {RESULT_ERR_DEVICE, false, false},  {RESULT_ERR_MODEL, true, false},
        {RESULT_ERR_FIRMREAD, true, false}, {RESULT_ERR_SYSTEM, false, false},
        {RESULT_OK, true, false},           {RESULT_NO_UPDATE, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bRetried, IsRetryable(c.nResult, c.bImagesBegun)) << c.nResult;
    std::minstd_rand random(7);
    for (unsigned int attempt = 2; attempt < 12; ++attempt) {
        const unsigned long full = std::min(60000ul, 2000ul << (attempt - 2));
        const unsigned long wait = BackoffMs(attempt, random);
        EXPECT_GE(wait, full / 2) << attempt;
        EXPECT_LE(wait, full) << attempt;
    }
}

TEST(CliTrust, CsvFieldsAreQuotedAndFormulasNeutralised) {
    const struct {
        const char *pszIn, *pszOut;
    } cases[] = {
        {"HV001200", "HV001200"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "\"'+1\""},
        {"-1", "\"'-1\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tx", "\"'\tx\""},
        {"a=b", "a=b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszOut, CsvField(c.pszIn)) << c.pszIn;
}

TEST(CliTrust, JournalLinesAreReadStrictly) {
    const struct {
        const char* pszLine;
        bool bOk;
        const char* pszDevice;
    } cases[] = {
        {"{\"device\":\"10.0.0.1\",\"outcome\":\"updated\",\"result\":1,\"ok\":true}", true,
         "10.0.0.1"},
        {" { \"device\" : \"q\\\"\\u00e9\" , \"n\" : null } ", true, "q\"\xc3\xa9"},
        {"{\"device\":\"x\"", false, ""},
        {"{\"device\":\"x\",}", false, ""},
        {"{\"device\":x}", false, ""},
        {"{\"device\":\"x\"} trailing", false, ""},
        {"[\"device\"]", false, ""},
        {"{\"device\":\"bad \\q escape\"}", false, ""},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> members;
        EXPECT_EQ(c.bOk, ParseFlatJsonObject(c.pszLine, members)) << c.pszLine;
        EXPECT_EQ(c.pszDevice, c.bOk ? members["device"] : std::string(c.pszDevice));
    }
}

TEST(CliTrust, RateAndTimeLeftOfATransfer) {
    EXPECT_EQ("", RateText(1000, 10000, 100)); // too early to tell
    EXPECT_EQ(" 10 KiB/s, 0:09 left", RateText(10240, 102400, 1000));
    EXPECT_EQ(" 1 KiB/s, 1:01:00 left", RateText(1024, 1024 * 3661, 1000));
}
