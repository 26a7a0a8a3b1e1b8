// What became of one device in a fleet run: one table gives each outcome its JSON value (also
// the journal's), whether it counts as success, and whether a resumed run may skip the device.
#pragma once

#include <string>

enum class DeviceOutcome {
    UPDATED,
    NOTHING_TO_UPDATE,
    VERIFIED,
    OLD_VERSION,     // came back after the update still reporting another version
    NOT_BACK,        // went away after the update, not back within the verify time-out
    DID_NOT_RESTART, // never seen going away for its restart: what it reports proves nothing
    FAILED,
    STOPPED,   // ended by a stop request
    NOT_BEGUN, // never begun: stop request, a canary failed, or the failure limit was reached
    SKIPPED,   // the journal of an earlier run says it is done
    DEFERRED,  // never begun: the maintenance window had closed; a resume continues with it
    AWAITING_APPROVAL, // never begun: its wave waits for --resume ... --approve
};

struct OutcomeFacts {
    DeviceOutcome outcome;
    const char* pszJson;
    bool bOk;              // counts as success for the exit status
    bool bDone;            // a journal line with it lets --resume skip the device
    bool bPending = false; // never begun, and no failure: deferred or awaiting approval
};

const OutcomeFacts& FactsOf(DeviceOutcome outcome);
// False for a value no outcome has.
bool OutcomeFromJson(const std::string& value, DeviceOutcome& outcome);

// The texts of the outcomes that are not the engine's own messages.
std::string VerifiedText();
std::string OldVersionText(const std::string& strImage, const std::string& strVersion,
                           const std::string& strPackage);
std::string NotBackText(unsigned long dwTimeoutMs);
// strReported: what the device last reported, e.g. "BOOTABLE HV001200"; empty: never read.
std::string DidNotRestartText(unsigned long dwTimeoutMs, const std::string& strReported);
std::string CanaryFailedText();
std::string FailureLimitText(unsigned int nFailures);
std::string SkippedText(DeviceOutcome journaled);
std::string DeferredText(const std::string& strWindow);
std::string AwaitingApprovalText(unsigned int nWave);
std::string ThresholdText(unsigned int nWave, unsigned int nPercent, unsigned int nThreshold);
