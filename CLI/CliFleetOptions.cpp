// The fleet safety options: numbers in range, a percentage of the fleet, and the combinations
// that make sense (an update's options are no dry run's, and the report is the dry run's).
#include "CliOptions.h"

#include "CliReport.h"
#include "CliRollout.h"

namespace {

// A decimal count from min to max; false for anything else.
bool ParseCount(const std::string& text, unsigned long min, unsigned long max,
                unsigned long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return value >= min && value <= max;
}

bool ParseMaxFailures(CliOptions& options, std::string& error) {
    std::string text = options.strMaxFailures;
    const bool bPercent = !text.empty() && text.back() == '%';
    if (bPercent)
        text.pop_back();
    unsigned long value = 0;
    if (!ParseCount(text, 1, bPercent ? 100 : 1000000, value)) {
        error = "--max-failures takes a number of devices (1 or more) or a percentage (1% to "
                "100%)";
        return false;
    }
    (bPercent ? options.nMaxFailuresPercent : options.nMaxFailures) =
        static_cast<unsigned int>(value);
    return true;
}

} // namespace

bool ParseFleetOptions(CliOptions& options, std::string& error) {
    const bool bUpdateOption = options.bVerify || !options.strVerifyTimeout.empty() ||
                               !options.strRetries.empty() || !options.strCanary.empty() ||
                               !options.strMaxFailures.empty() || !options.strJournal.empty() ||
                               !options.strResume.empty() || !options.strWindow.empty() ||
                               !options.strWindowTz.empty() || !options.strWaves.empty() ||
                               !options.strThreshold.empty() || !options.strSoak.empty() ||
                               !options.strMaxPerSite.empty() || !options.strMetricsFile.empty() ||
                               options.bPauseBetweenWaves || options.bApprove;
    const bool bPolicy = !options.minVersions.empty() || !options.blockedSha256.empty();
    if ((options.bList || options.bDevices) &&
        (bUpdateOption || bPolicy || !options.strReport.empty())) {
        error = std::string(options.bList ? "--list" : "--devices") + " takes no device";
        return false;
    }
    if (options.bCheck && bUpdateOption) {
        error = "--check sends nothing: it takes no update option (only --report)";
        return false;
    }
    if (!options.strReport.empty()) {
        ReportFormat format;
        if (!options.bCheck) {
            error = "--report needs --check";
            return false;
        }
        if (!ReportFormatOf(options.strReport, format)) {
            error = "--report FILE must end in .csv or .json";
            return false;
        }
    }
    unsigned long value = 0;
    if (!options.strVerifyTimeout.empty()) {
        if (!options.bVerify) {
            error = "--verify-timeout needs --verify";
            return false;
        }
        if (!ParseCount(options.strVerifyTimeout, 1, 86400, value)) {
            error = "--verify-timeout takes seconds, 1 to 86400";
            return false;
        }
        options.dwVerifyTimeoutMs = value * 1000;
    }
    if (!options.strRetries.empty()) {
        if (!ParseCount(options.strRetries, 0, 20, value)) {
            error = "--retries takes a number from 0 to 20";
            return false;
        }
        options.nRetries = static_cast<unsigned int>(value);
    }
    if (!options.strCanary.empty()) {
        if (!ParseCount(options.strCanary, 1, 1000000, value)) {
            error = "--canary takes a number of devices, 1 or more";
            return false;
        }
        options.nCanary = static_cast<unsigned int>(value);
    }
    if (!options.strMaxFailures.empty() && !ParseMaxFailures(options, error))
        return false;
    return ParseRolloutOptions(options, error);
}
