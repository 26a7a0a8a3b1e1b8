// The process-wide ZEPINFO.txt of the bound package, and plain functions that forward to it
// for the user interfaces.
#pragma once

#include "zepParse.h"

#include <string>
#include <vector>

extern zepParse g_ZepInfo;

// Loads ZEPINFO.txt from the bound package into g_ZepInfo. -1 when no package reader can be
// made or memory runs out; RESULT_ERR_FIRMREAD when the reader refused the package, or the
// program was built with the maker's key
// and the package is not signed by it (nothing is loaded); 0 otherwise, also when the package
// is unusable (it is then closed and nothing is loaded).
int zepinfo_loadfile();

bool zepinfo_getTgmName(std::string& name);
bool zepinfo_getModelName(std::string& name);
bool zepinfo_getModelNameArray(std::vector<std::string>& names);
bool zepinfo_getDriverName(std::vector<std::string>& names);
bool zepinfo_getDeviceIDModelName(std::vector<std::string>& names);
bool zepinfo_getPort(std::vector<std::string>& names);
bool zepinfo_getPortNo(int& port);
bool zepinfo_getEnterTime(int& seconds);
bool zepinfo_getExitTime(int& seconds);
bool zepinfo_getUpdateTime(int& seconds);
bool zepinfo_getUseVORQ(yesno_type& value);
bool zepinfo_getNeedEnterOperation(yesno_type& value);
bool zepinfo_getNeedExitOparetion(yesno_type& value);
bool zepinfo_getAllowVersionDown(yesno_type& value);
bool zepinfo_getSpecialCmdPattern(yesno_type& value);
bool zepinfo_getUseDriverOnly(yesno_type& value);
bool zepinfo_getProductName(std::string& name);
bool zepinfo_getDefaltIPAddress(std::string& address);
bool zepinfo_getVersion(unsigned int unGetIndex, std::string& strFirmType, std::string& strFirmVer,
                        std::string& strFileName, std::string& strBinFileName,
                        std::string& strCompatible, std::string& strHeaderType);
bool zepinfo_getDispFirmVersion(unsigned int unGetIndex, std::string& strFirmType,
                                std::string& strFirmVer);
bool zepinfo_getTargetInfoVersion(unsigned int unGetIndex, std::string& strFirmType,
                                  std::string& strFirmVer);
bool zepinfo_getZepBindVersion(unsigned int unGetIndex, std::string& strFileName,
                               std::string& strFirmType);
bool zepinfo_getPlatformVersion(int nSubKey, long& lMax, long& lMin);
bool zepinfo_getMaxPacket(int& size);
bool zepinfo_getSupportCommand(std::vector<int>& commandArray);

const char* zepinfo_toString(std::string& s);
bool zepinfo_isEmpty(std::string& s);
int zepinfo_getStringArraySize(std::vector<std::string>& v);
int zepinfo_getIntArraySize(std::vector<int>& v);
