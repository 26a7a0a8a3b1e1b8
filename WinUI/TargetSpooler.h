// The target list the device selection page offers, from the system by the shared rules.
#pragma once

#include "zepTargetList.h"

#include <vector>

// Built from the package's driver and model names as the wizard read them at start-up.
std::vector<TargetPrinter> BuildWizardTargetList();
