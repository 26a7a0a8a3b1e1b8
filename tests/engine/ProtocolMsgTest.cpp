// Command records byte for byte, the checksum rule and the reply-header test.
#include "zepProtocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const void* p, size_t n) {
    auto* b = static_cast<const unsigned char*>(p);
    return std::vector<unsigned char>(b, b + n);
}

std::vector<unsigned char> Header(uint16_t code, uint32_t length) {
    return {0,
            0,
            uint8_t(code >> 8),
            uint8_t(code),
            uint8_t(length >> 24),
            uint8_t(length >> 16),
            uint8_t(length >> 8),
            uint8_t(length)};
}

} // namespace

TEST(ProtocolMessages, SendFileWorkedExample) {
    zepProtocol proto;
    unsigned char data[] = {0x61, 0x62, 0x63};
    TAG_CMDSENDFILE head;
    ASSERT_EQ(1, proto.Make_SendFile(head, "BOOT", 0x0000, 4096, 10000, data, 3));

    std::vector<unsigned char> expect = {0x00, 0x00, 0x50, 0x02, 0x00, 0x00, 0x00,
                                         0x37, 0x00, 0x00, 'B',  'O',  'O',  'T'};
    expect.resize(10 + 32, 0);
    for (unsigned char b : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x27, 0x10, 0x01, 0x26,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x03})
        expect.push_back(b);
    std::vector<unsigned char> wire = Bytes(&head, sizeof head);
    wire.insert(wire.end(), data, data + 3);
    expect.insert(expect.end(), data, data + 3);
    EXPECT_EQ(63u, wire.size());
    EXPECT_EQ(expect, wire);
}

TEST(ProtocolMessages, FixedCommands) {
    zepProtocol proto;
    TAG_CMDGETFILE get;
    ASSERT_EQ(1, proto.Make_GetFile(get, "TargetInfo.txt"));
    std::vector<unsigned char> expect = Header(0x5001, 34);
    expect.resize(42, 0);
    std::memcpy(&expect[10], "TargetInfo.txt", 14);
    EXPECT_EQ(expect, Bytes(&get, sizeof get));

    TAG_CMDENTERDOWNLOAD enter;
    ASSERT_EQ(1, proto.Make_EnterDownLoad(enter, true));
    expect = Header(0x5101, 36);
    expect.resize(44, 0);
    expect[43] = 1;
    EXPECT_EQ(expect, Bytes(&enter, sizeof enter));
    proto.Make_EnterDownLoad(enter, false);
    EXPECT_EQ(0, enter.Force.get());

    TAG_CMDEXITDOWNLOAD exitCmd;
    ASSERT_EQ(1, proto.Make_ExitDownLoad(exitCmd));
    expect = Header(0x5102, 36);
    expect.resize(44, 0);
    EXPECT_EQ(expect, Bytes(&exitCmd, sizeof exitCmd));

    TAG_CMDQUERYUPDATESTATUS query;
    char name[] = "LANGUAGE";
    ASSERT_EQ(1, proto.Make_QuerryUpdateStatus(query, name));
    expect = Header(0x5103, 34);
    expect.resize(42, 0);
    std::memcpy(&expect[10], "LANGUAGE", 8);
    EXPECT_EQ(expect, Bytes(&query, sizeof query));

    TAG_CMDQUERYUPDATESTATUS_SP shortQuery;
    ASSERT_EQ(1, proto.Make_QuerryUpdateStatus(shortQuery));
    expect = Header(0x5103, 2);
    expect.resize(10, 0);
    EXPECT_EQ(expect, Bytes(&shortQuery, sizeof shortQuery));
}

TEST(ProtocolMessages, MissingNamesAreRefusedBeforeWriting) {
    zepProtocol proto;
    TAG_CMDGETFILE get;
    std::memset(&get, 0xAA, sizeof get);
    EXPECT_EQ(-10, proto.Make_GetFile(get, nullptr));
    EXPECT_EQ(0xAA, reinterpret_cast<unsigned char*>(&get)[0]);
    TAG_CMDQUERYUPDATESTATUS query;
    EXPECT_EQ(-10, proto.Make_QuerryUpdateStatus(query, nullptr));
    TAG_CMDSENDFILE head;
    EXPECT_EQ(-10, proto.Make_SendFile(head, nullptr, 0, 0, 0, nullptr, 0));
}

