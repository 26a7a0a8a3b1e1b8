// Command line of the console updater.
#pragma once

#include <string>

struct CliOptions {
    std::string strAddress;  // --address: IPv4 address of the device
    std::string strPortName; // --port-name: a print queue's port
    std::string strPrinter;  // --printer: the queue's name (with --port-name only)
    std::string strPackage;  // --package: package file instead of the one bound to the program
    bool bHasPrinter = false;
    bool bList = false;
    bool bJson = false;
    bool bHelp = false;
};

// Parses argv[1..argc-1]. False with a one-line reason in strError for anything malformed,
// unknown, repeated or contradictory; then nothing else may be relied on.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& options, std::string& strError);

// True for a dotted-quad IPv4 address: four decimal parts 0..255, no signs or spaces.
bool IsIPv4Address(const std::string& text);

extern const char* const kCliUsage;
