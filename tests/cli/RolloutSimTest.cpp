// Roll-outs over simulated devices on 127.0.60.x: the maintenance window on an injected clock,
// staged waves with a threshold, pause and approval, per-site limits, the version policy and the
// metrics file; and the rules behind them, table-driven.
#include "FleetFixture.h"

#include "CliRollout.h"
#include "CliTargets.h"
#include "CliWindow.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

namespace {

const long long kDayMs = 86400000;
long long At(int hour, int minute, long long day = 20000) { // a day of 2024, UTC
    return day * kDayMs + (hour * 60LL + minute) * 60000;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "member":value of the device's summary row.
std::string SummaryMember(const std::string& summary, const std::string& device,
                          const std::string& member) {
    const size_t row = summary.find("{\"device\":\"" + device + "\"");
    const size_t end = summary.find('}', row);
    const size_t at = summary.find("\"" + member + "\":", row);
    if (row == std::string::npos || at == std::string::npos || at > end)
        return std::string();
    const size_t from = at + member.size() + 3;
    return summary.substr(from, summary.find_first_of(",}", from) - from);
}

std::string Sha256Of(const std::string& text) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("\"package_sha256\":\"([0-9a-f]{64})\""))
               ? m[1].str()
               : std::string();
}

} // namespace

class RolloutTest : public FleetSimTest {
protected:
    void SetUp() override {
        FleetSimTest::SetUp();
        m_strNet = "127.0.60.";
        wallMs = At(23, 30);
        wallClock = [this] { return wallMs.load(); };
    }

    std::vector<std::string> Devices(size_t n) const {
        std::vector<std::string> args;
        for (size_t i = 0; i < n; ++i)
            args.insert(args.end(), {"--address", Address(i)});
        return args;
    }

    std::string Scratch(const std::string& name) const {
        return m_package.substr(0, m_package.find_last_of('/') + 1) + name;
    }

    std::atomic<long long> wallMs{0};
};

// The window closes while two devices run (one retrying while it prints): both finish, the rest
// are deferred untouched and not failed; a resume after midnight, inside the next window,
// finishes them; a resume outside it touches nothing.
TEST_F(RolloutTest, WindowClosingDefersTheRestUntilTheNextWindow) {
    std::vector<SimOptions> options(6);
    options[0].verdictDelayMs = 300;
    options[1].printingMs = 150;
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const std::string journal = Scratch("window.journal");
    std::vector<std::string> args = {"--json", "--jobs",    "2",           "--retries",
                                     "6",      "--window",  "22:00-02:00", "--window-tz",
                                     "UTC",    "--journal", journal};
    const std::vector<std::string> devices = Devices(6);
    args.insert(args.end(), devices.begin(), devices.end());
    std::thread closer([this] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while ((Logged(0, "EnterDownload") == 0 || Logged(1, "EnterDownload") == 0) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        wallMs = At(2, 0); // the window's end
    });
    EXPECT_EQ(CLI_EXIT_DEFERRED, Run(args)) << err.str();
    closer.join();
    std::vector<std::string> lines = JsonLines(out.str());
    for (size_t i = 0; i < 6; ++i) {
        const bool bRan = i < 2;
        EXPECT_EQ(bRan ? 1u : 0u, sims[i]->ReceivedImages().size()) << Address(i);
        EXPECT_EQ(bRan, sims[i]->ConnectionsServed() != 0) << Address(i);
        EXPECT_NE(std::string::npos,
                  LastOf(lines, Address(i), "\"final\":true,")
                      .find(bRan ? "\"outcome\":\"updated\"" : "\"outcome\":\"deferred\""))
            << out.str();
    }
    EXPECT_NE(std::string::npos, lines.back().find("\"failed\":0,")) << lines.back();
    EXPECT_NE(std::string::npos, lines.back().find("\"deferred\":4")) << lines.back();
    EXPECT_NE(std::string::npos, ReadAll(journal).find("\"outcome\":\"deferred\""));

    const struct {
        long long wall;
        int code;
        size_t served; // connections of the deferred devices afterwards
    } resumes[] = {{At(12, 0, 20001), CLI_EXIT_DEFERRED, 0}, {At(0, 30, 20002), CLI_EXIT_OK, 1}};
    for (const auto& resume : resumes) {
        wallMs = resume.wall;
        std::vector<std::string> again = {"--json", "--window", "22:00-02:00", "--window-tz",
                                          "UTC",    "--resume", journal};
        again.insert(again.end(), devices.begin(), devices.end());
        EXPECT_EQ(resume.code, Run(again)) << out.str();
        for (size_t i = 2; i < 6; ++i)
            EXPECT_EQ(resume.served, sims[i]->ConnectionsServed()) << Address(i);
    }
    EXPECT_NE(std::string::npos,
              LastOf(JsonLines(out.str()), Address(0), "\"final\":true,").find("\"skipped\""));
}

