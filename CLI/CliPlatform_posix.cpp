// Console edges on POSIX: isatty, the stop signals, and the executable's own path.
//
// Ctrl-C and termination requests are taken by one thread of their own (sigwait) and blocked in
// every other thread: a signal landing on the worker would cut its socket waits short, and a
// reply missed that way could be taken for the answer to the next packet.
#include "CliPlatform.h"
#include "zepBindBundle_mac.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

static std::atomic<unsigned int> g_stopRequests{0};
static_assert(std::atomic<unsigned int>::is_always_lock_free, "used from a signal handler");

// Should a signal still reach a thread that was started before the signals were blocked, it
// only counts as well.
static void OnStopSignal(int) {
    ++g_stopRequests;
}

static sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

static bool StartSignalThread() {
    const sigset_t set = StopSignals();
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
        return false;
    // Threads started from here on inherit the blocked signals.
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return false;
    try {
        std::thread([set] {
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) == 0)
                    ++g_stopRequests;
            }
        }).detach();
    } catch (...) {
        return false;
    }
    return true;
}

bool IsStdoutTerminal() {
    return isatty(fileno(stdout)) != 0;
}

bool InstallStopHandler() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] { installed = StartSignalThread(); });
    return installed;
}

unsigned int StopRequestCount() {
    return g_stopRequests.load();
}

// The package is appended to the running program.
std::string OwnPackagePath() {
    std::string path;
    return zepRunningExecutable(path) ? path : std::string();
}

std::string TrustedKeysFolder() {
    return "/etc/halvard/trusted-keys";
}
