// Reads a large image out of a bound package in 4096-byte pieces through the updater's reader,
// and the same bytes of the same file with plain fread, and prints both throughputs. With
// ENTRIES the image sits behind that many small files, as the last one of a large directory.
// Usage: bench_bindread [IMAGE_BYTES [ENTRIES]]   (default 256 MiB, no other files)
#include "BindPackageWriter.h"
#include "TestImage.h"
#include "zepBindInfo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const unsigned long PIECE = 4096;
const char IMAGE_NAME[] = "bench_image.bin";

struct Pass {
    double seconds;
    unsigned long long bytes;
    unsigned long long sum; // keeps the reads honest and lets the two passes be compared
};

template <typename ReadFn> Pass Timed(unsigned long long size, ReadFn read) {
    std::vector<unsigned char> buf(PIECE);
    Pass p{0, 0, 0};
    auto t0 = std::chrono::steady_clock::now();
    for (unsigned long long off = 0; off < size;) {
        unsigned long n = read(off, buf.data());
        if (n == 0)
            break;
        for (unsigned long i = 0; i < n; i += 64)
            p.sum += buf[i];
        off += n;
        p.bytes += n;
    }
    p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return p;
}

Pass ReadWithFread(const std::string& path, unsigned long start, unsigned long long size) {
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr || std::fseek(fp, static_cast<long>(start), SEEK_SET) != 0) {
        if (fp != nullptr)
            std::fclose(fp);
        return Pass{0, 0, 0};
    }
    Pass p = Timed(size, [&](unsigned long long off, unsigned char* buf) {
        unsigned long long left = size - off;
        return static_cast<unsigned long>(std::fread(buf, 1, left < PIECE ? left : PIECE, fp));
    });
    std::fclose(fp);
    return p;
}

Pass ReadWithBindInfo(zepBindInfo& bind, unsigned long long size) {
    return Timed(size, [&](unsigned long long off, unsigned char* buf) {
        unsigned long n = PIECE;
        if (!bind.getBindFileData(IMAGE_NAME, static_cast<unsigned long>(off), buf, n))
            return 0ul;
        return n;
    });
}

double MiBps(const Pass& p) {
    return p.seconds > 0 ? p.bytes / 1048576.0 / p.seconds : 0;
}

bool Better(const Pass& a, const Pass& b) {
    return b.seconds == 0 || a.seconds < b.seconds;
}

} // namespace

int main(int argc, char** argv) {
    unsigned long long size = 256ull << 20;
    if (argc > 1)
        size = std::strtoull(argv[1], nullptr, 10);
    unsigned long others = 0;
    if (argc > 2)
        others = std::strtoul(argv[2], nullptr, 10);
    if (size == 0 || size > 0x7F000000ull || others > 100000) {
        std::fprintf(stderr, "bench_bindread: image size must be 1 .. 2130706432 bytes\n");
        return 2;
    }
    fs::path dir = fs::temp_directory_path() / ("bench-bindread-" + std::to_string(size));
    fs::create_directories(dir);
    std::string image = (dir / IMAGE_NAME).string(), info = (dir / "ZEPINFO.txt").string();
    std::string package = (dir / "ZEPBINDDATA").string();
    std::string error;
    std::vector<std::string> images;
    bool bOk = true;
    for (unsigned long i = 0; bOk && i < others; ++i) {
        images.push_back((dir / ("f" + std::to_string(i))).string());
        std::FILE* fp = std::fopen(images.back().c_str(), "wb");
        bOk = fp != nullptr && std::fputc('x', fp) != EOF;
        bOk = fp != nullptr && std::fclose(fp) == 0 && bOk;
        error = "cannot write " + images.back();
    }
    images.push_back(image);
    bOk = bOk && WriteTestImage(image, size, 1, error);
    if (bOk) {
        std::FILE* fp = std::fopen(info.c_str(), "wb");
        bOk = fp != nullptr && std::fputs("VERSION BENCH=1 bench_image.bin\r\n", fp) >= 0;
        bOk = fp != nullptr && std::fclose(fp) == 0 && bOk;
        error = "cannot write " + info;
    }
    if (bOk)
        bOk = WriteBindPackage({package, "", info, images}, error);
    for (const auto& f : images)
        fs::remove(f);
    if (!bOk) {
        std::fprintf(stderr, "bench_bindread: %s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }

    zepBindInfo::SetPackagePath(package.c_str());
    zepBindInfo* bind = zepBindInfo::Instance();
    if (bind == nullptr || !bind->IsBindZepFile()) {
        std::fprintf(stderr, "bench_bindread: the package cannot be opened\n");
        fs::remove_all(dir);
        return 1;
    }
    unsigned long start = 0, stored = 0;
    if (!bind->getBindMngData(IMAGE_NAME, start, stored) || stored != size) {
        std::fprintf(stderr, "bench_bindread: the image is not in the package\n");
        fs::remove_all(dir);
        return 1;
    }
    // fread the same bytes of the same file. A first pass warms the page cache; then the two
    // readers alternate and the best pass counts.
    ReadWithFread(package, start, size);
    Pass best[2] = {{0, 0, 0}, {0, 0, 0}};
    for (int round = 0; round < 3; ++round) {
        Pass b = ReadWithBindInfo(*bind, size), f = ReadWithFread(package, start, size);
        if (Better(b, best[0]))
            best[0] = b;
        if (Better(f, best[1]))
            best[1] = f;
    }
    zepBindInfo::DestroyInstance();
    fs::remove_all(dir);

    if (best[0].bytes != size || best[1].bytes != size || best[0].sum != best[1].sum) {
        std::fprintf(stderr, "bench_bindread: the two readers disagree\n");
        return 1;
    }
    double bindRate = MiBps(best[0]), freadRate = MiBps(best[1]);
    std::printf("image %llu bytes behind %lu other files, pieces of %lu bytes\n", size, others,
                PIECE);
    std::printf("getBindFileData: %8.1f MiB/s\n", bindRate);
    std::printf("fread:           %8.1f MiB/s\n", freadRate);
    std::printf("ratio:           %8.2f (goal >= 0.50)\n",
                freadRate > 0 ? bindRate / freadRate : 0);
    return 0;
}
