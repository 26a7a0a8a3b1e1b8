// The information-text reader: row and field splitting, value readers and the key accessors.
// The two programs' readings of VERSION rows differ only by the rules in zepParseVersion_*.cpp.
#include "zepParse.h"

#include "zepUtil.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char ROW_END[] = "\r\n";
const int DEFAULT_PORTNO = 48350;
// Maximum of a macOS range when the row gives none: reads as a negative number, no upper bound.
const char ERR_VER[] = "-0101";
// Time-outs are seconds that the connections turn into milliseconds: keep the product in range.
const int MAX_SECONDS = INT_MAX / 1000;

// Capitals by ASCII rules, so that no locale can change how keys and words match.
char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiUpper(std::string s) {
    for (char& c : s)
        c = AsciiUpper(c);
    return s;
}

bool SameWord(const std::string& s, const char* word) {
    return ZepEqualNoCase(s, std::string(word));
}

// DISPVER and DISPFIRM only change what the user is shown; they never name the firmware type
// that the version check compares with the device.
bool IsDisplayOnly(const std::string& name) {
    return SameWord(name, "DISPVER") || SameWord(name, "DISPFIRM");
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// strtol's reading, held to the int range so that every host gives the same answer.
long ReadLong(const std::string& s, unsigned int base) {
    long v = std::strtol(s.c_str(), nullptr, static_cast<int>(base));
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return v;
}

// True when the row starting at text[pos] (len bytes) begins with key, letter case aside.
bool RowHasKey(const std::string& text, size_t pos, size_t len, const char* key) {
    size_t keyLen = std::strlen(key);
    if (keyLen > len)
        return false;
    for (size_t i = 0; i < keyLen; ++i) {
        if (AsciiUpper(text[pos + i]) != AsciiUpper(key[i]))
            return false;
    }
    return true;
}

// Keeps the first or the last of several candidates, as the build's rule says.
void Keep(std::string& kept, bool& bHave, const std::string& value, bool bLastWins) {
    if (bHave && !bLastWins)
        return;
    kept = value;
    bHave = true;
}

// NAME=VALUE split at the first "="; false for a plain field.
bool SplitPair(const std::string& field, std::string& name, std::string& value) {
    size_t eq = field.find('=');
    if (eq == std::string::npos)
        return false;
    name = field.substr(0, eq);
    value = field.substr(eq + 1);
    return true;
}

} // namespace

bool zepParse::loadData(char* pcData, unsigned long uiDataSize, loadFile_type FileType) {
    ZepLock lock(m_lock);
    if (pcData == nullptr)
        return false;
    m_pcFilebuf.assign(pcData, uiDataSize);
    m_LoadFileType = FileType;
    return true;
}

// ---- Row and field operations -------------------------------------------------------------

std::string zepParse::getTargetKeyRowData(const char* pKeyStr, unsigned int unIndex) {
    if (pKeyStr == nullptr || m_pcFilebuf.empty())
        return std::string();
    unsigned int count = 0;
    size_t pos = 0;
    for (;;) {
        size_t end = m_pcFilebuf.find(ROW_END, pos);
        size_t len = (end == std::string::npos ? m_pcFilebuf.size() : end) - pos;
        if (RowHasKey(m_pcFilebuf, pos, len, pKeyStr)) {
            if (count == unIndex)
                return m_pcFilebuf.substr(pos, len);
            ++count;
        }
        if (end == std::string::npos)
            return std::string();
        pos = end + 2;
    }
}

unsigned long zepParse::getSeparatePoint(const std::string& s) {
    bool bOutsideQuotes = true;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsBlank(s[i]) && bOutsideQuotes)
            return i;
        if (s[i] == '"')
            bOutsideQuotes = !bOutsideQuotes;
    }
    return s.size();
}

