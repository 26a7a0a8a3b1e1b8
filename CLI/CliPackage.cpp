// Package loading for the console updater, with a precise message for each way it can fail.
#include "CliPackage.h"

#include "zepBindInfo.h"
#include "zepInfo.h"

bool LoadPackage(const std::string& strPath, const ZepTrust& trust, ZepPackageLoad& load,
                 std::string& strError) {
    zepBindInfo::SetPackagePath(strPath.c_str());
    const std::string where = strPath.empty() ? "this program" : strPath;
    // Read whole every time: the run's records name the package by its SHA-256.
    if (ZepLoadPackage(&trust, load) == ZEP_LOAD_OK)
        return true;
    strError = load.strProblem;
    if (!strError.empty() && strError.back() == '.')
        strError.pop_back();
    strError += " (" + where + ").";
    return false;
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
