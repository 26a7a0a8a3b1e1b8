// Console edges on POSIX: isatty, sigaction, and the executable's own path.
#include "CliPlatform.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

static std::atomic<unsigned int> g_stopRequests{0};
static_assert(std::atomic<unsigned int>::is_always_lock_free, "used from a signal handler");

static void OnStopSignal(int) {
    ++g_stopRequests;
}

bool IsStdoutTerminal() {
    return isatty(fileno(stdout)) != 0;
}

bool InstallStopHandler() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

unsigned int StopRequestCount() {
    return g_stopRequests.load();
}

// Linux path of the running program; macOS would ask _NSGetExecutablePath.
std::string OwnPackagePath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof path))
        return std::string();
    return std::string(path, static_cast<size_t>(n));
}
