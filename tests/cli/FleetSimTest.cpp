// The console updater over several simulated devices on 127.0.0.x, all at the package's one
// PORTNO: a fleet with a busy device and one lost mid-transfer, the dry run, a broken package
// and a stop request. Run under ThreadSanitizer as part of the worker tests.
#include "FleetFixture.h"

#include <fstream>

// Four devices at once: one refuses as busy, one drops the connection during the transfer. The
// other two receive both images whole, and each device ends with its own result.
TEST_F(FleetSimTest, BusyAndLostDevicesDoNotHarmTheOthers) {
    std::vector<SimOptions> options(4);
    options[1].enterStatus = ZEP_STATUS_BUSY;
    options[2].closeAtRecord = 5; // enter, two fetches, then the second data packet
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow, kLangRow}),
                      {{"boot.bin", Pattern(10000)}, {"lang.bin", Pattern(30000, 2)}});

    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--json", "--jobs", "4", "--address", Address(0), "--address",
                                    Address(1), "--address", Address(2), "--address", Address(3)}));
    const std::vector<std::string> lines = JsonLines(out.str());
    for (const std::string& line : lines)
        EXPECT_TRUE(line.compare(0, 11, "{\"device\":\"") == 0 || line.find("{\"summary\":[") == 0)
            << line;
    const int expected[] = {RESULT_OK, RESULT_ERR_BUSY, RESULT_ERR_CONNECT, RESULT_OK};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(0u, LastOf(lines, Address(i),
                             "\"final\":true,\"result\":" + std::to_string(expected[i]) + ",")
                          .find('{'))
            << Address(i) << "\n"
            << out.str();
    }
    for (size_t good : {0u, 3u}) {
        auto images = sims[good]->ReceivedImages();
        EXPECT_EQ(Pattern(10000), images["BOOTABLE"]);
        EXPECT_EQ(Pattern(30000, 2), images["LANGUAGE"]);
        EXPECT_EQ(1u, Logged(good, "ExitDownload"));
    }
    EXPECT_TRUE(sims[1]->ReceivedImages().empty());
    EXPECT_TRUE(sims[2]->ReceivedImages().empty());
    EXPECT_GT(Logged(2, "SendFile"), 0u);
    EXPECT_EQ(0u, lines.back().find("{\"summary\":[{\"device\":\"127.0.0.2\",\"result\":1,"));
    EXPECT_NE(std::string::npos, lines.back().find("\"failed\":2,\"package_sha256\":"));
}

// The dry run: the device needs the first image and already has the second. Both verdicts are
// reported, nothing is sent, and the device is taken out of download mode.
TEST_F(FleetSimTest, CheckJudgesEveryImageAndSendsNothing) {
    std::vector<SimOptions> options(1);
    options[0].targetInfo = DefaultTargetInfo();
    options[0].targetInfo.replace(options[0].targetInfo.find("HV000300"), 8, "HV000400");
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow, kLangRow}),
                      {{"boot.bin", Pattern(1000)}, {"lang.bin", Pattern(1000, 2)}});

    EXPECT_EQ(CLI_EXIT_OK, Run({"--check", "--json", "--address", Address(0)}));
    const std::string json = out.str();
    EXPECT_EQ("{\"device\":\"127.0.0.2\",\"final\":true,\"check\":true,\"read\":true,"
              "\"model\":\"HV2000\",\"result\":1,"
              "\"images\":[{\"type\":\"BOOTABLE\",\"file\":\"boot.bin\",\"device_version\":"
              "\"HV001100\",\"package_version\":\"HV001200\",\"verdict\":\"send\",\"result\":1},"
              "{\"type\":\"LANGUAGE\",\"file\":\"lang.bin\",\"device_version\":\"HV000400\","
              "\"package_version\":\"HV000400\",\"verdict\":\"no update needed\",\"result\":-11}],"
              "\"message\":\"1 send, 1 no update needed.\"",
              json.substr(0, json.find(",\"package_sha256\":")));
    EXPECT_NE(std::string::npos,
              json.find(",\"signer\":\"unsigned\",\"signature\":\"not verified\"}\n"))
        << json;
    EXPECT_EQ(0u, Logged(0, "SendFile"));
    EXPECT_EQ(1u, Logged(0, "ExitDownload"));

    EXPECT_EQ(CLI_EXIT_OK, Run({"--check", "--address", Address(0)}));
    EXPECT_NE(std::string::npos,
              out.str().find("  LANGUAGE  lang.bin  device HV000400  package HV000400  "
                             "no update needed\n"))
        << out.str();
}

