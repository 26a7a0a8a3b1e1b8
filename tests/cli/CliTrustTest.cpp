// The fleet safeguards' pure rules, table-driven: what is retried and how long it waits, the
// inventory's CSV escaping, the journal's line reader and which lines a resume counts, and the rate on a device's line.
#include "CliFleetDisplay.h"
#include "CliJournal.h"
#include "CliReport.h"
#include "CliRetry.h"

#include <fstream>

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
        {"HV001200", "\"HV001200\""},
        {"", "\"\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "\"'+1\""},
        {"-1", "\"'-1\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tx", "\"'\tx\""},
        {"a=b", "\"a=b\""},
        {"AB001200;=HYPERLINK(\"x\");", "\"AB001200;'=HYPERLINK(\"\"x\"\");\""},
        {"a, \"-1", "\"a,' \"\"-1\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszOut, CsvField(c.pszIn)) << c.pszIn;
}

namespace {

// The cells of a CSV text as a spreadsheet splitting at sep reads them: a quote opens a quoted
// part only at a cell's start.
std::vector<std::string> Cells(const std::string& csv, char sep) {
    std::vector<std::string> cells(1);
    bool bStart = true, bQuoted = false;
    for (size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (bQuoted) {
            if (c != '"')
                cells.back() += c;
            else if (i + 1 < csv.size() && csv[i + 1] == '"')
                cells.back() += csv[++i];
            else
                bQuoted = false;
        } else if (c == sep || c == '\n') {
            cells.emplace_back();
            bStart = true;
            continue;
        } else if (bStart && c == '"') {
            bQuoted = true;
        } else if (!(c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n')) {
            cells.back() += c;
        }
        bStart = false;
    }
    return cells;
}

} // namespace

// Device texts that would make formulas of their own cells, in every field of a row: no cell
// begins one, whether the spreadsheet splits at ',' or at ';'.
TEST(CliTrust, CsvCellsNeverBeginAFormulaWithEitherSeparator) {
    const char* const hostile[] = {
        "AB001200;=HYPERLINK(\"x\");",
        "=1+1",
        "a,=1",
        "a, +1",
        "a;\"=1\"",
        "b;@SUM(A1)",
        "-1;-2",
        "x; \"\"@y",
        "t\t=1",
        "c;\r=1",
    };
    for (const char* text : hostile) {
        CheckReport report;
        report.bRead = true;
        report.strModel = text;
        ImageVerdict image;
        image.strType = image.strFile = image.strDeviceVersion = image.strPackageVersion = text;
        image.pszVerdict = "send";
        report.images.push_back(image);
        const std::string csv = InventoryCsv({{text, report}});
        for (char sep : {',', ';'}) {
            for (const std::string& cell : Cells(csv, sep)) {
                const size_t first = cell.find_first_not_of(' ');
                EXPECT_TRUE(first == std::string::npos ||
                            std::string("=+-@\t\r").find(cell[first]) == std::string::npos)
                    << "separator " << sep << " cell [" << cell << "] of " << csv;
            }
        }
    }
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

// A journal's line counts for a resumed run only for the same package, and for a verifying run
// only when verified; a later line of a device overrides an earlier one.
TEST(CliTrust, ResumeCountsOnlyLinesOfThisPackage) {
    const std::string sha(64, 'a'), other(64, 'b');
    auto line = [](const std::string& extra) {
        return "{\"device\":\"d\",\"outcome\":\"updated\"" + extra + "}\n";
    };
    const std::string mine = ",\"package_sha256\":\"" + sha + "\",\"verified\":false";
    const std::string mineVerified = ",\"package_sha256\":\"" + sha + "\",\"verified\":true";
    const struct {
        std::string text;
        bool bVerify, bCounts;
    } cases[] = {
        {line(mine), false, true},
        {line(mine), true, false},
        {line(mineVerified), true, true},
        {line(",\"package_sha256\":\"" + other + "\",\"verified\":true"), false, false},
        {line(""), false, false}, // a journal older than the package's hash
        {line(mine) + line(",\"package_sha256\":\"" + other + "\""), false, false},
        {line(",\"package_sha256\":\"" + other + "\"") + line(mine), false, true},
        {line(",\"package_sha256\":\"" + sha + "\",\"verified\":\"true\""), true, false},
    };
    const std::string path = std::string(CLI_TEST_DIR) + "/rules.journal";
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
        std::map<std::string, DeviceOutcome> last;
        std::string error;
        ASSERT_TRUE(ReadJournal(path, JournalMatch{sha, c.bVerify}, last, error)) << error;
        EXPECT_EQ(c.bCounts, last.count("d") == 1) << c.text << c.bVerify;
    }
}

TEST(CliTrust, RateAndTimeLeftOfATransfer) {
    EXPECT_EQ("", RateText(1000, 10000, 100)); // too early to tell
    EXPECT_EQ(" 10 KiB/s, 0:09 left", RateText(10240, 102400, 1000));
    EXPECT_EQ(" 1 KiB/s, 1:01:00 left", RateText(1024, 1024 * 3661, 1000));
}
