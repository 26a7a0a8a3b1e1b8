// Signing and checking whole packages (signing is the Linux packer's): what zepbind signs
// verifies, no byte of a signed package can change unnoticed, a directory made to mislead one
// reader is refused, and the loader lets nothing of a refused package through.
#include "BindFixture.h"
#include "BindSigner.h"
#include "TestKeys.h"
#include "ZepBindTool.h"
#include "zepInfo.h"
#include "zepPackageLoad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

int Zepbind(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    return RunZepBind(args, out, err);
}

class PackageSigning : public BindFixture {
protected:
    void SetUp() override {
        key = m_dir.Path("test1.key");
        WriteFileText(key, TEST1_PRIVATE);
    }

    // The facts of a package file, or false when it has no readable package.
    bool Inspect(const std::string& path, ZepPackageFacts& facts) {
        const Bytes bytes = ReadFileBytes(path);
        std::FILE* fp = std::fopen(path.c_str(), "rb");
        ZepPackageLayout layout;
        std::string error;
        const bool bOk = fp != nullptr && ZepReadPackageLayout(fp, bytes.size(), layout, error) &&
                         ZepInspectPackage(fp, layout, facts, error);
        if (fp != nullptr)
            std::fclose(fp);
        return bOk;
    }

    // A package whose directory is laid out as given, signed over the manifest of all the entries
    // but the last (the signature entry): a valid signature over a misleading directory.
    std::string Crafted(const std::vector<std::pair<std::string, std::string>>& files,
                        const std::vector<std::tuple<std::string, int, int>>& directory) {
        RawPackage pkg;
        std::vector<int32_t> offsets;
        for (const auto& f : files)
            offsets.push_back(pkg.AddData(f.second));
        // The manifest as a signer would write it for these entries, whatever they are.
        const Bytes& raw = pkg.bytes();
        std::string text = "Halvard firmware package 1\n" +
                           std::to_string(directory.size() - 1) + " files\n", error;
        for (size_t i = 0; i + 1 < directory.size(); ++i) {
            const int at = std::max(std::get<1>(directory[i]), 0), size = std::get<2>(directory[i]);
            text += ZepSha256Hex(raw.data() + at, static_cast<size_t>(size)) + " " +
                    std::to_string(size) + " " + std::get<0>(directory[i]) + "\n";
        }
        ZepBytes sig, pub;
        EXPECT_TRUE(ZepSignP256(TEST1_PRIVATE, text, sig, pub, error)) << error;
        const ZepBytes entry = ZepSignatureEntry(pub, sig);
        const int32_t sigAt = pkg.AddData(std::string(entry.begin(), entry.end()));
        const int32_t dirAt = pkg.Size();
        for (const auto& d : directory) {
            const bool bSig = std::get<1>(d) < 0;
            pkg.AddEntry(std::get<0>(d), bSig ? sigAt : std::get<1>(d),
                         bSig ? static_cast<int32_t>(entry.size()) : std::get<2>(d));
        }
        pkg.AddTrailer(dirAt, static_cast<int32_t>(directory.size()));
        const std::string path = m_dir.Path("crafted.bin");
        WriteFileBytes(path, pkg.bytes());
        return path;
    }

    std::string key;
};

TEST_F(PackageSigning, WhatZepbindSignsVerifiesAndNamesItsSigner) {
    const std::string img = m_dir.Path("img.bin"), info = m_dir.Path("ZEPINFO.txt"),
                      pkg = m_dir.Path("pkg");
    WriteFileText(img, PatternData(5000, 1));
    WriteFileText(info, "TGMNAME T\r\nVERSION BOOT=1 img.bin BOOT\r\n");
    ASSERT_EQ(Zepbind({"create", "-o", pkg, "--info", info, "--sign-key", key, img}), 0);
    ZepPackageFacts facts;
    ASSERT_TRUE(Inspect(pkg, facts));
    EXPECT_EQ(facts.eSignature, ZEP_SIG_VALID) << facts.strProblem;
    EXPECT_EQ(facts.strSigner, TEST1_FINGERPRINT);
    const Bytes bytes = ReadFileBytes(pkg);
    EXPECT_EQ(facts.strSha256, ZepSha256Hex(bytes.data(), bytes.size()));

    // Signing again replaces the signature instead of adding one.
    WriteFileText(key, TEST2_PRIVATE);
    ASSERT_EQ(Zepbind({"sign", "--key", key, pkg}), 0);
    ASSERT_TRUE(Inspect(pkg, facts));
    EXPECT_EQ(facts.eSignature, ZEP_SIG_VALID);
    EXPECT_NE(facts.strSigner, TEST1_FINGERPRINT);
    std::FILE* fp = std::fopen(pkg.c_str(), "rb");
    ZepPackageLayout layout;
    std::string error;
    ASSERT_TRUE(ZepReadPackageLayout(fp, ReadFileBytes(pkg).size(), layout, error)) << error;
    std::fclose(fp);
    EXPECT_EQ(layout.entries.size(), 3u); // the image, ZEPINFO.txt, one signature

    // A signature made elsewhere over signed-bytes is taken only for the key it matches.
    const std::string manifest = m_dir.Path("m"), sig = m_dir.Path("sig"), pub = m_dir.Path("pub"),
                      out = m_dir.Path("out");
    ASSERT_EQ(Zepbind({"signed-bytes", pkg, "-o", manifest, "--signature", sig}), 0);
    WriteFileText(pub, TEST1_PUBLIC);
    EXPECT_NE(Zepbind({"attach-signature", "--public-key", pub, "--signature", sig, "-o", out, pkg}),
              0);
    EXPECT_FALSE(std::ifstream(out).good());
    WriteFileText(pub, TEST2_PUBLIC);
    EXPECT_EQ(Zepbind({"attach-signature", "--public-key", pub, "--signature", sig, "-o", out, pkg}),
              0);
}