// A package missing its second image, or a time limit: the run ends with -8 before any
// connection (without the limits every image would fail once in download mode).
TEST_F(FleetSimTest, BrokenPackageTouchesNoDevice) {
    StartSimulators(std::vector<SimOptions>(2));
    const struct {
        std::string zepInfo;
        bool bLangImage;
        const char* pszNamed;
    } cases[] = {
        {ZepInfo({kBootRow, kLangRow}), false, "\"lang.bin\""},
        {Without(ZepInfo({kBootRow}), "ENTERTIME 5\r\n"), true, "ENTERTIME"},
        {Without(ZepInfo({kBootRow}), "EXITTIME 5\r\n"), true, "EXITTIME"},
        {Without(ZepInfo({kBootRow}), "UPDATETIME 10\r\n"), true, "UPDATETIME"},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> images = {
            {"boot.bin", Pattern(1000)}};
        if (c.bLangImage)
            images.emplace_back("lang.bin", Pattern(1000, 2));
        WriteFleetPackage(c.zepInfo, images);
        out.str("");
        err.str("");
        EXPECT_EQ(CLI_EXIT_FAILED,
                  Run({"--json", "--address", Address(0), "--address", Address(1)}));
        EXPECT_EQ(0u, out.str().find("{\"final\":true,\"result\":-8,")) << c.pszNamed;
        EXPECT_NE(std::string::npos, err.str().find(c.pszNamed)) << err.str();
    }
    for (auto& sim : sims)
        EXPECT_EQ(0u, sim->ConnectionsServed());
}

// A device whose information file arrives garbled cannot be read: that is no verdict on its
// images, and the check fails.
TEST_F(FleetSimTest, CheckOfAnUnreadableDeviceFails) {
    std::vector<SimOptions> options(1);
    options[0].wrongCodeAtRecord = 2; // the fetch
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--check", "--json", "--address", Address(0)}));
    EXPECT_NE(std::string::npos, out.str().find("\"read\":false")) << out.str();
    EXPECT_EQ(std::string::npos, out.str().find("\"verdict\"")) << out.str();
}

// Ctrl-C while the first of two devices is written, one device at a time: the first stops at
// its next safe point, the second is never begun.
TEST_F(FleetSimTest, StopRequestReachesTheRunningDeviceAndBeginsNoOther) {
    std::vector<SimOptions> options(2);
    options[0].writeSteps = 200; // still writing when stopped: the stop waits for the write
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow, kLangRow}),
                      {{"boot.bin", Pattern(1000)}, {"lang.bin", Pattern(1000, 2)}});
    std::thread presser([this] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Logged(0, "QueryUpdateStatus") == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stopRequests = 1;
    });
    const int code = Run({"--jobs", "1", "--address", Address(0), "--address", Address(1)});
    presser.join();

    EXPECT_EQ(CLI_EXIT_FAILED, code);
    EXPECT_NE(std::string::npos, out.str().find("127.0.0.2: Warning: The update was stopped at "
                                                "your request after 1 firmware image(s)"))
        << out.str();
    EXPECT_NE(std::string::npos, out.str().find("127.0.0.3: Not begun"));
    EXPECT_GT(Logged(0, "SendFile"), 0u);            // the first image was sent ...
    EXPECT_EQ(201u, Logged(0, "QueryUpdateStatus")); // ... written to its end ...
    EXPECT_EQ(1u, Logged(0, "ExitDownload"));        // ... and the device left download mode
    EXPECT_EQ(0u, sims[1]->ConnectionsServed());
    EXPECT_EQ(0u, err.str().find("Stop requested"));
}

