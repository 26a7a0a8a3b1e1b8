// Simulator fault knobs: each one observed from the host's side of the wire, counted per
// connection.
#include "SimTestClient.h"

#include <gtest/gtest.h>

namespace {

struct Faults : ::testing::Test {
    std::unique_ptr<DeviceSimulator> simulator;
    SimTestClient client;
    size_t opened = 0;

    void Start(const SimOptions& options) {
        simulator = StartSimulator(options);
        client.Connect(simulator->Port());
        opened = 1;
    }
    SimBytes Enter() {
        EXPECT_TRUE(client.SendRecord(EnterRecord()));
        return client.ReadReply();
    }
    // A fresh connection once the device has seen the last one end (and leave download mode).
    void Reconnect() {
        client.Close();
        ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == opened; }));
        client = SimTestClient();
        client.Connect(simulator->Port());
        ++opened;
    }
    std::vector<std::string> Lines(unsigned conn = 1) const {
        return ConnectionLines(*simulator, conn);
    }
};

TEST_F(Faults, CloseAtRecordDropsTheConnectionOnEveryConnection) {
    SimOptions options;
    options.closeAtRecord = 2;
    Start(options);
    for (unsigned conn = 1; conn <= 2; ++conn) {
        EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
        ASSERT_TRUE(client.SendRecord(EnterRecord()));
        EXPECT_TRUE(client.WaitClosed());
        ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == conn; }));
        EXPECT_TRUE(HasLine(Lines(conn), {"\"seq\":2", "\"fault\":\"close\""}));
        EXPECT_TRUE(HasLine(Lines(conn), {"\"event\":\"disconnect\"", "\"reason\":\"fault\""}));
        Reconnect();
    }
}

TEST_F(Faults, SilentFromRecordReadsButNeverAnswers) {
    SimOptions options;
    options.silentFromRecord = 2;
    options.targetInfo = "MODEL X\n";
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    ASSERT_TRUE(client.SendRecord(GetFileRecord("TargetInfo.txt")));
    ASSERT_TRUE(client.SendRecord(ExitRecord()));
    ASSERT_TRUE(
        WaitUntil([&] { return HasLine(Lines(), {"\"seq\":3,\"cmd\":\"ExitDownload\""}); }));
    EXPECT_TRUE(client.Quiet());
    EXPECT_TRUE(HasLine(Lines(), {"\"seq\":2", "\"fault\":\"silent\""}));
}

TEST_F(Faults, ReplyDelayHoldsEveryReply) {
    SimOptions options;
    options.replyDelayMs = 60;
    Start(options);
    ASSERT_TRUE(client.SendRecord(EnterRecord()));
    EXPECT_TRUE(client.Quiet(20)); // the delay is a lower bound, whatever the machine's speed
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(client.ReadReply()));
}

TEST_F(Faults, SendFileStatusAtAnswersTheGivenStatusAndDropsTheImage) {
    SimOptions options;
    options.sendFileStatusAt = 2;
    options.sendFileStatus = ZEP_STATUS_WRITE_ERROR;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    const SimBytes image = Pattern(300);
    // Once the device has given the image up, the rest of it is refused too.
    EXPECT_EQ((std::vector<uint16_t>{ZEP_STATUS_OK, ZEP_STATUS_WRITE_ERROR,
                                     ZEP_STATUS_CHECKSUM_ERROR, ZEP_STATUS_CHECKSUM_ERROR}),
              SendImage(client, "W", image, 100, ZEP_END_FINAL));
    EXPECT_TRUE(simulator->ReceivedImages().empty());
    EXPECT_TRUE(HasLine(Lines(), {"\"fault\":\"sendfile-status\"", "\"status\":2051"}));
    // The count is per connection: a fresh one fails at its own second packet.
    Reconnect();
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    EXPECT_EQ(ZEP_STATUS_WRITE_ERROR, SendImage(client, "W", image, 100, ZEP_END_FINAL)[1]);
}

TEST_F(Faults, InjectedAcceptanceKeepsTheImage) {
    SimOptions options;
    options.sendFileStatusAt = 2;
    options.sendFileStatus = ZEP_STATUS_WRITING;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    const SimBytes image = Pattern(300);
    EXPECT_EQ(
        (std::vector<uint16_t>{ZEP_STATUS_OK, ZEP_STATUS_WRITING, ZEP_STATUS_OK, ZEP_STATUS_OK}),
        SendImage(client, "K", image, 100, ZEP_END_FINAL));
    EXPECT_EQ(image, simulator->ReceivedImages()["K"]);
}

