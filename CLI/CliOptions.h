// Command line of the console updater.
#pragma once

#include "CliDiscoverOptions.h"

#include <string>
#include <vector>

const unsigned int kMaxJobs = 256;

struct CliOptions {
    std::vector<std::string> addresses; // --address, repeatable: IPv4 addresses of devices
    std::string strTargetsFile;         // --targets: addresses or port names, one a line
    std::string strPortName;            // --port-name: a print queue's port
    std::string strPrinter;             // --printer: the queue's name (with --port-name only)
    std::string strPackage; // --package: package file instead of the one bound to the program
    std::string strJobs;    // --jobs as given
    unsigned int nJobs = 4; // devices updated at once, 1..kMaxJobs
    bool bHasPrinter = false;
    bool bList = false;
    bool bCheck = false;   // dry run: what an update would do, nothing sent
    bool bDevices = false; // list the devices the wizard would offer
    bool bJson = false;
    bool bHelp = false;
    // Fleet safety (CliFleetOptions.cpp): the values as given, then as parsed.
    bool bVerify = false;
    std::string strVerifyTimeout, strRetries, strCanary, strMaxFailures;
    std::string strJournal, strResume, strReport;
    unsigned long dwVerifyTimeoutMs = 300000;
    unsigned int nRetries = 0, nCanary = 0;
    unsigned int nMaxFailures = 0;        // 0: no limit
    unsigned int nMaxFailuresPercent = 0; // 1..100 when given as a share of the fleet
    bool bVersion = false;
    // Roll-out (CliRollout.h): the values as given, then as parsed.
    std::string strWindow, strWindowTz, strWaves, strThreshold, strSoak, strMaxPerSite;
    std::string strMetricsFile;
    std::vector<std::string> minVersions, blockedSha256; // repeatable
    bool bPauseBetweenWaves = false, bApprove = false;
    unsigned int nThresholdPercent = 100, nMaxPerSite = 0;
    unsigned long long qwSoakMs = 0;
    // Package trust (CliTrust.h).
    std::vector<std::string> trustKeys; // --trust-key, repeatable: PEM public key files
    bool bRequireSigned = false;
    bool bAllowUnsigned = false;
    // halvard --discover RANGE... (CliDiscoverOptions.h).
    bool bDiscover = false;
    DiscoverOptions discover;
};

// Checks the fleet safety options; false with the reason in strError.
bool ParseFleetOptions(CliOptions& options, std::string& strError);

// Parses argv[1..argc-1]. False with a one-line reason in strError for anything malformed,
// unknown, repeated or contradictory; then nothing else may be relied on.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& options, std::string& strError);

// True for text that reads as an IPv4 address (ZepParseIPv4); whether it may name a device is
// ZepParseDeviceAddr's to say.
bool IsIPv4Address(const std::string& text);

extern const char* const kCliUsage;