std::string zepParse::getNextRowData(const std::string& s) {
    bool bOutsideQuotes = true;
    bool bSeparatorSeen = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsBlank(s[i])) {
            if (bOutsideQuotes)
                bSeparatorSeen = true;
        } else if (bSeparatorSeen) {
            return s.substr(i);
        } else if (s[i] == '"') {
            bOutsideQuotes = !bOutsideQuotes;
        }
    }
    return std::string();
}

bool zepParse::isSeparator(const std::string& s) {
    return !s.empty() && IsBlank(s[0]);
}

std::string zepParse::removeDoubleQuot(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != '"')
            out += c;
    }
    return out;
}

std::string zepParse::removeWhiteSpace(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (!IsBlank(c))
            out += c;
    }
    return out;
}

std::string zepParse::getNumberBeforeString(const std::string& s) {
    size_t digit = s.find_first_of("0123456789");
    if (digit == 0 || digit == std::string::npos)
        return s;
    return s.substr(0, digit);
}

bool zepParse::getExtVersion(const std::string& strVers, int& nMajor, int& nMinor) {
    size_t dot = strVers.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == strVers.size())
        return false;
    nMajor = static_cast<int>(ReadLong(strVers.substr(0, dot), 10));
    nMinor = static_cast<int>(ReadLong(strVers.substr(dot + 1), 10));
    return true;
}

int zepParse::compareString(const std::string& s, const char* text) {
    if (text == nullptr)
        return -1;
    int cmp = AsciiUpper(s).compare(AsciiUpper(std::string(text)));
    return cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
}

unsigned long zepParse::findString(const std::string& s, const char* text, unsigned long from) {
    if (text == nullptr)
        return static_cast<unsigned long>(std::string::npos);
    size_t pos = AsciiUpper(s).find(AsciiUpper(std::string(text)), from);
    return pos == std::string::npos ? static_cast<unsigned long>(std::string::npos)
                                    : static_cast<unsigned long>(pos);
}

// ---- Value readers ------------------------------------------------------------------------

bool zepParse::getStringValue(const char* pkeyName, std::string& saveStr, unsigned int unIndex) {
    std::string row = getTargetKeyRowData(pkeyName, unIndex);
    if (row.empty())
        return false;
    std::string rest = getNextRowData(row);
    if (rest.empty()) {
        saveStr.clear();
        return false;
    }
    saveStr = removeDoubleQuot(rest.substr(0, getSeparatePoint(rest)));
    return true;
}

bool zepParse::getStringArrayValue(const char* pkeyName, std::vector<std::string>& values,
                                   unsigned int unIndex) {
    std::string row = getTargetKeyRowData(pkeyName, unIndex);
    if (row.empty())
        return false;
    for (std::string rest = getNextRowData(row); !rest.empty(); rest = getNextRowData(rest))
        values.push_back(removeDoubleQuot(rest.substr(0, getSeparatePoint(rest))));
    return true;
}

bool zepParse::getIntValue(const char* pkeyName, int& nSaveInt, unsigned int unIndex,
                           unsigned int base) {
    std::string row = getTargetKeyRowData(pkeyName, unIndex);
    if (row.empty())
        return false;
    std::string rest = getNextRowData(row);
    nSaveInt = rest.empty() ? -1 : static_cast<int>(ReadLong(rest, base));
    return true;
}

bool zepParse::getYesNoValue(const char* pkeyName, yesno_type& saveYesNo, unsigned int unIndex) {
    std::string row = getTargetKeyRowData(pkeyName, unIndex);
    if (row.empty())
        return false;
    static const struct {
        const char* word;
        yesno_type value;
    } words[] = {{"YES", DEF_YES_VALUE}, {"NO", DEF_NO_VALUE}, {"BOTH", DEF_BOTH_VALUE}};
    const unsigned long from = static_cast<unsigned long>(std::strlen(pkeyName));
    saveYesNo = DEF_ERROR_VALUE;
    for (const auto& w : words) {
        if (findString(row, w.word, from) != static_cast<unsigned long>(std::string::npos)) {
            saveYesNo = w.value;
            break;
        }
    }
    return true;
}

