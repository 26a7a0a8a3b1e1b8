// The console updater keeps its own copy of the wizard's English texts; this reads the wizard's
// string table (WinUI/lang/en_US.rc) so that the two cannot drift apart unnoticed.
#include "CliTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

// The C escapes the table's texts use.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// "#define NAME "text"" lines of the table, by name.
std::map<std::string, std::string> ReadEnglishTable() {
    std::map<std::string, std::string> table;
    std::ifstream in(WINUI_EN_RC);
    const std::regex line("^#define ([A-Z0-9_]+) \"(.*)\"\\s*$");
    std::smatch m;
    for (std::string row; std::getline(in, row);) {
        if (std::regex_match(row, m, line))
            table[m[1].str()] = Unescape(m[2].str());
    }
    return table;
}

} // namespace

TEST(CliTexts, EnglishTextsAreTheWizardsTable) {
    const std::map<std::string, std::string> table = ReadEnglishTable();
    ASSERT_FALSE(table.empty()) << WINUI_EN_RC;
    int nCompared = 0;
    for (int nId = 1; nId < 1000; ++nId) {
        const std::string text = EnglishText(nId);
        if (text.empty())
            continue;
        const auto it = table.find("S_" + std::to_string(nId));
        ASSERT_NE(it, table.end()) << "string " << nId << " is not in the wizard's table";
        EXPECT_EQ(it->second, text) << "string " << nId;
        ++nCompared;
    }
    EXPECT_GE(nCompared, 20);
    // The progress page's text before the first tick is the page's own, not a table string.
    ASSERT_NE(table.find("T_PROG_STATUS"), table.end());
    EXPECT_EQ(table.at("T_PROG_STATUS"), EnglishText(STATUS_CONNECTING));
}
