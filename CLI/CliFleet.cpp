// Fleet runs. The connection manager is created before the first thread starts: its singleton
// is made on first use and is not meant to be made by two threads at once.
#include "CliFleet.h"

#include "CliCheck.h"
#include "CliJobs.h"
#include "CliJson.h"
#include "CliRetry.h"
#include "CliTexts.h"
#include "CliVerify.h"
#include "DevConnMgr.h"
#include "zepThread.h"

#include <algorithm>
#include <atomic>
#include <random>

namespace {

const char* const kNotBegun = "Not begun: the run was stopped at your request.";
// A journal that cannot be trusted must not let a later --resume skip anything.
const char* const kJournalBroken = "Not begun: the journal could not be written.";

size_t NameWidth(const std::vector<FleetTarget>& targets) {
    size_t width = 0;
    for (const FleetTarget& target : targets)
        width = std::max(width, target.strName.size());
    return width;
}

// Whether a stop was requested since the run began (baseline: the count then).
std::function<bool()> StopSince(const FleetRequest& request, unsigned int baseline) {
    if (!request.device.stopRequests)
        return nullptr;
    std::function<unsigned int()> count = request.device.stopRequests;
    return [count, baseline] { return count() != baseline; };
}

unsigned int StopCount(const FleetRequest& request) {
    return request.device.stopRequests ? request.device.stopRequests() : 0;
}

// The closing line of a device that no update of this run ended: its text, or its final JSON
// object with the given members around the message.
void SayClosingLine(FleetDisplay& display, const std::string& strDevice,
                    const std::string& strMembersBefore, const std::string& strMessage,
                    const std::string& strMembersAfter) {
    if (display.Mode() == DisplayMode::JSON)
        display.Line(JsonWithDevice(
            strDevice, "{\"final\":true,\"result\":null," + strMembersBefore +
                           "\"message\":" + JsonString(strMessage) + strMembersAfter + "}"));
    else
        display.Line(strDevice + ": " + strMessage);
}

// Rows not begun, each with the reason it tells.
void MarkNotBegun(std::vector<FleetSummaryRow>& rows, const std::vector<bool>& begun,
                  const std::string& strReason, FleetDisplay& display) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (begun[i])
            continue;
        rows[i].bStopped = true;
        rows[i].bOk = false;
        rows[i].bBegun = false;
        rows[i].strMessage = strReason;
        if (rows[i].pszOutcome != nullptr)
            rows[i].pszOutcome = FactsOf(DeviceOutcome::NOT_BEGUN).pszJson;
        SayClosingLine(display, rows[i].strDevice, "\"updated\":0,\"stopped\":true,", strReason,
                       rows[i].pszOutcome ? ",\"outcome\":\"not begun\"" : "");
    }
}

// What the device's update (and its verification) came to.
struct DeviceEnd {
    DeviceOutcome outcome = DeviceOutcome::FAILED;
    std::string strCaption, strMessage;
    std::string strMembers; // further JSON members of its final object and journal line
};

DeviceEnd UpdateOutcomeEnd(const UpdateOutcome& outcome) {
    DeviceEnd end;
    end.strCaption = outcome.strCaption;
    end.strMessage = outcome.strMessage;
    if (outcome.nExitCode == 0)
        end.outcome = outcome.dwUpdatedFirmNum != 0 ? DeviceOutcome::UPDATED
                                                    : DeviceOutcome::NOTHING_TO_UPDATE;
    else
        end.outcome = outcome.bStopped ? DeviceOutcome::STOPPED : DeviceOutcome::FAILED;
    return end;
}

DeviceEnd VerifyEnd(const VerifyResult& verify, const UpdateOutcome& outcome,
                    unsigned long dwTimeoutMs) {
    DeviceEnd end;
    end.outcome = verify.outcome;
    end.strCaption = CaptionText(verify.outcome != DeviceOutcome::VERIFIED);
    switch (verify.outcome) {
    case DeviceOutcome::VERIFIED:
        end.strMessage = VerifiedText();
        break;
    case DeviceOutcome::OLD_VERSION:
        end.strMessage = OldVersionText(verify.strImage, verify.strVersion, verify.strPackage);
        end.strMembers = "\"image\":" + JsonString(verify.strImage) +
                         ",\"version\":" + JsonString(verify.strVersion) +
                         ",\"package_version\":" + JsonString(verify.strPackage);
        break;
    case DeviceOutcome::DID_NOT_RESTART:
        end.strMessage = DidNotRestartText(dwTimeoutMs, verify.strReported);
        end.strMembers = "\"reported\":" + JsonString(verify.strReported);
        break;
    case DeviceOutcome::STOPPED:
        end.strMessage = OneLine(outcome.strMessage) + " Verifying was stopped at your request.";
        break;
    default:
        end.strMessage = NotBackText(dwTimeoutMs);
        break;
    }
    return end;
}

