// The journal against the worst end of a run: the real halvard killed with SIGKILL while a
// device is being updated, then resumed. Every device ends updated, none is updated twice
// after its outcome was journaled, and none is skipped without a journaled outcome.
#include "FleetFixture.h"

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

TEST_F(FleetSimTest, KilledRunResumesFromItsJournal) {
    StartSimulators(std::vector<SimOptions>(3));
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(100000)}});
    const std::string journal =
        m_package.substr(0, m_package.find_last_of('/') + 1) + "fleet.journal";
    ASSERT_EQ(CLI_EXIT_OK, Run({"--journal", journal, "--address", Address(0)}));

    // The program skips the journaled device and is killed while it sends to the next.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string a0 = Address(0), a1 = Address(1), a2 = Address(2);
        if (freopen("/dev/null", "w", stdout) == nullptr)
            _exit(127);
        execl(HALVARD_EXE, "halvard", "--package", m_package.c_str(), "--resume", journal.c_str(),
              "--jobs", "1", "--address", a0.c_str(), "--address", a1.c_str(), "--address",
              a2.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Logged(1, "SendFile") == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(1u, Logged(0, "EnterDownload"));
    ASSERT_EQ(0u, Logged(2, "EnterDownload"));
    ASSERT_TRUE(sims[1]->ReceivedImages().empty()) << "the run was not killed mid-update";

    EXPECT_EQ(CLI_EXIT_OK, Run({"--json", "--resume", journal, "--address", Address(0), "--address",
                                Address(1), "--address", Address(2)}))
        << out.str();
    EXPECT_EQ(1u, Logged(0, "EnterDownload"));
    EXPECT_EQ(2u, Logged(1, "EnterDownload"));
    EXPECT_EQ(1u, Logged(2, "EnterDownload"));
    for (auto& sim : sims)
        EXPECT_EQ(Pattern(100000), sim->ReceivedImages()["BOOTABLE"]);

    std::ifstream in(journal);
    std::string text;
    for (std::string line; std::getline(in, line);)
        text += line.substr(0, line.find(",\"outcome\":\"updated\",\"attempts\":1,")) + "\n";
    EXPECT_TRUE(
        text ==
            "{\"device\":\"127.0.0.2\"\n{\"device\":\"127.0.0.3\"\n{\"device\":\"127.0.0.4\"\n" ||
        text == "{\"device\":\"127.0.0.2\"\n{\"device\":\"127.0.0.4\"\n{\"device\":\"127.0.0.3\"\n")
        << text;
}
