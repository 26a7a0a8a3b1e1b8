// Tests against the device simulator over loopback: the engine
// fixture's package and pauses, the real TCP transport, and a simulator on a free port.
#pragma once

#include "../engine/EngineFixture.h"
#include "DevConnMgr.h"
#include "DeviceSimulator.h"

#include <algorithm>

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