TEST(ProtocolMessages, NameLengthLimit) {
    zepProtocol proto;
    TAG_CMDGETFILE get;
    std::string name31(31, 'N');
    ASSERT_EQ(1, proto.Make_GetFile(get, name31.c_str()));
    EXPECT_EQ(name31, std::string(get.FileName, 31));
    EXPECT_EQ('\0', get.FileName[31]);

    std::string name32(32, 'N');
    ASSERT_EQ(1, proto.Make_GetFile(get, name32.c_str()));
    EXPECT_EQ(std::string(32, '\0'), std::string(get.FileName, 32));
}

TEST(ProtocolMessages, ChecksumWrapsAt16Bits) {
    zepProtocol proto;
    std::vector<unsigned char> ff(258, 0xFF);
    unsigned short sum = 1;
    EXPECT_TRUE(proto.SetCheckSum(sum, ff.data(), 256));
    EXPECT_EQ(0xFF00, sum);
    EXPECT_TRUE(proto.SetCheckSum(sum, ff.data(), 258));
    EXPECT_EQ(0x00FE, sum);
    EXPECT_FALSE(proto.SetCheckSum(sum, ff.data(), 0));
    EXPECT_EQ(0, sum);
    sum = 7;
    EXPECT_FALSE(proto.SetCheckSum(sum, nullptr, 10));
    EXPECT_EQ(0, sum);
}

TEST(ProtocolMessages, FinalPacketForms) {
    zepProtocol proto;
    std::vector<unsigned char> image(100, 2);
    TAG_CMDSENDFILE head;
    // A final data packet carries the rest of the image whatever dwDataSize says.
    ASSERT_EQ(1, proto.Make_SendFile(head, "BOOT", 0x0081, 0, 100, image.data(), 7));
    EXPECT_EQ(100u, head.LengthOfSendData.get());
    EXPECT_EQ(152u, head.Header.DataLength.get());
    EXPECT_EQ(200, head.CheckSum.get());

    // The closing packet: head only, the image checksum's low 16 bits.
    ASSERT_EQ(1, proto.Make_SendFile(head, "BOOT", 0x0080, 100, 100, nullptr, 0x12345));
    EXPECT_EQ(0u, head.LengthOfSendData.get());
    EXPECT_EQ(52u, head.Header.DataLength.get());
    EXPECT_EQ(0x2345, head.CheckSum.get());
    EXPECT_EQ(0x0080, head.EndNotice.get());

    ASSERT_EQ(1, proto.Make_SendFile(head, "BOOT", 0x01FF, 0, 0, nullptr, 0));
    EXPECT_EQ(0u, head.LengthOfSendData.get());
    EXPECT_EQ(0, head.CheckSum.get());
}

TEST(ProtocolMessages, ReplyHeaderTest) {
    zepProtocol proto;
    std::vector<unsigned char> reply = Header(0x5101, 0);
    EXPECT_TRUE(proto.CheckRecvHeader(reply.data(), 8, 0x5101));
    EXPECT_FALSE(proto.CheckRecvHeader(reply.data(), 7, 0x5101));
    EXPECT_FALSE(proto.CheckRecvHeader(reply.data(), 8, 0x5102));
    EXPECT_FALSE(proto.CheckRecvHeader(nullptr, 8, 0x5101));

    reply = Header(0x5002, 4);
    reply.resize(12, 0);
    EXPECT_TRUE(proto.CheckRecvHeader(reply.data(), 12, 0x5002));
    EXPECT_FALSE(proto.CheckRecvHeader(reply.data(), 11, 0x5002)); // DataLength one more
    EXPECT_FALSE(proto.CheckRecvHeader(reply.data(), 13, 0x5002)); // DataLength one less
}

TEST(ProtocolMessages, ConnectionCodesMapToEngineCodes) {
    EXPECT_EQ(1, zepProtocol::CheckDevConnErr(0));
    EXPECT_EQ(1, zepProtocol::CheckDevConnErr(5));
    for (int code : {-8, -11, -12, -13, -14})
        EXPECT_EQ(-6, zepProtocol::CheckDevConnErr(code)) << code;
    for (int code : {-1, -2, -3, -4, -5, -6, -7, -9, -10, -15, -100})
        EXPECT_EQ(-9, zepProtocol::CheckDevConnErr(code)) << code;
}
