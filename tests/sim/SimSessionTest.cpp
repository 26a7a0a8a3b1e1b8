// Simulator session records: enter and exit download mode, the GetFile answer in packets, and
// status queries in both forms.
#include "SimTestClient.h"

#include <gtest/gtest.h>

namespace {

const char kTargetInfo[] = "TargetInfo.txt";

struct Session {
    std::unique_ptr<DeviceSimulator> simulator;
    SimTestClient client;

    explicit Session(SimOptions options = SimOptions(), bool bEnter = true) {
        simulator = StartSimulator(std::move(options));
        client.Connect(simulator->Port());
        if (bEnter) {
            EXPECT_EQ(ZEP_STATUS_OK, EnterDownloadMode(client));
        }
    }
};

// Reassembles a GetFile answer, checking the framing of every packet on the way.
struct FetchedFile {
    std::vector<TAG_RESGETFILE> heads;
    std::string content;
};

FetchedFile Fetch(SimTestClient& client, const std::string& name) {
    FetchedFile file;
    EXPECT_TRUE(client.SendRecord(GetFileRecord(name)));
    for (;;) {
        const SimBytes packet = client.ReadReply();
        if (packet.size() < sizeof(TAG_RESGETFILE)) {
            ADD_FAILURE() << "GetFile answer ended without a final packet";
            return file;
        }
        const auto head = ReplyAs<TAG_RESGETFILE>(packet);
        EXPECT_EQ(ZEP_CMD_GETFILE, head.Header.CommandCode.get());
        EXPECT_EQ(packet.size() - 28, head.LengthOfSendData.get());
        EXPECT_EQ(file.content.size(), head.TransmittedSize.get());
        file.content.append(packet.begin() + 28, packet.end());
        file.heads.push_back(head);
        if (head.EndNotice.get() != ZEP_END_MORE)
            return file;
    }
}

uint16_t StringSum(const std::string& text) {
    return ZepChecksum(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

class EnterStatus : public ::testing::TestWithParam<uint16_t> {};

TEST_P(EnterStatus, EnterAnswersTheConfiguredStatus) {
    SimOptions options;
    options.enterStatus = GetParam();
    Session s(options, false);
    ASSERT_TRUE(s.client.SendRecord(EnterRecord()));
    const SimBytes reply = s.client.ReadReply();
    ASSERT_EQ(sizeof(TAG_RESENTERDOWNLOAD), reply.size());
    EXPECT_EQ(ZEP_CMD_ENTERDOWNLOAD, ReplyCode(reply));
    EXPECT_EQ(4u, ReplyDataLength(reply));
    EXPECT_EQ(GetParam(), ReplyStatus(reply));
}

INSTANTIATE_TEST_SUITE_P(Statuses, EnterStatus,
                         ::testing::Values(ZEP_STATUS_OK, ZEP_STATUS_BUSY, ZEP_STATUS_FAX,
                                           uint16_t(0x1234)));

TEST(SimSession, EnterAndExitAnswerOnOneConnection) {
    Session s(SimOptions(), false);
    ASSERT_TRUE(s.client.SendRecord(EnterRecord(true)));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(s.client.ReadReply()));
    ASSERT_TRUE(s.client.SendRecord(ExitRecord()));
    const SimBytes reply = s.client.ReadReply();
    ASSERT_EQ(12u, reply.size());
    EXPECT_EQ(ZEP_CMD_EXITDOWNLOAD, ReplyCode(reply));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(reply));
    const auto lines = ConnectionLines(*s.simulator, 1);
    EXPECT_TRUE(HasLine(lines, {"\"seq\":1,\"cmd\":\"EnterDownload\"", "\"force\":1"}));
    EXPECT_TRUE(HasLine(lines, {"\"seq\":2,\"cmd\":\"ExitDownload\",\"code\":20738,\"len\":44"}));
}

TEST(SimGetFile, TargetInfoComesInPacketsWithChecksums) {
    SimOptions options;
    options.targetInfo = std::string(2500, 'a') + "\nMAXPACKET 4156\n";
    options.getFilePacketSize = 1024;
    Session s(options);
    const FetchedFile file = Fetch(s.client, kTargetInfo);
    const std::string& text = options.targetInfo;
    EXPECT_EQ(text, file.content);
    ASSERT_EQ(3u, file.heads.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(ZEP_END_MORE, file.heads[i].EndNotice.get());
        EXPECT_EQ(1024u, file.heads[i].LengthOfSendData.get());
        EXPECT_EQ(StringSum(text.substr(i * 1024, 1024)), file.heads[i].CheckSum.get());
    }
    EXPECT_EQ(ZEP_END_FINAL, file.heads[2].EndNotice.get());
    EXPECT_EQ(text.size() - 2048, file.heads[2].LengthOfSendData.get());
    EXPECT_EQ(StringSum(text), file.heads[2].CheckSum.get()); // whole file, not the packet
    for (const auto& head : file.heads)
        EXPECT_EQ(text.size(), head.TotalTransmitSize.get());
}

TEST(SimGetFile, ExactMultipleEndsWithAFullPacketAndRepeats) {
    SimOptions options;
    options.targetInfo = std::string(2048, 'x');
    Session s(options);
    for (int round = 0; round < 2; ++round) { // the host fetches it again for every image
        const FetchedFile file = Fetch(s.client, kTargetInfo);
        ASSERT_EQ(2u, file.heads.size());
        EXPECT_EQ(1024u, file.heads[1].LengthOfSendData.get());
        EXPECT_EQ(ZEP_END_FINAL, file.heads[1].EndNotice.get());
        EXPECT_EQ(options.targetInfo, file.content);
    }
}

TEST(SimGetFile, EmptyFileIsOneFinalPacket) {
    Session s;
    const FetchedFile file = Fetch(s.client, kTargetInfo);
    ASSERT_EQ(1u, file.heads.size());
    EXPECT_EQ(ZEP_END_FINAL, file.heads[0].EndNotice.get());
    EXPECT_EQ(0u, file.heads[0].TotalTransmitSize.get());
    EXPECT_EQ(0u, file.heads[0].CheckSum.get());
}

TEST(SimGetFile, UnknownFileGetsOneEmptyNotFoundPacket) {
    SimOptions options;
    options.targetInfo = "MODEL X\n";
    Session s(options);
    const FetchedFile file = Fetch(s.client, "targetinfo.txt"); // names are case-sensitive
    ASSERT_EQ(1u, file.heads.size());
    EXPECT_EQ(kSimEndNoSuchFile, file.heads[0].EndNotice.get());
    EXPECT_EQ(0u, file.heads[0].TotalTransmitSize.get());
    EXPECT_TRUE(file.content.empty());
    EXPECT_TRUE(s.client.Quiet());
    EXPECT_TRUE(
        HasLine(ConnectionLines(*s.simulator, 1), {"\"event\":\"error\"", "targetinfo.txt"}));
}

// Status queries after an image of 1000 bytes with three write steps.
class StatusQuery : public ::testing::TestWithParam<bool> {
protected:
    SimBytes Query(Session& s) {
        const bool shortForm = GetParam();
        EXPECT_TRUE(shortForm ? s.client.SendRecord(ShortQueryRecord())
                              : s.client.SendRecord(QueryRecord("FIRM")));
        return s.client.ReadReply();
    }
};

TEST_P(StatusQuery, ProgressGrowsThroughTheWriteStepsThenFinishes) {
    SimOptions options;
    options.writeSteps = 3;
    Session s(options);
    ASSERT_EQ((std::vector<uint16_t>{0x80, 0x80, 0x81}),
              SendImage(s.client, "FIRM", Pattern(1000), 600, ZEP_END_FINAL_QUERY));
    const uint32_t expected[] = {250, 500, 750};
    for (uint32_t done : expected) {
        const SimBytes reply = Query(s);
        ASSERT_EQ(sizeof(TAG_RESQUERYUPDATESTATUS), reply.size());
        const auto res = ReplyAs<TAG_RESQUERYUPDATESTATUS>(reply);
        EXPECT_EQ(ZEP_CMD_QUERYUPDATESTATUS, res.Header.CommandCode.get());
        EXPECT_EQ(12u, res.Header.DataLength.get());
        EXPECT_EQ(ZEP_STATUS_WRITING, res.Status.get());
        EXPECT_EQ(1000u, res.TotalUpdateSize.get());
        EXPECT_EQ(done, res.UpdateSize.get());
    }
    for (int i = 0; i < 2; ++i) { // finished stays finished
        const auto res = ReplyAs<TAG_RESQUERYUPDATESTATUS>(Query(s));
        EXPECT_EQ(ZEP_STATUS_OK, res.Status.get());
        EXPECT_EQ(1000u, res.UpdateSize.get());
    }
}

TEST_P(StatusQuery, WithoutAReceivedImageTheDeviceRejectsTheQuery) {
    Session s;
    const SimBytes reply = Query(s);
    ASSERT_EQ(sizeof(TAG_RESQUERYUPDATESTATUS), reply.size());
    EXPECT_EQ(kSimStatusRejected, ReplyStatus(reply));
}

INSTANTIATE_TEST_SUITE_P(Forms, StatusQuery, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Short" : "Named";
                         });

TEST(SimStatusQuery, NamedQueryFollowsEachImageAndZeroStepsFinishAtOnce) {
    SimOptions options;
    options.writeSteps = 0;
    Session s(options);
    SendImage(s.client, "A", Pattern(10), 8, ZEP_END_FINAL_QUERY);
    SendImage(s.client, "B", Pattern(20), 8, ZEP_END_FINAL_QUERY);
    ASSERT_TRUE(s.client.SendRecord(QueryRecord("A")));
    auto res = ReplyAs<TAG_RESQUERYUPDATESTATUS>(s.client.ReadReply());
    EXPECT_EQ(ZEP_STATUS_OK, res.Status.get());
    EXPECT_EQ(10u, res.TotalUpdateSize.get());
    ASSERT_TRUE(s.client.SendRecord(ShortQueryRecord())); // the image last completed
    res = ReplyAs<TAG_RESQUERYUPDATESTATUS>(s.client.ReadReply());
    EXPECT_EQ(20u, res.TotalUpdateSize.get());
    ASSERT_TRUE(s.client.SendRecord(QueryRecord("C")));
    EXPECT_EQ(kSimStatusRejected, ReplyStatus(s.client.ReadReply()));
}

} // namespace