// A hundred devices with a 3 % fault rate, all in the 25 % wave: it succeeds on 85 %, below
// 90 %, and the last wave receives nothing. The same waves on a second run.
TEST_F(RolloutTest, WaveBelowThresholdStopsTheRestWithTheSameMembersEveryRun) {
    const size_t n = 100;
    std::vector<std::string> names;
    for (size_t i = 0; i < n; ++i)
        names.push_back(Address(i));
    std::vector<WaveStep> steps;
    std::string error;
    ASSERT_TRUE(ParseWaves("1,5%,25%,100%", steps, error));
    const std::vector<unsigned int> waves = WavesByHash(names, steps);
    std::vector<SimOptions> options(n);
    size_t faulty = 0;
    for (size_t i = 0; i < n; ++i) {
        options[i].acceptPollMs = 100;
        if (waves[i] == 2 && faulty < 3) {
            options[i].enterStatus = ZEP_STATUS_BUSY;
            ++faulty;
        }
    }
    ASSERT_EQ(3u, faulty);
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(500)}});
    std::vector<std::string> args = {
        "--json", "--jobs", "16", "--waves", "1,5%,25%,100%", "--success-threshold", "90%"};
    const std::vector<std::string> devices = Devices(n);
    args.insert(args.end(), devices.begin(), devices.end());
    std::vector<std::string> first;
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(CLI_EXIT_FAILED, Run(args));
        const std::string summary = JsonLines(out.str()).back();
        EXPECT_NE(std::string::npos, summary.find("\"failed\":3,")) << summary;
        std::vector<std::string> members;
        for (size_t i = 0; i < n; ++i) {
            members.push_back(SummaryMember(summary, Address(i), "wave"));
            EXPECT_EQ(std::to_string(waves[i] + 1), members.back()) << Address(i);
            if (waves[i] == 3)
                EXPECT_EQ("\"not begun\"", SummaryMember(summary, Address(i), "outcome"));
        }
        if (run == 0)
            first = members;
        EXPECT_EQ(first, members);
        EXPECT_NE(std::string::npos, out.str().find("wave 3 succeeded on 85%")) << out.str();
    }
    size_t perWave[4] = {};
    for (size_t i = 0; i < n; ++i) {
        ++perWave[waves[i]];
        EXPECT_EQ(waves[i] == 3 ? 0u : 2u, sims[i]->ConnectionsServed()) << Address(i);
    }
    EXPECT_EQ(1u, perWave[0]);
    EXPECT_EQ(4u, perWave[1]);
    EXPECT_EQ(20u, perWave[2]);
}

// Pause after the first wave (after its soak, on the run's clock): the rest await approval
// untouched; a resume without --approve still waits; with it the next wave runs.
TEST_F(RolloutTest, PausedWaveBeginsOnlyWithApproval) {
    realMsPerWait = 0; // the soak's half hour at once
    StartSimulators(std::vector<SimOptions>(4));
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const std::string journal = Scratch("pause.journal");
    const std::vector<std::string> devices = Devices(4);
    const struct {
        std::vector<std::string> args;
        int code;
        size_t updated; // devices that have received the image so far
    } steps[] = {
        {{"--waves", "1,100%", "--soak", "30m", "--pause-between-waves", "--journal", journal},
         CLI_EXIT_AWAITING,
         1},
        {{"--waves", "1,100%", "--resume", journal}, CLI_EXIT_AWAITING, 1},
        {{"--waves", "1,100%", "--resume", journal, "--approve"}, CLI_EXIT_OK, 4},
    };
    for (const auto& step : steps) {
        std::vector<std::string> args = step.args;
        args.insert(args.end(), devices.begin(), devices.end());
        const unsigned long long before = virtualMs.load();
        EXPECT_EQ(step.code, Run(args)) << out.str() << err.str();
        size_t updated = 0;
        for (auto& sim : sims)
            updated += sim->ReceivedImages().size();
        EXPECT_EQ(step.updated, updated) << out.str();
        if (step.code == CLI_EXIT_AWAITING)
            EXPECT_NE(std::string::npos, out.str().find("awaiting approval")) << out.str();
        if (&step == &steps[0])
            EXPECT_GE(virtualMs.load() - before, 30u * 60000u); // the soak, on the clock
    }
}

