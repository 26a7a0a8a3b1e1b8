// Simulator robustness and bookkeeping: malformed or cut-off records end only their connection,
// the server keeps serving later connections, stops cleanly, and logs exactly what
// the host sent as valid JSON lines; its fast checksum agrees with the byte sum.
#include "SimChecksum.h"
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

SimBytes Header(uint16_t code, uint32_t dataLength, size_t payload) {
    TAG_SSTHEADER header{};
    header.CommandCode.set(code);
    header.DataLength.set(dataLength);
    SimBytes bytes = RecordBytes(header);
    bytes.resize(bytes.size() + payload, 0);
    return bytes;
}

struct Malformed {
    const char* name;
    SimBytes bytes;
    const char* message; // part of the logged error
};

std::vector<Malformed> MalformedRecords() {
    SimBytes lying = DataPacket("L", ZEP_END_MORE, 0, 10, Pattern(10));
    lying.resize(lying.size() - 5); // LengthOfSendData says 10, DataLength only 5 follow
    TAG_SSTHEADER* header = reinterpret_cast<TAG_SSTHEADER*>(lying.data());
    header->DataLength.set(static_cast<uint32_t>(lying.size() - 8));
    return {
        {"UnknownCommand", Header(0x5555, 34, 34), "unknown command code 21845"},
        {"ReplyCodeZero", Header(0, 0, 0), "unknown command code 0"},
        {"Oversized", Header(ZEP_CMD_SENDFILE, (16u << 20) + 1, 0), "exceeds the limit"},
        {"GetFileTooLong", Header(ZEP_CMD_GETFILE, 35, 35), "is wrong for GetFile"},
        {"EnterEmpty", Header(ZEP_CMD_ENTERDOWNLOAD, 0, 0), "is wrong for EnterDownload"},
        {"QueryOddLength", Header(ZEP_CMD_QUERYUPDATESTATUS, 10, 10), "is wrong for Query"},
        {"SendFileShortHead", Header(ZEP_CMD_SENDFILE, 40, 40), "is wrong for SendFile"},
        {"SendFileLengthMismatch", lying, "does not match DataLength"},
    };
}

class MalformedRecord : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedRecord, IsLoggedClosesTheConnectionAndTheNextOneIsServed) {
    auto simulator = StartSimulator(SimOptions());
    SimTestClient bad;
    ASSERT_TRUE(bad.Connect(simulator->Port()));
    ASSERT_TRUE(bad.SendRecord(EnterRecord()));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(bad.ReadReply()));
    ASSERT_TRUE(bad.Send(GetParam().bytes));
    EXPECT_TRUE(bad.WaitClosed());
    ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == 1; }));
    const auto lines = ConnectionLines(*simulator, 1);
    EXPECT_TRUE(HasLine(lines, {"\"seq\":2,\"event\":\"error\"", GetParam().message}));
    EXPECT_TRUE(HasLine(lines, {"\"event\":\"disconnect\"", "malformed record"}));

    SimTestClient next;
    ASSERT_TRUE(next.Connect(simulator->Port()));
    ASSERT_TRUE(next.SendRecord(EnterRecord()));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(next.ReadReply()));
}

INSTANTIATE_TEST_SUITE_P(Records, MalformedRecord, ::testing::ValuesIn(MalformedRecords()),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             return std::string(info.param.name);
                         });

TEST(SimRobustness, HostClosingInsideARecordEndsOnlyThatConnection) {
    auto simulator = StartSimulator(SimOptions());
    const SimBytes enter = RecordBytes(EnterRecord());
    for (size_t cut : {size_t(5), size_t(20)}) { // inside the header, inside the payload
        SimTestClient client;
        ASSERT_TRUE(client.Connect(simulator->Port()));
        ASSERT_TRUE(client.Send(SimBytes(enter.begin(), enter.begin() + cut)));
        client.Close();
    }
    ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == 2; }));
    for (unsigned conn = 1; conn <= 2; ++conn)
        EXPECT_TRUE(HasLine(ConnectionLines(*simulator, conn), {"middle of a record"}))
            << ::testing::PrintToString(simulator->LogLines());
    SimTestClient next;
    ASSERT_TRUE(next.Connect(simulator->Port()));
    ASSERT_TRUE(next.SendRecord(EnterRecord()));
    EXPECT_EQ(ZEP_STATUS_OK, ReplyStatus(next.ReadReply()));
}

