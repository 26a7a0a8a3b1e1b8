// The packer: what it writes is what the updater reads, it lists and checks packages, and bad
// input gets an error without leaving anything half-written.
#include "BindFixture.h"
#include "ZepBindTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int rc;
    std::string out;
    std::string err;
};

ToolRun Zepbind(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int rc = RunZepBind(args, out, err);
    return {rc, out.str(), err.str()};
}

class ZepBind : public BindFixture {
protected:
    void SetUp() override {
        boot = m_dir.Path("hv_boot.bin");
        lang = m_dir.Path("hv_lang.bin");
        info = m_dir.Path("info.txt");
        ASSERT_EQ(Zepbind({"make-test-image", "--size", "300000", "--seed", "1", "-o", boot}).rc,
                  0);
        ASSERT_EQ(Zepbind({"make-test-image", "--size", "7000", "--seed", "2", "-o", lang}).rc, 0);
        WriteFileText(info, "TGMNAME T\r\nVERSION BOOT=1 hv_boot.bin BOOT\r\n"
                            "VERSION LANG=2 hv_lang.bin LANG\r\n");
    }

    std::string Contents(const std::string& path) {
        Bytes b = ReadFileBytes(path);
        return std::string(b.begin(), b.end());
    }

    // A failed run names its reason in one line and leaves no output and no temporary file.
    void ExpectFailureLeavesNothing(const ToolRun& r, const std::string& out, int rc = 1) {
        EXPECT_EQ(r.rc, rc) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("zepbind: ", 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(out));
        for (const auto& e : fs::directory_iterator(fs::path(out).parent_path()))
            EXPECT_EQ(e.path().filename().string().find("zepbind-tmp"), std::string::npos)
                << e.path();
    }

    std::string boot, lang, info;
};

TEST_F(ZepBind, CreatedPackageIsReadBackByTheUpdater) {
    std::string pkg = m_dir.Path("ZEPBINDDATA");
    ToolRun r = Zepbind({"create", "-o", pkg, "--info", info, boot, lang});
    ASSERT_EQ(r.rc, 0) << r.err;
    zepBindInfo* bind = OpenFile(pkg);
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "hv_boot.bin", data, 4096));
    EXPECT_EQ(data, Contents(boot));
    ASSERT_TRUE(ReadAll(*bind, "hv_lang.bin", data, 4096));
    EXPECT_EQ(data, Contents(lang));
    ASSERT_TRUE(ReadAll(*bind, "ZEPINFO.txt", data));
    EXPECT_EQ(data, Contents(info));
    unsigned long start = 1, size = 0;
    ASSERT_TRUE(bind->getBindMngData("hv_boot.bin", start, size));
    EXPECT_EQ(start, 0u); // a stand-alone package starts with its first image
    zepBindInfo::DestroyInstance();

    r = Zepbind({"list", pkg});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "hv_boot.bin                              0     300000\n"
                     "hv_lang.bin                         300000       7000\n"
                     "ZEPINFO.txt                         307000         77\n");
    r = Zepbind({"verify", pkg});
    EXPECT_EQ(r.rc, 0) << r.err;

    std::string out = m_dir.Path("lang.out");
    ASSERT_EQ(Zepbind({"extract", pkg, "hv_lang.bin", "-o", out}).rc, 0);
    EXPECT_EQ(Contents(out), Contents(lang));
}

