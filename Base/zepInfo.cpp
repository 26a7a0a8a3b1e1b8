// g_ZepInfo, its loading from the bound package, and the plain forwarding functions.
#include "zepInfo.h"

#include "zepUtil.h"

zepParse g_ZepInfo;

bool zepinfo_getTgmName(std::string& name) {
    return g_ZepInfo.getTgmName(name);
}

bool zepinfo_getModelName(std::string& name) {
    return g_ZepInfo.getModelName(name);
}

bool zepinfo_getModelNameArray(std::vector<std::string>& names) {
    return g_ZepInfo.getModelName(names);
}

bool zepinfo_getDriverName(std::vector<std::string>& names) {
    return g_ZepInfo.getDriverName(names);
}

bool zepinfo_getDeviceIDModelName(std::vector<std::string>& names) {
    return g_ZepInfo.getDeviceIDModelName(names);
}

bool zepinfo_getPort(std::vector<std::string>& names) {
    return g_ZepInfo.getPort(names);
}

bool zepinfo_getPortNo(int& port) {
    return g_ZepInfo.getPortNo(port);
}

bool zepinfo_getEnterTime(int& seconds) {
    return g_ZepInfo.getEnterTime(seconds);
}

bool zepinfo_getExitTime(int& seconds) {
    return g_ZepInfo.getExitTime(seconds);
}

bool zepinfo_getUpdateTime(int& seconds) {
    return g_ZepInfo.getUpdateTime(seconds);
}

bool zepinfo_getUseVORQ(yesno_type& value) {
    return g_ZepInfo.getUseVORQ(value);
}

bool zepinfo_getNeedEnterOperation(yesno_type& value) {
    return g_ZepInfo.getNeedEnterOperation(value);
}

bool zepinfo_getNeedExitOparetion(yesno_type& value) {
    return g_ZepInfo.getNeedExitOparetion(value);
}

bool zepinfo_getAllowVersionDown(yesno_type& value) {
    return g_ZepInfo.getAllowVersionDown(value);
}

bool zepinfo_getSpecialCmdPattern(yesno_type& value) {
    return g_ZepInfo.getSpecialCmdPattern(value);
}

bool zepinfo_getUseDriverOnly(yesno_type& value) {
    return g_ZepInfo.getUseDriverOnly(value);
}

bool zepinfo_getProductName(std::string& name) {
    return g_ZepInfo.getProductName(name);
}

bool zepinfo_getDefaltIPAddress(std::string& address) {
    return g_ZepInfo.getDefaltIPAddress(address);
}

bool zepinfo_getVersion(unsigned int unGetIndex, std::string& strFirmType, std::string& strFirmVer,
                        std::string& strFileName, std::string& strBinFileName,
                        std::string& strCompatible, std::string& strHeaderType) {
    return g_ZepInfo.getVersion(unGetIndex, strFirmType, strFirmVer, strFileName, strBinFileName,
                                strCompatible, strHeaderType);
}

bool zepinfo_getDispFirmVersion(unsigned int unGetIndex, std::string& strFirmType,
                                std::string& strFirmVer) {
    return g_ZepInfo.getDispFirmVersion(unGetIndex, strFirmType, strFirmVer);
}

bool zepinfo_getTargetInfoVersion(unsigned int unGetIndex, std::string& strFirmType,
                                  std::string& strFirmVer) {
    return g_ZepInfo.getTargetInfoVersion(unGetIndex, strFirmType, strFirmVer);
}

bool zepinfo_getZepBindVersion(unsigned int unGetIndex, std::string& strFileName,
                               std::string& strFirmType) {
    return g_ZepInfo.getZepBindVersion(unGetIndex, strFileName, strFirmType);
}

bool zepinfo_getPlatformVersion(int nSubKey, long& lMax, long& lMin) {
    return g_ZepInfo.getPlatformVersion(nSubKey, lMax, lMin);
}

bool zepinfo_getMaxPacket(int& size) {
    return g_ZepInfo.getMaxPacket(size);
}

bool zepinfo_getSupportCommand(std::vector<int>& commandArray) {
    return g_ZepInfo.getSupportCommand(commandArray);
}

const char* zepinfo_toString(std::string& s) {
    return g_ZepInfo.toString(s);
}

bool zepinfo_isEmpty(std::string& s) {
    return g_ZepInfo.isEmpty(s);
}

int zepinfo_getStringArraySize(std::vector<std::string>& v) {
    return g_ZepInfo.getArraySize(v);
}

int zepinfo_getIntArraySize(std::vector<int>& v) {
    return g_ZepInfo.getArraySize(v);
}