// ---- Accessors ----------------------------------------------------------------------------

bool zepParse::getTgmName(std::string& name) {
    ZepLock lock(m_lock);
    return getStringValue("TGMNAME", name, 0);
}

bool zepParse::getModelName(std::string& name) {
    ZepLock lock(m_lock);
    return getStringValue("MODELNAME", name, 0);
}

bool zepParse::getModelName(std::vector<std::string>& names) {
    ZepLock lock(m_lock);
    return getStringArrayValue("MODELNAME", names, 0);
}

bool zepParse::getDriverName(std::vector<std::string>& names) {
    ZepLock lock(m_lock);
    return getStringArrayValue("DRIVERNAME", names, 0);
}

bool zepParse::getDeviceIDModelName(std::vector<std::string>& names) {
    ZepLock lock(m_lock);
    return getStringArrayValue("DEVICEIDMODELNAME", names, 0);
}

bool zepParse::getPort(std::vector<std::string>& names) {
    ZepLock lock(m_lock);
    return getStringArrayValue("PORT", names, 0);
}

bool zepParse::getProductName(std::string& name) {
    ZepLock lock(m_lock);
    return getStringValue("PRODUCT", name, 0);
}

bool zepParse::getDefaltIPAddress(std::string& address) {
    ZepLock lock(m_lock);
    return getStringValue("DEFAULTIPADDRESS", address, 0);
}

bool zepParse::getPortNo(int& port) {
    ZepLock lock(m_lock);
    if (!getIntValue("PORTNO", port, 0, 10)) {
        port = DEFAULT_PORTNO;
        return true;
    }
    // -1 is a key without a value; anything else outside the TCP range would connect elsewhere.
    return port >= 1 && port <= 65535;
}

bool zepParse::getSecondsKey(const char* pkeyName, int& seconds) {
    ZepLock lock(m_lock);
    if (!getIntValue(pkeyName, seconds, 0, 10)) {
        seconds = 0;
        return true;
    }
    // -1 also stands for a key without a value, which is unreadable; a written value counts,
    // negative ones included: the engine gives them its minimum time-out.
    bool hasValue = !getNextRowData(getTargetKeyRowData(pkeyName, 0)).empty();
    return hasValue && seconds <= MAX_SECONDS;
}

bool zepParse::getEnterTime(int& seconds) {
    return getSecondsKey("ENTERTIME", seconds);
}

bool zepParse::getExitTime(int& seconds) {
    return getSecondsKey("EXITTIME", seconds);
}

bool zepParse::getUpdateTime(int& seconds) {
    return getSecondsKey("UPDATETIME", seconds);
}

bool zepParse::getMaxPacket(int& size) {
    ZepLock lock(m_lock);
    // A key without a value reads as -1 and still counts as present; callers judge the size.
    return getIntValue("MAXPACKET", size, 0, 10);
}

bool zepParse::getSupportCommand(std::vector<int>& commandArray) {
    ZepLock lock(m_lock);
    int code = 0;
    for (unsigned int i = 0; getIntValue("SUPPORT_COMMAND", code, i, 16); ++i)
        commandArray.push_back(code);
    return !commandArray.empty();
}

bool zepParse::getYesNoKey(const char* pkeyName, yesno_type& value, yesno_type missing) {
    ZepLock lock(m_lock);
    if (!getYesNoValue(pkeyName, value, 0)) {
        value = missing;
        return true;
    }
    return value != DEF_ERROR_VALUE;
}

bool zepParse::getUseVORQ(yesno_type& value) {
    return getYesNoKey("USEVORQ", value, DEF_NO_VALUE);
}

bool zepParse::getNeedEnterOperation(yesno_type& value) {
    return getYesNoKey("NEEDENTEROPERATION", value, DEF_NO_VALUE);
}

bool zepParse::getNeedExitOparetion(yesno_type& value) {
    return getYesNoKey("NEEDEXITOPERATION", value, DEF_NO_VALUE);
}

