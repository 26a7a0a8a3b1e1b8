// The English texts of the shared ids are written in three places that users read: the
// Windows string table, the macOS strings and the console updater's table. They must agree.
#include "zepEnglishTexts.h"
#include "zepProgressRules.h"
#include "zepTextIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

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

// Every line of a file that matches `pattern`, as its first group -> its second.
std::map<std::string, std::string> Pairs(const char* path, const char* pattern) {
    std::map<std::string, std::string> pairs;
    std::ifstream in(path);
    const std::regex line(pattern);
    std::smatch m;
    for (std::string row; std::getline(in, row);) {
        if (std::regex_match(row, m, line))
            pairs[m[1].str()] = Unescape(m[2].str());
    }
    EXPECT_FALSE(pairs.empty()) << path;
    return pairs;
}

struct SharedText {
    int nId;
    const char* pszName;   // the id's name in the Windows string table
    const char* pszMacKey; // the macOS strings' key for the same text; null when it words it
                           // its own way
};
#define ID(name, mac)                                                                              \
    { name, #name, mac }
const SharedText kShared[] = {
    ID(IDS_CAPTION_WARNING, nullptr),
    ID(IDS_CAPTION_INFORMATION, nullptr),
    ID(IDS_USB_CONNECTED_DEVICE, "USB Printer"),
    ID(IDS_RESULT_DONE_RESTART, "NormalEnd_ManualMes"),
    ID(IDS_RESULT_DONE, "NormalEnd_AutoMes"),
    ID(IDS_RESULT_CURRENT_RESTART, "NoUpdateEnd_ManualMes"),
    ID(IDS_RESULT_CURRENT, "NoUpdateEnd_AutoMes"),
    ID(IDS_RESULT_WRITE, nullptr),
    ID(IDS_RESULT_CHECKSUM, nullptr),
    ID(IDS_RESULT_BUSY, nullptr),
    ID(IDS_RESULT_FAX, nullptr),
    ID(IDS_RESULT_DEVICE, nullptr),
    ID(IDS_RESULT_CONNECT, nullptr),
    ID(IDS_RESULT_MODEL, nullptr),
    ID(IDS_RESULT_FIRMREAD, nullptr),
    ID(IDS_RESULT_SYSTEM, nullptr),
    ID(IDS_STATUS_CHECKING, "State_CheckVersion"),
    ID(IDS_STATUS_CHECKING_N, "State_CheckVersion_Plural"),
    ID(IDS_STATUS_PREPARING, "State_PrepUpdate"),
    ID(IDS_STATUS_PREPARING_N, "State_PrepUpdate_Plural"),
    ID(IDS_STATUS_OVERWRITING, "State_WriteUpdate"),
    ID(IDS_STATUS_OVERWRITING_N, "State_WriteUpdate_Plural"),
    ID(IDS_STATUS_FINISHING, "State_Updated"),
};
#undef ID

} // namespace

TEST(EnglishTexts, AgreeWithTheWindowsTableAndTheMacStrings) {
    const auto texts = Pairs(WINUI_EN_RC, "^#define ([A-Z0-9_]+) \"(.*)\"\\s*$");
    const auto table = Pairs(WINUI_PAGES_RCI, "^\\s+(IDS_[A-Z0-9_]+) ([A-Z0-9_]+)\\s*$");
    const auto mac = Pairs(MAC_EN_STRINGS, "^\"([^\"]+)\" = \"(.*)\";\\s*$");
    std::set<int> listed;
    for (const SharedText& t : kShared) {
        listed.insert(t.nId);
        const std::string text = EnglishText(t.nId);
        ASSERT_FALSE(text.empty()) << t.pszName;
        const auto entry = table.find(t.pszName);
        ASSERT_NE(entry, table.end()) << t.pszName << " is not in the string table";
        EXPECT_EQ(texts.at(entry->second), text) << t.pszName;
        if (t.pszMacKey != nullptr) {
            EXPECT_EQ(mac.at(t.pszMacKey), text) << t.pszMacKey;
        }
    }
    // The progress page's text before its first tick is the page's own, not a table string.
    EXPECT_EQ(texts.at("T_PROG_STATUS"), EnglishText(STATUS_CONNECTING));
    EXPECT_EQ(mac.at("State_Connection"), EnglishText(STATUS_CONNECTING));
    for (int nId = 1; nId < 1000; ++nId)
        EXPECT_TRUE(*EnglishText(nId) == '\0' || listed.count(nId)) << "unchecked text " << nId;
}
