// One image from the package to the device: packet sequence, checksums, progress and the ways
// a transfer ends early.
#include "EngineFixture.h"

namespace {

struct Sent {
    uint16_t end;
    uint32_t offset, total, length;
};

std::vector<Sent> Packets(const FakeDevice& device) {
    std::vector<Sent> out;
    for (const auto& h : device.SendFileHeads())
        out.push_back({h.EndNotice.get(), h.TransmittedSize.get(), h.TotalTransmitSize.get(),
                       h.LengthOfSendData.get()});
    return out;
}

bool operator==(const Sent& a, const Sent& b) {
    return a.end == b.end && a.offset == b.offset && a.total == b.total && a.length == b.length;
}

std::ostream& operator<<(std::ostream& os, const Sent& s) {
    return os << "{" << std::hex << s.end << std::dec << " " << s.offset << " " << s.total << " "
              << s.length << "}";
}

} // namespace

class Transfer : public EngineTest {
protected:
    ZEPRESULT Update(tag_devinfo& info, const char* type = "BOOTABLE",
                     const char* ver = "HV001200") {
        zepProtocol proto;
        ZEPRESULT r = Enter(proto);
        if (r != 1)
            return r;
        r = proto.GetFileData("TargetInfo.txt");
        if (r != 1)
            return r;
        return proto.UpdateFirmware("HV2000", type, ver, "boot.bin", "BOOTABLE", "", info);
    }
    void UseImage(size_t size) { UsePackage({{"boot.bin", Pattern(size)}}); }
    void Special(bool yes) {
        std::string text = DefaultZepInfo();
        if (yes)
            text.replace(text.find("SPECIALCMDPATTERN NO"), 20, "SPECIALCMDPATTERN YES");
        LoadZepInfo(text);
    }
};

TEST_F(Transfer, ImageGoesOutInChunksThenTheClosingPacket) {
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    std::vector<Sent> expect = {{0, 0, 10000, 4096},
                                {0, 4096, 10000, 4096},
                                {0, 8192, 10000, 1808},
                                {0x81, 10000, 10000, 0}};
    EXPECT_EQ(expect, Packets(*device));
    auto heads = device->SendFileHeads();
    auto image = Pattern(10000);
    EXPECT_EQ(ZepChecksum(image.data(), image.size()), heads.back().CheckSum.get());
    EXPECT_EQ(image, device->images["BOOTABLE"]);
    EXPECT_EQ(60000u, device->timeouts.back());

    EXPECT_EQ(TRANSFER_FIRM, info.UpdateState);
    EXPECT_EQ(10000u, info.dwCurrentSize);
    EXPECT_EQ(10000u, info.dwMaxSize);
    EXPECT_TRUE(info.bSupportQureryUpdate);
    EXPECT_STREQ("BOOTABLE", info.FileName);
    EXPECT_EQ(1, info.nResult);
}

TEST_F(Transfer, SpecialPatternMakesTheLastDataPacketFinal) {
    Special(true);
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    std::vector<Sent> expect = {
        {0, 0, 10000, 4096}, {0, 4096, 10000, 4096}, {0x81, 8192, 10000, 1808}};
    EXPECT_EQ(expect, Packets(*device));
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);
}

TEST_F(Transfer, ImageSizesAtTheChunkEdges) {
    struct Case {
        size_t size;
        bool special;
        std::vector<Sent> packets;
    } cases[] = {
        {0, false, {{0x81, 0, 0, 0}}},
        {0, true, {{0x81, 0, 0, 0}}}, // no data packet to end it: a final packet of none
        {1, false, {{0, 0, 1, 1}, {0x81, 1, 1, 0}}},
        {1, true, {{0x81, 0, 1, 1}}},
        {8192, false, {{0, 0, 8192, 4096}, {0, 4096, 8192, 4096}, {0x81, 8192, 8192, 0}}},
        {8192, true, {{0, 0, 8192, 4096}, {0x81, 4096, 8192, 4096}}},
        {8193,
         false,
         {{0, 0, 8193, 4096}, {0, 4096, 8193, 4096}, {0, 8192, 8193, 1}, {0x81, 8193, 8193, 0}}},
    };
    for (const auto& c : cases) {
        UseImage(c.size);
        Special(c.special);
        device->requests.clear();
        tag_devinfo info;
        ASSERT_EQ(1, Update(info)) << c.size;
        EXPECT_EQ(c.packets, Packets(*device)) << c.size << (c.special ? " special" : "");
        EXPECT_EQ(Pattern(c.size), device->images["BOOTABLE"]) << c.size;
    }
}

TEST_F(Transfer, FinalNoticeFollowsQuerySupport) {
    device->targetInfo = Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100", "MAXPACKET 4156"});
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    EXPECT_EQ(0x80, Packets(*device).back().end);
    EXPECT_FALSE(info.bSupportQureryUpdate);
}

