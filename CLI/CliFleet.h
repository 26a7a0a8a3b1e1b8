// A run over several devices: each device its own worker and connection, at most nJobs at once,
// progress through the fleet display and a summary at the end. A stop request reaches every
// running worker at its next safe point and keeps the devices not yet begun untouched.
#pragma once

#include "CliClock.h"
#include "CliFleetDisplay.h"
#include "CliJournal.h"
#include "CliMetrics.h"
#include "CliReport.h"
#include "CliTargets.h"
#include "CliUpdate.h"
#include "CliWindow.h"

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
    // The roll-out: the wave of each target (empty: --canary or one wave), whether waves are
    // named in the output ("wave", from 1), the share of a wave that must succeed before the
    // next begins, the soak between waves, the pause for approval, the window, the per-site
    // limit, and the metrics.
    std::vector<unsigned int> waves;
    bool bNameWaves = false;
    unsigned int nThresholdPercent = 100;
    unsigned long long qwSoakMs = 0;
    bool bPause = false, bApprove = false;
    MaintenanceWindow window;
    unsigned int nMaxPerSite = 0;
    FleetMetrics* pMetrics = nullptr;
    std::string strMetricsFile; // written every 10 s during the run; the caller writes the last
};

// Updates every target; the rows come back in the targets' order.
std::vector<FleetSummaryRow> RunFleetUpdate(const std::vector<FleetTarget>& targets,
                                            const FleetRequest& request, FleetDisplay& display);

// The dry run on every target.
// The dry run on every target; each device's reading goes to pInventory when given.
std::vector<FleetSummaryRow> RunFleetCheck(const std::vector<FleetTarget>& targets,
                                           const FleetRequest& request, FleetDisplay& display,
                                           std::vector<InventoryRow>* pInventory = nullptr);

// 0 when every row is good; 1 for any failure; otherwise 3 when a device was deferred, 5 when a
// wave awaits approval.
int FleetExitCode(const std::vector<FleetSummaryRow>& rows);
