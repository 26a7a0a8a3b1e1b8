// The console updater's POSIX edges: Ctrl-C and termination requests only count, and the
// program's own file is where its appended package is looked for.
#include "CliPlatform.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(CliPlatform, InterruptsAreCountedInsteadOfEndingTheProgram) {
    ASSERT_TRUE(InstallStopHandler());
    unsigned int before = StopRequestCount();
    std::raise(SIGINT);
    std::raise(SIGTERM);
    EXPECT_EQ(before + 2, StopRequestCount());
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

TEST(CliPlatform, OwnPackagePathIsTheRunningProgram) {
    std::string path = OwnPackagePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.size() - std::string("worker_tests").size(), path.rfind("worker_tests"));
}