TEST_F(ZepBind, AppendedPackageCountsFromTheProgramStart) {
    std::string program = m_dir.Path("prog.exe");
    ASSERT_EQ(Zepbind({"make-test-image", "--size", "12345", "--seed", "9", "-o", program}).rc, 0);
    std::string out = m_dir.Path("updater.exe");
    ToolRun r = Zepbind({"append", "-o", out, "--program", program, "--info", info, boot, lang});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(Contents(out).substr(0, 12345), Contents(program));

    zepBindInfo* bind = OpenFile(out);
    ASSERT_TRUE(bind->IsBindZepFile());
    unsigned long start = 0, size = 0;
    ASSERT_TRUE(bind->getBindMngData("hv_boot.bin", start, size));
    EXPECT_EQ(start, 12345u);
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "hv_lang.bin", data));
    EXPECT_EQ(data, Contents(lang));
    zepBindInfo::DestroyInstance();
    EXPECT_EQ(Zepbind({"verify", out}).rc, 0);

    // A program that already carries a package is refused.
    std::string twice = m_dir.Path("twice.exe");
    ExpectFailureLeavesNothing(
        Zepbind({"append", "-o", twice, "--program", out, "--info", info, boot}), twice);
}

TEST_F(ZepBind, ListsAHandBuiltPackage) {
    Bytes prefix(100, 0x90);
    RawPackage pkg =
        RawPackage::Simple({{"a.bin", "12345"}, {"ZEPINFO.txt", "VERSION A=1 a.bin"}}, prefix);
    std::string path = m_dir.Path("hand.bin");
    WriteFileBytes(path, pkg.bytes());
    ToolRun r = Zepbind({"list", path});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "a.bin                                  100          5\n"
                     "ZEPINFO.txt                            105         17\n");
    EXPECT_EQ(Zepbind({"verify", path}).rc, 0);
}

TEST_F(ZepBind, ListRefusesWhatIsNoPackage) {
    ToolRun r = Zepbind({"list", boot});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("no package"), std::string::npos) << r.err;
    r = Zepbind({"list", m_dir.Path("absent")});
    EXPECT_EQ(r.rc, 1);
    RawPackage pkg;
    pkg.AddData("x");
    pkg.AddTrailer(1, 1000); // directory claims far more than the file holds
    WriteFileBytes(m_dir.Path("short"), pkg.bytes());
    r = Zepbind({"list", m_dir.Path("short")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("does not lie inside"), std::string::npos) << r.err;
}

TEST_F(ZepBind, BadInputLeavesNothingBehind) {
    std::string out = m_dir.Path("out.pkg");
    ExpectFailureLeavesNothing(Zepbind({"create", "-o", out, "--info", info, m_dir.Path("nope")}),
                               out);
    ExpectFailureLeavesNothing(Zepbind({"create", "-o", out, "--info", m_dir.Path("nope"), boot}),
                               out);
    std::string longName = m_dir.Path(std::string(32, 'x') + ".bin");
    WriteFileText(longName, "x");
    ExpectFailureLeavesNothing(Zepbind({"create", "-o", out, "--info", info, longName}), out);
    fs::remove(longName);
    ExpectFailureLeavesNothing(Zepbind({"create", "-o", out, "--info", info, boot, boot}), out);
    std::string upper = m_dir.Path("sub");
    fs::create_directory(upper);
    WriteFileText(upper + "/HV_BOOT.BIN", "x");
    ExpectFailureLeavesNothing(
        Zepbind({"create", "-o", out, "--info", info, boot, upper + "/HV_BOOT.BIN"}), out);
    WriteFileText(upper + "/ZEPINFO.txt", "x");
    ExpectFailureLeavesNothing(
        Zepbind({"create", "-o", out, "--info", info, upper + "/ZEPINFO.txt"}), out);
}

