// The worker against the device simulator over loopback: whole runs with two images, a refused
// device, and a connection dropped during a transfer.
#include "SimFixture.h"
#include "zepThread.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

const char* const kBootRow = "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE";
const char* const kLangRow = "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE";

// True when every element of seen occurs in expected, in the same order.
bool IsSubsequence(const std::vector<update_state>& seen,
                   const std::vector<update_state>& expected) {
    size_t at = 0;
    for (update_state s : seen) {
        while (at < expected.size() && expected[at] != s)
            ++at;
        if (at == expected.size())
            return false;
    }
    return true;
}

} // namespace

class SimWorkerTest : public SimTest {
protected:
    bool Start() { return worker.UpdateStart(nullptr, m_address, sim->Port()); }

    // Copies the record as a front-end would until pred holds (false after 30 s), keeping the
    // distinct phases seen.
    bool Follow(const std::function<bool(const tag_devinfo&)>& pred) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            worker.CheckState(last);
            if (phases.empty() || phases.back() != last.UpdateState)
                phases.push_back(last.UpdateState);
            if (pred(last))
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    void TearDown() override {
        worker.StopThread();
        SimTest::TearDown();
    }

    zepThread worker;
    tag_devinfo last;
    std::vector<update_state> phases;

private:
    char m_address[16] = "127.0.0.1";
};

TEST_F(SimWorkerTest, TwoImagesAreSentWrittenAndTheDeviceLeftDownloadMode) {
    SimOptions options;
    options.writeSteps = 3;
    StartSimulator(options);
    LoadZepInfo(SimZepInfo({kBootRow, kLangRow}));
    UsePackage({{"boot.bin", Pattern(10000)}, {"lang.bin", Pattern(70000, 2)}});
    ASSERT_TRUE(Start());
    worker.SetPolling(1);
    ASSERT_TRUE(Follow([](const tag_devinfo& i) { return i.UpdateState >= END_UPDATE; }));
    EXPECT_EQ(END_UPDATE, last.UpdateState);
    EXPECT_EQ(0u, LoggedCount("ExitDownload"));
    worker.StopThread();

    EXPECT_EQ(RESULT_OK, last.nResult);
    EXPECT_EQ(2u, last.dwUpdatedFirmNum);
    EXPECT_TRUE(
        IsSubsequence(phases, {NORMALMODE_STATE, DOWNLOADMODE_STATE, CHECKVERSION_STATE,
                               TRANSFER_FIRM, WRITING_FIRM, END_FIRM_UPDATE, CHECKVERSION_STATE,
                               TRANSFER_FIRM, WRITING_FIRM, END_FIRM_UPDATE, END_UPDATE}));
    auto images = sim->ReceivedImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(Pattern(10000), images["BOOTABLE"]);
    EXPECT_EQ(Pattern(70000, 2), images["LANGUAGE"]);
    EXPECT_EQ(8u, LoggedCount("QueryUpdateStatus"));
    EXPECT_EQ(1u, LoggedCount("ExitDownload"));
}

TEST_F(SimWorkerTest, BusyDeviceIsReportedAndNotSentTheExitCommand) {
    SimOptions options;
    options.enterStatus = ZEP_STATUS_BUSY;
    StartSimulator(options);
    LoadZepInfo(SimZepInfo({kBootRow}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Follow([](const tag_devinfo& i) { return i.UpdateState == UPDATE_ERROR; }));
    EXPECT_EQ(RESULT_ERR_BUSY, last.nResult);
    worker.StopThread();
    EXPECT_EQ(0u, LoggedCount("ExitDownload"));
}

TEST_F(SimWorkerTest, ConnectionDroppedDuringATransferIsAConnectionError) {
    SimOptions options;
    options.closeAtRecord = 5; // enter, two fetches, then the second data packet
    StartSimulator(options);
    LoadZepInfo(SimZepInfo({kBootRow}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Follow([](const tag_devinfo& i) { return i.UpdateState == UPDATE_ERROR; }));
    EXPECT_EQ(RESULT_ERR_CONNECT, last.nResult);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
    EXPECT_TRUE(sim->ReceivedImages().empty());
}
