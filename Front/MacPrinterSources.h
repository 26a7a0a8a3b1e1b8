// The macOS printer list from this system: the printing system's queues, the connection
// manager's USB ports and device models, and the driver folders' queue addresses, put through
// the list rules. Plain C++ so that the window reaches the connection manager only from here.
#pragma once

#include "zepMacTargetList.h"

#include <string>

MacTargetList SystemMacTargetList(const TargetListRules& rules,
                                  const std::string& strRememberedUri);

// The connection kind of a device URI by the printer daemon's prefixes.
MacUriKind MacUriKindOf(const std::string& strUri);
