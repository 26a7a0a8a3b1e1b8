// The simulated device refuses what a device in the field refuses, so that a host fault cannot
// pass end to end: files moved outside download mode, records above the advertised MAXPACKET,
// and a second host while one is updating.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr uint16_t kRejected = kSimStatusRejected;
const char kTargetInfo[] = "TGMNAME HV2000\r\nMAXPACKET 4156\r\nSUPPORT_COMMAND 5103\r\n";
constexpr size_t kChunk = 4096; // MAXPACKET less the 60-byte SendFile head

enum class Before { Nothing, RefusedEnter, EnterThenExit, Enter };

struct Case {
    const char* name;
    Before before;
    uint16_t enterStatus; // what the device answers to enter
    size_t chunk;         // data bytes per SendFile packet the host sends
    const char* reason;   // logged with the first refusal
};

const Case kCases[] = {
    {"NoEnter", Before::Nothing, ZEP_STATUS_OK, kChunk, "not in download mode"},
    {"RefusedEnter", Before::RefusedEnter, ZEP_STATUS_BUSY, kChunk, "not in download mode"},
    {"AfterExit", Before::EnterThenExit, ZEP_STATUS_OK, kChunk, "not in download mode"},
    {"HeadLeftOutOfTheChunk", Before::Enter, ZEP_STATUS_OK, kChunk + 60,
     "record of 4216 bytes exceeds MAXPACKET 4156"},
};

struct Strict : ::testing::Test {
    std::unique_ptr<DeviceSimulator> simulator;
    SimTestClient host;

    void Start(uint16_t enterStatus = ZEP_STATUS_OK) {
        SimOptions options;
        options.targetInfo = kTargetInfo;
        options.enterStatus = enterStatus;
        simulator = StartSimulator(options);
        ASSERT_TRUE(host.Connect(simulator->Port()));
    }
    uint16_t GetFileEndNotice(SimTestClient& client) {
        EXPECT_TRUE(client.SendRecord(GetFileRecord("TargetInfo.txt")));
        return ReplyAs<TAG_RESGETFILE>(client.ReadReply()).EndNotice.get();
    }
};

struct StrictCase : Strict, ::testing::WithParamInterface<Case> {};

TEST_P(StrictCase, RefusesTheImageAndWritesNothing) {
    const Case& c = GetParam();
    Start(c.enterStatus);
    if (c.before != Before::Nothing) {
        EXPECT_EQ(c.enterStatus, EnterDownloadMode(host));
    }
    if (c.before == Before::EnterThenExit) {
        ASSERT_TRUE(host.SendRecord(ExitRecord()));
        EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(host.ReadReply()));
    }
    const bool bInMode = c.before == Before::Enter;
    EXPECT_EQ(bInMode ? uint16_t(ZEP_END_FINAL) : kRejected, GetFileEndNotice(host));

    const SimBytes image = Pattern(10000);
    const auto statuses = SendImage(host, "BOOTABLE", image, c.chunk, ZEP_END_FINAL_QUERY);
    EXPECT_EQ(kRejected, statuses.front());
    EXPECT_TRUE(std::none_of(statuses.begin(), statuses.end(), [](uint16_t status) {
        return status == ZEP_STATUS_WRITING;
    })) << "the image was accepted";
    EXPECT_TRUE(simulator->ReceivedImages().empty());
    EXPECT_TRUE(HasLine(ConnectionLines(*simulator, 1), {"\"event\":\"reject\"", c.reason}));

    // The refusal is precise: in download mode and within MAXPACKET the same image goes in.
    if (c.enterStatus == ZEP_STATUS_OK) {
        EXPECT_EQ(ZEP_STATUS_OK, EnterDownloadMode(host));
        EXPECT_EQ(ZEP_STATUS_WRITING,
                  SendImage(host, "BOOTABLE", image, kChunk, ZEP_END_FINAL_QUERY).back());
        EXPECT_EQ(image, simulator->ReceivedImages().at("BOOTABLE"));
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, StrictCase, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Strict, SecondHostIsToldAnotherIsUpdatingAndTheFirstCarriesOn) {
    Start();
    const SimBytes image = Pattern(10000, 4);
    auto sendChunk = [&](size_t offset) {
        const size_t n = std::min(kChunk, image.size() - offset);
        const SimBytes data(image.begin() + static_cast<std::ptrdiff_t>(offset),
                            image.begin() + static_cast<std::ptrdiff_t>(offset + n));
        EXPECT_TRUE(host.Send(
            DataPacket("BOOTABLE", ZEP_END_MORE, static_cast<uint32_t>(offset), 10000, data)));
        return ReplyStatus(host.ReadReply());
    };
    ASSERT_EQ(ZEP_STATUS_OK, EnterDownloadMode(host));
    EXPECT_EQ(ZEP_STATUS_OK, sendChunk(0));

    SimTestClient second; // answered at once, not after the first host leaves
    ASSERT_TRUE(second.Connect(simulator->Port()));
    EXPECT_EQ(ZEP_STATUS_BUSY, EnterDownloadMode(second));
    EXPECT_EQ(kRejected, GetFileEndNotice(second));
    EXPECT_EQ(kRejected, SendImage(second, "BOOTABLE", Pattern(100, 9), 100, ZEP_END_FINAL)[0]);
    EXPECT_TRUE(HasLine(ConnectionLines(*simulator, 2),
                        {"\"event\":\"refuse\"", "\"status\":4097", "connection 1 is updating"}));

    // The first host's image, begun before the second host came, completes untouched.
    EXPECT_EQ(ZEP_STATUS_OK, sendChunk(kChunk));
    EXPECT_EQ(ZEP_STATUS_OK, sendChunk(2 * kChunk));
    ASSERT_TRUE(host.Send(ClosingPacket("BOOTABLE", ZEP_END_FINAL_QUERY, 10000, Sum(image))));
    EXPECT_EQ(ZEP_STATUS_WRITING, ReplyStatus(host.ReadReply()));
    EXPECT_EQ(image, simulator->ReceivedImages().at("BOOTABLE"));

    ASSERT_TRUE(host.SendRecord(ExitRecord()));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(host.ReadReply()));
    EXPECT_EQ(ZEP_STATUS_OK, EnterDownloadMode(second)); // the device is free again
}

} // namespace