TEST_F(PackageSigning, NoByteOfASignedPackageChangesUnnoticed) {
    const std::string img = m_dir.Path("a.bin"), img2 = m_dir.Path("b.bin"),
                      info = m_dir.Path("ZEPINFO.txt"), pkg = m_dir.Path("pkg"),
                      flipped = m_dir.Path("flipped");
    WriteFileText(img, PatternData(97, 2));
    WriteFileText(img2, PatternData(0, 3));
    WriteFileText(info, "TGMNAME T\r\nVERSION BOOT=1 a.bin BOOT\r\nVERSION LANG=1 b.bin LANG\r\n");
    ASSERT_EQ(Zepbind({"create", "-o", pkg, "--info", info, "--sign-key", key, img, img2}), 0);
    const Bytes good = ReadFileBytes(pkg);
    // A bit of each byte: images, ZEPINFO.txt, the signature, the directory and the trailer.
    for (size_t at = 0; at < good.size(); ++at) {
        for (int bit = static_cast<int>(at % 8); bit == static_cast<int>(at % 8); ++bit) {
            Bytes bad = good;
            bad[at] ^= static_cast<unsigned char>(1u << bit);
            WriteFileBytes(flipped, bad);
            ZepPackageFacts facts;
            if (Inspect(flipped, facts)) {
                ASSERT_NE(facts.eSignature, ZEP_SIG_VALID) << "byte " << at << " bit " << bit;
            }
        }
    }
}

TEST_F(PackageSigning, RefusesADirectoryMadeToMisleadOneReader) {
    const std::vector<std::pair<std::string, std::string>> files = {{"a", "AAAA"}, {"b", "BB"}};
    const struct {
        const char* what;
        std::vector<std::tuple<std::string, int, int>> directory;
        const char* problem;
    } cases[] = {
        {"sound", {{"a", 0, 4}, {"b", 4, 2}, {"ZEPSIGNATURE", -1, 0}}, ""},
        // Windows finds names in any letter case: two "A"s are two readings of one name.
        {"one name twice", {{"a", 0, 4}, {"A", 4, 2}, {"ZEPSIGNATURE", -1, 0}}, "appears twice"},
        {"overlapping files", {{"a", 0, 4}, {"b", 2, 4}, {"ZEPSIGNATURE", -1, 0}}, "overlap"},
        {"bytes no file covers", {{"a", 0, 4}, {"ZEPSIGNATURE", -1, 0}}, "between"},
        {"signature not last", {{"ZEPSIGNATURE", -1, 0}, {"a", 0, 4}, {"b", 4, 2}}, "out of place"},
        {"signature's name in another case",
         {{"a", 0, 4}, {"b", 4, 2}, {"ZepSignature", -1, 0}}, "out of place"},
    };
    for (const auto& c : cases) {
        ZepPackageFacts facts;
        ASSERT_TRUE(Inspect(Crafted(files, c.directory), facts)) << c.what;
        if (*c.problem == '\0') {
            EXPECT_EQ(facts.eSignature, ZEP_SIG_VALID) << c.what << ": " << facts.strProblem;
        } else {
            EXPECT_EQ(facts.eSignature, ZEP_SIG_INVALID) << c.what;
            EXPECT_NE(facts.strProblem.find(c.problem), std::string::npos)
                << c.what << ": " << facts.strProblem;
        }
    }
}

TEST_F(PackageSigning, LoaderLetsNothingOfARefusedPackageThrough) {
    const std::string img = m_dir.Path("img.bin"), info = m_dir.Path("ZEPINFO.txt"),
                      pkg = m_dir.Path("pkg");
    WriteFileText(img, PatternData(100, 4));
    WriteFileText(info, "TGMNAME REFUSED\r\nVERSION BOOT=1 img.bin BOOT\r\n");
    ASSERT_EQ(Zepbind({"create", "-o", pkg, "--info", info, "--sign-key", key, img}), 0);
    g_ZepInfo.loadData(const_cast<char*>("TGMNAME BEFORE\r\n"), 16, ZEP_INFO_FILETYPE);
    ZepTrust trust;
    std::string error;
    ASSERT_TRUE(ZepTrustAddKeyPem(trust, TEST2_PUBLIC, error)) << error;
    ZepPackageLoad load;
    EXPECT_EQ(ZepLoadPackage(&trust, (OpenFile(pkg), load)), ZEP_LOAD_UNTRUSTED);
    EXPECT_EQ(load.eTrust, ZEP_TRUST_UNKNOWN_KEY);
    EXPECT_NE(load.strProblem.find(TEST1_FINGERPRINT), std::string::npos) << load.strProblem;
    std::string name;
    EXPECT_TRUE(g_ZepInfo.getTgmName(name));
    EXPECT_EQ(name, "BEFORE");
    EXPECT_FALSE(zepBindInfo::Instance()->IsBindZepFile()); // no image can be read from it

    ASSERT_TRUE(ZepTrustAddKeyPem(trust, TEST1_PUBLIC, error));
    EXPECT_EQ(ZepLoadPackage(&trust, (OpenFile(pkg), load)), ZEP_LOAD_OK) << load.strProblem;
    EXPECT_EQ(load.eTrust, ZEP_TRUST_SIGNED);
    EXPECT_TRUE(g_ZepInfo.getTgmName(name));
    EXPECT_EQ(name, "REFUSED");
}

} // namespace
