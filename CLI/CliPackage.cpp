// Package loading for the console updater, with a precise message for each way it can fail.
#include "CliPackage.h"

#include "zepBindInfo.h"
#include "zepInfo.h"

bool LoadPackage(const std::string& strPath, std::string& strError) {
    zepBindInfo::SetPackagePath(strPath.c_str());
    zepBindInfo* pBind = zepBindInfo::Instance();
    const std::string where = strPath.empty() ? "this program" : strPath;
    if (pBind == nullptr) {
        strError = "Out of memory while opening the firmware package.";
        return false;
    }
    if (!pBind->RefusalReason().empty()) {
        strError =
            "The firmware package in " + where + " is refused: " + pBind->RefusalReason() + ".";
        return false;
    }
    if (!pBind->IsBindZepFile()) {
        strError = "No usable firmware package in " + where +
                   " (a package holds at least one firmware image and ZEPINFO.txt).";
        return false;
    }
    unsigned long dwSize = 0;
    if (!pBind->getBindFileSize(ZEP_BIND_INFO_NAME, dwSize)) {
        strError = "The firmware package in " + where + " holds no ZEPINFO.txt.";
        return false;
    }
    std::string text(dwSize, '\0');
    unsigned long dwRead = dwSize;
    if (dwSize != 0 &&
        (!pBind->getBindFileData(ZEP_BIND_INFO_NAME, 0, reinterpret_cast<unsigned char*>(&text[0]),
                                 dwRead) ||
         dwRead != dwSize)) {
        strError = "Could not read ZEPINFO.txt from the firmware package in " + where + ".";
        return false;
    }
    g_ZepInfo.loadData(&text[0], dwSize, ZEP_INFO_FILETYPE);
    return true;
}

bool ReadPackageFacts(PackageFacts& facts, std::string& strError) {
    facts = PackageFacts();
    std::vector<std::string> models;
    if (g_ZepInfo.getModelName(models) && !models.empty())
        facts.strModel = models.front();
    else
        g_ZepInfo.getTgmName(facts.strModel);

    for (unsigned int i = 0;; ++i) {
        std::string strType, strVersion;
        if (!g_ZepInfo.getDispFirmVersion(i, strType, strVersion))
            break;
        facts.firmware.emplace_back(strType, strVersion);
    }

    if (!g_ZepInfo.getNeedExitOparetion(facts.needExit))
        facts.needExit = DEF_ERROR_VALUE; // an unreadable value asks the user to restart

    int nPort = 0;
    if (!g_ZepInfo.getPortNo(nPort) || nPort <= 0 || nPort > 0xFFFF) {
        strError = "ZEPINFO.txt gives no usable PORTNO (a TCP port from 1 to 65535).";
        return false;
    }
    facts.wPortNo = static_cast<unsigned short>(nPort);
    return true;
}
