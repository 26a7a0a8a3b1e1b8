// The console updater as a whole, apart from its process: arguments in, text out, exit status
// back. The platform's part comes in through CliEnvironment, so it also runs inside tests.
#pragma once

#include "CliClock.h"

#include <functional>
#include <ostream>
#include <string>

struct CliEnvironment {
    std::string strOwnPackagePath; // package appended to the program; empty: engine's lookup
    bool bTerminal = false;        // standard output is a terminal
    std::function<bool()> installStopHandler; // called when the update begins; false: failed
    std::function<unsigned int()> stopRequests;
    unsigned long dwTickMs = 1000;         // how often the worker's record is copied
    unsigned long dwWorkerPollingMs = 500; // how often the worker asks a writing device
    CliClock clock; // halvard's own waits: retry back-off, waiting for a device to come back
    std::string strTrustedKeysFolder; // the system's trusted package keys; empty: none
};

enum CliExitCode {
    CLI_EXIT_OK = 0,     // updated, nothing to update, or information shown
    CLI_EXIT_FAILED = 1, // any failure
    CLI_EXIT_USAGE = 2,  // bad arguments
    CLI_EXIT_DEFERRED = 3,  // devices left for the next maintenance window, none failed
    CLI_EXIT_UNTRUSTED = 4, // the package is refused: its signature, or the version policy
    CLI_EXIT_AWAITING = 5,  // a wave awaits approval (--pause-between-waves), none failed
};

// Runs one invocation. Opens the package once per process.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliEnvironment& env);
