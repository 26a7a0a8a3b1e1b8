// The halvard executable itself: exit statuses, and a copy with the package appended by the
// packer, which finds that package with no arguments. Runs that need no device, so no pause.
#include "RunProcess.h"
#include "ZepBindTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const std::string kDir = CLI_TEST_DIR; // native form for the program's own system
const std::string kSep = kDir.find('\\') != std::string::npos ? "\\" : "/";

std::string PathIn(const std::string& name) {
    return kDir + kSep + name;
}

// The file's text with Windows line ends read as plain ones.
std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string s = text.str();
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

// Runs the program with arguments, standard output and errors going to files.
int Halvard(const std::string& program, const std::string& args) {
    return RunProcess(program + " " + args + " > " + PathIn("halvard.out") + " 2> " +
                      PathIn("halvard.err"));
}

} // namespace

TEST(CliProcess, ExitStatusesWithoutAPackage) {
    ASSERT_EQ(std::string::npos, kDir.find(' ')) << "the test needs a directory without spaces";
    EXPECT_EQ(0, Halvard(HALVARD_EXE, "--help"));
    EXPECT_EQ(0u, ReadFile(PathIn("halvard.out")).find("Usage: halvard"));
    EXPECT_EQ(2, Halvard(HALVARD_EXE, "--address 1.2"));
    EXPECT_EQ(1, Halvard(HALVARD_EXE, "--list"));
    EXPECT_NE(std::string::npos,
              ReadFile(PathIn("halvard.err")).find("No usable firmware package"));
}

TEST(CliProcess, AppendedPackageIsFoundInTheProgramItself) {
    WriteFile(PathIn("ZEPINFO.txt"),
              "TGMNAME HV2000\r\nMODELNAME HV2000\r\nVERSION BOOTABLE=HV001200 boot.bin "
              "BOOTABLE\r\n");
    WriteFile(PathIn("boot.bin"), std::string(5000, 'x'));
    const std::string copy = PathIn(std::string("halvard-bound") + HALVARD_SUFFIX);
    std::ostringstream out, err;
    ASSERT_EQ(ZEPBIND_EXIT_OK, RunZepBind({"append", "-o", copy, "--program", HALVARD_EXE, "--info",
                                           PathIn("ZEPINFO.txt"), PathIn("boot.bin")},
                                          out, err))
        << err.str();
    EXPECT_EQ(0, Halvard(copy, "--list --json"));
    EXPECT_EQ("{\"model\":\"HV2000\",\"firmware\":[{\"type\":\"BOOTABLE\",\"version\":"
              "\"HV001200\"}]}\n",
              ReadFile(PathIn("halvard.out")));
}
