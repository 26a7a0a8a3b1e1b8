// Reader of the update-information text format shared by ZEPINFO.txt (from the bound package)
// and TargetInfo.txt (from the device): rows of a key, their fields, and typed values.
// Every public accessor holds the instance's recursive lock for its whole run.
#pragma once

#include "zepLock.h"

#include <string>
#include <vector>

enum yesno_type {
    DEF_ERROR_VALUE = 0,
    DEF_NO_VALUE = 1,
    DEF_YES_VALUE = 2,
    DEF_BOTH_VALUE = 3,
};

enum loadFile_type {
    ZEP_INFO_FILETYPE = 0,
    TARGET_INFO_FILETYPE = 1,
    ZEP_BIND_FILETYPE = 2,
};

class zepParse {
public:
    zepParse() = default;

    // Replaces the text (embedded zero bytes included) and its type; false for null data.
    bool loadData(char* pcData, unsigned long uiDataSize, loadFile_type FileType);

    // Keys of ZEPINFO.txt.
    bool getTgmName(std::string& name);
    bool getModelName(std::string& name);
    bool getModelName(std::vector<std::string>& names);
    bool getDriverName(std::vector<std::string>& names);
    bool getDeviceIDModelName(std::vector<std::string>& names);
    bool getPort(std::vector<std::string>& names);
    bool getPortNo(int& port);
    bool getEnterTime(int& seconds);
    bool getExitTime(int& seconds);
    bool getUpdateTime(int& seconds);
    bool getUseVORQ(yesno_type& value);
    bool getNeedEnterOperation(yesno_type& value);
    bool getNeedExitOparetion(yesno_type& value);
    bool getAllowVersionDown(yesno_type& value);
    bool getSpecialCmdPattern(yesno_type& value);
    bool getUseDriverOnly(yesno_type& value);
    bool getProductName(std::string& name);
    bool getDefaltIPAddress(std::string& address);
    bool getVersion(unsigned int unGetIndex, std::string& strFirmType, std::string& strFirmVer,
                    std::string& strFileName, std::string& strBinFileName,
                    std::string& strCompatible, std::string& strHeaderType);
    bool getDispFirmVersion(unsigned int unGetIndex, std::string& strFirmType,
                            std::string& strFirmVer);
    bool getZepBindVersion(unsigned int unGetIndex, std::string& strFileName,
                           std::string& strFirmType);
    // PLATFORMVERSION rows. Windows form: codes 1 WIN9X, 2 WINNT, 3 WIN64, "major.minor" ranges
    // (maximum major -1: no upper bound). macOS form: code 4 MACOS, hexadecimal release numbers
    // (negative maximum: no upper bound).
    bool getPlatformVersion(int nSubKey, int& nMaxMajor, int& nMaxMinor, int& nMinMajor,
                            int& nMinMinor);
    bool getPlatformVersion(int nSubKey, long& lMax, long& lMin);

    // Keys of TargetInfo.txt.
    bool getTargetInfoVersion(unsigned int unGetIndex, std::string& strFirmType,
                              std::string& strFirmVer);
    // The first VERSION row of a firmware type (compared without case); false when none.
    bool findTargetInfoVersion(const std::string& strFirmType, std::string& strFirmVer);
    bool getMaxPacket(int& size);
    bool getSupportCommand(std::vector<int>& commandArray);

    // Small helpers reached by the macOS interface through plain functions.
    bool isEmpty(std::string& s) { return s.empty(); }
    const char* toString(std::string& s) { return s.c_str(); }
    int getArraySize(std::vector<std::string>& v) { return static_cast<int>(v.size()); }
    int getArraySize(std::vector<int>& v) { return static_cast<int>(v.size()); }

    // Row and field operations. They take no lock: callers hold it.
    std::string getTargetKeyRowData(const char* pKeyStr, unsigned int unIndex);
    unsigned long getSeparatePoint(const std::string& s);
    std::string getNextRowData(const std::string& s);
    bool isSeparator(const std::string& s);
    std::string removeDoubleQuot(const std::string& s);
    std::string removeWhiteSpace(const std::string& s);
    std::string getNumberBeforeString(const std::string& s);
    bool getExtVersion(const std::string& strVers, int& nMajor, int& nMinor);
    int compareString(const std::string& s, const char* text);
    unsigned long findString(const std::string& s, const char* text, unsigned long from);

    // Value readers of row unIndex of a key. They take no lock: callers hold it.
    bool getStringValue(const char* pkeyName, std::string& saveStr, unsigned int unIndex);
    bool getStringArrayValue(const char* pkeyName, std::vector<std::string>& values,
                             unsigned int unIndex);
    bool getIntValue(const char* pkeyName, int& nSaveInt, unsigned int unIndex, unsigned int base);
    bool getYesNoValue(const char* pkeyName, yesno_type& saveYesNo, unsigned int unIndex);

private:
    // How a build reads VERSION rows of ZEPINFO.txt; the two programs differ in corner cases.
    struct VersionRules {
        bool bTypeAnywhere; // a TYPE=VERSION field counts wherever it stands
        bool bLastTypeWins; // of several such fields the last one counts, not the first
        bool bStripFolder;  // the package file name loses any directory part
        bool bDispFirm;     // DISPFIRM=TEXT replaces the type shown to the user
    };
    static const VersionRules s_versionRules; // defined by the variant file of this build

    // The fields after the key of VERSION row unIndex; false when there is no such row.
    bool getVersionFields(unsigned int unIndex, std::vector<std::string>& fields);
    bool getYesNoKey(const char* pkeyName, yesno_type& value, yesno_type missing);
    bool getSecondsKey(const char* pkeyName, int& seconds);
    // First PLATFORMVERSION row whose platform name is pszName: the text after "=" in its first
    // field, and the rest of the row after that field.
    bool findPlatformRow(const char* pszName, std::string& strFirst, std::string& strRest);

    std::string m_pcFilebuf;
    CRITSECT m_lock;
    loadFile_type m_LoadFileType = ZEP_INFO_FILETYPE;
};
