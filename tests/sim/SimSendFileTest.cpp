// Simulator image uploads: an image is kept (and written out) only when it arrived whole and
// checksum-correct; every broken transfer is answered with an error status and leaves nothing.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr uint16_t OK = ZEP_STATUS_OK;
constexpr uint16_t QUERY = ZEP_STATUS_WRITING;
constexpr uint16_t BADSUM = ZEP_STATUS_CHECKSUM_ERROR;

struct Upload : ::testing::Test {
    std::unique_ptr<DeviceSimulator> simulator;
    SimTestClient client;

    void Start(SimOptions options = SimOptions()) {
        simulator = StartSimulator(std::move(options));
        client.Connect(simulator->Port());
        EXPECT_EQ(OK, EnterDownloadMode(client));
    }
    uint16_t Exchange(const SimBytes& packet) {
        EXPECT_TRUE(client.Send(packet));
        const SimBytes reply = client.ReadReply();
        EXPECT_EQ(sizeof(TAG_RESSENDFILE), reply.size());
        EXPECT_EQ(ZEP_CMD_SENDFILE, ReplyCode(reply));
        return ReplyStatus(reply);
    }
    std::map<std::string, SimBytes> Images() const { return simulator->ReceivedImages(); }
};

SimBytes Slice(const SimBytes& image, size_t offset, size_t n) {
    return SimBytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
                    image.begin() + static_cast<std::ptrdiff_t>(offset + n));
}

fs::path TempDir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("zepdevsim-test-" + name);
    fs::remove_all(dir);
    return dir;
}

SimBytes ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return SimBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Upload, PacketsAndClosingPacketRecordTheImage) {
    Start();
    const SimBytes image = Pattern(10000);
    // The host's geometry: MAXPACKET 4156 gives 4096-byte chunks.
    EXPECT_EQ((std::vector<uint16_t>{OK, OK, OK, QUERY}),
              SendImage(client, "BOOTABLE", image, 4096, ZEP_END_FINAL_QUERY));
    EXPECT_EQ(image, Images().at("BOOTABLE"));
    const auto lines = ConnectionLines(*simulator, 1);
    EXPECT_TRUE(HasLine(
        lines, {"\"seq\":4,\"cmd\":\"SendFile\"", "\"offset\":8192", "\"n\":1808", "\"end\":0"}));
    EXPECT_TRUE(HasLine(lines, {"\"event\":\"image\"", "\"file\":\"BOOTABLE\"", "\"size\":10000"}));
}

TEST_F(Upload, FinalNoticeWithoutQueriesIsAnsweredWith0080) {
    Start();
    EXPECT_EQ((std::vector<uint16_t>{OK, OK, OK}), SendImage(client, "F", Pattern(100), 64, OK));
    EXPECT_EQ(1u, Images().count("F"));
}

TEST_F(Upload, SpecialPatternLastDataPacketEndsTheImage) {
    Start();
    const SimBytes image = Pattern(8192, 3); // an exact multiple: the final packet is full
    EXPECT_EQ((std::vector<uint16_t>{OK, QUERY}),
              SendImage(client, "MAIN", image, 4096, ZEP_END_FINAL_QUERY, true));
    EXPECT_EQ(image, Images().at("MAIN"));
}

TEST_F(Upload, SpecialPatternFinalPacketBeforeTheEndIsRejected) {
    Start();
    const SimBytes image = Pattern(300);
    EXPECT_EQ(OK, Exchange(DataPacket("S", ZEP_END_MORE, 0, 300, Slice(image, 0, 100))));
    EXPECT_EQ(BADSUM, Exchange(DataPacket("S", ZEP_END_FINAL, 100, 300, Slice(image, 100, 100))));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, EmptyImageNeedsOnlyTheClosingPacket) {
    Start();
    EXPECT_EQ(OK, Exchange(ClosingPacket("EMPTY", ZEP_END_FINAL, 0, 0)));
    ASSERT_EQ(1u, Images().count("EMPTY"));
    EXPECT_TRUE(Images().at("EMPTY").empty());
}

