// Fleet runs. The connection manager is created before the first thread starts: its singleton
// is made on first use and is not meant to be made by two threads at once.
#include "CliFleet.h"

#include "CliCheck.h"
#include "CliJson.h"
#include "CliJobs.h"
#include "CliTexts.h"
#include "DevConnMgr.h"
#include "zepThread.h"

#include <algorithm>

namespace {

const char* const kNotBegun = "Not begun: the run was stopped at your request.";

size_t NameWidth(const std::vector<FleetTarget>& targets) {
    size_t width = 0;
    for (const FleetTarget& target : targets)
        width = std::max(width, target.strName.size());
    return width;
}

// Whether a stop was requested since the run began (baseline: the count then).
std::function<bool()> StopSince(const FleetRequest& request, unsigned int baseline) {
    if (!request.stopRequests)
        return nullptr;
    std::function<unsigned int()> count = request.stopRequests;
    return [count, baseline] { return count() != baseline; };
}

unsigned int StopCount(const FleetRequest& request) {
    return request.stopRequests ? request.stopRequests() : 0;
}

void MarkNotBegun(std::vector<FleetSummaryRow>& rows, const std::vector<bool>& begun,
                  FleetDisplay& display) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (begun[i])
            continue;
        rows[i].bStopped = true;
        rows[i].bOk = false;
        rows[i].bBegun = false;
        rows[i].strMessage = kNotBegun;
        if (display.Mode() == DisplayMode::JSON)
            display.Line("{\"device\":" + JsonString(rows[i].strDevice) +
                         ",\"final\":true,\"result\":null,\"updated\":0,\"stopped\":true,"
                         "\"message\":" +
                         JsonString(kNotBegun) + "}");
        else
            display.Line(rows[i].strDevice + ": " + kNotBegun);
    }
}

} // namespace

std::vector<FleetSummaryRow> RunFleetUpdate(const std::vector<FleetTarget>& targets,
                                            const FleetRequest& request, FleetDisplay& display) {
    DevConnMgr::Instance();
    std::vector<FleetSummaryRow> rows(targets.size());
    const size_t width = NameWidth(targets);
    // A press between a device's turn and its start must still stop it.
    const unsigned int baseline = StopCount(request);
    auto work = [&](size_t i) {
        const FleetTarget& target = targets[i];
        UpdateRequest update;
        update.pszPrinterName = target.bHasPrinter ? target.strPrinter.c_str() : nullptr;
        update.pszPortName = target.strName.c_str();
        update.wPortNo = request.wPortNo;
        update.firmwareCount = request.firmwareCount;
        update.needExit = request.needExit;
        update.dwTickMs = request.dwTickMs;
        update.dwWorkerPollingMs = request.dwWorkerPollingMs;
        update.stopRequests = request.stopRequests;
        update.bHasStopBaseline = true;
        update.nStopBaseline = baseline;
        FleetDeviceSink sink(display, i, target.strName, width);
        UpdateOutcome outcome;
        {
            zepThread worker;
            outcome = RunUpdate(worker, update, sink);
        }
        sink.Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped, outcome.strCaption,
                   outcome.strMessage);
        FleetSummaryRow& row = rows[i];
        row.nResult = outcome.nResult;
        row.dwUpdatedFirmNum = outcome.dwUpdatedFirmNum;
        row.bStopped = outcome.bStopped;
        row.bOk = outcome.nExitCode == 0;
        row.strMessage = outcome.strMessage;
    };
    for (size_t i = 0; i < targets.size(); ++i)
        rows[i].strDevice = targets[i].strName;
    const std::vector<bool> begun =
        RunJobs(targets.size(), request.nJobs, StopSince(request, baseline), work);
    MarkNotBegun(rows, begun, display);
    return rows;
}

std::vector<FleetSummaryRow> RunFleetCheck(const std::vector<FleetTarget>& targets,
                                           const FleetRequest& request, FleetDisplay& display) {
    DevConnMgr::Instance();
    std::vector<FleetSummaryRow> rows(targets.size());
    auto work = [&](size_t i) {
        const CheckReport report = CheckDevice(targets[i], request.wPortNo);
        display.Line(display.Mode() == DisplayMode::JSON
                         ? CheckReportJson(targets[i].strName, report)
                         : CheckReportText(targets[i].strName, report));
        rows[i].nResult = report.nResult;
        rows[i].bOk = report.bRead;
        rows[i].strMessage = CheckSummaryMessage(report);
    };
    for (size_t i = 0; i < targets.size(); ++i)
        rows[i].strDevice = targets[i].strName;
    const std::vector<bool> begun =
        RunJobs(targets.size(), request.nJobs, StopSince(request, StopCount(request)), work);
    MarkNotBegun(rows, begun, display);
    return rows;
}

int FleetExitCode(const std::vector<FleetSummaryRow>& rows) {
    return std::all_of(rows.begin(), rows.end(), [](const FleetSummaryRow& r) { return r.bOk; })
               ? 0
               : 1;
}
