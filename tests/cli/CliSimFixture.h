// The console updater in-process against the device simulator, with packages made by the packer.
#pragma once

#include "CliApp.h"
#include "SimFixture.h"
#include "ZepBindTool.h"

#include <fstream>
#include <sstream>

// The console updater in-process against the simulator, with a package made by the packer.
class SimCliTest : public SimTest {
protected:
    // Writes ZEPINFO.txt and the images as files and packs them with the packer: stand-alone,
    // or appended to a copy of program.
    std::string Pack(const std::string& zepInfo, const std::string& program = "") {
        const std::string dir = m_package.substr(0, m_package.find_last_of("/\\") + 1);
        WriteFile(dir + "ZEPINFO.txt", std::vector<uint8_t>(zepInfo.begin(), zepInfo.end()));
        WriteFile(dir + "boot.bin", Pattern(10000));
        const std::string out = dir + (program.empty() ? "cli.pkg" : "program-with-package");
        std::vector<std::string> args = {program.empty() ? "create" : "append", "-o", out, "--info",
                                         dir + "ZEPINFO.txt"};
        if (!program.empty()) {
            args.push_back("--program");
            args.push_back(program);
        }
        args.push_back(dir + "boot.bin");
        std::ostringstream out_, err_;
        EXPECT_EQ(ZEPBIND_EXIT_OK, RunZepBind(args, out_, err_)) << err_.str();
        return out;
    }

    int Run(std::vector<const char*> args, const std::string& ownPackage = "") {
        zepBindInfo::DestroyInstance();
        args.insert(args.begin(), "halvard");
        CliEnvironment env;
        env.strOwnPackagePath = ownPackage;
        env.dwTickMs = 2;
        env.dwWorkerPollingMs = 1;
        return RunCli(static_cast<int>(args.size()), args.data(), out, err, env);
    }

    static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        ASSERT_TRUE(file.good()) << path;
    }

    std::ostringstream out, err;
};
