// The package reader on packages assembled byte by byte: sound ones, damaged ones, and both
// places a package can live (a file of its own, or appended to a program).
#include "BindFixture.h"

#include <gtest/gtest.h>

namespace {

typedef BindFixture BindInfo;

const std::string BOOT = PatternData(5000, 1);
const std::string LANG = PatternData(600, 2);
const std::string INFO = "TGMNAME T\r\nVERSION BOOT=1 boot.bin\r\n";

RawPackage ThreeFiles(const Bytes& prefix = Bytes()) {
    return RawPackage::Simple({{"boot.bin", BOOT}, {"lang.bin", LANG}, {"ZEPINFO.txt", INFO}},
                              prefix);
}

void ExpectNoPackage(zepBindInfo* bind) {
    ASSERT_NE(bind, nullptr);
    EXPECT_FALSE(bind->IsBindZepFile());
    unsigned long size = 77;
    EXPECT_FALSE(bind->getBindFileSize("ZEPINFO.txt", size));
    EXPECT_EQ(size, 77u); // closed package: untouched
    unsigned char buf[4];
    EXPECT_FALSE(bind->getBindFileData("ZEPINFO.txt", 0, buf, size));
    EXPECT_EQ(size, 77u);
}

void ExpectNotFound(zepBindInfo* bind, const char* name) {
    unsigned long size = 77;
    EXPECT_FALSE(bind->getBindFileSize(name, size)) << name;
    EXPECT_EQ(size, 0u) << name;
    unsigned char buf[4];
    size = 4;
    EXPECT_FALSE(bind->getBindFileData(name, 0, buf, size)) << name;
    EXPECT_EQ(size, 4u) << name;
}

TEST_F(BindInfo, ThreeFilesAreAllFound) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "boot.bin", data, 333));
    EXPECT_EQ(data, BOOT);
    ASSERT_TRUE(ReadAll(*bind, "lang.bin", data));
    EXPECT_EQ(data, LANG);
    ASSERT_TRUE(ReadAll(*bind, "ZEPINFO.txt", data));
    EXPECT_EQ(data, INFO);
    unsigned long start = 0, size = 0;
    ASSERT_TRUE(bind->getBindMngData("lang.bin", start, size));
    EXPECT_EQ(start, BOOT.size());
    EXPECT_EQ(size, LANG.size());
    ExpectNotFound(bind, "other.bin");
    ExpectNotFound(bind, "");
    EXPECT_FALSE(bind->getBindMngData(nullptr, start, size));
}

// A stream handed over instead of a path (memory streams for fuzzing) is read the same way,
// and repeated lookups, found or not, give the same answers as the first.
TEST_F(BindInfo, StreamIsReadLikeAFile) {
    zepBindInfo::DestroyInstance();
    const std::string path = m_dir.Path("stream.bin");
    WriteFileBytes(path, ThreeFiles().bytes());
    FILE* fp = std::fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    zepBindInfo::SetPackageStream(fp);
    zepBindInfo* bind = zepBindInfo::Instance();
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    for (int round = 0; round < 2; ++round) {
        std::string data;
        ASSERT_TRUE(ReadAll(*bind, "boot.bin", data, 333));
        EXPECT_EQ(data, BOOT);
        ExpectNotFound(bind, "other.bin");
    }
}

TEST_F(BindInfo, InstanceIsOneObjectUntilDestroyed) {
    WriteFileBytes(m_dir.Path("p"), ThreeFiles().bytes());
    zepBindInfo* first = OpenFile(m_dir.Path("p"));
    EXPECT_EQ(zepBindInfo::Instance(), first);
    zepBindInfo::DestroyInstance();
    zepBindInfo* second = zepBindInfo::Instance();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->IsBindZepFile());
}

TEST_F(BindInfo, InterleavedPiecesOfTwoFiles) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    std::string boot, lang;
    unsigned char buf[100];
    for (unsigned long off = 0; off < 600; off += 100) {
        unsigned long n = sizeof buf;
        ASSERT_TRUE(bind->getBindFileData("boot.bin", off, buf, n));
        boot.append(reinterpret_cast<char*>(buf), n);
        n = sizeof buf;
        ASSERT_TRUE(bind->getBindFileData("lang.bin", off, buf, n));
        lang.append(reinterpret_cast<char*>(buf), n);
    }
    EXPECT_EQ(boot, BOOT.substr(0, 600));
    EXPECT_EQ(lang, LANG);
}

TEST_F(BindInfo, OnlyInformationFileIsNoUsablePackage) {
    zepBindInfo* bind = OpenBytes(RawPackage::Simple({{"ZEPINFO.txt", INFO}}).bytes());
    ASSERT_NE(bind, nullptr);
    EXPECT_FALSE(bind->IsBindZepFile());
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize("ZEPINFO.txt", size));
    EXPECT_EQ(size, INFO.size());
}

