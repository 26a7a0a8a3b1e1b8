// The update worker against the scripted device: the record's phases as the front-end sees
// them, failures, every point where a stop request is honoured, and the start-up seams.
#include "WorkerFixture.h"
#include "FailingNew.h"
#include "zepMac.h"
#include "zepThreadC.h"

#include <cstring>

namespace {

const uint16_t ENTER = ZEP_CMD_ENTERDOWNLOAD, EXIT = ZEP_CMD_EXITDOWNLOAD,
               GETFILE = ZEP_CMD_GETFILE, SENDFILE = ZEP_CMD_SENDFILE,
               QUERY = ZEP_CMD_QUERYUPDATESTATUS;

std::string ZepInfoWith(std::initializer_list<std::string> versionRows,
                        const std::string& tgmName = "TGMNAME HV2000") {
    std::string text = Rows({tgmName, "PORTNO 48350", "ENTERTIME 20", "EXITTIME 5", "UPDATETIME 60",
                             "ALLOWVERSIONDOWN NO", "SPECIALCMDPATTERN NO"});
    for (const auto& row : versionRows)
        text += row + "\r\n";
    return text;
}

const char* const kBootRow = "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE";
const char* const kLangRow = "VERSION LANGUAGE=HV000300 lang.bin LANGUAGE"; // device has it

std::string NameOf(const tag_devinfo& info) {
    return std::string(info.FileName, strnlen(info.FileName, sizeof info.FileName));
}

} // namespace

TEST_F(WorkerTest, PollingIntervalZeroIsRefused) {
    EXPECT_FALSE(worker.SetPolling(0));
    EXPECT_TRUE(worker.SetPolling(500));
    EXPECT_TRUE(worker.SetPolling(1));
}

TEST_F(WorkerTest, UnstartedWorkerShowsTheInitialRecordAndStopsAtOnce) {
    tag_devinfo info = Record();
    EXPECT_EQ(NORMALMODE_STATE, info.UpdateState);
    EXPECT_EQ(RESULT_OK, info.nResult);
    EXPECT_EQ(0u, info.dwFirmIdx);
    EXPECT_TRUE(worker.StopThread());
    EXPECT_TRUE(worker.IsStopRequested());
    EXPECT_EQ(0, device->connects);
}

TEST_F(WorkerTest, OneImageWithWritingProgressPassesThePhasesInOrder) {
    device->writeSteps = 3;
    ASSERT_TRUE(Start());
    worker.SetPolling(1);
    ASSERT_TRUE(WaitForState(END_UPDATE));
    // The exit command waits for the front-end's stop.
    EXPECT_EQ(0u, Count(EXIT));
    worker.StopThread();
    EXPECT_EQ(1u, Count(EXIT));
    EXPECT_EQ(1, device->disconnects);

    EXPECT_EQ((std::vector<update_state>{NORMALMODE_STATE, DOWNLOADMODE_STATE, TRANSFER_FIRM,
                                         WRITING_FIRM, END_FIRM_UPDATE, END_UPDATE}),
              Phases());
    // Three writing publications with the device's own figures, then written.
    auto queries = SightingsAt(QUERY);
    ASSERT_EQ(4u, queries.size());
    for (size_t k = 1; k < queries.size(); ++k) {
        EXPECT_EQ(WRITING_FIRM, queries[k].info.UpdateState);
        EXPECT_EQ(10000u / 4 * k, queries[k].info.dwCurrentSize);
        EXPECT_EQ(10000u, queries[k].info.dwMaxSize);
        EXPECT_EQ("BOOTABLE", NameOf(queries[k].info));
    }
    // Transfer progress grows by one chunk per accepted packet.
    auto sends = SightingsAt(SENDFILE);
    ASSERT_EQ(4u, sends.size()); // three data packets and the closing one
    for (size_t k = 0; k < sends.size(); ++k) {
        EXPECT_EQ(TRANSFER_FIRM, sends[k].info.UpdateState);
        EXPECT_EQ(std::min<uint32_t>(4096u * k, 10000u), sends[k].info.dwCurrentSize);
        EXPECT_EQ(1u, sends[k].info.dwFirmIdx);
        EXPECT_TRUE(sends[k].info.bSupportQureryUpdate);
    }
    tag_devinfo last = Record();
    EXPECT_EQ(RESULT_OK, last.nResult);
    EXPECT_EQ(1u, last.dwUpdatedFirmNum);
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);
}