TEST_F(Upload, BadPacketChecksumGets0804AndRecordsNothing) {
    Start();
    const SimBytes image = Pattern(200);
    EXPECT_EQ(OK, Exchange(DataPacket("X", ZEP_END_MORE, 0, 200, Slice(image, 0, 100))));
    const SimBytes second = Slice(image, 100, 100);
    EXPECT_EQ(BADSUM, Exchange(SendFilePacket("X", ZEP_END_MORE, 100, 200, second,
                                              static_cast<uint16_t>(Sum(second) + 1))));
    // A host that carried on anyway still gets no image.
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("X", ZEP_END_FINAL, 200, Sum(image))));
    EXPECT_TRUE(Images().empty());
    EXPECT_TRUE(HasLine(ConnectionLines(*simulator, 1),
                        {"\"event\":\"reject\"", "\"status\":2052", "packet checksum"}));
}

TEST_F(Upload, WrongWholeImageChecksumGets0804) {
    Start();
    const SimBytes image = Pattern(50);
    EXPECT_EQ(OK, Exchange(DataPacket("X", ZEP_END_MORE, 0, 50, image)));
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("X", ZEP_END_FINAL_QUERY, 50,
                                             static_cast<uint16_t>(Sum(image) ^ 1))));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, MissingOrMisplacedPacketsBreakTheImage) {
    Start();
    const SimBytes image = Pattern(300);
    // A gap: the packet at 200 does not follow 100.
    EXPECT_EQ(OK, Exchange(DataPacket("G", ZEP_END_MORE, 0, 300, Slice(image, 0, 100))));
    EXPECT_EQ(BADSUM, Exchange(DataPacket("G", ZEP_END_MORE, 200, 300, Slice(image, 200, 100))));
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("G", ZEP_END_FINAL, 300, Sum(image))));
    // A packet of an image never begun, and a closing packet short of the total.
    EXPECT_EQ(BADSUM, Exchange(DataPacket("H", ZEP_END_MORE, 100, 300, Slice(image, 100, 100))));
    EXPECT_EQ(OK, Exchange(DataPacket("I", ZEP_END_MORE, 0, 300, Slice(image, 0, 100))));
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("I", ZEP_END_FINAL, 300, Sum(Slice(image, 0, 100)))));
    // A packet running past its image's total, and a total that changes mid-image.
    EXPECT_EQ(BADSUM, Exchange(DataPacket("J", ZEP_END_MORE, 0, 50, Slice(image, 0, 100))));
    EXPECT_EQ(OK, Exchange(DataPacket("K", ZEP_END_MORE, 0, 300, Slice(image, 0, 100))));
    EXPECT_EQ(BADSUM, Exchange(DataPacket("K", ZEP_END_MORE, 100, 400, Slice(image, 100, 100))));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, RestartAtOffsetZeroReplacesABrokenTransfer) {
    Start();
    const SimBytes image = Pattern(200, 9);
    EXPECT_EQ(BADSUM, Exchange(SendFilePacket("R", ZEP_END_MORE, 0, 200, Slice(image, 0, 100), 1)));
    EXPECT_EQ((std::vector<uint16_t>{OK, OK, OK}), SendImage(client, "R", image, 100, OK));
    EXPECT_EQ(image, Images().at("R"));
}

TEST_F(Upload, ControlPacketIsAcknowledgedOnly) {
    Start();
    EXPECT_EQ(OK, Exchange(SendFilePacket("C", ZEP_END_CONTROL, 0, 0, {}, 0)));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, UnknownEndNoticeIsRejected) {
    Start();
    EXPECT_EQ(kSimStatusRejected, Exchange(DataPacket("U", 0x0042, 0, 4, Pattern(4))));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, ImageLargerThanTheDeviceTakesIsAWriteError) {
    SimOptions options;
    options.maxImageSize = 1000;
    Start(options);
    EXPECT_EQ(ZEP_STATUS_WRITE_ERROR,
              Exchange(DataPacket("BIG", ZEP_END_MORE, 0, 1001, Pattern(10))));
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("BIG", ZEP_END_FINAL, 1001, 0)));
    EXPECT_TRUE(Images().empty());
}