TEST_F(BindInfo, MagicMustMatchAllEightBytes) {
    RawPackage pkg;
    int32_t a = pkg.AddData(BOOT), b = pkg.AddData(INFO);
    int32_t dir = pkg.Size();
    pkg.AddEntry("boot.bin", a, static_cast<int32_t>(BOOT.size()));
    pkg.AddEntry("ZEPINFO.txt", b, static_cast<int32_t>(INFO.size()));
    pkg.AddTrailer(dir, 2, "ZEPBINDX");
    ExpectNoPackage(OpenBytes(pkg.bytes()));
}

TEST_F(BindInfo, MissingOrShortFilesAreNoPackage) {
    ExpectNoPackage(OpenFile(m_dir.Path("does-not-exist")));
    ExpectNoPackage(OpenBytes(Bytes()));
    ExpectNoPackage(OpenBytes(Bytes{'Z', 'E', 'P', 'B', 'I', 'N', 'D', 0}));
    Bytes full = ThreeFiles().bytes();
    ExpectNoPackage(OpenBytes(Bytes(full.begin(), full.end() - 1))); // trailer cut short
    ExpectNoPackage(OpenBytes(Bytes(full.end() - 15, full.end())));
}

TEST_F(BindInfo, TruncatedImagesAreUnreadable) {
    // The trailer survives but the directory claims more bytes than the file holds.
    RawPackage pkg;
    int32_t a = pkg.AddData(BOOT.substr(0, 100));
    int32_t dir = pkg.Size();
    pkg.AddEntry("boot.bin", a, static_cast<int32_t>(BOOT.size()));
    pkg.AddEntry("ZEPINFO.txt", 0, 10);
    pkg.AddTrailer(dir, 2);
    zepBindInfo* bind = OpenBytes(pkg.bytes());
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    ExpectNotFound(bind, "boot.bin");
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize("ZEPINFO.txt", size));
}

TEST_F(BindInfo, DirectoryOutsideTheFile) {
    for (int32_t dirOffset : {1 << 30, -40, -1}) {
        RawPackage pkg;
        int32_t a = pkg.AddData(BOOT);
        pkg.AddEntry("boot.bin", a, static_cast<int32_t>(BOOT.size()));
        pkg.AddEntry("ZEPINFO.txt", a, 1);
        pkg.AddTrailer(dirOffset, 2);
        zepBindInfo* bind = OpenBytes(pkg.bytes());
        ASSERT_NE(bind, nullptr);
        EXPECT_TRUE(bind->IsBindZepFile()) << dirOffset; // the count alone decides
        ExpectNotFound(bind, "boot.bin");
    }
}

TEST_F(BindInfo, CountBeyondTheDirectoryStopsAtTheEndOfTheFile) {
    RawPackage pkg = ThreeFiles();
    Bytes bytes = pkg.bytes();
    // Claim two billion entries: the ones present are found, the walk ends at the file's end.
    bytes[bytes.size() - 12] = 0xFF;
    bytes[bytes.size() - 11] = 0xFF;
    bytes[bytes.size() - 10] = 0xFF;
    bytes[bytes.size() - 9] = 0x7F;
    zepBindInfo* bind = OpenBytes(bytes);
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize("ZEPINFO.txt", size));
    ExpectNotFound(bind, "missing.bin");
}

TEST_F(BindInfo, NegativeOrZeroCount) {
    for (int32_t count : {-1, -2147483647 - 1, 0}) {
        RawPackage pkg;
        int32_t a = pkg.AddData(INFO);
        int32_t dir = pkg.Size();
        pkg.AddEntry("ZEPINFO.txt", a, static_cast<int32_t>(INFO.size()));
        pkg.AddTrailer(dir, count);
        zepBindInfo* bind = OpenBytes(pkg.bytes());
        ASSERT_NE(bind, nullptr);
        EXPECT_FALSE(bind->IsBindZepFile()) << count;
        ExpectNotFound(bind, "ZEPINFO.txt");
    }
}

TEST_F(BindInfo, EntriesWithNegativeFieldsOrPastTheEndAreUnreadable) {
    RawPackage pkg;
    int32_t a = pkg.AddData(BOOT);
    int32_t dir = pkg.Size();
    pkg.AddEntry("neg-offset", -1, 10);
    pkg.AddEntry("neg-size", a, -10);
    pkg.AddEntry("past-end", a + 1000, static_cast<int32_t>(BOOT.size()));
    pkg.AddEntry("huge", 2147483000, 2147483000);
    pkg.AddEntry("whole", a, static_cast<int32_t>(BOOT.size()));
    pkg.AddTrailer(dir, 5);
    zepBindInfo* bind = OpenBytes(pkg.bytes());
    ASSERT_NE(bind, nullptr);
    for (const char* name : {"neg-offset", "neg-size", "past-end", "huge"})
        ExpectNotFound(bind, name);
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "whole", data));
    EXPECT_EQ(data, BOOT);
}

