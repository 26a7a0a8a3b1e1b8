// The target list of this system: the spooler's queues and the connection manager's USB ports
// handed to the shared list rules, and the rules the package gives. The wizard and the console
// updater's device list both build it here, so that they offer the same devices.
#pragma once

#include "zepTargetList.h"

#include <string>
#include <vector>

// The package's list rules as ZEPINFO.txt (g_ZepInfo) gives them, for every program and both
// variants; strUsbDeviceName is the printer name shown for a USB port without a queue.
TargetListRules ZepInfoTargetRules(const std::string& strUsbDeviceName);

// Local print queues at level 2, in the spooler's order; empty when the spooler fails.
// Windows only (zepSpoolerQueues_win.cpp).
std::vector<SpoolerQueue> EnumLocalQueues();

// The whole list from these queues and the USB ports the connection manager knows.
std::vector<TargetPrinter> BuildSystemTargetList(const std::vector<SpoolerQueue>& queues,
                                                 const TargetListRules& rules);
