// The console updater run in-process against the scripted device: listing, the update with its
// three kinds of output, the result messages and exit codes, stop requests and bad input.
#include "../engine/EngineFixture.h"
#include "CliApp.h"
#include "CliTexts.h"
#include "CliUpdate.h"
#include "DevConnMgr.h"
#include "zepMac.h"

#include <atomic>
#include <functional>
#include <mutex>
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
                                 "\"unconfirmed\":0,\"package_sha256\":\""))
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

namespace {

// What the console told: notices and whether a status line said the stop waits for the write.
class NoticeSink : public UpdateSink {
public:
    void Update(const tag_devinfo&, const ProgressView& view) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWaitShown =
            m_bWaitShown || StatusText(view).find("waiting for the device") != std::string::npos;
    }
    void Notice(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_notices.push_back(text);
    }
    bool Told(const std::string& part) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string& notice : m_notices)
            if (notice.find(part) != std::string::npos)
                return true;
        return false;
    }
    bool WaitShown() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bWaitShown;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_notices;
    bool m_bWaitShown = false;
};

} // namespace

// Ctrl-C while the device writes: once, the update waits for the device's own end of the write
// and reports the image updated; twice, it gives the wait up and reports the image as sent but
// not confirmed, never as updated.
TEST_F(CliRunTest, StopDuringTheWriteWaitsAndASecondStopGivesUp) {
    for (const unsigned int nStops : {1u, 2u}) {
        NewDevice();
        device->writeSteps = nStops == 1 ? 30 : 1000000;
        zepThread worker;
        NoticeSink sink;
        std::atomic<unsigned int> requests{0};
        // Each press only once the console has shown what the last one did; the device holds
        // its answers meanwhile, so no tick can be missed.
        auto await = [](const std::function<bool()>& pred) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!pred() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        int queries = 0;
        device->override = [&](int, const std::vector<uint8_t>& request,
                               std::vector<std::vector<uint8_t>>&) {
            TAG_SSTHEADER header;
            std::memcpy(&header, request.data(), sizeof header);
            if (header.CommandCode.get() != ZEP_CMD_QUERYUPDATESTATUS)
                return false;
            if (++queries == 1) {
                requests = 1;
                await([&] { return worker.IsStopRequested(); });
            } else if (queries == 2) {
                await([&] { return sink.Told("Waiting for the device to finish writing"); });
                if (nStops == 2)
                    requests = 2;
            }
            return false;
        };
        UpdateRequest request;
        char port[] = "127.0.0.1";
        request.pszPortName = port;
        request.wPortNo = 48350;
        request.dwTickMs = 2;
        request.dwWorkerPollingMs = 1;
        request.stopRequests = [&] { return requests.load(); };
        const UpdateOutcome outcome = RunUpdate(worker, request, sink);
        const std::string where = std::to_string(nStops) + " stop(s)";

        EXPECT_TRUE(outcome.bStopped) << where;
        EXPECT_EQ(1, outcome.nExitCode) << where;
        EXPECT_TRUE(sink.Told("Waiting for the device to finish writing")) << where;
        EXPECT_TRUE(sink.WaitShown()) << where;
        EXPECT_EQ(ZEP_CMD_EXITDOWNLOAD, device->Commands().back()) << where;
        if (nStops == 1) {
            EXPECT_EQ(31, queries) << where; // every "writing" answer, then "written"
            EXPECT_EQ(1u, outcome.dwUpdatedFirmNum) << where;
            EXPECT_EQ(0u, outcome.dwUnconfirmedFirmNum) << where;
            EXPECT_NE(std::string::npos, outcome.strMessage.find("stopped at your request after 1"))
                << where;
        } else {
            EXPECT_LT(queries, 1000000) << where;
            EXPECT_EQ(0u, outcome.dwUpdatedFirmNum) << where;
            EXPECT_EQ(1u, outcome.dwUnconfirmedFirmNum) << where;
            EXPECT_TRUE(sink.Told("no longer waiting")) << where;
            EXPECT_NE(std::string::npos, outcome.strMessage.find("sent but not confirmed"))
                << where;
            EXPECT_NE(std::string::npos, outcome.strMessage.find("Check the device")) << where;
            std::ostringstream json, notices;
            ProgressDisplay(json, notices, DisplayMode::JSON)
                .Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped,
                       outcome.strCaption, outcome.strMessage, outcome.dwUnconfirmedFirmNum);
            EXPECT_EQ(0u, json.str().find("{\"final\":true,\"result\":1,\"updated\":0,"
                                          "\"stopped\":true,"))
                << json.str();
            EXPECT_NE(std::string::npos, json.str().find(",\"unconfirmed\":1}")) << json.str();
        }
    }
}
