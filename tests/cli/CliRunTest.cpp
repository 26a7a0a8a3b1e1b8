// The console updater run in-process against the scripted device: listing, the update with its
// three kinds of output, the result messages and exit codes, stop requests and bad input.
#include "../engine/EngineFixture.h"
#include "CliApp.h"
#include "CliUpdate.h"
#include "DevConnMgr.h"
#include "zepMac.h"

#include <atomic>
#include <sstream>
#include <thread>

namespace {

std::string CliZepInfo(const std::string& extra = "") {
    return Rows({"TGMNAME HV2000", "MODELNAME \"HV 2000 Series\"", "PORTNO 48350", "ENTERTIME 20",
                 "EXITTIME 5", "UPDATETIME 60", "ALLOWVERSIONDOWN NO", "SPECIALCMDPATTERN NO",
                 "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE DISPVER=1.20"}) +
           extra;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

class CliRunTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        DevConnMgr::Instance();
        WriteCliPackage(CliZepInfo());
    }

    void WriteCliPackage(const std::string& zepInfo,
                         std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
                             {"boot.bin", Pattern(10000)}}) {
        files.emplace_back("ZEPINFO.txt", Bytes(zepInfo));
        UsePackage(files);
    }

    int Run(std::vector<const char*> args, bool bTerminal = false) {
        zepBindInfo::DestroyInstance(); // each run opens its package afresh
        args.insert(args.begin(), "halvard");
        args.insert(args.begin() + 1, {"--package", m_package.c_str()});
        out.str("");
        err.str("");
        CliEnvironment env;
        env.bTerminal = bTerminal;
        env.dwTickMs = 2;
        env.dwWorkerPollingMs = 1;
        env.installStopHandler = [this] { return ++m_installs, true; };
        return RunCli(static_cast<int>(args.size()), args.data(), out, err, env);
    }

    std::ostringstream out, err;
    int m_installs = 0;
};

TEST_F(CliRunTest, ListShowsTheModelAndTheFirmwareRows) {
    WriteCliPackage(CliZepInfo("VERSION LANGUAGE=HV000400 lang.bin LANGUAGE\r\n"),
                    {{"boot.bin", Pattern(10)}, {"lang.bin", Pattern(10)}});
    EXPECT_EQ(CLI_EXIT_OK, Run({"--list"}));
    EXPECT_EQ("Model: HV 2000 Series\nType      Update to\nBOOTABLE  1.20\nLANGUAGE  HV000400\n",
              out.str());
    EXPECT_EQ(CLI_EXIT_OK, Run({"--list", "--json"}));
    EXPECT_EQ("{\"model\":\"HV 2000 Series\",\"firmware\":[{\"type\":\"BOOTABLE\",\"version\":"
              "\"1.20\"},{\"type\":\"LANGUAGE\",\"version\":\"HV000400\"}]}\n",
              out.str());
    EXPECT_EQ(0, device->connects);
    EXPECT_EQ(0, m_installs); // Ctrl-C is only taken over for an update
}

TEST_F(CliRunTest, UpdateByAddressShowsEachChangeAndTheResultMessage) {
    EXPECT_EQ(CLI_EXIT_OK, Run({"--address", "127.0.0.1"}));
    const std::string text = out.str();
    EXPECT_EQ(0u, text.find("Connecting to the device... 0%\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Finishing... "));
    EXPECT_EQ(text.size() - std::strlen("Information: Firmware update is complete.\nThe device "
                                        "will restart automatically.\n"),
              text.find("Information: Firmware update is complete."));
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);
    EXPECT_EQ(ZEP_CMD_EXITDOWNLOAD, device->Commands().back());
    EXPECT_EQ(1, m_installs);
    EXPECT_EQ("", err.str());
}

TEST_F(CliRunTest, TerminalOutputRedrawsOneLine) {
    EXPECT_EQ(CLI_EXIT_OK, Run({"--address", "127.0.0.1"}, true));
    const std::string text = out.str();
    EXPECT_EQ('\r', text[0]);
    // The bar stays on one line: one line end closes it, the others belong to the message.
    EXPECT_EQ(3u, CountOf(text, "\n"));
    EXPECT_NE(std::string::npos, text.find("]   0%  Connecting to the device..."));
}

TEST_F(CliRunTest, JsonOutputIsOneObjectPerChangeAndAFinalObject) {
    EXPECT_EQ(CLI_EXIT_OK, Run({"--json", "--address", "127.0.0.1"}));
    std::istringstream lines(out.str());
    std::vector<std::string> objects;
    for (std::string line; std::getline(lines, line);)
        objects.push_back(line);
    ASSERT_GE(objects.size(), 2u);
    for (const std::string& o : objects) {
        EXPECT_EQ('{', o.front());
        EXPECT_EQ('}', o.back());
    }
    EXPECT_EQ(0u, objects.front().find("{\"state\":\""));
    EXPECT_EQ(0u, objects.back().find("{\"final\":true,\"result\":1,\"updated\":1,\"stopped\":"
                                      "false,\"message\":\"Firmware update is complete.\\n"));
    EXPECT_NE(std::string::npos, objects[objects.size() - 2].find("\"state\":\"END_UPDATE\""));
}

