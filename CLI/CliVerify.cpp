// Verification polls the device with the dry run's own reading. Only a connection refused or
// unanswered (-6) shows the device away; a reading after that is its word on what it booted,
// and only an exact version match for every image is "verified".
#include "CliVerify.h"

#include "CliCheck.h"

namespace {

const unsigned long long kQuickPhaseMs = 60000;

std::string Reported(const CheckReport& report) {
    std::string text;
    for (const ImageVerdict& image : report.images)
        text += (text.empty() ? "" : ", ") + image.strType + " " +
                (image.strDeviceVersion.empty() ? std::string("none") : image.strDeviceVersion);
    return text;
}

} // namespace

VerifyResult VerifyDevice(const FleetTarget& target, const VerifyPlan& plan) {
    VerifyResult result;
    const unsigned long long start = plan.clock.Now();
    bool bSeenAway = false;
    for (;;) {
        const CheckReport report = CheckDevice(target, plan.wPortNo);
        if (!report.bRead && report.nResult == RESULT_ERR_CONNECT)
            bSeenAway = true;
        if (report.bRead && !bSeenAway)
            result.strReported = Reported(report); // not yet restarted: proves nothing
        if (report.bRead && bSeenAway) {
            result.outcome = DeviceOutcome::VERIFIED;
            for (const ImageVerdict& image : report.images) {
                if (image.strDeviceVersion == image.strPackageVersion)
                    continue;
                result.outcome = DeviceOutcome::OLD_VERSION;
                result.strImage = image.strType;
                result.strVersion = image.strDeviceVersion;
                result.strPackage = image.strPackageVersion;
                break;
            }
            return result;
        }
        const unsigned long long elapsed = plan.clock.Now() - start;
        if (elapsed >= plan.dwTimeoutMs) {
            result.outcome = bSeenAway ? DeviceOutcome::NOT_BACK : DeviceOutcome::DID_NOT_RESTART;
            return result;
        }
        const unsigned long long left = plan.dwTimeoutMs - elapsed;
        const unsigned long poll = elapsed < kQuickPhaseMs ? plan.dwPollMs : plan.dwLatePollMs;
        if (!plan.clock.Wait(left < poll ? static_cast<unsigned long>(left) : poll, plan.stopped)) {
            result.outcome = DeviceOutcome::STOPPED;
            return result;
        }
    }
}
