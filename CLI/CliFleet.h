// A run over several devices: each device its own worker and connection, at most nJobs at once,
// progress through the fleet display and a summary at the end. A stop request reaches every
// running worker at its next safe point and keeps the devices not yet begun untouched.
#pragma once

#include "CliClock.h"
#include "CliFleetDisplay.h"
#include "CliJournal.h"
#include "CliReport.h"
#include "CliTargets.h"
#include "CliUpdate.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

struct FleetRequest {
    unsigned int nJobs = 4;
    // Every device's update settings; the device's names and the stop baseline are set per run.
    UpdateRequest device;
    // Trust: verification, retries, waves, the journal and what it says is done.
    bool bVerify = false;
    unsigned long dwVerifyTimeoutMs = 300000;
    unsigned long dwVerifyPollMs = 1000; // during the first minute; every 5 s after that
    unsigned int nRetries = 0;
    unsigned int nCanary = 0;      // the first devices, updated before any other
    unsigned int nMaxFailures = 0; // begin no device once this many failed; 0: no limit
    FleetJournal* pJournal = nullptr;
    // --resume: last outcome by device, of the devices whose last line counts for this run
    std::map<std::string, DeviceOutcome> journaled;
    CliClock clock;
};

// Updates every target; the rows come back in the targets' order.
std::vector<FleetSummaryRow> RunFleetUpdate(const std::vector<FleetTarget>& targets,
                                            const FleetRequest& request, FleetDisplay& display);

// The dry run on every target.
// The dry run on every target; each device's reading goes to pInventory when given.
std::vector<FleetSummaryRow> RunFleetCheck(const std::vector<FleetTarget>& targets,
                                           const FleetRequest& request, FleetDisplay& display,
                                           std::vector<InventoryRow>* pInventory = nullptr);

// 0 when every row is good, 1 otherwise.
int FleetExitCode(const std::vector<FleetSummaryRow>& rows);
