// Worker and console-updater tests against the device simulator over loopback: the engine
// fixture's package and pauses, the real TCP transport, and a simulator on a free port.
#pragma once

#include "../engine/EngineFixture.h"
#include "CliApp.h"
#include "DevConnMgr.h"
#include "DeviceSimulator.h"
#include "ZepBindTool.h"

#include <algorithm>
#include <fstream>
#include <sstream>

class SimTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        device.reset(); // the connection manager's own transports from here on
        DevConnMgr::Instance();
    }

    void TearDown() override {
        if (sim)
            sim->Stop();
        EngineTest::TearDown();
    }

    void StartSimulator(SimOptions options = SimOptions()) {
        options.host = "127.0.0.1";
        options.port = 0;
        if (options.targetInfo.empty())
            options.targetInfo = DefaultTargetInfo();
        sim = std::make_unique<DeviceSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }

    // ZEPINFO.txt for the running simulator, with short time limits and the given images.
    std::string SimZepInfo(std::initializer_list<std::string> versionRows) const {
        std::string text =
            Rows({"TGMNAME HV2000", "MODELNAME HV2000", "PORTNO " + std::to_string(sim->Port()),
                  "ENTERTIME 5", "EXITTIME 5", "UPDATETIME 10", "SPECIALCMDPATTERN NO"});
        for (const auto& row : versionRows)
            text += row + "\r\n";
        return text;
    }

    // Log lines of one command, by the simulator's name for it.
    size_t LoggedCount(const std::string& command) const {
        auto lines = sim->LogLines();
        const std::string key = "\"cmd\":\"" + command + "\"";
        return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.find(key) != std::string::npos;
        }));
    }

    std::unique_ptr<DeviceSimulator> sim;
};

// The console updater in-process against the simulator, with a package made by the packer.
class SimCliTest : public SimTest {
protected:
    // Writes ZEPINFO.txt and the images as files and packs them with the packer: stand-alone,
    // or appended to a copy of program.
    std::string Pack(const std::string& zepInfo, const std::string& program = "") {
        const std::string dir = m_package.substr(0, m_package.find_last_of("/\\") + 1);
        WriteFile(dir + "ZEPINFO.txt", std::vector<uint8_t>(zepInfo.begin(), zepInfo.end()));
        WriteFile(dir + "boot.bin", Pattern(10000));
        const std::string out = dir + (program.empty() ? "cli.pkg" : "program-with-package");
        std::vector<std::string> args = {program.empty() ? "create" : "append", "-o", out, "--info",
                                         dir + "ZEPINFO.txt"};
        if (!program.empty()) {
            args.push_back("--program");
            args.push_back(program);
        }
        args.push_back(dir + "boot.bin");
        std::ostringstream out_, err_;
        EXPECT_EQ(ZEPBIND_EXIT_OK, RunZepBind(args, out_, err_)) << err_.str();
        return out;
    }

    int Run(std::vector<const char*> args, const std::string& ownPackage = "") {
        zepBindInfo::DestroyInstance();
        args.insert(args.begin(), "halvard");
        CliEnvironment env;
        env.strOwnPackagePath = ownPackage;
        env.dwTickMs = 2;
        env.dwWorkerPollingMs = 1;
        return RunCli(static_cast<int>(args.size()), args.data(), out, err, env);
    }

    static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        ASSERT_TRUE(file.good()) << path;
    }

    std::ostringstream out, err;
};
