// The packer's output when a write fails part-way, as on a full disk: the file size limit stands
// in for the disk, which a test cannot fill.
#include "AtomicFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <vector>

TEST(AtomicFile, FailedWriteLeavesTheDestinationUntouched) {
    TempDir dir;
    const std::string out = dir.Path("out.pkg");
    WriteFileText(out, "previous");

    rlimit old{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
    rlimit small = old;
    small.rlim_cur = 4096;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN); // EFBIG instead of the signal
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    std::string error;
    AtomicFile file;
    const bool bOpened = file.Open(out, error);
    const std::vector<char> data(100000, 'x');
    file.Write(data.data(), data.size());
    const bool bCommitted = bOpened && file.Commit(error);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(bOpened) << error;
    EXPECT_FALSE(bCommitted);
    EXPECT_EQ("cannot write " + out, error);
    const Bytes kept = ReadFileBytes(out);
    EXPECT_EQ("previous", std::string(kept.begin(), kept.end()));
    size_t entries = 0;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::path(out).parent_path()))
        entries += e.path() != out; // no temporary file left
    EXPECT_EQ(0u, entries);
}