bool zepParse::getAllowVersionDown(yesno_type& value) {
    return getYesNoKey("ALLOWVERSIONDOWN", value, DEF_NO_VALUE);
}

bool zepParse::getSpecialCmdPattern(yesno_type& value) {
    return getYesNoKey("SPECIALCMDPATTERN", value, DEF_NO_VALUE);
}

bool zepParse::getUseDriverOnly(yesno_type& value) {
    return getYesNoKey("USEDRIVERONLY", value, DEF_YES_VALUE);
}

// ---- VERSION rows -------------------------------------------------------------------------

bool zepParse::getVersionFields(unsigned int unIndex, std::vector<std::string>& fields) {
    std::string row = getTargetKeyRowData("VERSION", unIndex);
    if (row.empty())
        return false;
    for (std::string rest = getNextRowData(row); !rest.empty(); rest = getNextRowData(rest))
        fields.push_back(rest.substr(0, getSeparatePoint(rest)));
    return true;
}

bool zepParse::getVersion(unsigned int unGetIndex, std::string& strFirmType,
                          std::string& strFirmVer, std::string& strFileName,
                          std::string& strBinFileName, std::string& strCompatible,
                          std::string& strHeaderType) {
    ZepLock lock(m_lock);
    std::vector<std::string> fields;
    if (m_LoadFileType != ZEP_INFO_FILETYPE || !getVersionFields(unGetIndex, fields))
        return false;
    strCompatible.clear();
    const VersionRules& rules = s_versionRules;
    bool bFileNameSeen = false;
    bool bTypeSeen = false;
    for (size_t counter = 0; counter < fields.size(); ++counter) {
        std::string name, value;
        if (!SplitPair(fields[counter], name, value)) {
            (bFileNameSeen ? strBinFileName : strFileName) = fields[counter];
            bFileNameSeen = true;
        } else if (SameWord(name, "COMPATIBLE")) {
            strCompatible = value;
        } else if (SameWord(name, "HEADER")) {
            strHeaderType = value;
        } else if ((counter == 0 || rules.bTypeAnywhere) && !IsDisplayOnly(name)) {
            if (!bTypeSeen || rules.bLastTypeWins) {
                strFirmType = name;
                strFirmVer = value;
            }
            bTypeSeen = true;
        }
    }
    size_t slash = strFileName.find_last_of("/\\");
    if (rules.bStripFolder && slash != std::string::npos)
        strFileName.erase(0, slash + 1);
    return true;
}

bool zepParse::getDispFirmVersion(unsigned int unGetIndex, std::string& strFirmType,
                                  std::string& strFirmVer) {
    ZepLock lock(m_lock);
    if (m_LoadFileType != ZEP_INFO_FILETYPE)
        return false;
    strFirmType.clear();
    strFirmVer.clear();
    std::vector<std::string> fields;
    if (!getVersionFields(unGetIndex, fields))
        return false;
    const VersionRules& rules = s_versionRules;
    std::string dispVer, dispFirm;
    bool bType = false, bDispVer = false, bDispFirm = false;
    for (const std::string& field : fields) {
        std::string name, value;
        if (!SplitPair(field, name, value) || SameWord(name, "COMPATIBLE") ||
            SameWord(name, "HEADER"))
            continue;
        if (SameWord(name, "DISPVER")) {
            Keep(dispVer, bDispVer, removeDoubleQuot(value), rules.bLastTypeWins);
        } else if (SameWord(name, "DISPFIRM")) {
            if (rules.bDispFirm)
                Keep(dispFirm, bDispFirm, removeDoubleQuot(value), rules.bLastTypeWins);
        } else if (!bType || rules.bLastTypeWins) {
            strFirmType = name;
            strFirmVer = value;
            bType = true;
        }
    }
    if (!dispVer.empty())
        strFirmVer = dispVer;
    if (!dispFirm.empty())
        strFirmType = dispFirm;
    return !strFirmType.empty() && !strFirmVer.empty();
}

