// The dry run: enter download mode, read TargetInfo.txt, judge every image of the package by
// the engine's own version check, and leave download mode again. No firmware is sent.
#pragma once

#include "CliTargets.h"
#include "zepTypes.h"

#include <string>
#include <vector>

// What the update would do with one image.
struct ImageVerdict {
    std::string strType;           // firmware type of the VERSION row
    std::string strFile;           // the image in the package
    std::string strDeviceVersion;  // the device's version of that type; empty when it has none
    std::string strPackageVersion; // the package's version
    ZEPRESULT nResult = RESULT_OK; // the version check's code
    const char* pszVerdict = "";   // "send", "skip", "no update needed" or "refuse"
};

struct CheckReport {
    bool bRead = false;            // the device was reached and its TargetInfo.txt read
    ZEPRESULT nResult = RESULT_OK; // when not read: why
    std::string strModel;          // the device's own TGMNAME
    std::vector<ImageVerdict> images;
};

// The verdict of one CheckVersion answer: passed and 1 is sent, failed with 1 passed over,
// -11 needs no update, anything else ends an update.
const char* VerdictName(bool bPass, ZEPRESULT nResult);

// Checks one device. Reads the rows of g_ZepInfo; uses a session of its own.
CheckReport CheckDevice(const FleetTarget& target, unsigned short wPortNo);

// The device's report as lines of text (no final line end), and as its final JSON object (with
// the package's JSON members, when given, as every final object has them).
std::string CheckReportText(const std::string& strDevice, const CheckReport& report);
std::string CheckReportJson(const std::string& strDevice, const CheckReport& report,
                            const std::string& strPackage = std::string());
// The one-line message of the summary.
std::string CheckSummaryMessage(const CheckReport& report);