TEST(SimLifecycle, StopEndsAnIdleConnectionAndABlockedSend) {
    SimOptions options;
    options.targetInfo = std::string(24u << 20, 'z'); // far more than socket buffers hold
    options.getFilePacketSize = 1u << 20;
    auto simulator = StartSimulator(options);
    SimTestClient idle;
    ASSERT_TRUE(idle.Connect(simulator->Port()));
    ASSERT_TRUE(idle.SendRecord(GetFileRecord("TargetInfo.txt"))); // and never read
    ASSERT_TRUE(WaitUntil([&] { return HasLine(ConnectionLines(*simulator, 1), {"GetFile"}); }));
    simulator->Stop(); // must return although the host reads nothing
    EXPECT_TRUE(simulator->WaitFinished(0));
    EXPECT_TRUE(HasLine(ConnectionLines(*simulator, 1), {"\"event\":\"disconnect\""}));
}

TEST(SimLifecycle, MaxConnectionsEndsTheServer) {
    SimOptions options;
    options.maxConnections = 2;
    auto simulator = StartSimulator(options);
    for (int i = 0; i < 2; ++i) {
        SimTestClient client;
        ASSERT_TRUE(client.Connect(simulator->Port()));
        client.Close();
    }
    EXPECT_TRUE(simulator->WaitFinished(kReplyMs));
    EXPECT_EQ(2u, simulator->ConnectionsServed());
}

TEST(SimLifecycle, StartFailuresAreReported) {
    auto first = StartSimulator(SimOptions());
    SimOptions same;
    same.port = first->Port();
    DeviceSimulator second(same);
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_FALSE(error.empty());

    std::string again;
    EXPECT_FALSE(first->Start(&again));
    EXPECT_NE(std::string::npos, again.find("already running"));

    SimOptions invalid;
    invalid.getFilePacketSize = 0;
    DeviceSimulator third(invalid);
    std::string why;
    EXPECT_FALSE(third.Start(&why));
    EXPECT_NE(std::string::npos, why.find("packet size"));
}

