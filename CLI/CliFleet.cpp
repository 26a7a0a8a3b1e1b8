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
#include <memory>
#include <mutex>
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

// Rows not begun, each with the reason it tells and the outcome it gets: not begun, or pending
// (deferred, awaiting approval: their own outcomes, journaled so that a resume knows them).
void MarkNotBegun(std::vector<FleetSummaryRow>& rows, const std::vector<bool>& begun,
                  const std::string& strReason, FleetDisplay& display,
                  DeviceOutcome outcome = DeviceOutcome::NOT_BEGUN,
                  FleetJournal* pJournal = nullptr) {
    const bool bPending = FactsOf(outcome).bPending;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (begun[i])
            continue;
        rows[i].bStopped = !bPending;
        rows[i].bOk = false;
        rows[i].bBegun = false;
        rows[i].strMessage = strReason;
        if (rows[i].pszOutcome != nullptr)
            rows[i].pszOutcome = FactsOf(outcome).pszJson;
        const std::string wave =
            rows[i].nWave != 0 ? ",\"wave\":" + std::to_string(rows[i].nWave) : "";
        SayClosingLine(
            display, rows[i].strDevice,
            bPending ? "\"updated\":0,\"stopped\":false," : "\"updated\":0,\"stopped\":true,",
            strReason,
            rows[i].pszOutcome ? ",\"outcome\":" + JsonString(rows[i].pszOutcome) + wave : "");
        if (bPending && pJournal != nullptr)
            pJournal->Append(JsonWithDevice(rows[i].strDevice,
                                            "{\"outcome\":" + JsonString(rows[i].pszOutcome) +
                                                ",\"result\":null,\"updated\":0,\"message\":" +
                                                JsonString(strReason) + wave + "}"),
                             false);
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
// The device's versions before the update (as its first reading had them) and the bytes the
// last attempt had accepted: for the journal and the metrics.
struct DeviceRecord {
    std::string strVersionsBefore;
    uint64_t qwBytes = 0;
};

UpdateOutcome UpdateWithRetries(const FleetTarget& target, const FleetRequest& request,
                                unsigned int baseline, FleetDeviceSink& sink, size_t index,
                                unsigned int& nAttempts, DeviceRecord& record) {
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
            if (record.strVersionsBefore.empty())
                record.strVersionsBefore = worker.DeviceVersions();
            record.qwBytes = worker.BytesAccepted();
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

// One device's progress, timed by phase for the metrics: the time from its start to download
// mode, and the time the records show it transferring and the device writing.
class MeteredSink : public FleetDeviceSink {
public:
    MeteredSink(FleetDisplay& display, size_t device, const std::string& strName, size_t width,
                const CliClock& clock)
        : FleetDeviceSink(display, device, strName, width), m_clock(clock), m_since(clock.Now()) {}

    void Update(const tag_devinfo& info, const ProgressView& view) override {
        const unsigned long long now = m_clock.Now();
        if (info.UpdateState != m_state) {
            m_phaseMs[PhaseOf(m_state)] += now - m_since;
            m_seen[PhaseOf(info.UpdateState)] = true;
            if (m_state == NORMALMODE_STATE)
                m_seen[static_cast<int>(FleetPhase::CONNECT)] = true;
            m_state = info.UpdateState;
            m_since = now;
        }
        FleetDeviceSink::Update(info, view);
    }

    // Each phase the device went through, once.
    void Report(FleetMetrics& metrics) {
        m_phaseMs[PhaseOf(m_state)] += m_clock.Now() - m_since;
        m_since = m_clock.Now();
        for (int p = 0; p < static_cast<int>(FleetPhase::RESTART); ++p)
            if (m_seen[p])
                metrics.Observe(static_cast<FleetPhase>(p), m_phaseMs[p] / 1000.0);
    }

private:
    static int PhaseOf(update_state state) {
        switch (state) {
        case NORMALMODE_STATE:
            return static_cast<int>(FleetPhase::CONNECT);
        case TRANSFER_FIRM:
            return static_cast<int>(FleetPhase::TRANSFER);
        case WRITING_FIRM:
            return static_cast<int>(FleetPhase::DEVICE_WRITE);
        default:
            return static_cast<int>(FleetPhase::COUNT); // not timed
        }
    }

    const CliClock& m_clock;
    update_state m_state = NORMALMODE_STATE;
    unsigned long long m_since;
    unsigned long long m_phaseMs[static_cast<int>(FleetPhase::COUNT) + 1] = {};
    bool m_seen[static_cast<int>(FleetPhase::COUNT) + 1] = {};
};

// The share of a wave's devices that succeeded, in percent (rounded down); done devices a
// journal skipped count as successes.
unsigned int WaveSuccessPercent(const std::vector<FleetSummaryRow>& rows,
                                const std::vector<unsigned int>& waves, unsigned int wave) {
    size_t total = 0, good = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (waves[i] != wave)
            continue;
        ++total;
        good += rows[i].bOk ? 1 : 0;
    }
    return total == 0 ? 100 : static_cast<unsigned int>(good * 100 / total);
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
    std::atomic<bool> windowClosed{false};
    std::atomic<size_t> finished{0};
    const unsigned long long start = request.clock.Now();
    auto overLimit = [&] {
        return request.nMaxFailures != 0 && failures.load() >= request.nMaxFailures;
    };
    // The figures the metrics file shows while the run goes on.
    std::mutex figuresLock;
    FleetFigures live;
    auto settle = [&](const FleetSummaryRow& row, const char* pszBefore) {
        std::lock_guard<std::mutex> guard(figuresLock);
        if (pszBefore != nullptr && live.outcomes[pszBefore] != 0)
            --live.outcomes[pszBefore];
        ++live.outcomes[row.pszOutcome];
        live.qwImages += pszBefore == nullptr ? row.dwUpdatedFirmNum : 0;
        live.qwBytes += pszBefore == nullptr ? row.qwBytes : 0;
    };
    std::unique_ptr<MetricsWriter> metricsWriter;
    if (request.pMetrics != nullptr && !request.strMetricsFile.empty())
        metricsWriter = std::make_unique<MetricsWriter>(request.strMetricsFile, request.clock, [&] {
            std::lock_guard<std::mutex> guard(figuresLock);
            return request.pMetrics->Text(live, true, request.clock.WallNow());
        });
    auto journal = [&](const std::string& device, const std::string& members, bool bVerified) {
        if (request.pJournal == nullptr ||
            request.pJournal->Append(JsonWithDevice(device, "{" + members + "}"), bVerified))
            return true;
        display.Notice(kJournalBroken);
        journalBroken = true;
        return false;
    };

    auto work = [&](size_t i) {
        const FleetTarget& target = targets[i];
        MeteredSink sink(display, i, target.strName, width, request.clock);
        unsigned int nAttempts = 0;
        DeviceRecord record;
        const UpdateOutcome outcome =
            UpdateWithRetries(target, request, baseline, sink, i, nAttempts, record);
        DeviceEnd end = UpdateOutcomeEnd(outcome);
        if (request.bVerify && end.outcome == DeviceOutcome::UPDATED) {
            sink.Say("Update complete; waiting for the device to come back.");
            VerifyPlan plan;
            plan.wPortNo = request.device.wPortNo;
            plan.dwTimeoutMs = request.dwVerifyTimeoutMs;
            plan.dwPollMs = request.dwVerifyPollMs;
            plan.clock = request.clock;
            plan.stopped = userStop;
            const unsigned long long verifyStart = request.clock.Now();
            end = VerifyEnd(VerifyDevice(target, plan), outcome, request.dwVerifyTimeoutMs);
            if (end.outcome == DeviceOutcome::VERIFIED && request.pMetrics != nullptr)
                request.pMetrics->Observe(FleetPhase::RESTART,
                                          (request.clock.Now() - verifyStart) / 1000.0);
        }
        if (request.pMetrics != nullptr)
            sink.Report(*request.pMetrics);
        const OutcomeFacts& facts = FactsOf(end.outcome);
        std::string members = "\"outcome\":" + JsonString(facts.pszJson) +
                              ",\"attempts\":" + std::to_string(nAttempts);
        if (!end.strMembers.empty())
            members += "," + end.strMembers;
        if (rows[i].nWave != 0)
            members += ",\"wave\":" + std::to_string(rows[i].nWave);
        FleetSummaryRow& row = rows[i];
        row.nResult = outcome.nResult;
        row.dwUpdatedFirmNum = outcome.dwUpdatedFirmNum;
        row.qwBytes = record.qwBytes;
        row.bStopped = outcome.bStopped;
        row.bOk = facts.bOk;
        row.strMessage = end.strMessage;
        row.pszOutcome = facts.pszJson;
        if (!facts.bOk)
            ++failures;
        // The versions the device had, so that a guarded downgrade back to them is possible.
        if (!journal(target.strName,
                     members + ",\"result\":" + std::to_string(outcome.nResult) +
                         ",\"updated\":" + std::to_string(outcome.dwUpdatedFirmNum) +
                         ",\"versions_before\":" + JsonString(record.strVersionsBefore) +
                         ",\"message\":" + JsonString(end.strMessage),
                     end.outcome == DeviceOutcome::VERIFIED))
            row.bOk = false;
        settle(row, nullptr);
        sink.Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped, end.strCaption,
                   end.strMessage, members, outcome.dwUnconfirmedFirmNum);
        display.Totals(++finished, targets.size(), failures.load(), request.clock.Now() - start);
    };

    std::vector<size_t> order; // the devices this run updates, in the order given
    for (size_t i = 0; i < targets.size(); ++i) {
        rows[i].strDevice = targets[i].strName;
        rows[i].pszOutcome = FactsOf(DeviceOutcome::NOT_BEGUN).pszJson;
        if (request.bNameWaves && i < request.waves.size())
            rows[i].nWave = request.waves[i] + 1;
        auto journaled = request.journaled.find(targets[i].strName);
        if (journaled != request.journaled.end() && FactsOf(journaled->second).bDone) {
            rows[i].bOk = true;
            rows[i].bBegun = false;
            rows[i].pszOutcome = FactsOf(DeviceOutcome::SKIPPED).pszJson;
            rows[i].strMessage = SkippedText(journaled->second);
            SayClosingLine(display, rows[i].strDevice, "\"outcome\":\"skipped\",",
                           rows[i].strMessage, "");
            settle(rows[i], nullptr);
            ++finished;
            continue;
        }
        order.push_back(i);
    }
    display.Totals(finished, targets.size(), 0, 0);
    // The waves: as given, or the canaries (the first devices of this run) and the rest.
    std::vector<unsigned int> waves = request.waves;
    if (waves.size() != targets.size()) {
        waves.assign(targets.size(), 0);
        for (size_t k = request.nCanary; k < order.size(); ++k)
            waves[order[k]] = 1;
    }
    JobGroups sites;
    sites.nPerGroup = request.nMaxPerSite;
    std::map<std::string, size_t> siteNumbers;
    std::vector<bool> begun(targets.size(), true);
    for (size_t i : order)
        begun[i] = false;
    auto stopped = [&] {
        if ((userStop && userStop()) || overLimit() || journalBroken)
            return true;
        if (!windowClosed && !request.window.IsOpen(request.clock.WallNow()))
            windowClosed = true;
        return windowClosed.load();
    };
    auto runWave = [&](const std::vector<size_t>& members) {
        sites.group.clear();
        for (size_t i : members)
            sites.group.push_back(
                targets[i].strSite.empty()
                    ? JobGroups::kNoGroup
                    : siteNumbers.emplace(targets[i].strSite, siteNumbers.size()).first->second);
        const std::vector<bool> done = RunJobs(
            members.size(), request.nJobs, stopped, [&](size_t k) { work(members[k]); }, sites);
        for (size_t k = 0; k < done.size(); ++k)
            begun[members[k]] = done[k];
    };

    const unsigned int nWaves = *std::max_element(waves.begin(), waves.end()) + 1;
    std::string reason;
    DeviceOutcome rest = DeviceOutcome::NOT_BEGUN;
    bool bRanWave = false;
    bool bApproval = request.bApprove; // passes the first gate a journal says awaits approval
    unsigned int lastWave = 0;
    for (unsigned int w = 0; w < nWaves && !stopped(); ++w) {
        std::vector<size_t> members;
        bool bAwaited = false; // a journal says this wave awaits approval
        for (size_t i : order) {
            if (waves[i] != w)
                continue;
            members.push_back(i);
            auto journaled = request.journaled.find(targets[i].strName);
            bAwaited = bAwaited || (journaled != request.journaled.end() &&
                                    journaled->second == DeviceOutcome::AWAITING_APPROVAL);
        }
        if (members.empty())
            continue;
        if (bRanWave) {
            if (request.qwSoakMs != 0) {
                display.Notice("Wave " + std::to_string(lastWave + 1) + " done; soaking for " +
                               std::to_string(request.qwSoakMs / 1000) + " s.");
                if (!request.clock.Wait(static_cast<unsigned long>(request.qwSoakMs),
                                        [&] { return userStop && userStop(); }))
                    break;
                if (request.bVerify)
                    for (size_t i = 0; i < targets.size(); ++i)
                        if (waves[i] == lastWave && begun[i] &&
                            rows[i].pszOutcome == FactsOf(DeviceOutcome::VERIFIED).pszJson) {
                            const CheckReport check =
                                CheckDevice(targets[i], request.device.wPortNo);
                            bool bStill = check.bRead && !check.images.empty();
                            for (const ImageVerdict& image : check.images)
                                bStill = bStill && image.nResult == RESULT_NO_UPDATE;
                            if (bStill)
                                continue;
                            const char* pszBefore = rows[i].pszOutcome;
                            rows[i].bOk = false;
                            rows[i].pszOutcome = FactsOf(DeviceOutcome::OLD_VERSION).pszJson;
                            rows[i].strMessage =
                                "After the soak the device no longer reports the package's "
                                "versions: " +
                                CheckSummaryMessage(check);
                            ++failures;
                            settle(rows[i], pszBefore);
                            SayClosingLine(display, rows[i].strDevice,
                                           "\"updated\":0,\"stopped\":false,", rows[i].strMessage,
                                           ",\"outcome\":\"old version\",\"soak\":true");
                            journal(rows[i].strDevice,
                                    "\"outcome\":\"old version\",\"soak\":true,\"message\":" +
                                        JsonString(rows[i].strMessage),
                                    false);
                        }
            }
            const unsigned int percent = WaveSuccessPercent(rows, waves, lastWave);
            const unsigned int threshold = request.waves.empty() ? 100 : request.nThresholdPercent;
            if (percent < threshold) {
                reason = request.waves.empty() ? CanaryFailedText()
                                               : ThresholdText(lastWave + 1, percent, threshold);
                break;
            }
            if (request.bPause && !(bAwaited && bApproval)) {
                rest = DeviceOutcome::AWAITING_APPROVAL;
                reason = AwaitingApprovalText(w + 1);
                break;
            }
        } else if (bAwaited && !bApproval) {
            rest = DeviceOutcome::AWAITING_APPROVAL;
            reason = AwaitingApprovalText(w + 1);
            break;
        }
        bApproval = bApproval && !bAwaited;
        runWave(members);
        bRanWave = true;
        lastWave = w;
    }
    if (journalBroken) {
        reason = kJournalBroken;
        rest = DeviceOutcome::NOT_BEGUN;
    } else if (userStop && userStop()) {
        reason = kNotBegun;
        rest = DeviceOutcome::NOT_BEGUN;
    } else if (!reason.empty()) {
        // a wave below its threshold, or one awaiting approval
    } else if (overLimit()) {
        reason = FailureLimitText(failures.load());
    } else if (windowClosed) {
        reason = DeferredText(request.window.Text());
        rest = DeviceOutcome::DEFERRED;
    }
    MarkNotBegun(rows, begun, reason, display, rest, journalBroken ? nullptr : request.pJournal);
    if (metricsWriter)
        metricsWriter->Stop();
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
    bool bDeferred = false, bAwaiting = false;
    for (const FleetSummaryRow& row : rows) {
        if (row.bOk)
            continue;
        if (!IsPending(row))
            return 1;
        (row.pszOutcome == FactsOf(DeviceOutcome::DEFERRED).pszJson ? bDeferred : bAwaiting) = true;
    }
    return bDeferred ? 3 : bAwaiting ? 5 : 0;
}