// Verification's three outcomes, each by the device's own TargetInfo.txt after its restart.
TEST_F(FleetSimTest, VerifyTellsWhatTheDeviceRunsAfterItsRestart) {
    std::vector<SimOptions> options(3);
    for (SimOptions& o : options) {
        o.restart = true;
        o.restartMs = 150; // long enough to be seen away between two readings
        o.imageVersions = {{"BOOTABLE", "HV001200"}};
    }
    options[1].restartKeepsOld = true;
    options[2].restartNeverReturns = true;
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});

    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--json", "--verify", "--verify-timeout", "60", "--address",
                                    Address(0), "--address", Address(1), "--address", Address(2)}));
    const std::vector<std::string> lines = JsonLines(out.str());
    const char* const expected[] = {
        "\"outcome\":\"verified\",\"attempts\":1,\"package_sha256\"",
        "\"outcome\":\"old version\",\"attempts\":1,\"image\":\"BOOTABLE\",\"version\":"
        "\"HV001100\",\"package_version\":\"HV001200\",\"package_sha256\"",
        "\"outcome\":\"not back\",\"attempts\":1,\"package_sha256\"",
    };
    for (size_t i = 0; i < 3; ++i) {
        const std::string final = LastOf(lines, Address(i), "\"final\":true,\"result\":1,");
        EXPECT_NE(std::string::npos, final.find(expected[i])) << final << "\n" << out.str();
    }
    EXPECT_NE(std::string::npos, lines.back().find("\"failed\":2,\"package_sha256\":"));
    // A second run finds nothing to update on the verified device.
    EXPECT_EQ(CLI_EXIT_OK, Run({"--json", "--address", Address(0)}));
    EXPECT_NE(std::string::npos, out.str().find("\"result\":-11,")) << out.str();
}

// A device may report the written versions before the boot that judges them: no reading counts
// until it was seen going away. A quick restart is not missed.
TEST_F(FleetSimTest, VerifyCountsOnlyAReadingAfterTheRestart) {
    const struct {
        uint32_t stagedMs, restartMs;
        const char* pszTimeout;
        const char* pszOutcome;
    } cases[] = {
        {0, 300, "300", "\"outcome\":\"verified\""},
        {200, 200, "300",
         "\"outcome\":\"old version\",\"attempts\":1,\"image\":\"BOOTABLE\",\"version\":"
         "\"HV001100\""},
        {600000, 300, "5",
         "\"outcome\":\"did not restart\",\"attempts\":1,\"reported\":"
         "\"BOOTABLE HV001200\""},
    };
    for (const auto& c : cases) {
        for (auto& sim : sims)
            sim->Stop();
        sims.clear();
        std::vector<SimOptions> options(1);
        options[0].restart = true;
        options[0].restartMs = c.restartMs;
        options[0].stagedMs = c.stagedMs;
        options[0].imageVersions = {{"BOOTABLE", "HV001200"}};
        StartSimulators(options);
        WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
        const int expected = std::string(c.pszOutcome).find("verified") != std::string::npos
                                 ? CLI_EXIT_OK
                                 : CLI_EXIT_FAILED;
        EXPECT_EQ(expected, Run({"--json", "--verify", "--verify-timeout", c.pszTimeout,
                                 "--address", Address(0)}));
        EXPECT_NE(std::string::npos,
                  LastOf(JsonLines(out.str()), Address(0), "\"final\":true,").find(c.pszOutcome))
            << out.str();
    }
}

// A device busy for its first two enters is updated on the third attempt; a write error after
// a block was accepted is never tried again.
TEST_F(FleetSimTest, RetriesOnlyWhatFailedBeforeAnyFirmwareWasSent) {
    std::vector<SimOptions> options(2);
    options[0].busyEnters = 2;
    options[1].sendFileStatusAt = 2;
    options[1].sendFileStatus = ZEP_STATUS_WRITE_ERROR;
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(10000)}});

    EXPECT_EQ(CLI_EXIT_FAILED,
              Run({"--json", "--retries", "3", "--address", Address(0), "--address", Address(1)}));
    const std::vector<std::string> lines = JsonLines(out.str());
    EXPECT_NE(std::string::npos, LastOf(lines, Address(0), "\"final\":true,\"result\":1,")
                                     .find("\"outcome\":\"updated\",\"attempts\":3"))
        << out.str();
    EXPECT_NE(std::string::npos, LastOf(lines, Address(1), "\"final\":true,\"result\":-1,")
                                     .find("\"outcome\":\"failed\",\"attempts\":1"))
        << out.str();
    EXPECT_EQ(3u, Logged(0, "EnterDownload"));
    EXPECT_EQ(1u, Logged(1, "EnterDownload"));
    EXPECT_GE(virtualMs.load(), 2000u + 4000u - 3000u); // two back-offs, each at least half
}