// Two sites of four devices, eight jobs, at most two per site: no site ever has a third device
// in download mode, and each reaches two.
TEST_F(RolloutTest, MaxPerSiteBoundsEachSite) {
    std::vector<SimOptions> options(8);
    for (SimOptions& o : options) {
        o.logTimes = true;
        o.verdictDelayMs = 80;
    }
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const std::string targets = Scratch("sites.txt");
    {
        std::ofstream file(targets, std::ios::binary);
        file << "# branch offices\n[site north]\n";
        for (size_t i = 0; i < 8; ++i)
            file << (i == 4 ? "[site south]\n" : "") << Address(i) << "\n";
    }
    ASSERT_EQ(CLI_EXIT_OK, Run({"--targets", targets, "--jobs", "8", "--max-per-site", "2"}))
        << out.str();
    const std::regex time("\"t_us\":([0-9]+)");
    for (size_t site = 0; site < 2; ++site) {
        std::vector<std::pair<long long, int>> events; // +1 enters download mode, -1 exits
        for (size_t i = site * 4; i < site * 4 + 4; ++i) {
            for (const std::string& line : sims[i]->LogLines()) {
                std::smatch m;
                if (!std::regex_search(line, m, time))
                    continue;
                if (line.find("\"cmd\":\"EnterDownload\"") != std::string::npos)
                    events.emplace_back(std::stoll(m[1]), +1);
                else if (line.find("\"cmd\":\"ExitDownload\"") != std::string::npos)
                    events.emplace_back(std::stoll(m[1]), -1);
            }
        }
        std::sort(events.begin(), events.end());
        int running = 0, most = 0;
        for (const auto& e : events)
            most = std::max(most, running += e.second);
        EXPECT_EQ(2, most) << "site " << site;
        EXPECT_EQ(8u, events.size());
    }
}