// A ZEPINFO.txt saved with bare line feeds would send "BOOT\n" as the device file name: the
// packer refuses it in one line, or stores it with CR LF when asked, and verify reports it.
TEST_F(ZepBind, BareLineFeedsInZepInfoAreRefusedOrConverted) {
    const std::string crlf = "TGMNAME T\r\nVERSION BOOT=1 hv_boot.bin BOOT\r\n";
    struct Case {
        const char* what;
        std::string text;
        bool bCrLf;
        size_t badRow; // 0: packed
    };
    const Case cases[] = {
        {"LF only", "TGMNAME T\nVERSION BOOT=1 hv_boot.bin BOOT\n", false, 1},
        {"last row LF", "TGMNAME T\r\nVERSION BOOT=1 hv_boot.bin BOOT\n", false, 2},
        {"LF first", "\nTGMNAME T\r\n", false, 1},
        {"LF only, --crlf", "TGMNAME T\nVERSION BOOT=1 hv_boot.bin BOOT\n", true, 0},
        {"mixed, --crlf", "TGMNAME T\r\nVERSION BOOT=1 hv_boot.bin BOOT\n", true, 0},
        {"CR LF, --crlf", crlf, true, 0},
    };
    for (const Case& c : cases) {
        for (const char* command : {"create", "append"}) {
            SCOPED_TRACE(std::string(c.what) + ", " + command);
            WriteFileText(info, c.text);
            const std::string out = m_dir.Path("lf.pkg");
            std::vector<std::string> args = {command, "-o", out, "--info", info};
            if (std::string(command) == "append")
                args.insert(args.end(), {"--program", lang});
            if (c.bCrLf)
                args.push_back("--crlf");
            args.push_back(boot);
            const ToolRun r = Zepbind(args);
            if (c.badRow != 0) {
                ExpectFailureLeavesNothing(r, out);
                EXPECT_NE(
                    r.err.find("row " + std::to_string(c.badRow) + " ends in a bare line feed"),
                    std::string::npos)
                    << r.err;
                continue;
            }
            ASSERT_EQ(r.rc, 0) << r.err;
            zepBindInfo* bind = OpenFile(out);
            std::string stored;
            ASSERT_TRUE(bind != nullptr && ReadAll(*bind, "ZEPINFO.txt", stored));
            zepBindInfo::DestroyInstance();
            EXPECT_EQ(stored, crlf);
            EXPECT_EQ(Zepbind({"verify", out}).rc, 0);
            fs::remove(out);
        }
    }

    // A package packed by other means is reported by verify.
    const std::string path = m_dir.Path("lf-hand.bin");
    WriteFileBytes(path, RawPackage::Simple(
                             {{"a.bin", "1"}, {"ZEPINFO.txt", "TGMNAME T\nVERSION A=1 a.bin A\n"}})
                             .bytes());
    const ToolRun r = Zepbind({"verify", path});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("ZEPINFO.txt row 1 ends in a bare line feed"), std::string::npos) << r.err;
}

TEST_F(ZepBind, ThirtyOneCharacterNameIsAccepted) {
    std::string name = std::string(27, 'n') + ".bin";
    ASSERT_EQ(name.size(), 31u);
    WriteFileText(m_dir.Path(name), "data");
    std::string out = m_dir.Path("ok.pkg");
    ASSERT_EQ(Zepbind({"create", "-o", out, "--info", info, m_dir.Path(name)}).rc, 0);
    zepBindInfo* bind = OpenFile(out);
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize(name.c_str(), size));
    EXPECT_EQ(size, 4u);
}