// The attempts of one device: again after a failure before any firmware was sent, while
// retries are left.
UpdateOutcome UpdateWithRetries(const FleetTarget& target, const FleetRequest& request,
                                unsigned int baseline, FleetDeviceSink& sink, size_t index,
                                unsigned int& nAttempts) {
    UpdateRequest update = request.device;
    update.pszPrinterName = target.bHasPrinter ? target.strPrinter.c_str() : nullptr;
    update.pszPortName = target.strName.c_str();
    update.bHasStopBaseline = true;
    update.nStopBaseline = baseline;
    std::minstd_rand random(static_cast<unsigned int>(request.clock.Now() + index * 7919u));
    const std::function<bool()> stopped = StopSince(request, baseline);
    UpdateOutcome outcome;
    for (nAttempts = 1;; ++nAttempts) {
        {
            zepThread worker;
            outcome = RunUpdate(worker, update, sink);
        }
        if (nAttempts > request.nRetries || outcome.bStopped ||
            !IsRetryable(outcome.nResult, outcome.bImagesBegun))
            return outcome;
        const unsigned long wait = BackoffMs(nAttempts + 1, random);
        sink.Say("Result " + std::to_string(outcome.nResult) + " before any firmware was sent; " +
                 "attempt " + std::to_string(nAttempts + 1) + " of " +
                 std::to_string(request.nRetries + 1) + " in " +
                 std::to_string((wait + 999) / 1000) + " s.");
        if (!request.clock.Wait(wait, stopped))
            return outcome;
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
    const std::function<bool()> userStop = StopSince(request, baseline);
    std::atomic<unsigned int> failures{0};
    std::atomic<bool> journalBroken{false};
    std::atomic<size_t> finished{0};
    const unsigned long long start = request.clock.Now();
    auto overLimit = [&] {
        return request.nMaxFailures != 0 && failures.load() >= request.nMaxFailures;
    };

    auto work = [&](size_t i) {
        const FleetTarget& target = targets[i];
        FleetDeviceSink sink(display, i, target.strName, width);
        unsigned int nAttempts = 0;
        const UpdateOutcome outcome =
            UpdateWithRetries(target, request, baseline, sink, i, nAttempts);
        DeviceEnd end = UpdateOutcomeEnd(outcome);
        if (request.bVerify && end.outcome == DeviceOutcome::UPDATED) {
            sink.Say("Update complete; waiting for the device to come back.");
            VerifyPlan plan;
            plan.wPortNo = request.device.wPortNo;
            plan.dwTimeoutMs = request.dwVerifyTimeoutMs;
            plan.dwPollMs = request.dwVerifyPollMs;
            plan.clock = request.clock;
            plan.stopped = userStop;
            end = VerifyEnd(VerifyDevice(target, plan), outcome, request.dwVerifyTimeoutMs);
        }
        const OutcomeFacts& facts = FactsOf(end.outcome);
        std::string members = "\"outcome\":" + JsonString(facts.pszJson) +
                              ",\"attempts\":" + std::to_string(nAttempts);
        if (!end.strMembers.empty())
            members += "," + end.strMembers;
        FleetSummaryRow& row = rows[i];
        row.nResult = outcome.nResult;
        row.dwUpdatedFirmNum = outcome.dwUpdatedFirmNum;
        row.bStopped = outcome.bStopped;
        row.bOk = facts.bOk;
        row.strMessage = end.strMessage;
        row.pszOutcome = facts.pszJson;
        if (!facts.bOk)
            ++failures;
        if (request.pJournal != nullptr &&
            !request.pJournal->Append(
                JsonWithDevice(target.strName,
                               "{" + members + ",\"result\":" + std::to_string(outcome.nResult) +
                                   ",\"updated\":" + std::to_string(outcome.dwUpdatedFirmNum) +
                                   ",\"message\":" + JsonString(end.strMessage) + "}"),
                end.outcome == DeviceOutcome::VERIFIED)) {
            display.Notice(kJournalBroken);
            journalBroken = true;
            row.bOk = false;
        }
        sink.Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped, end.strCaption,
                   end.strMessage, members);
        display.Totals(++finished, targets.size(), failures.load(), request.clock.Now() - start);
    };

    std::vector<size_t> order; // the devices this run updates, in the order given
    for (size_t i = 0; i < targets.size(); ++i) {
        rows[i].strDevice = targets[i].strName;
        rows[i].pszOutcome = FactsOf(DeviceOutcome::NOT_BEGUN).pszJson;
        auto journaled = request.journaled.find(targets[i].strName);
        if (journaled != request.journaled.end() && FactsOf(journaled->second).bDone) {
            rows[i].bOk = true;
            rows[i].bBegun = false;
            rows[i].pszOutcome = FactsOf(DeviceOutcome::SKIPPED).pszJson;
            rows[i].strMessage = SkippedText(journaled->second);
            SayClosingLine(display, rows[i].strDevice, "\"outcome\":\"skipped\",",
                           rows[i].strMessage, "");
            ++finished;
            continue;
        }
        order.push_back(i);
    }
    display.Totals(finished, targets.size(), 0, 0);
    std::vector<bool> begun(targets.size(), true);
    for (size_t i : order)
        begun[i] = false;
    auto stopped = [&] { return (userStop && userStop()) || overLimit() || journalBroken; };
    auto phase = [&](size_t from, size_t to) {
        const std::vector<bool> done =
            RunJobs(to - from, request.nJobs, stopped, [&](size_t k) { work(order[from + k]); });
        for (size_t k = 0; k < done.size(); ++k)
            begun[order[from + k]] = done[k];
    };
    // Canaries first, all of them ended before any other device is begun.
    const size_t canaries = std::min<size_t>(request.nCanary, order.size());
    phase(0, canaries);
    const bool bCanaryFailed = failures.load() != 0 && canaries != 0;
    if (!bCanaryFailed)
        phase(canaries, order.size());
    const std::string reason = journalBroken            ? kJournalBroken
                               : userStop && userStop() ? kNotBegun
                               : bCanaryFailed          ? CanaryFailedText()
                                                        : FailureLimitText(failures.load());
    MarkNotBegun(rows, begun, reason, display);
    return rows;
}

