// The package check: the directory says where each image lies, and the last byte of each is
// read, so that an entry pointing past a truncated package is caught as well.
#include "zepPackageCheck.h"

#include "zepBindInfo.h"
#include "zepInfo.h"

#include <vector>

namespace {

// True when the whole named file can be read (ZEPINFO.txt) or, for images, its last byte.
bool Readable(zepBindInfo& bind, const char* pszName, bool bWhole) {
    unsigned long dwSize = 0;
    if (!bind.getBindFileSize(pszName, dwSize))
        return false;
    if (dwSize == 0)
        return true;
    const unsigned long dwFrom = bWhole ? 0 : dwSize - 1;
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(dwSize - dwFrom);
    } catch (...) {
        return false;
    }
    unsigned long dwGot = static_cast<unsigned long>(buffer.size());
    return bind.getBindFileData(pszName, dwFrom, buffer.data(), dwGot) && dwGot == buffer.size();
}

} // namespace

// The parser reads an absent time key as 0 seconds; an update needs each one written.
const char* ZepMissingTimeLimit() {
    struct TimeKey {
        const char* pszName;
        bool (zepParse::*get)(int&);
    };
    for (const TimeKey& key : {TimeKey{"ENTERTIME", &zepParse::getEnterTime},
                               TimeKey{"EXITTIME", &zepParse::getExitTime},
                               TimeKey{"UPDATETIME", &zepParse::getUpdateTime}}) {
        int nSeconds = 0;
        if (g_ZepInfo.getTargetKeyRowData(key.pszName, 0).empty() ||
            !(g_ZepInfo.*key.get)(nSeconds))
            return key.pszName;
    }
    return nullptr;
}

ZEPRESULT ZepCheckPackage(std::string& strProblem) {
    strProblem.clear();
    zepBindInfo* pBind = zepBindInfo::Instance();
    if (pBind == nullptr || !pBind->IsBindZepFile()) {
        strProblem = "The firmware package cannot be opened.";
        return RESULT_ERR_FIRMREAD;
    }
    if (!Readable(*pBind, ZEP_BIND_INFO_NAME, true)) {
        strProblem = "ZEPINFO.txt cannot be read from the firmware package.";
        return RESULT_ERR_FIRMREAD;
    }
    if (const char* pszKey = ZepMissingTimeLimit()) {
        strProblem = std::string("ZEPINFO.txt of the firmware package gives no ") + pszKey +
                     "; no device was touched.";
        return RESULT_ERR_FIRMREAD;
    }
    for (unsigned int index = 0;; ++index) {
        std::string strType, strVer, strFile, strBinFile, strCompatible, strHeader;
        if (!g_ZepInfo.getVersion(index, strType, strVer, strFile, strBinFile, strCompatible,
                                  strHeader))
            break;
        if (strFile.empty() || !Readable(*pBind, strFile.c_str(), false)) {
            strProblem = "The firmware package lacks the image \"" + strFile + "\" (" + strType +
                         ") or holds it cut short; no device was touched.";
            return RESULT_ERR_FIRMREAD;
        }
    }
    return RESULT_OK;
}
