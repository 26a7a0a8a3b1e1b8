// The console updater against the device simulator over loopback: a package file, a package
// appended to the program, an unreachable device, and a dry run that shows a device's texts.
#include "CliSimFixture.h"

namespace {

const char* const kBootRow = "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE";

} // namespace

TEST_F(SimCliTest, JsonRunWithAPackageFile) {
    StartSimulator();
    const std::string package = Pack(SimZepInfo({kBootRow}));
    EXPECT_EQ(CLI_EXIT_OK, Run({"--package", package.c_str(), "--json", "--address", "127.0.0.1"}));
    const std::string text = out.str();
    EXPECT_NE(std::string::npos, text.find("\"state\":\"WRITING_FIRM\""));
    EXPECT_NE(std::string::npos,
              text.find("{\"final\":true,\"result\":1,\"updated\":1,\"stopped\":false,"));
    EXPECT_EQ(Pattern(10000), sim->ReceivedImages()["BOOTABLE"]);
    EXPECT_EQ(1u, LoggedCount("ExitDownload"));
}

TEST_F(SimCliTest, PackageAppendedToTheProgramIsFoundWithoutArguments) {
    StartSimulator();
    // Any file stands in for the program: the package is found by its trailer.
    const std::string dir = m_package.substr(0, m_package.find_last_of("/\\") + 1);
    WriteFile(dir + "program", Pattern(5000, 9));
    const std::string program =
        Pack(SimZepInfo({kBootRow}) + "NEEDEXITOPERATION YES\r\n", dir + "program");
    EXPECT_EQ(CLI_EXIT_OK, Run({"--address", "127.0.0.1"}, program));
    EXPECT_NE(std::string::npos,
              out.str().find("Information: Firmware update is complete.\nRestart the device.\n"));
    EXPECT_EQ(Pattern(10000), sim->ReceivedImages()["BOOTABLE"]);
}

TEST_F(SimCliTest, UnreachableDeviceIsAConnectionError) {
    StartSimulator();
    std::string zepInfo = SimZepInfo({kBootRow});
    const uint16_t port = sim->Port();
    sim->Stop(); // nothing listens on the port any more
    const std::string package = Pack(zepInfo);
    EXPECT_EQ(CLI_EXIT_FAILED, Run({"--package", package.c_str(), "--address", "127.0.0.1"}));
    EXPECT_NE(std::string::npos, out.str().find("Warning: Could not update the firmware.\nThe USB "
                                                "or network cable may be disconnected"))
        << out.str() << " (port " << port << ")";
}

// A device's TargetInfo.txt reaches the administrator's terminal through --check: its escape
// sequence is shown, never sent.
TEST_F(SimCliTest, CheckShowsTheEscapeSequenceOfADeviceVersion) {
    SimOptions options;
    options.targetInfo =
        Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV\x1b[31m001100", "MAXPACKET 4156",
              "SUPPORT_COMMAND 5101", "SUPPORT_COMMAND 5102", "SUPPORT_COMMAND 5103"});
    StartSimulator(options);
    const std::string package = Pack(SimZepInfo({kBootRow}));
    EXPECT_EQ(CLI_EXIT_OK,
              Run({"--package", package.c_str(), "--check", "--address", "127.0.0.1"}));
    EXPECT_EQ(std::string::npos, (out.str() + err.str()).find('\x1b')) << out.str() << err.str();
    EXPECT_NE(std::string::npos, out.str().find("device HV\\x1b[31m001100")) << out.str();
}
