// Reads a signed package whole the way halvard does before any device is touched (its SHA-256,
// every file's digest for the manifest, the signature), and runs sha256sum over the same file,
// alternating, and prints the best time of each and their ratio (goal: at most 1.25).
// Usage: bench_packverify [IMAGE_BYTES]   (default 256 MiB); needs openssl and sha256sum.
#include "BindPackageWriter.h"
#include "BindSigner.h"
#include "TestImage.h"
#include "zepPackageSign.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

double Seconds(const std::chrono::steady_clock::time_point& t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One inspection as the loader makes it; false unless the signature holds.
bool Inspect(const std::string& path, double& seconds) {
    const auto t0 = std::chrono::steady_clock::now();
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    ZepPackageLayout layout;
    ZepPackageFacts facts;
    std::string error;
    const bool bOk = fp != nullptr && ZepReadPackageLayout(fp, fs::file_size(path), layout, error) &&
                     ZepInspectPackage(fp, layout, facts, error) &&
                     facts.eSignature == ZEP_SIG_VALID;
    if (fp != nullptr)
        std::fclose(fp);
    seconds = Seconds(t0);
    return bOk;
}

bool Sha256sum(const std::string& path, double& seconds) {
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(("sha256sum '" + path + "' > /dev/null").c_str());
    seconds = Seconds(t0);
    return rc == 0;
}

} // namespace

int main(int argc, char** argv) {
    const unsigned long long size = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256ull << 20;
    if (size == 0 || size > 0x7F000000ull) {
        std::fprintf(stderr, "bench_packverify: image size must be 1 .. 2130706432 bytes\n");
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / "bench-packverify";
    fs::create_directories(dir);
    const std::string image = (dir / "bench_image.bin").string(), info = (dir / "ZEPINFO.txt").string(),
                      plain = (dir / "plain").string(), package = (dir / "signed").string(),
                      key = (dir / "bench.key").string();
    std::string error, fingerprint;
    bool bOk = std::system(("openssl ecparam -name prime256v1 -genkey -noout -out '" + key + "'")
                               .c_str()) == 0 &&
               WriteTestImage(image, size, 1, error);
    if (bOk) {
        std::FILE* fp = std::fopen(info.c_str(), "wb");
        bOk = fp != nullptr && std::fputs("VERSION BENCH=1 bench_image.bin\r\n", fp) >= 0;
        bOk = fp != nullptr && std::fclose(fp) == 0 && bOk;
    }
    bOk = bOk && WriteBindPackage({plain, "", info, {image}}, error) &&
          SignBindPackage(plain, package, key, fingerprint, error);
    fs::remove(image);
    fs::remove(plain);
    if (!bOk) {
        std::fprintf(stderr, "bench_packverify: cannot make the package: %s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }
    // A first pass of each warms the page cache; then they alternate and the best pass counts.
    double best[2] = {1e9, 1e9}, t = 0;
    for (int round = 0; round < 4 && bOk; ++round) {
        bOk = Inspect(package, t);
        if (round > 0 && t < best[0])
            best[0] = t;
        bOk = bOk && Sha256sum(package, t);
        if (round > 0 && t < best[1])
            best[1] = t;
    }
    fs::remove_all(dir);
    if (!bOk) {
        std::fprintf(stderr, "bench_packverify: a pass failed\n");
        return 1;
    }
    const double mib = static_cast<double>(size) / 1048576.0;
    std::printf("package of %.0f MiB, signed by %s\n", mib, fingerprint.c_str());
    std::printf("verify (digest, manifest, signature): %.3f s  %.0f MiB/s\n", best[0], mib / best[0]);
    std::printf("sha256sum of the same file:           %.3f s  %.0f MiB/s\n", best[1], mib / best[1]);
    std::printf("ratio verify / sha256sum: %.2f (goal: at most 1.25)\n", best[0] / best[1]);
    return 0;
}
