// zepdevsim: the device simulator as a program, for the demo and for test scripts.
#include "DeviceSimulator.h"
#include "HalvardVersion.h"
#include "SimArgs.h"

#include <csignal>
#include <iostream>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

int Fail(int code, const std::string& message) {
    std::cerr << "zepdevsim: " << message << '\n';
    return code;
}

} // namespace

int main(int argc, char** argv) {
    SimCommandLine commandLine;
    std::string error;
    if (!ParseSimArgs(std::vector<std::string>(argv + 1, argv + argc), commandLine, error))
        return Fail(2, error + " (--help lists the flags)");
    if (commandLine.help) {
        std::cout << SimUsage();
        return 0;
    }
    if (commandLine.version) {
        std::cout << "zepdevsim " HALVARD_VERSION "\n";
        return 0;
    }
    if (!LoadTargetInfo(commandLine, error) || !ValidateSimOptions(commandLine.options, &error))
        return Fail(2, error);

    // Ctrl-C arrives as SIGINT on Windows consoles too.
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    DeviceSimulator simulator(commandLine.options);
    if (!simulator.Start(&error))
        return Fail(1, error);
    std::cout << "listening on " << commandLine.options.host << ':' << simulator.Port()
              << std::endl; // flushed: scripts wait for this line
    while (g_stopRequested == 0 && !simulator.WaitFinished(50)) {
    }
    simulator.Stop();
    return 0;
}