// The canary fails: no other device is even connected to; each is listed as never begun.
// A failure limit of 50% of four devices stops after the second failure.
TEST_F(FleetSimTest, WavesStopBeforeTheRestOfTheFleet) {
    const struct {
        std::vector<std::string> args;
        std::vector<bool> bad;
        size_t begun;
    } cases[] = {
        {{"--canary", "1"}, {true, false, false, false}, 1},
        {{"--max-failures", "50%", "--jobs", "1"}, {true, true, false, false}, 2},
    };
    for (const auto& c : cases) {
        for (auto& sim : sims)
            sim->Stop();
        sims.clear();
        std::vector<SimOptions> options(4);
        for (size_t i = 0; i < 4; ++i)
            options[i].enterStatus = c.bad[i] ? ZEP_STATUS_BUSY : ZEP_STATUS_OK;
        StartSimulators(options);
        WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        for (size_t i = 0; i < 4; ++i)
            args.insert(args.end(), {"--address", Address(i)});
        EXPECT_EQ(CLI_EXIT_FAILED, Run(args));
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(i < c.begun ? 1u : 0u, Logged(i, "EnterDownload")) << Address(i);
            if (i < c.begun)
                continue;
            EXPECT_NE(std::string::npos,
                      LastOf(JsonLines(out.str()), Address(i), "\"final\":true,\"result\":null")
                          .find("\"outcome\":\"not begun\""))
                << out.str();
        }
    }
}