TEST_F(WorkerTest, StatusQueriesFollowThePollingInterval) {
    device->writeSteps = 3;
    ASSERT_TRUE(worker.SetPolling(30));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();
    auto queries = SightingsAt(QUERY);
    ASSERT_EQ(4u, queries.size());
    for (size_t k = 1; k < queries.size(); ++k)
        EXPECT_GE(queries[k].when - queries[k - 1].when, std::chrono::milliseconds(30));
}

TEST_F(WorkerTest, DeviceWithoutStatusQueriesEndsEachImageAfterItsTransfer) {
    device->targetInfo = Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100", "MAXPACKET 4156",
                               "SUPPORT_COMMAND 5101", "SUPPORT_COMMAND 5102"});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();
    EXPECT_EQ(0u, Count(QUERY));
    EXPECT_EQ((std::vector<update_state>{NORMALMODE_STATE, DOWNLOADMODE_STATE, TRANSFER_FIRM,
                                         END_FIRM_UPDATE, END_UPDATE}),
              Phases());
    // The image's end is followed by a fixed pause, the last one before the exit command.
    auto pauses = SightingsAt(0);
    ASSERT_FALSE(pauses.empty());
    EXPECT_EQ(END_FIRM_UPDATE, pauses.back().info.UpdateState);
    EXPECT_FALSE(pauses.back().info.bSupportQureryUpdate);
}

TEST_F(WorkerTest, RefusedDownloadModeFailsWithoutExitCommand) {
    device->enterStatus = ZEP_STATUS_BUSY;
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    EXPECT_EQ(RESULT_ERR_BUSY, Record().nResult);
    worker.StopThread();
    EXPECT_EQ(std::vector<uint16_t>{ENTER}, device->Commands());
    EXPECT_EQ(1, device->disconnects); // the connection is closed all the same
}

TEST_F(WorkerTest, ImageNeedingNoUpdateIsRecordedAndTheNextOneIsSent) {
    LoadZepInfo(ZepInfoWith({kLangRow, kBootRow}));
    UsePackage({{"lang.bin", Pattern(300, 2)}, {"boot.bin", Pattern(10000)}});
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();

    // The second image's version check sees the first one's outcome.
    auto fetches = SightingsAt(GETFILE);
    ASSERT_EQ(3u, fetches.size()); // session start, then one check per image
    EXPECT_EQ(RESULT_NO_UPDATE, fetches[2].info.nResult);
    EXPECT_EQ("LANGUAGE", NameOf(fetches[2].info));
    EXPECT_EQ(2u, fetches[2].info.dwFirmIdx);
    EXPECT_EQ(0u, fetches[2].info.dwUpdatedFirmNum);

    tag_devinfo last = Record();
    EXPECT_EQ(RESULT_OK, last.nResult);
    EXPECT_EQ(1u, last.dwUpdatedFirmNum);
    EXPECT_EQ(1u, device->images.size());
    EXPECT_EQ(1u, device->images.count("BOOTABLE"));
}

TEST_F(WorkerTest, NothingToUpdateEndsWithNoUpdateAndNoImageSent) {
    LoadZepInfo(ZepInfoWith({kLangRow}));
    UsePackage({{"lang.bin", Pattern(300, 2)}, {"boot.bin", Pattern(10)}});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();
    tag_devinfo last = Record();
    EXPECT_EQ(RESULT_NO_UPDATE, last.nResult);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
    EXPECT_EQ(0u, Count(SENDFILE));
    EXPECT_EQ(1u, Count(EXIT));
}

TEST_F(WorkerTest, PackageWithoutImagesGoesStraightToTheEnd) {
    LoadZepInfo(ZepInfoWith({}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();
    tag_devinfo last = Record();
    EXPECT_EQ(RESULT_OK, last.nResult);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
    EXPECT_EQ((std::vector<uint16_t>{ENTER, GETFILE, EXIT}), device->Commands());
}

TEST_F(WorkerTest, ImagePassedOverByTheVersionCheckIsNeitherCountedNorFollowed) {
    LoadZepInfo(ZepInfoWith({"VERSION BOOTABLE=QQrr0150 boot.bin BOOTABLE"}));
    device->targetInfo = Rows(
        {"TGMNAME HV2000", "VERSION BOOTABLE1=QQss0149", "MAXPACKET 4156", "SUPPORT_COMMAND 5103"});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE));
    worker.StopThread();
    EXPECT_EQ(0u, Count(SENDFILE));
    EXPECT_EQ(0u, Count(QUERY)); // nothing was sent, so there is no writing to follow
    tag_devinfo last = Record();
    EXPECT_EQ(RESULT_OK, last.nResult);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum); // nothing sent: the front-ends say no update was needed
}