TEST_F(BindInfo, PiecesAreClampedToTheFile) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    std::string buf(1200, '#');
    unsigned char* p = reinterpret_cast<unsigned char*>(&buf[0]);
    unsigned long size = 1000;
    ASSERT_TRUE(bind->getBindFileData("lang.bin", 100, p, size));
    EXPECT_EQ(size, 500u);
    EXPECT_EQ(buf.substr(0, 500), LANG.substr(100));
    EXPECT_EQ(buf.substr(500), std::string(700, '#')); // nothing beyond what was delivered

    size = 1000;
    EXPECT_TRUE(bind->getBindFileData("lang.bin", 600, p, size)); // offset == size
    EXPECT_EQ(size, 0u);
    size = 1000;
    EXPECT_TRUE(bind->getBindFileData("lang.bin", 100000, p, size));
    EXPECT_EQ(size, 0u);
    size = 0;
    EXPECT_TRUE(bind->getBindFileData("lang.bin", 0, p, size));
    EXPECT_EQ(size, 0u);
}

TEST_F(BindInfo, NeverWritesMoreThanAsked) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    std::string buf(64, '#');
    unsigned long size = 10;
    ASSERT_TRUE(
        bind->getBindFileData("boot.bin", 7, reinterpret_cast<unsigned char*>(&buf[0]), size));
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(buf.substr(0, 10), BOOT.substr(7, 10));
    EXPECT_EQ(buf.substr(10), std::string(54, '#'));
}

TEST_F(BindInfo, NullArgumentsLeaveSizeAlone) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    unsigned char buf[8];
    unsigned long size = 8;
    EXPECT_FALSE(bind->getBindFileData(nullptr, 0, buf, size));
    EXPECT_FALSE(bind->getBindFileData("boot.bin", 0, nullptr, size));
    EXPECT_FALSE(bind->getBindFileSize(nullptr, size));
    EXPECT_EQ(size, 8u);
}

TEST_F(BindInfo, NamesOfThirtyOneCharactersAndOverlongFields) {
    const std::string name31(31, 'n');
    const std::string name32(32, 'm'); // fills the field: no terminating NUL
    RawPackage pkg;
    int32_t a = pkg.AddData("abc");
    int32_t dir = pkg.Size();
    pkg.AddEntry(name32, a, 3);
    pkg.AddEntry(name31, a, 3);
    pkg.AddTrailer(dir, 2);
    zepBindInfo* bind = OpenBytes(pkg.bytes());
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize(name31.c_str(), size));
    EXPECT_EQ(size, 3u);
    ExpectNotFound(bind, name32.c_str());
}

TEST_F(BindInfo, FirstEntryOfANameDecides) {
    RawPackage pkg;
    int32_t a = pkg.AddData("first"), b = pkg.AddData("second!");
    int32_t dir = pkg.Size();
    pkg.AddEntry("dup.bin", a, 5);
    pkg.AddEntry("dup.bin", b, 7);
    pkg.AddTrailer(dir, 2);
    zepBindInfo* bind = OpenBytes(pkg.bytes());
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "dup.bin", data));
    EXPECT_EQ(data, "first");
}

TEST_F(BindInfo, LargeDirectoryIsSearchedToTheEnd) {
    RawPackage pkg;
    int32_t a = pkg.AddData("x");
    int32_t dir = pkg.Size();
    const int count = 5000;
    for (int i = 0; i < count; ++i)
        pkg.AddEntry("f" + std::to_string(i), a, 1);
    pkg.AddTrailer(dir, count);
    zepBindInfo* bind = OpenBytes(pkg.bytes());
    unsigned long size = 0;
    EXPECT_TRUE(bind->getBindFileSize("f0", size));
    EXPECT_TRUE(bind->getBindFileSize("f4999", size));
    ExpectNotFound(bind, "f5000");
}

TEST_F(BindInfo, ClosedPackageAnswersNothing) {
    zepBindInfo* bind = OpenBytes(ThreeFiles().bytes());
    ASSERT_TRUE(bind->IsBindZepFile());
    bind->CloseZepFile();
    ExpectNoPackage(bind);
    unsigned long start = 1, size = 1;
    EXPECT_FALSE(bind->getBindMngData("boot.bin", start, size));
    bind->CloseZepFile(); // twice is harmless
}

TEST_F(BindInfo, PackageAppendedToAProgram) {
    Bytes program(70000);
    for (size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<unsigned char>(i * 7);
    zepBindInfo* bind = OpenBytes(ThreeFiles(program).bytes());
    ASSERT_NE(bind, nullptr);
    EXPECT_TRUE(bind->IsBindZepFile());
    unsigned long start = 0, size = 0;
    ASSERT_TRUE(bind->getBindMngData("boot.bin", start, size));
    EXPECT_EQ(start, program.size()); // counted from the start of the program file
    std::string data;
    ASSERT_TRUE(ReadAll(*bind, "lang.bin", data));
    EXPECT_EQ(data, LANG);
}

} // namespace
