// --verify: after an update, wait for the device to come back from its restart, read its
// TargetInfo.txt as the dry run does, and hold every image's version against the package.
#pragma once

#include "CliClock.h"
#include "CliOutcome.h"
#include "CliTargets.h"

#include <functional>
#include <string>

struct VerifyPlan {
    unsigned short wPortNo = 0;
    unsigned long dwTimeoutMs = 300000;
    unsigned long dwSettleMs = 5000; // a device may still answer before it goes down
    unsigned long dwPollMs = 5000;
    CliClock clock;
    std::function<bool()> stopped;
};

struct VerifyResult {
    DeviceOutcome outcome = DeviceOutcome::NOT_BACK; // VERIFIED, OLD_VERSION, NOT_BACK, STOPPED
    std::string strImage, strVersion, strPackage;    // OLD_VERSION: the first image that differs
};

VerifyResult VerifyDevice(const FleetTarget& target, const VerifyPlan& plan);
