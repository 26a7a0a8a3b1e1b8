// The devices the wizard of this system would offer, for `halvard --devices`. One function per
// platform file (CliDevices_win.cpp, CliDevices_mac.cpp), so that each uses its wizard's rules.
#pragma once

#include "zepTargetList.h"

#include <vector>

// Reads the rules from the loaded ZEPINFO.txt; connects briefly to USB ports for their models.
std::vector<TargetPrinter> SystemDevices();
