// Firmware transfer benchmark. End to end: the halvard program updating the simulator with a
// 32 MiB image in 4156-byte packets, against the ceiling of a raw 4156-byte/12-byte ping-pong
// on loopback (goal: at least 0.7 of it). Throughput: a 64 MiB image sent by the engine's
// UpdateFirmware and by a minimal stop-and-wait client, alternately, to the same simulator on
// loopback; the best of three runs each, for two packet sizes. Memory: the peak resident size of a
// process that transfers a 1 MiB and a 256 MiB image (each in a fresh child), which should hardly
// differ because the engine streams the image one packet at a time.
#include "BindPackageWriter.h"
#include "DeviceSimulator.h"
#include "EngineTransfer.h"
#include "HalvardRun.h"
#include "PingPong.h"
#include "StopAndWaitClient.h"
#include "TestImage.h"
#include "zepBindBundle_mac.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

const unsigned long long kMiB = 1ull << 20;
const int kRounds = 3;

struct Package {
    std::string path;  // the bound package
    std::string image; // the same image as a file of its own
    unsigned long long size;
};

bool MakePackage(const fs::path& dir, const std::string& tag, unsigned long long size,
                 Package& out) {
    fs::create_directories(dir / tag);
    out.size = size;
    out.image = (dir / tag / "image.bin").string();
    out.path = (dir / tag / "package").string();
    const std::string info = (dir / tag / "ZEPINFO.txt").string();
    std::ofstream(info) << "TGMNAME HV2000\r\nENTERTIME 5\r\nEXITTIME 5\r\nUPDATETIME 30\r\n"
                           "ALLOWVERSIONDOWN NO\r\nSPECIALCMDPATTERN NO\r\n"
                           "VERSION BOOTABLE=HV001200 image.bin BOOTABLE\r\n";
    std::string error;
    if (!WriteTestImage(out.image, size, 7, error) ||
        !WriteBindPackage({out.path, "", info, {out.image}}, error)) {
        std::fprintf(stderr, "cannot write the %s package: %s\n", tag.c_str(), error.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<DeviceSimulator> StartSimulator(unsigned long maxPacket) {
    SimOptions options;
    options.host = "127.0.0.1";
    options.port = 0;
    options.targetInfo = "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001100\r\nMAXPACKET " +
                         std::to_string(maxPacket) +
                         "\r\nSUPPORT_COMMAND 5101\r\nSUPPORT_COMMAND 5102\r\n";
    auto sim = std::make_unique<DeviceSimulator>(options);
    std::string error;
    if (!sim->Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return nullptr;
    }
    return sim;
}

double MiBPerSecond(unsigned long long bytes, double seconds) {
    return seconds > 0 ? double(bytes) / kMiB / seconds : 0.0;
}

// The simulator must hold the whole image afterwards: a transfer that only claims success does
// not count.
bool Delivered(DeviceSimulator& sim, const Package& package) {
    for (int i = 0; i < 100; ++i) {
        auto images = sim.ReceivedImages();
        auto it = images.find("BOOTABLE");
        if (it != images.end() && it->second.size() == package.size)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Seconds for one transfer by the engine or the plain client, each to a fresh simulator.
double TimedTransfer(const Package& package, unsigned long chunk, bool bEngine) {
    auto sim = StartSimulator(chunk + 60);
    if (!sim)
        return -1;
    std::string why;
    double seconds = bEngine
                         ? EngineTransfer(package.path, sim->Port(), why)
                         : StopAndWaitTransfer(sim->Port(), package.image, "BOOTABLE", chunk, why);
    if (seconds >= 0 && !Delivered(*sim, package)) {
        why = "the device did not receive the whole image";
        seconds = -1;
    }
    if (seconds < 0)
        std::fprintf(stderr, "%s transfer failed: %s\n", bEngine ? "engine" : "plain", why.c_str());
    return seconds;
}

bool CompareThroughput(const Package& package, unsigned long chunk) {
    double bestEngine = 0, bestPlain = 0;
    for (int round = 0; round < kRounds; ++round) {
        double engine = TimedTransfer(package, chunk, true);
        double plain = TimedTransfer(package, chunk, false);
        if (engine < 0 || plain < 0)
            return false;
        bestEngine = std::max(bestEngine, MiBPerSecond(package.size, engine));
        bestPlain = std::max(bestPlain, MiBPerSecond(package.size, plain));
    }
    std::printf("  %6lu-byte packets: UpdateFirmware %8.1f MiB/s, stop-and-wait %8.1f MiB/s, "
                "ratio %.2f (goal >= 0.90)\n",
                chunk, bestEngine, bestPlain, bestPlain > 0 ? bestEngine / bestPlain : 0.0);
    return true;
}

std::string SelfDir() {
    std::string self;
    return zepRunningExecutable(self) ? fs::path(self).parent_path().string() : ".";
}

// Every figure counts image bytes: 4096 of every 4156-byte request. The stop-and-wait client
// against the simulator shows what the simulator itself costs per packet; halvard adds the
// engine, its worker and its transport. Rounds interleave the three, so that a busy machine
// slows all of them alike; the best round of each counts.
bool CompareEndToEnd(const fs::path& dir, const Package& package) {
    const unsigned long chunk = 4096;
    const int rounds = 5;
    const size_t exchanges = static_cast<size_t>(package.size / chunk);
    double bestRaw = 0, bestPlain = 0, bestHalvard = 0;
    for (int round = 0; round < rounds; ++round) {
        const double raw = PingPongSeconds(chunk + 60, 12, exchanges);
        std::string why;
        auto plainSim = StartSimulator(chunk + 60);
        const double plain =
            plainSim ? StopAndWaitTransfer(plainSim->Port(), package.image, "BOOTABLE", chunk, why)
                     : -1;
        auto sim = StartSimulator(chunk + 60);
        const double halvard = sim && plain >= 0
                                   ? HalvardTransferSeconds(SelfDir() + "/halvard", dir.string(),
                                                            package.image, *sim, why)
                                   : -1;
        if (raw < 0 || plain < 0 || halvard < 0 || !Delivered(*sim, package)) {
            std::fprintf(stderr, "end-to-end round failed: %s\n",
                         raw < 0 ? "loopback ping-pong" : why.c_str());
            return false;
        }
        bestRaw = std::max(bestRaw, MiBPerSecond(package.size, raw));
        bestPlain = std::max(bestPlain, MiBPerSecond(package.size, plain));
        bestHalvard = std::max(bestHalvard, MiBPerSecond(package.size, halvard));
    }
    auto ratio = [&](double x) { return bestRaw > 0 ? x / bestRaw : 0.0; };
    std::printf("  raw 4156/12-byte ping-pong           %8.1f MiB/s (%.1f us per exchange)\n"
                "  stop-and-wait client to the simulator %7.1f MiB/s, ratio %.2f\n"
                "  halvard end to end                   %8.1f MiB/s, ratio %.2f (goal >= 0.70)\n"
                "  halvard to the stop-and-wait client                  ratio %.2f (goal >= 0.90)\n",
                bestRaw, bestRaw > 0 ? chunk / (bestRaw * kMiB) * 1e6 : 0.0, bestPlain,
                ratio(bestPlain), bestHalvard, ratio(bestHalvard),
                bestPlain > 0 ? bestHalvard / bestPlain : 0.0);
    return true;
}

long VmHWMkB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Child: one engine transfer, then its own peak resident size on standard output.
int PeakRssChild(const std::string& packagePath, uint16_t port) {
    std::string why;
    if (EngineTransfer(packagePath, port, why) < 0) {
        std::fprintf(stderr, "transfer failed: %s\n", why.c_str());
        return 1;
    }
    std::printf("%ld\n", VmHWMkB());
    return 0;
}

long ChildPeakRss(const Package& package, uint16_t port) {
    std::string self;
    if (!zepRunningExecutable(self))
        return -1;
    const std::string command = "'" + self + "' --peak-rss '" + package.path + "' " + std::to_string(port);
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return -1;
    long kB = -1;
    if (std::fscanf(child, "%ld", &kB) != 1)
        kB = -1;
    return pclose(child) == 0 ? kB : -1;
}

bool ComparePeakMemory(const Package& small, const Package& large) {
    const unsigned long chunk = 65536;
    auto sim = StartSimulator(chunk + 60);
    if (!sim)
        return false;
    long smallKB = ChildPeakRss(small, sim->Port());
    long largeKB = ChildPeakRss(large, sim->Port());
    if (smallKB < 0 || largeKB < 0) {
        std::fprintf(stderr, "a transfer child failed\n");
        return false;
    }
    std::printf("  %4llu MiB image: %ld kB\n  %4llu MiB image: %ld kB\n"
                "  difference: %ld kB (goal < 2048 kB)\n",
                small.size / kMiB, smallKB, large.size / kMiB, largeKB, largeKB - smallKB);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--peak-rss")
        return PeakRssChild(argv[2], static_cast<uint16_t>(std::atoi(argv[3])));

    const fs::path dir =
        fs::temp_directory_path() / ("halvard-bench-transfer-" + std::to_string(getpid()));
    Package image32, image64, image1, image256;
    bool ok = MakePackage(dir, "32m", 32 * kMiB, image32);
    if (ok) {
        std::printf("Update of a %llu MiB image by halvard against the loopback ceiling (best of "
                    "5):\n",
                    image32.size / kMiB);
        ok = CompareEndToEnd(dir / "32m", image32);
    }
    fs::remove_all(dir / "32m");
    if (argc == 2 && std::string(argv[1]) == "--end-to-end") {
        fs::remove_all(dir);
        return ok ? 0 : 1;
    }
    ok = ok && MakePackage(dir, "64m", 64 * kMiB, image64);
    if (ok) {
        std::printf("Transfer of a %llu MiB image to the simulator on loopback (best of %d):\n",
                    image64.size / kMiB, kRounds);
        ok = CompareThroughput(image64, 4096) && CompareThroughput(image64, 65536);
    }
    fs::remove_all(dir / "64m");
    ok = ok && MakePackage(dir, "1m", 1 * kMiB, image1) &&
         MakePackage(dir, "256m", 256 * kMiB, image256);
    if (ok) {
        std::printf("Peak resident memory of a transfer process (VmHWM):\n");
        ok = ComparePeakMemory(image1, image256);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok ? 0 : 1;
}
