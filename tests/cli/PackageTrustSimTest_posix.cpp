// Whose packages halvard sends: a package refused for its signature touches no device (the
// simulator logs no enter), and every record names the package and who signed it.
#include "BindSigner.h"
#include "FleetFixture.h"
#include "TestKeys.h"

#include <fstream>
#include <sys/stat.h>

namespace {

class PackageTrustSimTest : public FleetSimTest {
protected:
    std::string Dir() const { return std::filesystem::path(m_package).parent_path().string(); }

    std::string WriteText(const std::string& name, const std::string& text) const {
        const std::string path = Dir() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    void SignWith(const char* pem) {
        std::string fingerprint, error;
        ASSERT_TRUE(SignBindPackage(m_package, m_package, WriteText("signer.key", pem), fingerprint,
                                    error))
            << error;
    }

    void FlipImageByte() {
        std::fstream f(m_package, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(10);
        f.put('\x5A');
    }
};

TEST_F(PackageTrustSimTest, OnlyAnAcceptedPackageReachesTheDevice) {
    StartSimulators({SimOptions()});
    const std::string trusted = WriteText("trusted.pub", TEST1_PUBLIC);
    const struct {
        const char* what;
        const char* signer; // null: unsigned
        bool bFlip;
        std::vector<std::string> args;
        int exitCode;
        const char* signature; // the verdict every record carries
    } cases[] = {
        {"signed by a trusted key", TEST1_PRIVATE, false, {"--trust-key", trusted}, CLI_EXIT_OK,
         "signed"},
        {"a byte of an image changed", TEST1_PRIVATE, true, {"--trust-key", trusted},
         CLI_EXIT_UNTRUSTED, "bad signature"},
        {"changed, and no key trusted", TEST1_PRIVATE, true, {}, CLI_EXIT_UNTRUSTED,
         "bad signature"},
        {"signed by another key", TEST2_PRIVATE, false, {"--trust-key", trusted},
         CLI_EXIT_UNTRUSTED, "unknown key"},
        {"unsigned, keys trusted", nullptr, false, {"--trust-key", trusted}, CLI_EXIT_UNTRUSTED,
         "unsigned"},
        {"unsigned, allowed", nullptr, false, {"--trust-key", trusted, "--allow-unsigned"},
         CLI_EXIT_OK, "unsigned, allowed"},
        {"unsigned, a signature required", nullptr, false, {"--require-signed"},
         CLI_EXIT_UNTRUSTED, "unsigned"},
        {"unsigned, nothing configured", nullptr, false, {}, CLI_EXIT_OK, "not verified"},
    };
    for (const auto& c : cases) {
        WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(3000)}});
        if (c.signer != nullptr)
            SignWith(c.signer);
        if (c.bFlip)
            FlipImageByte();
        const size_t entersBefore = Logged(0, "EnterDownload");
        std::vector<std::string> args = {"--json", "--address", Address(0)};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(c.exitCode, Run(args)) << c.what << "\n" << err.str();
        EXPECT_EQ(c.exitCode == CLI_EXIT_OK ? 1u : 0u, Logged(0, "EnterDownload") - entersBefore)
            << c.what;
        const std::vector<std::string> lines = JsonLines(out.str());
        ASSERT_FALSE(lines.empty()) << c.what;
        EXPECT_NE(std::string::npos,
                  lines.back().find("\"signature\":\"" + std::string(c.signature) + "\""))
            << c.what << ": " << lines.back();
        EXPECT_NE(std::string::npos, lines.back().find(c.signer == nullptr ? "\"signer\":\"unsigned\""
                                                                           : "\"signer\":\""))
            << c.what;
    }
}

TEST_F(PackageTrustSimTest, JournalRecordsThePackageAndAnUnsignedOneAllowed) {
    StartSimulators({SimOptions(), SimOptions()});
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(3000)}});
    const std::string journal = Dir() + "/journal";
    EXPECT_EQ(CLI_EXIT_OK, Run({"--address", Address(0), "--address", Address(1), "--journal",
                                journal, "--trust-key", WriteText("k.pub", TEST1_PUBLIC),
                                "--allow-unsigned"}));
    std::ifstream in(journal);
    size_t lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        EXPECT_NE(std::string::npos, line.find("\"package_sha256\":\"")) << line;
        EXPECT_NE(std::string::npos,
                  line.find("\"signer\":\"unsigned\",\"signature\":\"unsigned, allowed\""))
            << line;
    }
    EXPECT_EQ(2u, lines);
    EXPECT_NE(std::string::npos, out.str().find("unsigned, sent because --allow-unsigned was given"))
        << out.str();
}

TEST_F(PackageTrustSimTest, KeysOthersCouldChangeAreNotTrusted) {
    StartSimulators({SimOptions()});
    WriteFleetPackage(ZepInfo({kBootRow}), {{"boot.bin", Pattern(3000)}});
    SignWith(TEST1_PRIVATE);
    const std::string folder = Dir() + "/trusted-keys";
    std::filesystem::create_directories(folder);
    chmod(folder.c_str(), 0755);
    const std::string key = folder + "/maker.pem";
    std::ofstream(key) << TEST1_PUBLIC;
    chmod(key.c_str(), 0644);
    trustedKeysFolder = folder;
    EXPECT_EQ(CLI_EXIT_OK, Run({"--address", Address(0), "--require-signed"})) << err.str();
    chmod(key.c_str(), 0666); // anyone could replace it
    EXPECT_EQ(CLI_EXIT_USAGE, Run({"--address", Address(0)}));
    EXPECT_NE(std::string::npos, err.str().find("may be changed by other users")) << err.str();
    EXPECT_EQ(1u, Logged(0, "EnterDownload"));
}

} // namespace
