// Fleet benchmark: 1,000 device simulators on loopback addresses 127.0.1.2 .. 127.0.4.251, each
// taking a realistic time to "write" (status queries answered "still writing"), updated by the
// console updater with --jobs 256; beside it a few of them one after another, which gives one
// device's time and the memory of one running device. Each run is a child process of its own,
// so its wall time and peak resident size (ru_maxrss) are its alone; the simulators run in
// another child. The engine's fixed pauses are shortened by the same factor in both runs.
//
// Goals: wall time <= 1.3 x the ideal, the number of waves (1000 / 256, rounded up) times one
// device's time; peak memory grows by less than 100 KiB per further running device.
#include "BindPackageWriter.h"
#include "CliApp.h"
#include "DeviceSimulator.h"
#include "TestImage.h"
#include "zepClock.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int kDevices = 1000;
const int kJobs = 256;
const int kAlone = 4;               // devices of the run one after another
const unsigned kWriteSteps = 15;    // status queries answered "writing" per image
const unsigned long kPollMs = 200;  // the worker's polling interval: 15 x 200 ms of writing
const unsigned long kTickMs = 100;  // how often each device's record is copied
const unsigned long kPauseDiv = 20; // the 2 s phase pauses become 100 ms

// Loopback only: 250 devices on each of 127.0.1.x .. 127.0.4.x.
std::string Address(int i) {
    return "127.0." + std::to_string(1 + i / 250) + "." + std::to_string(2 + i % 250);
}

// Every simulator listens and every running device holds a connection: more descriptors than
// the usual soft limit of 1,024.
void RaiseFileLimit() {
    struct rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void ShortPause(unsigned long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms / kPauseDiv));
}

// Child: serves the fleet until killed; writes the common port to fd first.
[[noreturn]] void ServeFleet(int fd) {
    RaiseFileLimit();
    std::vector<std::unique_ptr<DeviceSimulator>> sims;
    uint16_t port = 0;
    for (int i = 0; i < kDevices; ++i) {
        SimOptions options;
        options.host = Address(i);
        options.port = port;
        options.writeSteps = kWriteSteps;
        options.acceptPollMs = 500; // a thousand idle servers must not eat the two cores
        options.targetInfo = "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001100\r\nMAXPACKET 4156\r\n"
                             "SUPPORT_COMMAND 5101\r\nSUPPORT_COMMAND 5102\r\n"
                             "SUPPORT_COMMAND 5103\r\n";
        sims.push_back(std::make_unique<DeviceSimulator>(options));
        std::string error;
        if (!sims.back()->Start(&error)) {
            std::fprintf(stderr, "simulator %s: %s\n", Address(i).c_str(), error.c_str());
            _exit(1);
        }
        port = sims.front()->Port();
    }
    if (write(fd, &port, sizeof port) != sizeof port)
        _exit(1);
    for (;;)
        pause();
}

struct RunResult {
    bool ok = false;
    double seconds = 0;
    long maxRssKiB = 0;
};

// Child: one whole run of the console updater over the fleet.
RunResult RunFleet(const std::string& package, const std::string& targets, int jobs) {
    RaiseFileLimit();
    RunResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        ZepSetSleepHook(ShortPause);
        const std::string jobsText = std::to_string(jobs);
        const char* argv[] = {"halvard",       "--package", package.c_str(), "--targets",
                              targets.c_str(), "--jobs",    jobsText.c_str()};
        std::ostringstream out, err;
        CliEnvironment env;
        env.dwTickMs = kTickMs;
        env.dwWorkerPollingMs = kPollMs;
        const int code = RunCli(7, argv, out, err, env);
        if (code != 0)
            std::fprintf(stderr, "%s%s", out.str().c_str(), err.str().c_str());
        std::fflush(stderr);
        _exit(code);
    }
    int status = 0;
    struct rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.maxRssKiB = usage.ru_maxrss;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

} // namespace

int main() {
    const fs::path dir =
        fs::temp_directory_path() / ("halvard-bench-fleet-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string image = (dir / "boot.bin").string(), info = (dir / "ZEPINFO.txt").string(),
                      package = (dir / "package").string(), targets = (dir / "targets").string();

    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    pid_t server = fork();
    if (server == 0) {
        close(fds[0]);
        ServeFleet(fds[1]);
    }
    close(fds[1]);
    uint16_t port = 0;
    if (server < 0 || read(fds[0], &port, sizeof port) != sizeof port) {
        std::fprintf(stderr, "the simulators did not start\n");
        return 1;
    }
    std::ofstream(info) << "TGMNAME HV2000\r\nPORTNO " << port
                        << "\r\nENTERTIME 5\r\nEXITTIME 5\r\nUPDATETIME 30\r\n"
                           "ALLOWVERSIONDOWN BOTH\r\nSPECIALCMDPATTERN NO\r\n"
                           "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE\r\n";
    const std::string alone = (dir / "alone").string();
    for (int n : {kDevices, kAlone}) {
        std::ofstream list(n == kDevices ? targets : alone);
        list << "# the benchmark's fleet\n";
        for (int i = 0; i < n; ++i)
            list << Address(kDevices - 1 - i) << '\n'; // devices the big run updates last
    }
    std::string error;
    if (!WriteTestImage(image, 256 * 1024, 3, error) ||
        !WriteBindPackage({package, "", info, {image}}, error)) {
        std::fprintf(stderr, "package: %s\n", error.c_str());
        kill(server, SIGKILL);
        return 1;
    }

    const RunResult sequential = RunFleet(package, alone, 1);
    const RunResult parallel = RunFleet(package, targets, kJobs);
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!sequential.ok || !parallel.ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }

    const double one = sequential.seconds / kAlone;
    const int waves = (kDevices + kJobs - 1) / kJobs;
    const double ideal = waves * one;
    const double ratio = parallel.seconds / ideal;
    const double growthKiB =
        static_cast<double>(parallel.maxRssKiB - sequential.maxRssKiB) / (kJobs - 1);
    std::printf("Fleet of %d simulated devices, one 256 KiB image each, %u x %lu ms of writing:\n",
                kDevices, kWriteSteps, kPollMs);
    std::printf("  %d devices one after another: %7.2f s  (one device %.3f s), peak RSS %ld KiB\n",
                kAlone, sequential.seconds, one, sequential.maxRssKiB);
    std::printf("  %d devices, --jobs %d:    %7.2f s  (ideal %d waves x %.3f s = %.2f s), peak "
                "RSS %ld KiB\n",
                kDevices, kJobs, parallel.seconds, waves, one, ideal, parallel.maxRssKiB);
    std::printf("  wall time / ideal: %.2f (goal <= 1.30: %s)\n", ratio,
                ratio <= 1.3 ? "met" : "MISSED");
    std::printf("  memory per further running device: %.0f KiB (goal < 100 KiB: %s)\n", growthKiB,
                growthKiB < 100 ? "met" : "MISSED");
    return ratio <= 1.3 && growthKiB < 100 ? 0 : 1;
}