TEST_F(WorkerTest, DeviceErrorDuringTransferEndsTheRunWithExitCommand) {
    device->sendFileStatus[3] = ZEP_STATUS_CHECKSUM_ERROR; // the closing packet
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    tag_devinfo failed = Record();
    EXPECT_EQ(RESULT_ERR_CHECKSUM, failed.nResult);
    EXPECT_EQ(0u, failed.dwUpdatedFirmNum);
    worker.StopThread();
    EXPECT_EQ(EXIT, device->Commands().back());
    EXPECT_EQ(0u, Count(QUERY));
}

TEST_F(WorkerTest, WriteErrorReportedByStatusQueryEndsTheRun) {
    device->queryStatus = ZEP_STATUS_WRITE_ERROR;
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    EXPECT_EQ(RESULT_ERR_WRITE, Record().nResult);
    worker.StopThread();
    EXPECT_EQ(1u, Count(QUERY));
    EXPECT_EQ(EXIT, device->Commands().back());
}

TEST_F(WorkerTest, MissingModelNameIsAHostError) {
    LoadZepInfo(ZepInfoWith({kBootRow}, "PRODUCT none"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    EXPECT_EQ(RESULT_ERR_SYSTEM, Record().nResult);
    worker.StopThread();
    EXPECT_EQ((std::vector<uint16_t>{ENTER, GETFILE, EXIT}), device->Commands());
}

TEST_F(WorkerTest, LostConnectionIsReported) {
    device->transportError[1] = DEVCONN_ERR_RECV; // the first fetch of TargetInfo.txt
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    EXPECT_EQ(RESULT_ERR_CONNECT, Record().nResult);
}

// --- Stop requests ---

TEST_F(WorkerTest, StopBeforeTheFirstImageSendsNoImage) {
    holdUntilStop = [](uint16_t command, size_t nth) { return command == GETFILE && nth == 0; };
    ASSERT_TRUE(Start());
    StopWhenHeld();
    JoinStopper();
    EXPECT_EQ((std::vector<uint16_t>{ENTER, GETFILE, EXIT}), device->Commands());
    tag_devinfo last = Record();
    EXPECT_EQ(DOWNLOADMODE_STATE, last.UpdateState);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
}

TEST_F(WorkerTest, StopDuringATransferCompletesItAndStartsNoFurtherImage) {
    LoadZepInfo(ZepInfoWith({kBootRow, "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE"}));
    UsePackage({{"boot.bin", Pattern(10000)}, {"lang.bin", Pattern(300, 2)}});
    holdUntilStop = [](uint16_t command, size_t nth) { return command == SENDFILE && nth == 1; };
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    StopWhenHeld();
    JoinStopper();
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]); // closing packet included
    EXPECT_EQ(0u, device->images.count("LANGUAGE"));
    EXPECT_EQ(3u, Count(QUERY)); // its writing is followed to the device's own end
    EXPECT_EQ(4u, Count(SENDFILE));
    EXPECT_EQ(EXIT, device->Commands().back());
    EXPECT_EQ(1u, Record().dwUpdatedFirmNum);
}

// Leaving download mode in the middle of a write could leave the device without firmware: a stop
// waits for the device's own end of the write, and says so in the record meanwhile.
TEST_F(WorkerTest, StopDuringTheWriteWaitsForTheDeviceToFinish) {
    LoadZepInfo(ZepInfoWith({kBootRow, "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE"}));
    UsePackage({{"boot.bin", Pattern(10000)}, {"lang.bin", Pattern(300, 2)}});
    device->writeSteps = 20;
    holdUntilStop = [](uint16_t command, size_t nth) { return command == QUERY && nth == 0; };
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    StopWhenHeld();
    JoinStopper();
    EXPECT_EQ(21u, Count(QUERY));
    EXPECT_EQ(0u, device->images.count("LANGUAGE"));
    EXPECT_EQ(EXIT, device->Commands().back());
    tag_devinfo last = Record();
    EXPECT_EQ(1u, last.dwUpdatedFirmNum); // confirmed by the device
    EXPECT_EQ(0u, last.dwUnconfirmedFirmNum);
    EXPECT_EQ(END_FIRM_UPDATE, last.UpdateState);
    EXPECT_FALSE(last.bStopWaitsForWrite);
    EXPECT_TRUE(SightingsAt(QUERY).back().info.bStopWaitsForWrite);
    EXPECT_EQ(0u, SightingsAt(QUERY).back().info.dwUpdatedFirmNum); // not before the device says
    // No fixed pause after the write ended by the stop: the last pause came before the queries.
    EXPECT_LT(SightingsAt(0).back().when, SightingsAt(QUERY).front().when);
}

