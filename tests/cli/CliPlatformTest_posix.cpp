// The console updater's POSIX edges: Ctrl-C and termination requests only count, and the
// program's own file is where its appended package is looked for.
#include "CliPlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

bool CountReaches(unsigned int target) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (StopRequestCount() < target) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST(CliPlatform, StopSignalsAreCountedInsteadOfEndingTheProgram) {
    ASSERT_TRUE(InstallStopHandler());
    ASSERT_TRUE(InstallStopHandler()); // once is enough; again is harmless
    unsigned int before = StopRequestCount();
    kill(getpid(), SIGINT);
    ASSERT_TRUE(CountReaches(before + 1));
    kill(getpid(), SIGTERM);
    EXPECT_TRUE(CountReaches(before + 2));
    // This thread no longer takes them: they belong to the signal thread.
    sigset_t mask;
    ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, nullptr, &mask));
    EXPECT_EQ(1, sigismember(&mask, SIGINT));
}

TEST(CliPlatform, OwnPackagePathIsTheRunningProgram) {
    std::string path = OwnPackagePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.size() - std::string("cli_tests").size(), path.rfind("cli_tests"));
}
