// zepdevsim command line: every flag reaches its option, bad arguments are refused with a
// message, and the help lists every flag.
#include "SimArgs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

bool Parse(const std::vector<std::string>& args, SimCommandLine& out, std::string& error) {
    out = SimCommandLine();
    error.clear();
    return ParseSimArgs(args, out, error);
}

TEST(SimArgs, EveryFlagSetsItsOption) {
    SimCommandLine cl;
    std::string error;
    ASSERT_TRUE(Parse({"--host",
                       "localhost",
                       "--port",
                       "0",
                       "--target-info",
                       "ti.txt",
                       "--out",
                       "dir",
                       "--log",
                       "log.jsonl",
                       "--enter-status",
                       "0x1001",
                       "--packet-size",
                       "512",
                       "--write-steps",
                       "5",
                       "--no-ack-intermediate",
                       "--max-connections",
                       "3",
                       "--max-record",
                       "4096",
                       "--max-image",
                       "100000",
                       "--close-at",
                       "4",
                       "--silent-from",
                       "5",
                       "--delay-ms",
                       "6",
                       "--sendfile-status-at",
                       "7",
                       "--sendfile-status",
                       "0x0804",
                       "--corrupt-getfile-packet",
                       "8",
                       "--wrong-code-at",
                       "9",
                       "--bad-length-at",
                       "10",
                       "--bad-length-delta",
                       "-2",
                       "--query-fault-from",
                       "11"},
                      cl, error))
        << error;
    const SimOptions& o = cl.options;
    EXPECT_EQ("localhost", o.host);
    EXPECT_EQ(0, o.port);
    EXPECT_EQ("ti.txt", cl.targetInfoPath);
    EXPECT_EQ("dir", o.outputDir);
    EXPECT_EQ("log.jsonl", o.logPath);
    EXPECT_EQ(0x1001, o.enterStatus);
    EXPECT_EQ(512u, o.getFilePacketSize);
    EXPECT_EQ(5u, o.writeSteps);
    EXPECT_FALSE(o.ackIntermediate);
    EXPECT_EQ(3u, o.maxConnections);
    EXPECT_EQ(4096u, o.maxRecordSize);
    EXPECT_EQ(100000u, o.maxImageSize);
    EXPECT_EQ(4u, o.closeAtRecord);
    EXPECT_EQ(5u, o.silentFromRecord);
    EXPECT_EQ(6u, o.replyDelayMs);
    EXPECT_EQ(7u, o.sendFileStatusAt);
    EXPECT_EQ(0x0804, o.sendFileStatus);
    EXPECT_EQ(8u, o.corruptGetFilePacket);
    EXPECT_EQ(9u, o.wrongCodeAtRecord);
    EXPECT_EQ(10u, o.badLengthAtRecord);
    EXPECT_EQ(-2, o.badLengthDelta);
    EXPECT_EQ(11u, o.queryWriteFaultFrom);
    EXPECT_FALSE(cl.help);
}

TEST(SimArgs, DefaultsNeedOnlyTheTargetInfo) {
    SimCommandLine cl;
    std::string error;
    ASSERT_TRUE(Parse({"--target-info", "t"}, cl, error));
    EXPECT_EQ("127.0.0.1", cl.options.host);
    EXPECT_EQ(48350, cl.options.port);
    EXPECT_TRUE(cl.options.ackIntermediate);
    EXPECT_TRUE(Parse({"--help"}, cl, error));
    EXPECT_TRUE(cl.help);
    EXPECT_TRUE(Parse({"-h"}, cl, error));
    EXPECT_TRUE(cl.help);
}

TEST(SimArgs, BadArgumentsAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},                                         // no --target-info
        {"--target-info", "t", "--bogus"},          // unknown flag
        {"--target-info", "t", "--port"},           // missing value
        {"--target-info", "t", "--port", "65536"},  // out of range
        {"--target-info", "t", "--port", "12ab"},   // not a number
        {"--target-info", "t", "--close-at", "-1"}, // negative for a count
        {"--target-info", "t", "--enter-status", "0x10000"},
        {"--target-info", "t", "--delay-ms", ""},
        {"--target-info", ""},
        {"--target-info", "t", "--host", ""},
    };
    for (const auto& args : bad) {
        SimCommandLine cl;
        std::string error;
        EXPECT_FALSE(Parse(args, cl, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimArgs, NumbersAreDecimalOrHexadecimalNeverOctal) {
    SimCommandLine cl;
    std::string error;
    ASSERT_TRUE(
        Parse({"--target-info", "t", "--close-at", "010", "--silent-from", "0X1f"}, cl, error));
    EXPECT_EQ(10u, cl.options.closeAtRecord);
    EXPECT_EQ(31u, cl.options.silentFromRecord);
}

TEST(SimArgs, HelpListsEveryFlag) {
    const std::string usage = SimUsage();
    for (const char* flag : {"--host",
                             "--port",
                             "--target-info",
                             "--out",
                             "--log",
                             "--enter-status",
                             "--packet-size",
                             "--write-steps",
                             "--no-ack-intermediate",
                             "--max-connections",
                             "--max-record",
                             "--max-image",
                             "--close-at",
                             "--silent-from",
                             "--delay-ms",
                             "--sendfile-status-at",
                             "--sendfile-status",
                             "--corrupt-getfile-packet",
                             "--wrong-code-at",
                             "--bad-length-at",
                             "--bad-length-delta",
                             "--query-fault-from",
                             "--help"})
        EXPECT_NE(std::string::npos, usage.find(std::string(flag) + " ")) << flag;
}

TEST(SimArgs, TargetInfoIsReadWholeAndBinarySafe) {
    const auto path = std::filesystem::temp_directory_path() / "zepdevsim-test-ti.txt";
    const std::string content("MODEL X\r\nVERSION 1\0tail", 23);
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    SimCommandLine cl;
    cl.targetInfoPath = path.string();
    std::string error;
    ASSERT_TRUE(LoadTargetInfo(cl, error)) << error;
    EXPECT_EQ(content, cl.options.targetInfo);
    std::filesystem::remove(path);
    EXPECT_FALSE(LoadTargetInfo(cl, error));
    EXPECT_NE(std::string::npos, error.find("cannot read"));
}

TEST(SimArgs, OptionChecks) {
    SimOptions options;
    std::string error;
    EXPECT_TRUE(ValidateSimOptions(options, &error));
    options.maxRecordSize = 51;
    EXPECT_FALSE(ValidateSimOptions(options, &error));
    options = SimOptions();
    options.badLengthAtRecord = 1;
    options.badLengthDelta = 0;
    EXPECT_FALSE(ValidateSimOptions(options, &error));
    options = SimOptions();
    options.host.clear();
    EXPECT_FALSE(ValidateSimOptions(options, &error));
}

} // namespace
