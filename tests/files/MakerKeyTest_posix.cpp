// The macOS program's loading as built with the maker's key (here the tests' key): a package
// signed by it loads, one unsigned or signed by another key is refused with the damaged-package
// result and loads nothing.
#include "BindFixture.h"
#include "BindSigner.h"
#include "TestKeys.h"
#include "zepInfo.h"

#include <gtest/gtest.h>

namespace {

class MakerKey : public BindFixture {};

TEST_F(MakerKey, OnlyThePackageTheMakerSignedLoads) {
    const std::string pkg = m_dir.Path("pkg"), signedPkg = m_dir.Path("signed"),
                      key = m_dir.Path("key");
    WriteFileBytes(pkg, RawPackage::Simple({{"boot.bin", PatternData(500, 1)},
                                            {"ZEPINFO.txt", "TGMNAME SIGNED\r\n"}})
                            .bytes());
    const struct {
        const char* what;
        const char* signer; // null: unsigned
        int result;
        const char* tgm;
    } cases[] = {
        {"unsigned", nullptr, RESULT_ERR_FIRMREAD, "BEFORE"},
        {"another key", TEST2_PRIVATE, RESULT_ERR_FIRMREAD, "BEFORE"},
        {"the maker's key", TEST1_PRIVATE, 0, "SIGNED"},
    };
    for (const auto& c : cases) {
        std::string path = pkg, fingerprint, error;
        if (c.signer != nullptr) {
            WriteFileText(key, c.signer);
            ASSERT_TRUE(SignBindPackage(pkg, signedPkg, key, fingerprint, error)) << error;
            path = signedPkg;
        }
        g_ZepInfo.loadData(const_cast<char*>("TGMNAME BEFORE\r\n"), 16, ZEP_INFO_FILETYPE);
        OpenFile(path);
        EXPECT_EQ(zepinfo_loadfile(), c.result) << c.what;
        std::string tgm;
        EXPECT_TRUE(zepinfo_getTgmName(tgm));
        EXPECT_EQ(tgm, c.tgm) << c.what;
    }
}

} // namespace
