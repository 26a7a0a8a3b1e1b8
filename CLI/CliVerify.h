// --verify: after an update, see the device go away for its restart, wait for it to come back,
// read its TargetInfo.txt as the dry run does, and hold every image's version against the
// package. A device may report the written versions before the boot that judges them, so no
// reading counts before the device was seen refusing or not answering a connection.
#pragma once

#include "CliClock.h"
#include "CliOutcome.h"
#include "CliTargets.h"

#include <functional>
#include <string>

struct VerifyPlan {
    unsigned short wPortNo = 0;
    unsigned long dwTimeoutMs = 300000;
    // Polled this often during the first minute, so that a quick restart is not missed, and
    // every dwLatePollMs after that.
    unsigned long dwPollMs = 1000;
    unsigned long dwLatePollMs = 5000;
    CliClock clock;
    std::function<bool()> stopped;
};

struct VerifyResult {
    // VERIFIED, OLD_VERSION, NOT_BACK, DID_NOT_RESTART, STOPPED
    DeviceOutcome outcome = DeviceOutcome::NOT_BACK;
    std::string strImage, strVersion, strPackage; // OLD_VERSION: the first image that differs
    std::string strReported; // DID_NOT_RESTART: its last reading ("TYPE VERSION, ..."), or empty
};

VerifyResult VerifyDevice(const FleetTarget& target, const VerifyPlan& plan);