TEST_F(CliRunTest, NothingToUpdateEndsWithTheMessageForTheExitOperation) {
    WriteCliPackage(CliZepInfo("NEEDEXITOPERATION YES\r\n"));
    device->targetInfo = DefaultTargetInfo();
    device->targetInfo.replace(device->targetInfo.find("HV001100"), 8, "HV001200");
    EXPECT_EQ(CLI_EXIT_OK, Run({"--port-name", "IP_127.0.0.1", "--printer", "Office"}));
    EXPECT_NE(std::string::npos,
              out.str().find("Information: The firmware of the selected device does not need to "
                             "be updated.\nRestart the device.\n"));
    EXPECT_TRUE(device->images.empty());
}

TEST_F(CliRunTest, RefusedDeviceIsAFailureWithItsMessage) {
    device->enterStatus = ZEP_STATUS_BUSY;
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--address", "127.0.0.1"}));
    EXPECT_NE(std::string::npos,
              out.str().find("Warning: Update was canceled because there was no response from "
                             "the device"));
}

TEST_F(CliRunTest, WorkerThatCannotStartIsAHostError) {
    zepmac::BeginThreadHook previous = zepmac::SetBeginThreadHook(
        [](zepmac::TAG_THREADDATA&, zepmac::ThreadStartFn, unsigned int, void*) { return false; });
    int code = Run({"--json", "--address", "127.0.0.1"});
    zepmac::SetBeginThreadHook(previous);
    EXPECT_EQ(CLI_EXIT_FAILED, code);
    // The final object, then the package it was to send.
    EXPECT_EQ(0u, out.str().find("{\"final\":true,\"result\":-9,\"updated\":0,\"stopped\":false,"
                                 "\"message\":\"An error occurred in this computer. Restart your "
                                 "computer, and then try to update the firmware again.\","
                                 "\"package_sha256\":\""))
        << out.str();
    EXPECT_NE(std::string::npos, out.str().find("\"signer\":\"unsigned\",\"signature\":\"not "
                                                "verified\"}\n"));
    EXPECT_EQ(0, device->connects);
}

TEST_F(CliRunTest, BadArgumentsAndBadPackages) {
    EXPECT_EQ(CLI_EXIT_USAGE, Run({"--address", "localhost"}));
    EXPECT_EQ("halvard: not an IPv4 address: localhost\nTry 'halvard --help'.\n", err.str());

    std::string noPort = CliZepInfo();
    noPort.replace(noPort.find("PORTNO 48350"), 12, "PORTNO");
    WriteCliPackage(noPort);
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--address", "127.0.0.1"}));
    EXPECT_NE(std::string::npos, err.str().find("no usable PORTNO"));

    UsePackage({{"boot.bin", Pattern(10)}, {"other.txt", Pattern(10)}});
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--json", "--list"}));
    EXPECT_NE(std::string::npos, err.str().find("holds no ZEPINFO.txt"));
    EXPECT_EQ(0u, out.str().find("{\"final\":true,\"result\":-8,"));

    m_package = m_package + ".missing";
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--address", "127.0.0.1"}));
    EXPECT_NE(std::string::npos, err.str().find("No usable firmware package"));
    EXPECT_EQ(0, device->connects);
}

TEST_F(CliRunTest, HelpNeedsNoPackage) {
    m_package = "/nonexistent/package";
    EXPECT_EQ(CLI_EXIT_OK, Run({"--help"}));
    EXPECT_EQ(0u, out.str().find("Usage: halvard"));
}

// A stop request reaches the worker while it sends the first of two images: the transfer is
// completed, the second image is not begun, and the run reports that it was stopped.
TEST_F(CliRunTest, StopRequestEndsTheRunAtTheNextSafePoint) {
    LoadZepInfo(CliZepInfo("VERSION LANGUAGE=HV000400 lang.bin LANGUAGE\r\n"));
    UsePackage({{"boot.bin", Pattern(10000)}, {"lang.bin", Pattern(300)}});
    zepThread worker;
    std::atomic<unsigned int> requests{0};
    device->override = [&](int, const std::vector<uint8_t>& request,
                           std::vector<std::vector<uint8_t>>&) {
        TAG_SSTHEADER header;
        std::memcpy(&header, request.data(), sizeof header);
        if (header.CommandCode.get() == ZEP_CMD_SENDFILE && requests == 0) {
            requests = 1; // Ctrl-C
            while (!worker.IsStopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };
    UpdateRequest request;
    char port[] = "127.0.0.1";
    request.pszPortName = port;
    request.wPortNo = 48350;
    request.firmwareCount = 2;
    request.dwTickMs = 2;
    request.dwWorkerPollingMs = 1;
    request.stopRequests = [&] { return requests.load(); };
    ProgressDisplay display(out, err, DisplayMode::LINES);
    UpdateOutcome outcome = RunUpdate(worker, request, display);

    EXPECT_TRUE(outcome.bStopped);
    EXPECT_EQ(1, outcome.nExitCode);
    EXPECT_EQ(1u, outcome.dwUpdatedFirmNum);
    EXPECT_NE(std::string::npos, outcome.strMessage.find("stopped at your request after 1"));
    EXPECT_EQ(0u, err.str().find("Stop requested: a running transfer is completed first"));
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);
    EXPECT_EQ(0u, device->images.count("LANGUAGE"));
    EXPECT_EQ(ZEP_CMD_EXITDOWNLOAD, device->Commands().back());
}
