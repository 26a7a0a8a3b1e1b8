// The fleet tests' fixture: simulators on 127.0.0.2, .3, ... at one port, a package for
// them, and the console updater run in-process on a clock of its own.
#pragma once

#include "CliApp.h"
#include "SimFixture.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

static const char* const kBootRow = "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE";
static const char* const kLangRow = "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE";

inline std::vector<std::string> JsonLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The last object of a device that begins with what.
inline std::string LastOf(const std::vector<std::string>& lines, const std::string& device,
                          const std::string& what) {
    const std::string head = "{\"device\":\"" + device + "\"," + what;
    std::string found;
    for (const std::string& line : lines) {
        if (line.compare(0, head.size(), head) == 0)
            found = line;
    }
    return found;
}

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

    std::string Address(size_t i) const { return m_strNet + std::to_string(i + 2); }

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
        env.strTrustedKeysFolder = trustedKeysFolder;
        // Back-off and the wait for a restart run on a clock of their own: a real millisecond
        // per wait, so that a simulator may come back meanwhile, counts as whatever was asked.
        env.clock.nowMs = [this] { return virtualMs.load(); };
        env.clock.sleepMs = [this](unsigned long ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(realMsPerWait));
            virtualMs += ms;
        };
        env.clock.wallMs = wallClock;
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
    std::string trustedKeysFolder; // the system's trusted keys as the run sees them
    std::atomic<unsigned long long> virtualMs{0};
    std::function<long long()> wallClock; // the time of day; empty: the system's
    unsigned int realMsPerWait = 1;       // 0: hours of waiting pass at once
    std::string m_strNet = "127.0.0.";    // the simulators' addresses: .2, .3, ...
    std::ostringstream out, err;
};