TEST_F(ZepBind, FailureKeepsAnExistingOutput) {
    std::string out = m_dir.Path("keep.pkg");
    WriteFileText(out, "previous");
    ToolRun r = Zepbind({"create", "-o", out, "--info", info, m_dir.Path("nope")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(Contents(out), "previous");
    ASSERT_EQ(Zepbind({"create", "-o", out, "--info", info, boot}).rc, 0); // replaced on success
    EXPECT_NE(Contents(out), "previous");
}

// Whatever sits at a name beside the output that a writer might predict, a file or a symbolic
// link to another file, is neither followed nor overwritten.
TEST_F(ZepBind, TemporaryFileTakesNoPredictableName) {
    const std::string out = m_dir.Path("out.pkg");
    const std::string victim = m_dir.Path("victim");
    WriteFileText(victim, "victim");
    struct Case {
        const char* suffix;
        bool bLink;
    };
    const Case cases[] = {
        {".tmp", true}, {".zepbind-tmp.XXXXXX", true}, {".new", false}, {".zepbind-tmp.", false}};
    for (const Case& c : cases) {
        std::error_code ec;
        if (c.bLink)
            fs::create_symlink(victim, out + c.suffix, ec); // not every system lets a test
        else
            WriteFileText(out + c.suffix, "planted");
    }
    ASSERT_EQ(Zepbind({"create", "-o", out, "--info", info, boot, lang}).rc, 0);
    EXPECT_EQ(Contents(victim), "victim");
    for (const Case& c : cases) {
        if (c.bLink)
            EXPECT_TRUE(!fs::exists(out + c.suffix) || fs::is_symlink(out + c.suffix)) << c.suffix;
        else
            EXPECT_EQ(Contents(out + c.suffix), "planted") << c.suffix;
    }
    EXPECT_EQ(Zepbind({"verify", out}).rc, 0);
}

TEST_F(ZepBind, RefusesPackagesOverTwoGibibytes) {
    std::string huge = m_dir.Path("huge.bin");
    WriteFileText(huge, "");
    fs::resize_file(huge, 0x7FFFFFFFull - 100); // sparse: no disk space used
    std::string out = m_dir.Path("huge.pkg");
    ToolRun r = Zepbind({"create", "-o", out, "--info", info, huge});
    ExpectFailureLeavesNothing(r, out);
    EXPECT_NE(r.err.find("2 GiB"), std::string::npos) << r.err;
}

TEST_F(ZepBind, VerifyFindsFaults) {
    struct Case {
        const char* what;
        RawPackage pkg;
    };
    std::string goodInfo = "VERSION A=1 a.bin";
    RawPackage dup =
        RawPackage::Simple({{"a.bin", "1"}, {"A.BIN", "2"}, {"ZEPINFO.txt", goodInfo}});
    RawPackage missing = RawPackage::Simple({{"a.bin", "1"}, {"ZEPINFO.txt", "VERSION B=1 b.bin"}});
    RawPackage noInfo = RawPackage::Simple({{"a.bin", "1"}, {"b.bin", "2"}});
    RawPackage noRows = RawPackage::Simple({{"a.bin", "1"}, {"ZEPINFO.txt", "TGMNAME T"}});
    RawPackage outside;
    int32_t at = outside.AddData(goodInfo);
    int32_t dir = outside.Size();
    outside.AddEntry("a.bin", 0, 100000);
    outside.AddEntry("ZEPINFO.txt", at, static_cast<int32_t>(goodInfo.size()));
    outside.AddTrailer(dir, 2);
    RawPackage longName;
    at = longName.AddData(goodInfo);
    dir = longName.Size();
    longName.AddEntry(std::string(32, 'a'), 0, 1);
    longName.AddEntry("ZEPINFO.txt", at, static_cast<int32_t>(goodInfo.size()));
    longName.AddTrailer(dir, 2);
    for (const Case& c : {Case{"duplicate", dup}, Case{"missing image", missing},
                          Case{"no ZEPINFO.txt", noInfo}, Case{"no VERSION row", noRows},
                          Case{"entry outside", outside}, Case{"long name", longName}}) {
        std::string path = m_dir.Path("v.bin");
        WriteFileBytes(path, c.pkg.bytes());
        ToolRun r = Zepbind({"verify", path});
        EXPECT_EQ(r.rc, 1) << c.what;
        EXPECT_FALSE(r.err.empty()) << c.what;
    }
}

TEST_F(ZepBind, ExtractOfAnUnknownNameWritesNothing) {
    std::string pkg = m_dir.Path("p.pkg");
    ASSERT_EQ(Zepbind({"create", "-o", pkg, "--info", info, boot}).rc, 0);
    std::string out = m_dir.Path("x.out");
    ExpectFailureLeavesNothing(Zepbind({"extract", pkg, "nothing.bin", "-o", out}), out);
    ExpectFailureLeavesNothing(Zepbind({"extract", boot, "hv_boot.bin", "-o", out}), out);
}

TEST_F(ZepBind, TestImagesAreDeterministic) {
    std::string again = m_dir.Path("again.bin"), other = m_dir.Path("other.bin");
    ASSERT_EQ(Zepbind({"make-test-image", "--size", "7000", "--seed", "2", "-o", again}).rc, 0);
    ASSERT_EQ(Zepbind({"make-test-image", "--size", "7000", "--seed", "3", "-o", other}).rc, 0);
    EXPECT_EQ(Contents(again), Contents(lang));
    EXPECT_NE(Contents(other), Contents(lang));
    EXPECT_EQ(Contents(other).size(), 7000u);
    std::string empty = m_dir.Path("empty.bin");
    ASSERT_EQ(Zepbind({"make-test-image", "--size", "0", "--seed", "3", "-o", empty}).rc, 0);
    EXPECT_EQ(fs::file_size(empty), 0u);
}

TEST_F(ZepBind, UsageErrors) {
    std::string out = m_dir.Path("u.pkg");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"create", "--info", info, boot},
             {"create", "-o", out, boot},
             {"create", "-o", out, "--info", info},
             {"create", "-o", out, "--info", info, "--program", boot, boot},
             {"create", "-o", out, "-o", out, "--info", info, boot},
             {"create", "-o"},
             {"list"},
             {"list", boot, boot},
             {"extract", boot, "-o", out},
             {"verify", "--wat", boot},
             {"make-test-image", "--size", "12x", "--seed", "1", "-o", out},
             {"make-test-image", "--size", "3000000000", "--seed", "1", "-o", out},
         }) {
        ToolRun r = Zepbind(args);
        EXPECT_EQ(r.rc, 2) << (args.empty() ? "" : args[0]) << ": " << r.err;
        EXPECT_NE(r.err.find("zepbind --help"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
    ToolRun help = Zepbind({"--help"});
    EXPECT_EQ(help.rc, 0);
    EXPECT_NE(help.out.find("zepbind create"), std::string::npos);
    EXPECT_NE(help.out.find("make-test-image"), std::string::npos);
}

// The built program itself, run as a separate process (native builds only).
TEST_F(ZepBind, ExecutableListsAndFails) {
#ifndef ZEPBIND_EXE
    GTEST_SKIP() << "the packer program is run only in native builds";
#else
    std::string pkg = m_dir.Path("e.pkg");
    ASSERT_EQ(Zepbind({"create", "-o", pkg, "--info", info, boot}).rc, 0);
    std::string listing = m_dir.Path("listing.txt");
    std::string cmd =
        std::string("\"") + ZEPBIND_EXE + "\" list \"" + pkg + "\" > \"" + listing + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(Contents(listing), Zepbind({"list", pkg}).out);
    cmd = std::string("\"") + ZEPBIND_EXE + "\" verify \"" + boot + "\" 2> \"" + listing + "\"";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_NE(Contents(listing).find("no package"), std::string::npos);
#endif
}

} // namespace

// Names are checked the way the program that carries the package reads them: a program with a
// package appended is the Windows updater (folder kept, letter case ignored), a stand-alone
// package the macOS one (folder dropped, letter case kept).
TEST_F(ZepBind, VerifyReadsNamesByTheCarryingProgramsRules) {
    Bytes prefix(64, 0x90);
    struct Case {
        const char* info;
        bool appended;
        int rc;
    } cases[] = {
        {"VERSION A=1 fw/a.bin A", false, 0},
        {"VERSION A=1 fw/a.bin A", true, 1},
        {"VERSION A=1 A.BIN A", false, 1},
        {"VERSION A=1 A.BIN A", true, 0},
    };
    for (const Case& c : cases) {
        RawPackage pkg = RawPackage::Simple({{"a.bin", "1"}, {"ZEPINFO.txt", c.info}},
                                            c.appended ? prefix : Bytes());
        std::string path = m_dir.Path("rules.bin");
        WriteFileBytes(path, pkg.bytes());
        ToolRun r = Zepbind({"verify", path});
        EXPECT_EQ(r.rc, c.rc) << c.info << (c.appended ? " appended" : " stand-alone") << r.err;
    }
}
