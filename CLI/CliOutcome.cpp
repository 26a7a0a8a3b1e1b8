// The outcome table and the outcomes' texts.
#include "CliOutcome.h"

namespace {

const OutcomeFacts kOutcomes[] = {
    {DeviceOutcome::UPDATED, "updated", true, true},
    {DeviceOutcome::NOTHING_TO_UPDATE, "nothing to update", true, true},
    {DeviceOutcome::VERIFIED, "verified", true, true},
    {DeviceOutcome::OLD_VERSION, "old version", false, false},
    {DeviceOutcome::NOT_BACK, "not back", false, false},
    {DeviceOutcome::FAILED, "failed", false, false},
    {DeviceOutcome::STOPPED, "stopped", false, false},
    {DeviceOutcome::NOT_BEGUN, "not begun", false, false},
    {DeviceOutcome::SKIPPED, "skipped", true, false},
    {DeviceOutcome::DID_NOT_RESTART, "did not restart", false, false},
    {DeviceOutcome::DEFERRED, "deferred", false, false, true},
    {DeviceOutcome::AWAITING_APPROVAL, "awaiting approval", false, false, true},
};

} // namespace

const OutcomeFacts& FactsOf(DeviceOutcome outcome) {
    for (const OutcomeFacts& facts : kOutcomes)
        if (facts.outcome == outcome)
            return facts;
    return kOutcomes[5]; // unreachable: every enumerator has a row
}

bool OutcomeFromJson(const std::string& value, DeviceOutcome& outcome) {
    for (const OutcomeFacts& facts : kOutcomes) {
        if (value == facts.pszJson) {
            outcome = facts.outcome;
            return true;
        }
    }
    return false;
}

std::string VerifiedText() {
    return "Verified: the device came back and reports the package's version of every image.";
}

std::string OldVersionText(const std::string& strImage, const std::string& strVersion,
                           const std::string& strPackage) {
    return "The device came back with an old version: " + strImage + " is " +
           (strVersion.empty() ? std::string("missing") : strVersion) + ", the package has " +
           strPackage + ".";
}

std::string NotBackText(unsigned long dwTimeoutMs) {
    return "The device did not come back within " + std::to_string(dwTimeoutMs / 1000) +
           " s after the update; its firmware is not verified.";
}

std::string DidNotRestartText(unsigned long dwTimeoutMs, const std::string& strReported) {
    return "The device was not seen restarting within " + std::to_string(dwTimeoutMs / 1000) +
           " s after the update, so what it reports proves nothing (" +
           (strReported.empty() ? std::string("it could not be read")
                                : "it reports " + strReported) +
           "); its firmware is not verified.";
}

std::string CanaryFailedText() {
    return "Not begun: a canary device failed.";
}

std::string FailureLimitText(unsigned int nFailures) {
    return "Not begun: " + std::to_string(nFailures) + " device(s) had failed, the limit.";
}

std::string SkippedText(DeviceOutcome journaled) {
    return std::string("Skipped: the journal says ") + FactsOf(journaled).pszJson + ".";
}

std::string DeferredText(const std::string& strWindow) {
    return "Deferred: the maintenance window " + strWindow +
           " had closed; resume the journal inside the next one.";
}

std::string AwaitingApprovalText(unsigned int nWave) {
    return "Awaiting approval: wave " + std::to_string(nWave) +
           " begins with --resume JOURNAL --approve.";
}

std::string ThresholdText(unsigned int nWave, unsigned int nPercent, unsigned int nThreshold) {
    return "Not begun: wave " + std::to_string(nWave) + " succeeded on " +
           std::to_string(nPercent) + "% of its devices, below the threshold of " +
           std::to_string(nThreshold) + "%.";
}
