// The console updater over several simulated devices on 127.0.0.x, all at the package's one
// PORTNO: a fleet with a busy device and one lost mid-transfer, the dry run, a broken package
// and a stop request. Run under ThreadSanitizer as part of the worker tests.
#include "CliApp.h"
#include "SimFixture.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

namespace {

const char* const kBootRow = "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE";
const char* const kLangRow = "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE";

std::vector<std::string> JsonLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The last object of a device that begins with what.
std::string LastOf(const std::vector<std::string>& lines, const std::string& device,
                   const std::string& what) {
    const std::string head = "{\"device\":\"" + device + "\"," + what;
    std::string found;
    for (const std::string& line : lines) {
        if (line.compare(0, head.size(), head) == 0)
            found = line;
    }
    return found;
}

} // namespace

class FleetSimTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        device.reset(); // the connection manager's own transports
        DevConnMgr::Instance();
    }

    void TearDown() override {
        for (auto& sim : sims)
            sim->Stop();
        EngineTest::TearDown();
    }

    // One simulator per options on 127.0.0.2, .3, ... all at the port the first one got.
    void StartSimulators(std::vector<SimOptions> all) {
        for (size_t i = 0; i < all.size(); ++i) {
            SimOptions& options = all[i];
            options.host = Address(i);
            options.port = sims.empty() ? 0 : sims.front()->Port();
            if (options.targetInfo.empty())
                options.targetInfo = DefaultTargetInfo();
            sims.push_back(std::make_unique<DeviceSimulator>(options));
            std::string error;
            ASSERT_TRUE(sims.back()->Start(&error)) << error;
        }
    }

    static std::string Address(size_t i) { return "127.0.0." + std::to_string(i + 2); }

    static std::string Without(std::string text, const std::string& row) {
        return text.erase(text.find(row), row.size());
    }

    std::string ZepInfo(std::initializer_list<std::string> versionRows) const {
        std::string text =
            Rows({"TGMNAME HV2000", "PORTNO " + std::to_string(sims.front()->Port()), "ENTERTIME 5",
                  "EXITTIME 5", "UPDATETIME 10", "ALLOWVERSIONDOWN NO", "SPECIALCMDPATTERN NO"});
        for (const auto& row : versionRows)
            text += row + "\r\n";
        return text;
    }

    void WriteFleetPackage(const std::string& zepInfo,
                           std::vector<std::pair<std::string, std::vector<uint8_t>>> images) {
        images.emplace_back("ZEPINFO.txt", std::vector<uint8_t>(zepInfo.begin(), zepInfo.end()));
        UsePackage(images);
    }

    int Run(std::vector<std::string> args) {
        zepBindInfo::DestroyInstance();
        args.insert(args.begin(), {"halvard", "--package", m_package});
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        out.str("");
        err.str("");
        CliEnvironment env;
        env.dwTickMs = 2;
        env.dwWorkerPollingMs = 1;
        env.stopRequests = [this] { return stopRequests.load(); };
        return RunCli(static_cast<int>(argv.size()), argv.data(), out, err, env);
    }

    size_t Logged(size_t sim, const std::string& command) const {
        const std::string key = "\"cmd\":\"" + command + "\"";
        size_t n = 0;
        for (const std::string& line : sims[sim]->LogLines())
            n += line.find(key) != std::string::npos ? 1 : 0;
        return n;
    }

    std::vector<std::unique_ptr<DeviceSimulator>> sims;
    std::atomic<unsigned int> stopRequests{0};
    std::ostringstream out, err;
};

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
    EXPECT_NE(std::string::npos, lines.back().find("\"failed\":2}"));
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
    EXPECT_EQ("{\"device\":\"127.0.0.2\",\"final\":true,\"check\":true,\"read\":true,\"result\":1,"
              "\"images\":[{\"type\":\"BOOTABLE\",\"file\":\"boot.bin\",\"device_version\":"
              "\"HV001100\",\"package_version\":\"HV001200\",\"verdict\":\"send\",\"result\":1},"
              "{\"type\":\"LANGUAGE\",\"file\":\"lang.bin\",\"device_version\":\"HV000400\","
              "\"package_version\":\"HV000400\",\"verdict\":\"no update needed\",\"result\":-11}],"
              "\"message\":\"1 send, 1 no update needed.\"}\n",
              out.str());
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
    options[0].writeSteps = 1000000; // writes until stopped
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
    EXPECT_GT(Logged(0, "SendFile"), 0u);     // the first image was sent ...
    EXPECT_EQ(1u, Logged(0, "ExitDownload")); // ... and the device left download mode
    EXPECT_EQ(0u, sims[1]->ConnectionsServed());
    EXPECT_EQ(0u, err.str().find("Stop requested"));
}