// The inventory: a device updated before (it reports the new version), one already current,
// one that needs the image, and one nobody answers for; in CSV and in JSON.
TEST_F(FleetSimTest, InventoryReportHasARowForEveryDevice) {
    std::vector<SimOptions> options(3);
    options[0].restart = true;
    options[0].restartMs = 300;
    options[0].imageVersions = {{"BOOTABLE", "HV001200"}};
    options[1].targetInfo = DefaultTargetInfo();
    options[1].targetInfo.replace(options[1].targetInfo.find("HV001100"), 8, "HV001200");
    options[2].targetInfo = DefaultTargetInfo();
    options[2].targetInfo.replace(options[2].targetInfo.find("HV2000"), 6, "=HV2000");
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    ASSERT_EQ(CLI_EXIT_OK, Run({"--verify", "--address", Address(0)}));

    const std::string dir = m_package.substr(0, m_package.find_last_of('/') + 1);
    const std::string devices[] = {Address(0), Address(1), Address(2), Address(3)};
    for (const char* ext : {".csv", ".json"}) {
        std::vector<std::string> args = {"--check", "--report", dir + "inventory" + ext};
        for (const std::string& d : devices)
            args.insert(args.end(), {"--address", d});
        EXPECT_EQ(CLI_EXIT_FAILED, Run(args)); // the last device cannot be read
        std::ifstream file(dir + "inventory" + ext, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        const std::string rows = text.str();
        if (std::string(ext) == ".csv") {
            EXPECT_NE(std::string::npos,
                      rows.find("\"127.0.0.2\",\"HV2000\",\"BOOTABLE\",\"boot.bin\",\"HV001200\","
                                "\"HV001200\",\"no update needed\",\"\"\r\n"))
                << rows;
            EXPECT_NE(std::string::npos,
                      rows.find("\"127.0.0.3\",\"HV2000\",\"BOOTABLE\",\"boot.bin\",\"HV001200\","
                                "\"HV001200\",\"no update needed\",\"\"\r\n"));
            EXPECT_NE(std::string::npos,
                      rows.find("\"127.0.0.4\",\"'=HV2000\",\"BOOTABLE\",\"boot.bin\","));
            EXPECT_NE(
                std::string::npos,
                rows.find("\"127.0.0.5\",\"\",\"\",\"\",\"\",\"\",\"\",\"Could not be read: "));
        } else {
            EXPECT_NE(std::string::npos,
                      rows.find("{\"device\":\"127.0.0.2\",\"model\":\"HV2000\",\"read\":true,"
                                "\"error\":null,\"images\":[{\"image\":\"BOOTABLE\",\"file\":"
                                "\"boot.bin\",\"installed\":\"HV001200\",\"packaged\":\"HV001200\","
                                "\"verdict\":\"no update needed\"}]}"))
                << rows;
            EXPECT_NE(std::string::npos, rows.find("\"model\":\"=HV2000\""));
            EXPECT_NE(std::string::npos,
                      rows.find("{\"device\":\"127.0.0.5\",\"model\":\"\",\"read\":false,"
                                "\"error\":\"Could not be read: "));
        }
    }
}

// --resume skips a device only for the package its journal line names, and under --verify only
// a verified outcome: a newer package is sent to every device the older one had updated.
TEST_F(FleetSimTest, ResumeSkipsOnlyWhatThisPackageFinished) {
    StartSimulators(std::vector<SimOptions>(2));
    const std::string journal =
        m_package.substr(0, m_package.find_last_of('/') + 1) + "fleet.journal";
    const std::string newer = "VERSION BOOTABLE=HV001300 boot.bin BOOTABLE";
    const struct {
        const char* pszRow;
        std::vector<std::string> args;
        bool bSkipped;
    } steps[] = {
        {kBootRow, {"--journal", journal}, false},
        {kBootRow, {"--resume", journal}, true},
        {newer.c_str(), {"--resume", journal}, false},
        {newer.c_str(), {"--resume", journal}, true},
        {newer.c_str(), {"--resume", journal, "--verify", "--verify-timeout", "5"}, false},
    };
    for (const auto& step : steps) {
        WriteFleetPackage(ZepInfo({step.pszRow}), {{"boot.bin", Pattern(1000)}});
        const size_t served = sims[0]->ConnectionsServed() + sims[1]->ConnectionsServed();
        std::vector<std::string> args = step.args;
        args.insert(args.end(), {"--json", "--address", Address(0), "--address", Address(1)});
        Run(args);
        const std::vector<std::string> lines = JsonLines(out.str());
        for (size_t i = 0; i < 2; ++i)
            EXPECT_EQ(step.bSkipped,
                      LastOf(lines, Address(i), "\"final\":true,").find("\"skipped\"") !=
                          std::string::npos)
                << step.pszRow << " " << step.args.size() << "\n"
                << out.str();
        EXPECT_EQ(step.bSkipped,
                  served == sims[0]->ConnectionsServed() + sims[1]->ConnectionsServed());
    }
}

// A line cut short by a crash is cut away before the next is appended: every later resume
// still reads the journal.
TEST_F(FleetSimTest, CutJournalIsResumedAnyNumberOfTimes) {
    StartSimulators(std::vector<SimOptions>(1));
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const std::string journal =
        m_package.substr(0, m_package.find_last_of('/') + 1) + "cut.journal";
    std::ofstream(journal, std::ios::binary)
        << "{\"device\":\"127.0.0.9\",\"outcome\":\"failed\"}\n{\"device\":\"127.0.0.2\",\"outc";
    for (int run = 0; run < 3; ++run) {
        EXPECT_EQ(CLI_EXIT_OK, Run({"--resume", journal, "--address", Address(0)})) << err.str();
        std::ifstream in(journal, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(std::string::npos, text.str().find("\"outc\n")) << text.str();
        EXPECT_EQ('\n', text.str().back());
    }
    EXPECT_EQ(1u, sims[0]->ConnectionsServed()); // updated once, skipped twice
}

// Arguments and files that cannot be used end the run before any device is touched.
TEST_F(FleetSimTest, BadFleetArgumentsAreRefused) {
    StartSimulators(std::vector<SimOptions>(1));
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const std::string dir = m_package.substr(0, m_package.find_last_of('/') + 1);
    std::ofstream(dir + "bad.journal") << "{\"device\":\"127.0.0.2\",\"outcome\":\"updated\"}\n"
                                       << "{\"device\":\"127.0.0.2\",\"outcome\":\"sort of\"}\n";
    const struct {
        std::vector<std::string> args;
        const char* pszSaid;
    } cases[] = {
        {{"--max-failures", "0%"}, "--max-failures takes"},
        {{"--max-failures", "150%"}, "--max-failures takes"},
        {{"--max-failures", "ten"}, "--max-failures takes"},
        {{"--retries", "-1"}, "--retries takes"},
        {{"--check", "--report", dir + "inventory.txt"}, ".csv or .json"},
        {{"--check", "--report", dir + "no/such/dir/inventory.csv"}, "cannot write the report"},
        {{"--report", dir + "inventory.csv"}, "--report needs --check"},
        {{"--check", "--verify"}, "--check sends nothing"},
        {{"--verify-timeout", "5"}, "needs --verify"},
        {{"--resume", dir + "bad.journal"}, "bad.journal line 2: not a device outcome"},
        {{"--resume", dir + "missing.journal"}, "cannot read the journal"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--address", Address(0)});
        EXPECT_EQ(CLI_EXIT_USAGE, Run(args)) << c.pszSaid;
        EXPECT_NE(std::string::npos, err.str().find(c.pszSaid)) << err.str();
    }
    EXPECT_EQ(0u, sims[0]->ConnectionsServed());
}
