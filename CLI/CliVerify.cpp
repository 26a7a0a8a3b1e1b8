// Verification polls the device with the dry run's own reading until one succeeds: a read is
// the device's word, and only an exact version match for every image is "verified".
#include "CliVerify.h"

#include "CliCheck.h"

VerifyResult VerifyDevice(const FleetTarget& target, const VerifyPlan& plan) {
    VerifyResult result;
    const unsigned long long start = plan.clock.Now();
    const unsigned long settle = plan.dwSettleMs < plan.dwTimeoutMs ? plan.dwSettleMs : 0;
    if (!plan.clock.Wait(settle, plan.stopped)) {
        result.outcome = DeviceOutcome::STOPPED;
        return result;
    }
    for (;;) {
        const CheckReport report = CheckDevice(target, plan.wPortNo);
        if (report.bRead) {
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
        if (elapsed >= plan.dwTimeoutMs)
            return result; // NOT_BACK
        const unsigned long long left = plan.dwTimeoutMs - elapsed;
        if (!plan.clock.Wait(left < plan.dwPollMs ? static_cast<unsigned long>(left)
                                                  : plan.dwPollMs,
                             plan.stopped)) {
            result.outcome = DeviceOutcome::STOPPED;
            return result;
        }
    }
}