// A second stop request gives the wait up: the image is sent but not confirmed, never updated.
TEST_F(WorkerTest, SecondStopGivesTheWaitUpAndLeavesTheImageUnconfirmed) {
    device->writeSteps = 1000000;
    holdUntilStop = [](uint16_t command, size_t nth) { return command == QUERY && nth == 0; };
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    StopWhenHeld(); // the first request, from a front-end blocked in StopThread
    ASSERT_TRUE(WaitFor([](const tag_devinfo& i) { return i.bStopWaitsForWrite; }));
    worker.RequestStop();
    JoinStopper();
    EXPECT_LT(Count(QUERY), 1000000u);
    EXPECT_EQ(EXIT, device->Commands().back());
    tag_devinfo last = Record();
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
    EXPECT_EQ(1u, last.dwUnconfirmedFirmNum);
    EXPECT_FALSE(last.bStopWaitsForWrite);
}

// A stop that waits for a device stuck at the same figures ends after UPDATETIME, as a failure.
TEST_F(WorkerTest, StopWaitingForAStuckWriteEndsAfterUpdateTime) {
    static std::atomic<unsigned long> s_now{0};
    ZepTickFn prev = ZepSetTickHook([] { return s_now += 5000; });
    device->queryStatus = ZEP_STATUS_WRITING; // 0 of the image, for ever
    holdUntilStop = [](uint16_t command, size_t nth) { return command == QUERY && nth == 0; };
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    StopWhenHeld();
    JoinStopper();
    ZepSetTickHook(prev);
    tag_devinfo last = Record();
    EXPECT_EQ(UPDATE_ERROR, last.UpdateState);
    EXPECT_EQ(RESULT_ERR_DEVICE, last.nResult);
    EXPECT_EQ(0u, last.dwUpdatedFirmNum);
    EXPECT_EQ(1u, last.dwUnconfirmedFirmNum);
    EXPECT_EQ(EXIT, device->Commands().back());
}

TEST_F(WorkerTest, StopAfterAFailureEndsTheWaitAtOnce) {
    device->enterStatus = ZEP_STATUS_FAX;
    worker.SetPolling(60000); // the wait would be a minute without the wake-up
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForState(UPDATE_ERROR));
    auto begin = std::chrono::steady_clock::now();
    worker.StopThread();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
    EXPECT_EQ(RESULT_ERR_FAX, Record().nResult);
}

TEST_F(WorkerTest, DestroyingARunningWorkerStopsItFirst) {
    auto owned = std::make_unique<zepThread>();
    char address[] = "127.0.0.1";
    ASSERT_TRUE(owned->UpdateStart(nullptr, address, 48350));
    owned->SetPolling(1);
    ASSERT_TRUE(WaitFor([&](const tag_devinfo&) {
        tag_devinfo info;
        owned->CheckState(info);
        return info.UpdateState == END_UPDATE;
    }));
    owned.reset();
    EXPECT_EQ(EXIT, device->Commands().back());
}

// --- Start-up ---

TEST_F(WorkerTest, SecondStartOnTheSameWorkerIsRefused) {
    ASSERT_TRUE(Start());
    worker.SetPolling(1);
    EXPECT_FALSE(Start());
    ASSERT_TRUE(WaitForState(END_UPDATE)); // the first run goes on undisturbed
    worker.StopThread();
    EXPECT_FALSE(Start());
    EXPECT_EQ(1, device->connects);
}

TEST_F(WorkerTest, ThreadThatCannotBeCreatedFailsTheStartVisibly) {
    const long baseline = zepmac::OpenEventCount();
    zepmac::BeginThreadHook previous = zepmac::SetBeginThreadHook(
        [](zepmac::TAG_THREADDATA&, zepmac::ThreadStartFn, unsigned int, void*) { return false; });
    bool started = Start();
    zepmac::SetBeginThreadHook(previous);
    EXPECT_FALSE(started);
    EXPECT_EQ(baseline, zepmac::OpenEventCount());
    tag_devinfo info = Record();
    EXPECT_EQ(UPDATE_ERROR, info.UpdateState);
    EXPECT_EQ(RESULT_ERR_SYSTEM, info.nResult);
    EXPECT_EQ(0, device->connects);
}