TEST_F(Transfer, DeviceStatusEndsTheImage) {
    struct Case {
        int packet;
        uint16_t status;
        ZEPRESULT result;
        uint32_t reached;
    } cases[] = {
        {0, 0x0803, -1, 0}, {1, 0x0804, -2, 4096}, {3, 0x0804, -2, 10000}, {3, 0x0555, -5, 10000}};
    for (const auto& c : cases) {
        NewDevice();
        device->sendFileStatus[c.packet] = c.status;
        tag_devinfo info;
        EXPECT_EQ(c.result, Update(info)) << c.packet;
        EXPECT_EQ(c.result, info.nResult);
        EXPECT_EQ(c.reached, info.dwCurrentSize) << c.packet;
        EXPECT_TRUE(device->images.empty() || c.packet == 3);
    }
}

TEST_F(Transfer, MissingRepliesAndLostConnections) {
    // An unanswered intermediate block counts as accepted; an unanswered closing packet not.
    device->ackIntermediate = false;
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    device->override = [](int, const std::vector<uint8_t>& req,
                          std::vector<std::vector<uint8_t>>&) {
        return req.size() == 60; // the closing packet gets no reply
    };
    EXPECT_EQ(-5, Update(info));
    device->override = nullptr;
    // The connection drops at the second data packet: Enter, GetFile, GetFile, data, data.
    device->requests.clear();
    device->transportError = {{4, -12}};
    EXPECT_EQ(-6, Update(info));
    EXPECT_EQ(4096u, info.dwCurrentSize);
}

TEST_F(Transfer, VersionVerdictsBeforeAnyByteIsRead) {
    tag_devinfo info;
    device->targetInfo = Rows({"TGMNAME HV3000", "MAXPACKET 4156"});
    EXPECT_EQ(-7, Update(info));
    EXPECT_EQ(CHECKVERSION_STATE, info.UpdateState);
    EXPECT_EQ(-7, info.nResult);
    EXPECT_TRUE(Packets(*device).empty());
    EXPECT_EQ((std::vector<uint32_t>{20000, 1000, 1000}), device->timeouts);

    device->targetInfo = DefaultTargetInfo();
    EXPECT_EQ(-11, Update(info, "BOOTABLE", "HV001100"));
    EXPECT_EQ(-11, info.nResult);
    // Another language: passed over, reported as success, nothing sent.
    device->requests.clear();
    EXPECT_EQ(1, Update(info, "BOOTABLE", "HV011200"));
    EXPECT_TRUE(Packets(*device).empty());
}

TEST_F(Transfer, SettingsThatStopTheImage) {
    tag_devinfo info;
    LoadZepInfo(Rows({"TGMNAME HV2000", "UPDATETIME 3600", "ALLOWVERSIONDOWN NO"}));
    ASSERT_EQ(1, Update(info));
    EXPECT_EQ(3600000u, device->timeouts.back());

    LoadZepInfo(Rows({"TGMNAME HV2000", "ALLOWVERSIONDOWN NO"})); // no UPDATETIME: 0 ms
    EXPECT_EQ(-5, Update(info));

    LoadZepInfo(DefaultZepInfo());
    device->targetInfo = Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100", "MAXPACKET 60"});
    EXPECT_EQ(-9, Update(info));

    device->targetInfo = DefaultTargetInfo();
    UsePackage({{"other.bin", Pattern(10)}});
    EXPECT_EQ(-8, Update(info));
}

// The device decides how much the host allocates per reply and per chunk: an absurd MAXPACKET
// is held to the bound, and the image still goes out whole in chunks of that size.
TEST_F(Transfer, HugeMaxPacketIsBounded) {
    const unsigned long kLimit = zepProtocol::kMaxPacketLimit;
    const unsigned long kChunk = kLimit - sizeof(TAG_CMDSENDFILE);
    const unsigned long kImage = kChunk + 1000;
    UseImage(kImage);
    device->targetInfo =
        Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100", "MAXPACKET 2147483647"});
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    EXPECT_EQ(kLimit, device->packetSize);
    std::vector<Sent> expect = {{0, 0, uint32_t(kImage), uint32_t(kChunk)},
                                {0, uint32_t(kChunk), uint32_t(kImage), 1000},
                                {0x80, uint32_t(kImage), uint32_t(kImage), 0}};
    EXPECT_EQ(expect, Packets(*device));
    EXPECT_EQ(Pattern(kImage), device->images["BOOTABLE"]);
}

TEST_F(Transfer, PackageThatEndsEarlySendsNoStaleBytes) {
    UseImage(10000);
    ASSERT_NE(nullptr, zepBindInfo::Instance()); // the package is open and checked
    // The file loses its tail while the updater runs: the third piece comes back short.
    std::filesystem::resize_file(m_package, 9000);
    tag_devinfo info;
    EXPECT_EQ(-8, Update(info));
    std::vector<Sent> expect = {{0, 0, 10000, 4096}, {0, 4096, 10000, 4096}};
    EXPECT_EQ(expect, Packets(*device));
    EXPECT_TRUE(device->images.empty());
}

