// The devices of one run: the --address values, the --port-name (with its queue) and the lines
// of a --targets file, each named the way the output names it.
#pragma once

#include "CliOptions.h"

#include <string>
#include <utility>
#include <vector>

struct FleetTarget {
    std::string strName;    // IPv4 address or port name, as given; "device" in the output
    std::string strPrinter; // print queue of a --port-name given with --printer
    bool bHasPrinter = false;
    std::string strSite; // the [site NAME] of a --targets line; empty: none
};

// Lines of a --targets file: spaces around an entry, blank lines and lines whose first
// character is '#' are ignored; CR LF and LF both end a line.
std::vector<std::string> ParseTargetsText(const std::string& text);
// The same, each entry with the site of the last "[site NAME]" line above it (empty before
// any); a "[site]" line without a name is kept as an entry, so that it is refused as a device.
std::vector<std::pair<std::string, std::string>> ParseSitedTargets(const std::string& text);

// Every device of the options, in the order given: the addresses, the port name, then the file.
// False with a reason for an unreadable file, a name too long for the engine or a device named
// twice (two workers on one device would disturb each other's update).
bool CollectTargets(const CliOptions& options, std::vector<FleetTarget>& targets,
                    std::string& strError);