TEST_F(WorkerTest, WorkerThatCannotCreateItsSessionFailsTheStart) {
    const long baseline = zepmac::OpenEventCount();
    FailNextAllocationElsewhere(sizeof(zepProtocol));
    bool started = Start();
    EXPECT_FALSE(FailNextAllocationPending());
    EXPECT_FALSE(started);
    EXPECT_EQ(baseline, zepmac::OpenEventCount());
    tag_devinfo info = Record();
    EXPECT_EQ(UPDATE_ERROR, info.UpdateState);
    EXPECT_EQ(RESULT_ERR_SYSTEM, info.nResult);
    EXPECT_EQ(0, device->connects);
}

// --- Plain functions ---

TEST_F(WorkerTest, PlainFunctionsDriveAWorker) {
    zep_thread thread = zep_thread_create();
    ASSERT_NE(nullptr, thread);
    char address[] = "127.0.0.1";
    EXPECT_FALSE(zepThread_SetPolling(thread, 0));
    ASSERT_TRUE(zepThread_UpdateStart(thread, nullptr, address, 48350));
    EXPECT_TRUE(zepThread_SetPolling(thread, 1));
    EXPECT_FALSE(zepThread_CheckState(thread, nullptr));
    tag_devinfo info;
    for (int i = 0; i < 20000 && info.UpdateState != END_UPDATE; ++i) {
        ASSERT_TRUE(zepThread_CheckState(thread, &info));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(END_UPDATE, info.UpdateState);
    EXPECT_TRUE(zepThread_StopThread(thread));
    EXPECT_EQ(EXIT, device->Commands().back());
    zep_thread_delete(thread);
}

TEST(WorkerPlainFunctions, NullHandleIsRefused) {
    tag_devinfo info;
    EXPECT_FALSE(zepThread_UpdateStart(nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(zepThread_StopThread(nullptr));
    EXPECT_FALSE(zepThread_SetPolling(nullptr, 500));
    EXPECT_FALSE(zepThread_CheckState(nullptr, &info));
    zep_thread_delete(nullptr);
}

// Without a time limit of the package no device is touched: the run would enter download mode
// and then fail every image.
TEST_F(WorkerTest, MissingTimeLimitTouchesNoDevice) {
    for (const char* row : {"ENTERTIME 20\r\n", "EXITTIME 5\r\n", "UPDATETIME 60\r\n"}) {
        NewDevice();
        std::string info = ZepInfoWith({kBootRow});
        LoadZepInfo(info.erase(info.find(row), std::strlen(row)));
        zepThread run;
        char port[] = "127.0.0.1";
        ASSERT_TRUE(run.UpdateStart(nullptr, port, 48350));
        tag_devinfo last;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do
            run.CheckState(last);
        while (last.UpdateState != UPDATE_ERROR && std::chrono::steady_clock::now() < deadline);
        run.StopThread();
        EXPECT_EQ(RESULT_ERR_SYSTEM, last.nResult) << row;
        EXPECT_EQ(0, device->connects) << row;
    }
}

// A device that keeps saying "still writing" with figures that never move fails the image once
// UPDATETIME has passed, on a clock that runs 5 s a look.
TEST_F(WorkerTest, DeviceStuckWritingFailsAfterUpdateTime) {
    static std::atomic<unsigned long> s_now{0};
    ZepTickFn prev = ZepSetTickHook([] { return s_now += 5000; });
    device->override = [](int, const std::vector<uint8_t>& request,
                          std::vector<std::vector<uint8_t>>& replies) {
        if (request.size() < 4 || ((request[2] << 8) | request[3]) != ZEP_CMD_QUERYUPDATESTATUS)
            return false;
        replies = {MakeQueryReply(ZEP_STATUS_WRITING, 100, 10)};
        return true;
    };
    worker.SetPolling(1);
    ASSERT_TRUE(Start());
    const bool ended = WaitForState(UPDATE_ERROR);
    worker.StopThread();
    ZepSetTickHook(prev);
    ASSERT_TRUE(ended);
    EXPECT_EQ(RESULT_ERR_DEVICE, Record().nResult);
    EXPECT_GE(Count(QUERY), 12u); // 60 s of UPDATETIME at 5 s a look
    EXPECT_EQ(EXIT, device->Commands().back());
}