TEST_F(Transfer, PreconditionsAndArguments) {
    zepProtocol proto;
    tag_devinfo info;
    EXPECT_EQ(-1, proto.UpdateFirmware("HV2000", "BOOTABLE", "1", "boot.bin", "B", "", info));
    EXPECT_EQ(-1, proto.SendFileData("B", 0, 0, 1, nullptr, 0));
    ASSERT_EQ(1, Enter(proto));
    EXPECT_EQ(-10, proto.UpdateFirmware(nullptr, "BOOTABLE", "1", "boot.bin", "B", "", info));
    EXPECT_EQ(-10, proto.UpdateFirmware("HV2000", "BOOTABLE", "1", nullptr, "B", "", info));
    EXPECT_EQ(-5, proto.SendFileData("B", 0x0042, 0, 1, nullptr, 0));
    unsigned char two[2] = {1, 2};
    // A final data packet whose rest of image does not lie in the caller's buffer.
    EXPECT_EQ(-10, proto.SendFileData("B", 0x0080, 0, 100, two, 2));
    EXPECT_EQ(1, proto.SendFileData("B", 0x01FF, 0, 0, nullptr, 0));
    EXPECT_EQ(60u, device->requests.back().size());
    // A control packet is the head alone, whatever data it is handed.
    EXPECT_EQ(1, proto.SendFileData("B", 0x01FF, 0, 100, two, 2));
    ASSERT_EQ(60u, device->requests.back().size());
    EXPECT_EQ(52u, device->SendFileHeads().back().Header.DataLength.get());
    EXPECT_EQ(0u, device->SendFileHeads().back().LengthOfSendData.get());
    // A block without its data is not sent at all.
    size_t sent = device->requests.size();
    EXPECT_EQ(-10, proto.SendFileData("B", 0x0000, 0, 100, nullptr, 100));
    EXPECT_EQ(sent, device->requests.size());
}

TEST_F(Transfer, MalformedAnswerToABlockEndsTheImage) {
    std::vector<uint8_t> headerOnly = MakeStatusReply(0x5002, 0x80);
    headerOnly.resize(8);
    headerOnly[7] = 0;
    device->override = [&](int, const std::vector<uint8_t>& req,
                           std::vector<std::vector<uint8_t>>& out) {
        if (req.size() != 60 + 4096)
            return false;
        out = {headerOnly};
        return true;
    };
    // Its tail may still be in the stream: nothing read after it could be trusted.
    tag_devinfo info;
    EXPECT_EQ(-5, Update(info));
    // The closing packet's answer is judged just as strictly.
    device->override = [&](int, const std::vector<uint8_t>& req,
                           std::vector<std::vector<uint8_t>>& out) {
        if (req.size() != 60)
            return false;
        out = {headerOnly};
        return true;
    };
    EXPECT_EQ(-5, Update(info));
}

TEST_F(Transfer, LateAnswersToBlocksAreCollectedBeforeClosing) {
    device->lateAcks = true;
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);

    // The closing packet's own refusal must not be covered by an earlier block's acceptance.
    for (bool special : {false, true}) {
        NewDevice();
        Special(special);
        device->lateAcks = true;
        device->sendFileStatus[special ? 2 : 3] = 0x0804;
        EXPECT_EQ(-2, Update(info)) << special;
        EXPECT_EQ(-2, info.nResult);
    }
    // A refusal among the late answers ends the image too.
    NewDevice();
    Special(false);
    device->lateAcks = true;
    device->sendFileStatus[1] = 0x0803;
    EXPECT_EQ(-1, Update(info));
}

TEST_F(Transfer, AnswersThatAllMissTheirBlocksAreStillCollected) {
    // Judged by the final packet's own answer, and none left for the next exchange to take.
    for (uint16_t status : {uint16_t(0x0080), uint16_t(0x0804)}) {
        NewDevice();
        device->allAcksLate = true;
        device->sendFileStatus[3] = status;
        tag_devinfo info;
        EXPECT_EQ(status == 0x0080 ? 1 : -2, Update(info)) << status;
        if (status == 0x0080) {
            EXPECT_EQ(0u, device->repliesLeft);
        }
    }
}

TEST_F(Transfer, DeviceThatNeverAnswersBlocksIsNotWaitedFor) {
    device->ackIntermediate = false;
    tag_devinfo info;
    ASSERT_EQ(1, Update(info));
    // Enter, two fetches, three blocks, the closing packet, and the one fetch after it that
    // tells this session the device answers no block: no reads awaited in between.
    EXPECT_EQ(8u, device->requests.size());
    EXPECT_EQ(Pattern(10000), device->images["BOOTABLE"]);
}
