// The target list from the real spooler and connection manager, by the shared rules.
#pragma once

#include "zepTargetList.h"

#include <vector>

// Local print queues at level 2, in the spooler's order; empty when the spooler fails.
std::vector<SpoolerQueue> EnumLocalQueues();

// The list the device selection page offers, built from the package's driver and model names.
std::vector<TargetPrinter> BuildWizardTargetList();