// A package below a version floor, or a blocked one, is refused before any connection; a
// journal line keeps the versions the device had before.
TEST_F(RolloutTest, VersionPolicyRefusesBeforeAnyDevice) {
    StartSimulators(std::vector<SimOptions>(2));
    WriteFleetPackage(ZepInfo({kBootRow, kLangRow}),
                      {{"boot.bin", Pattern(1000)}, {"lang.bin", Pattern(1000, 2)}});
    ASSERT_EQ(CLI_EXIT_UNTRUSTED,
              Run({"--json", "--min-version", "NOSUCH=1", "--address", Address(0)}));
    const std::string sha = Sha256Of(out.str());
    ASSERT_FALSE(sha.empty()) << out.str();
    const struct {
        std::vector<std::string> args;
        const char* pszSaid;
    } cases[] = {
        {{"--min-version", "BOOTABLE=HV001300"}, "older than the minimum HV001300"},
        {{"--min-version", "LANGUAGE=HV000400", "--min-version", "bootable=HV1300"},
         "older than the minimum HV1300"},
        {{"--block-sha256", sha}, "is blocked"},
        {{"--block-sha256", std::string(64, 'a'), "--min-version", "NOSUCH=1"}, "no image"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--json", "--address", Address(0), "--address", Address(1)});
        EXPECT_EQ(CLI_EXIT_UNTRUSTED, Run(args)) << c.pszSaid;
        EXPECT_NE(std::string::npos, err.str().find(c.pszSaid)) << err.str();
        EXPECT_NE(std::string::npos, out.str().find("\"refused\":true")) << out.str();
    }
    EXPECT_EQ(0u, sims[0]->ConnectionsServed() + sims[1]->ConnectionsServed());

    const std::string journal = Scratch("policy.journal");
    EXPECT_EQ(CLI_EXIT_OK,
              Run({"--min-version", "BOOTABLE=HV001200", "--block-sha256", std::string(64, 'a'),
                   "--journal", journal, "--address", Address(0)}));
    EXPECT_NE(std::string::npos,
              ReadAll(journal).find("\"versions_before\":\"BOOTABLE=HV001100,LANGUAGE=HV000300\""))
        << ReadAll(journal);
}

// The metrics file: written while the run goes on, accepted by promtool (or, without it, every
// sample line well-formed), and its counters equal to the JSON summary's.
TEST_F(RolloutTest, MetricsFileMatchesTheSummary) {
    std::vector<SimOptions> options(3);
    options[1].enterStatus = ZEP_STATUS_BUSY;
    options[2].verdictDelayMs = 600;
    StartSimulators(options);
    WriteFleetPackage(ZepInfo({kBootRow, kLangRow}),
                      {{"boot.bin", Pattern(3000)}, {"lang.bin", Pattern(5000, 2)}});
    const std::string metrics = Scratch("halvard.prom");
    std::remove(metrics.c_str());
    std::atomic<bool> done{false};
    std::string during;
    std::thread watcher([&] {
        while (!done) {
            const std::string text = ReadAll(metrics);
            if (text.find("halvard_devices{outcome=\"failed\"} 1") != std::string::npos &&
                text.find("halvard_run_active 1") != std::string::npos)
                during = text;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const int code = Run({"--json", "--metrics-file", metrics, "--jobs", "3", "--address",
                          Address(0), "--address", Address(1), "--address", Address(2)});
    done = true;
    watcher.join();
    EXPECT_EQ(CLI_EXIT_FAILED, code);
    EXPECT_FALSE(during.empty()) << "no write during the run";
    const std::string text = ReadAll(metrics);
    const std::string summary = JsonLines(out.str()).back();
    const struct {
        const char* pszSample;
        const char* pszJson;
    } figures[] = {
        {"halvard_devices{outcome=\"updated\"} 2\n", "\"updated\":2"},
        {"halvard_devices{outcome=\"failed\"} 1\n", "\"failed\":1"},
        {"halvard_images_sent_total 4\n", "\"images_sent\":4"},
        {"halvard_bytes_sent_total 16000\n", "\"bytes_sent\":16000"},
        {"halvard_run_active 0\n", "\"outcomes\":{"},
        {"halvard_phase_duration_seconds_count{phase=\"connect\"} 3\n", "\"summary\""},
    };
    for (const auto& f : figures) {
        EXPECT_NE(std::string::npos, text.find(f.pszSample)) << f.pszSample << "\n" << text;
        EXPECT_NE(std::string::npos, summary.find(f.pszJson)) << f.pszJson << "\n" << summary;
    }
    const std::string sha = Sha256Of(summary);
    ASSERT_FALSE(sha.empty());
    EXPECT_NE(std::string::npos, text.find("halvard_package_info{sha256=\"" + sha));
    if (std::system("promtool --version >/dev/null 2>&1") == 0) {
        EXPECT_EQ(0, std::system(("promtool check metrics < '" + metrics + "'").c_str())) << text;
        return;
    }
    const std::regex sample(
        R"(([a-z_:][a-z0-9_:]*(\{[a-z_][a-z0-9_]*="[^"\\]*"(,[a-z_][a-z0-9_]*="[^"\\]*")*\})? )"
        R"(-?[0-9.e+]+)|(# (HELP|TYPE) .+))");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::regex_match(line, sample)) << line;
}

// The rules: the window's hours across midnight and zones, waves by hash, version order, sites
// in a targets file, and arguments refused before any device.
TEST(RolloutRules, WindowOpensByTheZonesClock) {
    const struct {
        const char* pszWindow;
        const char* pszZone;
        long long wallMs;
        bool bOpen;
    } cases[] = {
        {"22:00-02:00", "UTC", At(23, 59), true},
        {"22:00-02:00", "UTC", At(1, 59), true},
        {"22:00-02:00", "UTC", At(2, 0), false},
        {"22:00-02:00", "UTC", At(21, 59), false},
        {"01:00-05:00", "UTC+02:00", At(23, 30), true},            // 01:30 there
        {"01:00-05:00", "UTC-05:30", At(5, 0), false},             // 23:30 there
        {"02:00-03:00", "Europe/Berlin", At(0, 30, 19900), true},  // June: 02:30 there
        {"02:00-03:00", "Europe/Berlin", At(0, 30, 19750), false}, // January: 01:30 there
    };
    for (const auto& c : cases) {
        MaintenanceWindow window;
        std::string error;
        if (std::string(c.pszZone) == "Europe/Berlin" &&
            !std::ifstream("/usr/share/zoneinfo/Europe/Berlin"))
            continue; // no zone database here
        ASSERT_TRUE(window.Parse(c.pszWindow, c.pszZone, error)) << error;
        EXPECT_EQ(c.bOpen, window.IsOpen(c.wallMs)) << c.pszWindow << " " << c.pszZone;
    }
}

TEST(RolloutRules, WavesAndVersions) {
    std::vector<std::string> fleet;
    for (int i = 0; i < 10; ++i)
        fleet.push_back("10.0.0." + std::to_string(i));
    std::vector<WaveStep> steps;
    std::string error;
    ASSERT_TRUE(ParseWaves("1,50%", steps, error));
    const std::vector<unsigned int> waves = WavesByHash(fleet, steps);
    std::vector<size_t> sizes(3, 0);
    for (unsigned int w : waves)
        ++sizes.at(w);
    EXPECT_EQ((std::vector<size_t>{1, 4, 5}), sizes); // the rest form a last wave
    std::vector<std::string> reversed(fleet.rbegin(), fleet.rend());
    const std::vector<unsigned int> again = WavesByHash(reversed, steps);
    for (size_t i = 0; i < fleet.size(); ++i)
        EXPECT_EQ(waves[i], again[fleet.size() - 1 - i]); // by address, not by position
    for (const char* bad : {"", "0", "1,,2", "101%", "5%x", "-1"})
        EXPECT_FALSE(ParseWaves(bad, steps, error)) << bad;
    EXPECT_EQ(-1, CompareVersions("HV001200", "HV001300"));
    EXPECT_EQ(0, CompareVersions("HV1200", "HV001200"));
    EXPECT_EQ(1, CompareVersions("2.10", "2.9"));
    EXPECT_EQ(
        (std::vector<std::pair<std::string, std::string>>{
            {"10.0.0.1", ""}, {"10.0.0.2", "north"}, {"USB001", "south 2"}, {"[site]", "south 2"}}),
        ParseSitedTargets("10.0.0.1\n[site north]\n10.0.0.2\n # x\n[site  south 2 ]\r\nUSB001\n"
                          "[site]\n"));
}

TEST_F(RolloutTest, BadRolloutArgumentsAreRefused) {
    StartSimulators(std::vector<SimOptions>(1));
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(1000)}});
    const struct {
        std::vector<std::string> args;
        const char* pszSaid;
    } cases[] = {
        {{"--window", "22:00"}, "--window takes"},
        {{"--window", "24:00-02:00"}, "--window takes"},
        {{"--window", "02:00-02:00"}, "--window takes"},
        {{"--window", "22:00-02:00", "--window-tz", "Mars/Olympus"}, "unknown time zone"},
        {{"--window", "22:00-02:00", "--window-tz", "../../etc/passwd"}, "unknown time zone"},
        {{"--window-tz", "UTC"}, "--window-tz needs --window"},
        {{"--waves", "1,5%", "--canary", "1"}, "not both"},
        {{"--success-threshold", "90%"}, "needs --waves"},
        {{"--waves", "1", "--success-threshold", "90"}, "--success-threshold takes"},
        {{"--waves", "1", "--soak", "5y"}, "--soak takes"},
        {{"--waves", "1", "--pause-between-waves"}, "needs --journal"},
        {{"--approve"}, "--approve needs --resume"},
        {{"--max-per-site", "0"}, "--max-per-site takes"},
        {{"--min-version", "BOOTABLE"}, "--min-version takes"},
        {{"--block-sha256", "abc"}, "--block-sha256 takes"},
        {{"--check", "--waves", "1"}, "--check sends nothing"},
        {{"--metrics-file", "/no/such/dir/x.prom"}, "metrics file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--address", Address(0)});
        EXPECT_EQ(CLI_EXIT_USAGE, Run(args)) << c.pszSaid;
        EXPECT_NE(std::string::npos, err.str().find(c.pszSaid)) << c.pszSaid << ": " << err.str();
    }
    EXPECT_EQ(0u, sims[0]->ConnectionsServed());
}