std::vector<FleetSummaryRow> RunFleetCheck(const std::vector<FleetTarget>& targets,
                                           const FleetRequest& request, FleetDisplay& display,
                                           std::vector<InventoryRow>* pInventory) {
    DevConnMgr::Instance();
    std::vector<FleetSummaryRow> rows(targets.size());
    std::vector<CheckReport> reports(targets.size());
    auto work = [&](size_t i) {
        const CheckReport report = CheckDevice(targets[i], request.device.wPortNo);
        display.Line(display.Mode() == DisplayMode::JSON
                         ? CheckReportJson(targets[i].strName, report, display.PackageMembers())
                         : CheckReportText(targets[i].strName, report));
        rows[i].nResult = report.nResult;
        rows[i].bOk = report.bRead;
        rows[i].strMessage = CheckSummaryMessage(report);
        reports[i] = report;
    };
    for (size_t i = 0; i < targets.size(); ++i)
        rows[i].strDevice = targets[i].strName;
    const std::vector<bool> begun =
        RunJobs(targets.size(), request.nJobs, StopSince(request, StopCount(request)), work);
    MarkNotBegun(rows, begun, kNotBegun, display);
    if (pInventory != nullptr) {
        for (size_t i = 0; i < targets.size(); ++i) {
            pInventory->emplace_back(targets[i].strName, reports[i]);
        }
    }
    return rows;
}

int FleetExitCode(const std::vector<FleetSummaryRow>& rows) {
    return std::all_of(rows.begin(), rows.end(), [](const FleetSummaryRow& r) { return r.bOk; })
               ? 0
               : 1;
}
