// The printing system's local print queues as plain records.
#pragma once

#include "zepMacTargetList.h"

#include <vector>

// Empty when the printing system cannot be asked.
std::vector<MacPrintQueue> LocalPrintQueues();