bool zepParse::getTargetInfoVersion(unsigned int unGetIndex, std::string& strFirmType,
                                    std::string& strFirmVer) {
    ZepLock lock(m_lock);
    if (m_LoadFileType != TARGET_INFO_FILETYPE)
        return false;
    std::string row = getTargetKeyRowData("VERSION", unGetIndex);
    if (row.empty())
        return false;
    std::string rest = getNextRowData(row);
    if (rest.empty())
        return false;
    std::string name, value;
    if (SplitPair(removeWhiteSpace(rest), name, value)) {
        strFirmType = getNumberBeforeString(name);
        strFirmVer = value;
    } else {
        strFirmType.clear();
        strFirmVer.clear();
    }
    return true;
}

bool zepParse::findTargetInfoVersion(const std::string& strFirmType, std::string& strFirmVer) {
    ZepLock lock(m_lock);
    std::string strType, strVersion;
    for (unsigned int i = 0; getTargetInfoVersion(i, strType, strVersion); ++i) {
        if (ZepEqualNoCase(strType, strFirmType)) {
            strFirmVer = strVersion;
            return true;
        }
    }
    return false;
}

bool zepParse::getZepBindVersion(unsigned int unGetIndex, std::string& strFileName,
                                 std::string& strFirmType) {
    ZepLock lock(m_lock);
    std::vector<std::string> fields;
    if (m_LoadFileType != ZEP_BIND_FILETYPE || !getVersionFields(unGetIndex, fields))
        return false;
    for (const std::string& field : fields) {
        std::string name, value;
        if (!SplitPair(field, name, value))
            strFileName = field;
        else if (SameWord(name, "HEADER"))
            strFirmType = value;
    }
    return true;
}

// ---- PLATFORMVERSION rows -----------------------------------------------------------------

bool zepParse::findPlatformRow(const char* pszName, std::string& strFirst, std::string& strRest) {
    for (unsigned int n = 0;; ++n) {
        std::string row = getTargetKeyRowData("PLATFORMVERSION", n);
        if (row.empty())
            return false;
        std::string rest = getNextRowData(row);
        std::string name, value;
        if (!SplitPair(rest.substr(0, getSeparatePoint(rest)), name, value) || name.empty() ||
            !SameWord(name, pszName))
            continue;
        strFirst = value;
        strRest = getNextRowData(rest);
        return true;
    }
}

bool zepParse::getPlatformVersion(int nSubKey, int& nMaxMajor, int& nMaxMinor, int& nMinMajor,
                                  int& nMinMinor) {
    static const char* const names[] = {"WIN9X", "WINNT", "WIN64"};
    if (nSubKey < 1 || nSubKey > 3)
        return false;
    ZepLock lock(m_lock);
    std::string strMin, strMax;
    if (m_LoadFileType != ZEP_INFO_FILETYPE || !findPlatformRow(names[nSubKey - 1], strMin, strMax))
        return false;
    if (strMax.empty())
        strMax = "-1.-1";
    int maxMajor = 0, maxMinor = 0, minMajor = 0, minMinor = 0;
    if (!getExtVersion(strMin, minMajor, minMinor) || !getExtVersion(strMax, maxMajor, maxMinor))
        return false;
    nMaxMajor = maxMajor;
    nMaxMinor = maxMinor;
    nMinMajor = minMajor;
    nMinMinor = minMinor;
    return true;
}

bool zepParse::getPlatformVersion(int nSubKey, long& lMax, long& lMin) {
    if (nSubKey != 4)
        return false;
    ZepLock lock(m_lock);
    std::string strMin, strMax;
    if (m_LoadFileType != ZEP_INFO_FILETYPE || !findPlatformRow("MACOS", strMin, strMax))
        return false;
    lMin = ReadLong(strMin, 16);
    lMax = ReadLong(strMax.empty() ? std::string(ERR_VER) : strMax, 16);
    return true;
}