TEST_F(Upload, WithoutIntermediateAcksOnlyFinalPacketsAreAnswered) {
    SimOptions options;
    options.ackIntermediate = false;
    Start(options);
    const SimBytes image = Pattern(300);
    ASSERT_TRUE(client.Send(DataPacket("N", ZEP_END_MORE, 0, 300, Slice(image, 0, 150))));
    ASSERT_TRUE(client.Send(DataPacket("N", ZEP_END_MORE, 150, 300, Slice(image, 150, 150))));
    EXPECT_TRUE(client.Quiet());
    EXPECT_EQ(QUERY, Exchange(ClosingPacket("N", ZEP_END_FINAL_QUERY, 300, Sum(image))));
    EXPECT_EQ(image, Images().at("N"));

    // A broken packet is not answered either; the final packet reports it.
    ASSERT_TRUE(client.Send(SendFilePacket("M", ZEP_END_MORE, 0, 300, Slice(image, 0, 300), 7)));
    EXPECT_TRUE(client.Quiet());
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("M", ZEP_END_FINAL, 300, Sum(image))));
    EXPECT_EQ(0u, Images().count("M"));
}

TEST_F(Upload, WholeImagesAreWrittenToTheOutputFolder) {
    const fs::path dir = TempDir("out");
    SimOptions options;
    options.outputDir = (dir / "nested").string(); // created on start
    Start(options);
    const SimBytes image = Pattern(5000);
    SendImage(client, "FW.bin", image, 4096, ZEP_END_FINAL);
    EXPECT_EQ(image, ReadFileBytes(dir / "nested" / "FW.bin"));
    // A broken transfer of the same name leaves the written image alone.
    EXPECT_EQ(OK, Exchange(DataPacket("FW.bin", ZEP_END_MORE, 0, 10, Pattern(10, 5))));
    EXPECT_EQ(BADSUM, Exchange(ClosingPacket("FW.bin", ZEP_END_FINAL, 10, 0)));
    EXPECT_EQ(image, ReadFileBytes(dir / "nested" / "FW.bin"));
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir / "nested")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(1u, files); // no temporary file left behind
    fs::remove_all(dir);
}

TEST_F(Upload, UnsafeNamesAreNeverWrittenAsFiles) {
    const fs::path dir = TempDir("unsafe");
    SimOptions options;
    options.outputDir = (dir / "out").string();
    Start(options);
    const SimBytes image = Pattern(20);
    for (const char* name : {"../escape", "..", ".hidden", "CON", "lpt1.bin", "a b"}) {
        EXPECT_EQ((std::vector<uint16_t>{OK, ZEP_STATUS_WRITE_ERROR}),
                  SendImage(client, name, image, 20, ZEP_END_FINAL))
            << name;
    }
    EXPECT_TRUE(Images().empty());
    EXPECT_FALSE(fs::exists(dir / "escape"));
    EXPECT_TRUE(fs::is_empty(dir / "out"));
    fs::remove_all(dir);
}

TEST_F(Upload, WithoutOutputFolderAnyNameIsKeptInMemory) {
    Start();
    SendImage(client, "../odd name", Pattern(20), 20, ZEP_END_FINAL);
    EXPECT_EQ(1u, Images().count("../odd name"));
}

TEST(SafeDeviceFileName, AcceptsPlainNamesOnly) {
    for (const char* name : {"BOOTABLE", "fw-1.2_a+b.bin", "COM10", "CONSOLE.bin"})
        EXPECT_TRUE(IsSafeDeviceFileName(name)) << name;
    for (const char* name : {"", ".", "..", "a/b", "a\\b", "C:x", "nul.txt", "Com3",
                             "name\twith tab", "0123456789012345678901234567890123"})
        EXPECT_FALSE(IsSafeDeviceFileName(name)) << name;
}

} // namespace
