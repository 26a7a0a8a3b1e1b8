// The update session against a scripted device: download mode, the TargetInfo.txt fetch and the
// status query, with every reply judged and handed back.
#include "EngineFixture.h"
#include "zepSession.h"

namespace {

using Replies = std::vector<std::vector<uint8_t>>;

// Answers every request of one command with the given replies; the device answers the others.
std::function<bool(int, const std::vector<uint8_t>&, Replies&)> On(uint16_t code, Replies replies) {
    return [code, replies](int, const std::vector<uint8_t>& request, Replies& out) {
        if (request.size() < 4 || ((request[2] << 8) | request[3]) != code)
            return false;
        out = replies;
        return true;
    };
}

uint16_t Sum(const std::string& s) {
    return ZepChecksum(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

} // namespace

TEST_F(EngineTest, EnterDownloadModeJudgesTheStatus) {
    struct Case {
        uint16_t status;
        ZEPRESULT result;
    } cases[] = {{0x0080, 1}, {0x1001, -3}, {0x1002, -4}, {0x0081, -5}, {0x0803, -5}};
    for (const auto& c : cases) {
        device->enterStatus = c.status;
        zepProtocol proto;
        EXPECT_EQ(c.result, Enter(proto)) << std::hex << c.status;
    }
    // Every connection closed by the protocol object's end, every reply handed back.
    EXPECT_EQ(device->connects, device->disconnects);
    EXPECT_EQ(0u, device->buffersLeftAtDisconnect);
}

TEST_F(EngineTest, EnterDownloadModeRejectsBadReplies) {
    // A well-formed header with no room for the status.
    std::vector<uint8_t> headerOnly = MakeStatusReply(0x5101, 0x80);
    headerOnly.resize(8);
    headerOnly[7] = 0;
    struct Case {
        const char* what;
        Replies replies;
    } cases[] = {
        {"no reply", {}},
        {"header only", {headerOnly}},
        {"other command", {MakeStatusReply(0x5102, 0x80)}},
    };
    for (auto& c : cases) {
        device->override = On(0x5101, c.replies);
        zepProtocol proto;
        EXPECT_EQ(-5, Enter(proto)) << c.what;
    }
    EXPECT_EQ(0u, device->buffersLeftAtDisconnect);
}

TEST_F(EngineTest, EnterDownloadModeMapsTransportFailures) {
    device->connectError = -8;
    {
        zepProtocol proto;
        EXPECT_EQ(-6, Enter(proto));
    }
    device->connectError = 0;
    for (auto code : {std::make_pair(-12, -6), std::make_pair(-13, -6), std::make_pair(-10, -9),
                      std::make_pair(-9, -9), std::make_pair(-5, -9)}) {
        device->transportError = {{static_cast<int>(device->requests.size()), code.first}};
        zepProtocol proto;
        EXPECT_EQ(code.second, Enter(proto)) << code.first;
    }
}

TEST_F(EngineTest, ModeTimeoutsComeFromTheInformationFile) {
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    ASSERT_EQ(1, proto.ExitDownLoadMode());
    EXPECT_EQ((std::vector<uint32_t>{20000, 5000}), device->timeouts);

    LoadZepInfo(Rows({"TGMNAME HV2000", "ENTERTIME 0", "EXITTIME -3"}));
    device->timeouts.clear();
    ASSERT_EQ(1, Enter(proto));
    ASSERT_EQ(1, proto.ExitDownLoadMode());
    EXPECT_EQ((std::vector<uint32_t>{500, 500}), device->timeouts);
    EXPECT_EQ(4096u, device->packetSize);

    LoadZepInfo(Rows({"ENTERTIME"})); // present without a value: unreadable
    EXPECT_EQ(-9, Enter(proto));
}

TEST_F(EngineTest, ExitSendsTheCommandAndCloses) {
    zepProtocol proto;
    EXPECT_EQ(-1, proto.ExitDownLoadMode()); // no connection yet
    ASSERT_EQ(1, Enter(proto));
    EXPECT_EQ(1, proto.ExitDownLoadMode());
    EXPECT_EQ((std::vector<uint16_t>{0x5101, 0x5102}), device->Commands());
    EXPECT_EQ(1, device->disconnects);
    EXPECT_EQ(-1, proto.ExitDownLoadMode());

    // A failed exit leaves the connection open until the object ends.
    {
        zepProtocol other;
        ASSERT_EQ(1, Enter(other));
        device->transportError = {{static_cast<int>(device->requests.size()), -12}};
        EXPECT_EQ(-6, other.ExitDownLoadMode());
        EXPECT_EQ(1, device->disconnects);
    }
    EXPECT_EQ(2, device->disconnects);
}

TEST_F(EngineTest, SessionLeavesDownloadModeOnceAndOnlyWhenEntered) {
    char port[] = "127.0.0.1";
    device->enterStatus = 0x1001;
    {
        zepProtocol proto;
        zepSession session(proto);
        EXPECT_EQ(-3, session.Enter(nullptr, port, 48350));
    } // refused: nothing to leave
    EXPECT_EQ((std::vector<uint16_t>{0x5101}), device->Commands());

    NewDevice();
    {
        zepProtocol proto;
        zepSession session(proto);
        ASSERT_EQ(1, session.Enter(nullptr, port, 48350));
        ASSERT_EQ(1, session.ReadDevice());
        EXPECT_STREQ("HV2000", session.PackageModel());
        EXPECT_EQ("HV001100", session.DeviceVersion("bootable"));
        EXPECT_EQ("", session.DeviceVersion("PANEL"));
        session.Leave();
        session.Leave();
    } // and not again at the end
    EXPECT_EQ((std::vector<uint16_t>{0x5101, 0x5001, 0x5102}), device->Commands());

    NewDevice();
    {
        zepProtocol proto;
        zepSession session(proto);
        ASSERT_EQ(1, session.Enter(nullptr, port, 48350));
    } // a session abandoned on the way still switches the device back
    EXPECT_EQ((std::vector<uint16_t>{0x5101, 0x5102}), device->Commands());
}

TEST_F(EngineTest, FetchReassemblesTargetInfoFromPackets) {
    device->getFileChunk = 40; // the default text arrives in several packets
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    ASSERT_EQ(1, proto.GetFileData("TargetInfo.txt"));
    std::string model;
    ASSERT_TRUE(proto.TargetInfo().getTgmName(model));
    EXPECT_EQ("HV2000", model);
    EXPECT_TRUE(proto.IsSupportCheckState());
    EXPECT_EQ(1000u, device->timeouts.back());
    // The request goes out once; the further packets are only read.
    EXPECT_EQ((std::vector<uint16_t>{0x5101, 0x5001}), device->Commands());
    proto.CheckState(*std::make_unique<tag_devinfo>()); // any exchange shows the packet size
    EXPECT_EQ(4156u, device->packetSize);
    EXPECT_EQ(0u, device->buffersLeftAtDisconnect);
}

TEST_F(EngineTest, FetchJudgesEveryPacket) {
    const std::string text = Rows({"TGMNAME HV2000", "MAXPACKET 4156"});
    const uint32_t total = static_cast<uint32_t>(text.size());
    const std::string a = text.substr(0, 10), b = text.substr(10, 10), c = text.substr(20);
    struct Case {
        const char* what;
        Replies packets;
        ZEPRESULT result;
    } cases[] = {
        {"three in order",
         {MakeGetFilePacket(0, 0, total, Sum(a), a), MakeGetFilePacket(0, 10, total, Sum(b), b),
          MakeGetFilePacket(0x80, 20, total, Sum(text), c)},
         1},
        {"middle checksum off by one",
         {MakeGetFilePacket(0, 0, total, Sum(a), a),
          MakeGetFilePacket(0, 10, total, uint16_t(Sum(b) + 1), b),
          MakeGetFilePacket(0x80, 20, total, Sum(text), c)},
         -2},
        {"whole-file checksum wrong",
         {MakeGetFilePacket(0x80, 0, total, uint16_t(Sum(text) ^ 1), text)},
         -2},
        {"single packet ending with 0x0081",
         {MakeGetFilePacket(0x81, 0, total, Sum(text), text)},
         1},
        // Bytes that no packet brought read as zeros, the same on every run.
        {"hole at the end", {MakeGetFilePacket(0x80, 0, total + 16, Sum(text), text)}, 1},
        {"EndNotice 0x0082", {MakeGetFilePacket(0x82, 0, total, Sum(text), text)}, -5},
        {"packet beyond the announced size",
         {MakeGetFilePacket(0, 0, 5, Sum(a), a), MakeGetFilePacket(0x80, 10, 5, 0, "")},
         -5},
        {"device stops sending", {MakeGetFilePacket(0, 0, total, Sum(a), a)}, -5},
        {"oversized announcement", {MakeGetFilePacket(0x80, 0, 64u * 1024 * 1024, 0, "")}, -5},
        {"never-ending empty packets", Replies(8, MakeGetFilePacket(0, 0, 3, 0, "")), -5},
    };
    for (auto& c : cases) {
        device->override = On(0x5001, c.packets);
        zepProtocol proto;
        ASSERT_EQ(1, Enter(proto));
        EXPECT_EQ(c.result, proto.GetFileData("TargetInfo.txt")) << c.what;
    }
    EXPECT_EQ(0u, device->buffersLeftAtDisconnect);
}

TEST_F(EngineTest, FetchRefusesADataLengthBeyondTheReply) {
    std::string data = "TGMNAME X";
    auto packet = MakeGetFilePacket(0x80, 0, 9, Sum(data), data);
    reinterpret_cast<TAG_RESGETFILE*>(packet.data())->LengthOfSendData.set(4000);
    device->override = On(0x5001, {packet});
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    EXPECT_EQ(-5, proto.GetFileData("TargetInfo.txt"));
}

TEST_F(EngineTest, FailedFetchKeepsThePreviousTargetInfo) {
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    ASSERT_EQ(1, proto.GetFileData("TargetInfo.txt"));
    device->targetInfo = Rows({"TGMNAME OTHER", "MAXPACKET 100"});
    device->transportError = {{static_cast<int>(device->requests.size()), -13}};
    EXPECT_EQ(-6, proto.GetFileData("TargetInfo.txt"));
    std::string model;
    proto.TargetInfo().getTgmName(model);
    EXPECT_EQ("HV2000", model);
    EXPECT_EQ(-10, proto.GetFileData(nullptr));
}

TEST_F(EngineTest, StatusQueryUpdatesTheRecord) {
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    tag_devinfo info;
    EXPECT_EQ(-1, zepProtocol().CheckState(info)); // no connection

    device->override = On(0x5103, {MakeQueryReply(0x0081, 1000, 250)});
    ASSERT_EQ(1, proto.CheckState(info));
    EXPECT_EQ(WRITING_FIRM, info.UpdateState);
    EXPECT_EQ(250u, info.dwCurrentSize);
    EXPECT_EQ(1000u, info.dwMaxSize);

    device->override = On(0x5103, {MakeQueryReply(0x0080, 1000, 1000)});
    ASSERT_EQ(1, proto.CheckState(info));
    EXPECT_EQ(END_FIRM_UPDATE, info.UpdateState);

    tag_devinfo before = info;
    for (auto reply : {MakeQueryReply(0x0803, 1, 1), MakeQueryReply(0x0123, 1, 1),
                       MakeStatusReply(0x5103, 0x80) /* too short */, std::vector<uint8_t>()}) {
        device->override = On(0x5103, {reply});
        ZEPRESULT expect = reply.size() == 20 && reply[11] == 0x03 ? -1 : -5;
        EXPECT_EQ(expect, proto.CheckState(info));
        EXPECT_EQ(before.UpdateState, info.UpdateState);
        EXPECT_EQ(before.dwCurrentSize, info.dwCurrentSize);
    }
    // The long form names the image; the special pattern uses the 10-byte form.
    EXPECT_EQ(42u, device->requests[1].size());
    LoadZepInfo(Rows({"SPECIALCMDPATTERN YES"}));
    proto.CheckState(info);
    EXPECT_EQ(10u, device->requests.back().size());
}

TEST_F(EngineTest, StatusQuerySupportFollowsTheDeviceList) {
    zepProtocol proto;
    EXPECT_FALSE(proto.IsSupportCheckState()); // nothing fetched yet
    device->targetInfo =
        Rows({"TGMNAME HV2000", "MAXPACKET 4156", "SUPPORT_COMMAND 5101", "SUPPORT_COMMAND 5102"});
    ASSERT_EQ(1, Enter(proto));
    ASSERT_EQ(1, proto.GetFileData("TargetInfo.txt"));
    EXPECT_FALSE(proto.IsSupportCheckState());
    device->targetInfo += Rows({"SUPPORT_COMMAND 5103"});
    ASSERT_EQ(1, proto.GetFileData("TargetInfo.txt"));
    EXPECT_TRUE(proto.IsSupportCheckState());
}