TEST(SimLog, RecordsAreLoggedExactlyInOrder) {
    SimOptions options;
    options.targetInfo = "MODEL X\n";
    auto simulator = StartSimulator(options);
    SimTestClient client;
    ASSERT_TRUE(client.Connect(simulator->Port()));
    ASSERT_TRUE(client.SendRecord(EnterRecord()));
    client.ReadReply();
    ASSERT_TRUE(client.SendRecord(GetFileRecord("TargetInfo.txt")));
    client.ReadReply();
    // 61 62 63 at offset 4096 of a 10000-byte image named BOOT: a packet of 63 bytes.
    ASSERT_TRUE(client.Send(DataPacket("BOOT", ZEP_END_MORE, 4096, 10000, {0x61, 0x62, 0x63})));
    client.ReadReply();
    ASSERT_TRUE(client.SendRecord(ShortQueryRecord()));
    client.ReadReply();
    client.Close();
    ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == 1; }));

    std::vector<std::string> records;
    for (const std::string& line : ConnectionLines(*simulator, 1))
        if (line.find("\"cmd\"") != std::string::npos)
            records.push_back(line);
    const std::vector<std::string> expected = {
        R"({"conn":1,"seq":1,"cmd":"EnterDownload","code":20737,"len":44,"force":0})",
        R"({"conn":1,"seq":2,"cmd":"GetFile","code":20481,"len":42,"file":"TargetInfo.txt"})",
        R"({"conn":1,"seq":3,"cmd":"SendFile","code":20482,"len":63,"file":"BOOT","end":0,)"
        R"("offset":4096,"total":10000,"n":3,"sum":294})",
        R"({"conn":1,"seq":4,"cmd":"QueryUpdateStatus_SP","code":20739,"len":10})",
    };
    EXPECT_EQ(expected, records);
    const auto lines = ConnectionLines(*simulator, 1);
    EXPECT_TRUE(HasLine(lines, {R"({"conn":1,"event":"connect","peer":"127.0.0.1:)"}));
    EXPECT_EQ(R"({"conn":1,"event":"disconnect","reason":"peer closed","records":4})",
              lines.back());
}

TEST(SimLog, FileNamesAreEscapedAndTheLogFileMatches) {
    const auto path = std::filesystem::temp_directory_path() / "zepdevsim-test-log.jsonl";
    SimOptions options;
    options.logPath = path.string();
    auto simulator = StartSimulator(options);
    SimTestClient client;
    ASSERT_TRUE(client.Connect(simulator->Port()));
    ASSERT_TRUE(client.SendRecord(GetFileRecord("a\"b\\c\n\xC3\x01")));
    client.ReadReply();
    client.Close();
    ASSERT_TRUE(WaitUntil([&] { return simulator->ConnectionsServed() == 1; }));
    simulator->Stop();
    const auto lines = simulator->LogLines();
    EXPECT_TRUE(HasLine(lines, {R"("file":"a\"b\\c\u000a\u00c3\u0001")"}));

    std::ifstream in(path);
    std::vector<std::string> fileLines;
    for (std::string line; std::getline(in, line);)
        fileLines.push_back(line);
    EXPECT_EQ(lines, fileLines);
    in.close();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

TEST(SimJson, QuotesEscapesAndKeepsFieldOrder) {
    EXPECT_EQ(R"("plain")", JsonQuote("plain"));
    EXPECT_EQ(R"("\"\\\u0000\u007f\u00ff")", JsonQuote(std::string("\"\\\0\x7f\xff", 5)));
    EXPECT_EQ(R"({"b":-3,"a":"x","c":true})",
              JsonLine().Add("b", -3).Add("a", "x").Add("c", true).Text());
    EXPECT_EQ("{}", JsonLine().Text());
}

TEST(SimFraming, HeaderChecksFollowTheRecordLayouts) {
    struct Case {
        uint16_t code;
        uint32_t dataLength;
        bool ok;
    };
    const Case cases[] = {
        {ZEP_CMD_GETFILE, 34, true},           {ZEP_CMD_GETFILE, 33, false},
        {ZEP_CMD_ENTERDOWNLOAD, 36, true},     {ZEP_CMD_ENTERDOWNLOAD, 34, false},
        {ZEP_CMD_EXITDOWNLOAD, 36, true},      {ZEP_CMD_EXITDOWNLOAD, 37, false},
        {ZEP_CMD_QUERYUPDATESTATUS, 34, true}, {ZEP_CMD_QUERYUPDATESTATUS, 2, true},
        {ZEP_CMD_QUERYUPDATESTATUS, 0, false}, {ZEP_CMD_SENDFILE, 52, true},
        {ZEP_CMD_SENDFILE, 51, false},         {ZEP_CMD_SENDFILE, 1000, true},
        {ZEP_CMD_SENDFILE, 1001, false},       {0x5104, 34, false},
    };
    for (const Case& c : cases) {
        TAG_SSTHEADER header{};
        header.CommandCode.set(c.code);
        header.DataLength.set(c.dataLength);
        std::string why;
        EXPECT_EQ(c.ok, CheckRecordHeader(header, 1000, &why)) << c.code << "/" << c.dataLength;
        EXPECT_EQ(c.ok, why.empty());
    }
}

TEST(SimChecksum, MatchesTheByteSumAcrossLaneFoldsAndWrapAround) {
    const size_t lengths[] = {0, 1, 7, 8, 9, 1023, 1024, 1025, 4096, 4097, 70000};
    for (unsigned char fill : {0x00, 0x01, 0x7F, 0xFF})
        for (size_t n : lengths)
            for (uint16_t seed : {uint16_t(0), uint16_t(0xFFFF)}) {
                const SimBytes bytes(n, fill);
                EXPECT_EQ(ZepChecksum(bytes.data(), n, seed), SimChecksum(bytes.data(), n, seed))
                    << int(fill) << " x " << n << " from " << seed;
            }
    const SimBytes pattern = Pattern(10007, 5); // unaligned tail
    EXPECT_EQ(ZepChecksum(pattern.data() + 3, 10004), SimChecksum(pattern.data() + 3, 10004));
}

} // namespace