TEST_F(Faults, SendFileStatusOnTheClosingPacket) {
    SimOptions options;
    options.sendFileStatusAt = 2;
    options.sendFileStatus = ZEP_STATUS_CHECKSUM_ERROR;
    options.ackIntermediate = false; // an injected status is answered even so
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    ASSERT_TRUE(client.Send(DataPacket("Z", ZEP_END_MORE, 0, 10, Pattern(10))));
    ASSERT_TRUE(client.Send(ClosingPacket("Z", ZEP_END_FINAL_QUERY, 10, Sum(Pattern(10)))));
    EXPECT_EQ(ZEP_STATUS_CHECKSUM_ERROR, ReplyStatus(client.ReadReply()));
    EXPECT_TRUE(simulator->ReceivedImages().empty());
}

TEST_F(Faults, CorruptGetFilePacketChecksum) {
    SimOptions options;
    options.targetInfo = std::string(3000, 'q');
    options.corruptGetFilePacket = 2;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    ASSERT_TRUE(client.SendRecord(GetFileRecord("TargetInfo.txt")));
    std::vector<SimBytes> packets;
    for (int i = 0; i < 3; ++i)
        packets.push_back(client.ReadReply());
    auto sumField = [&](size_t i) { return ReplyAs<TAG_RESGETFILE>(packets[i]).CheckSum.get(); };
    auto dataSum = [&](size_t i) {
        return packets[i].size() < 28 ? 0
                                      : ZepChecksum(packets[i].data() + 28, packets[i].size() - 28);
    };
    const std::string& file = options.targetInfo;
    EXPECT_EQ(dataSum(0), sumField(0));
    EXPECT_EQ(uint16_t(dataSum(1) + 1), sumField(1));
    EXPECT_EQ(ZepChecksum(reinterpret_cast<const unsigned char*>(file.data()), file.size()),
              sumField(2));
    EXPECT_TRUE(HasLine(Lines(), {"\"fault\":\"getfile-checksum\"", "\"packet\":2"}));
}

TEST_F(Faults, WrongCodeAtRecordChangesOnlyThatRecordsReplies) {
    SimOptions options;
    options.wrongCodeAtRecord = 2;
    options.targetInfo = std::string(1500, 'w');
    Start(options);
    EXPECT_EQ(ZEP_CMD_ENTERDOWNLOAD, ReplyCode(Enter()));
    ASSERT_TRUE(client.SendRecord(GetFileRecord("TargetInfo.txt")));
    for (int i = 0; i < 2; ++i) { // every packet of the answer
        const SimBytes packet = client.ReadReply();
        ASSERT_FALSE(packet.empty());
        EXPECT_NE(ZEP_CMD_GETFILE, ReplyCode(packet));
    }
    EXPECT_EQ(ZEP_CMD_ENTERDOWNLOAD, ReplyCode(Enter()));
}

class BadLength : public Faults, public ::testing::WithParamInterface<int32_t> {};

TEST_P(BadLength, DataLengthMisstatesTheRecordSent) {
    SimOptions options;
    options.badLengthAtRecord = 1;
    options.badLengthDelta = GetParam();
    Start(options);
    ASSERT_TRUE(client.SendRecord(EnterRecord()));
    SimBytes reply;
    ASSERT_TRUE(client.ReadExact(sizeof(TAG_RESENTERDOWNLOAD), reply)); // 12 bytes are sent
    EXPECT_EQ(uint32_t(4 + GetParam()), ReplyDataLength(reply));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(reply));
    EXPECT_TRUE(client.Quiet());
}

INSTANTIATE_TEST_SUITE_P(Deltas, BadLength, ::testing::Values(1, -1, 100));

TEST_F(Faults, QueryWriteFaultFromTheNthQuery) {
    SimOptions options;
    options.queryWriteFaultFrom = 2;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter()));
    SendImage(client, "Q", Pattern(100), 100, ZEP_END_FINAL_QUERY);
    auto query = [&] {
        EXPECT_TRUE(client.SendRecord(QueryRecord("Q")));
        return ReplyStatus(client.ReadReply());
    };
    EXPECT_EQ(ZEP_STATUS_WRITING, query());
    EXPECT_EQ(ZEP_STATUS_WRITE_ERROR, query());
    EXPECT_EQ(ZEP_STATUS_WRITE_ERROR, query()); // a failed write stays failed
    EXPECT_TRUE(HasLine(Lines(), {"\"fault\":\"query-write-error\""}));
}

} // namespace

TEST_F(Faults, IdleHostInDownloadModeIsDroppedSoTheNextCanUpdate) {
    SimOptions options;
    options.idleTimeoutMs = 60;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(Enter())); // and then nothing more
    SimTestClient second;
    ASSERT_TRUE(second.Connect(simulator->Port()));
    EXPECT_EQ(ZEP_STATUS_BUSY, EnterDownloadMode(second));
    ASSERT_TRUE(WaitUntil([&] { return HasLine(Lines(1), {"\"reason\":\"idle\""}); }));
    SimTestClient later;
    ASSERT_TRUE(later.Connect(simulator->Port()));
    EXPECT_EQ(ZEP_STATUS_OK, EnterDownloadMode(later));
}
