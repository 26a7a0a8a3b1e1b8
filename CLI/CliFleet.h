// A run over several devices: each device its own worker and connection, at most nJobs at once,
// progress through the fleet display and a summary at the end. A stop request reaches every
// running worker at its next safe point and keeps the devices not yet begun untouched.
#pragma once

#include "CliFleetDisplay.h"
#include "CliTargets.h"
#include "CliUpdate.h"

#include <functional>
#include <vector>

struct FleetRequest {
    unsigned int nJobs = 4;
    unsigned short wPortNo = 0;
    unsigned int firmwareCount = 1;
    yesno_type needExit = DEF_NO_VALUE;
    unsigned long dwTickMs = 1000;
    unsigned long dwWorkerPollingMs = 500;
    std::function<unsigned int()> stopRequests;
};

// Updates every target; the rows come back in the targets' order.
std::vector<FleetSummaryRow> RunFleetUpdate(const std::vector<FleetTarget>& targets,
                                            const FleetRequest& request, FleetDisplay& display);

// The dry run on every target.
std::vector<FleetSummaryRow> RunFleetCheck(const std::vector<FleetTarget>& targets,
                                           const FleetRequest& request, FleetDisplay& display);

// 0 when every row is good, 1 otherwise.
int FleetExitCode(const std::vector<FleetSummaryRow>& rows);
