// Entry of the console updater: wires the process's console and signals to RunCli.
#include "CliApp.h"
#include "CliPlatform.h"
#include "zepDllSearch.h"

#include <iostream>

int main(int argc, char** argv) {
    ZepLoadSystemLibrariesOnly();
    CliEnvironment env;
    env.strOwnPackagePath = OwnPackagePath();
    env.bTerminal = IsStdoutTerminal();
    env.installStopHandler = InstallStopHandler;
    env.stopRequests = StopRequestCount;
    env.strTrustedKeysFolder = TrustedKeysFolder();
    return RunCli(argc, argv, std::cout, std::cerr, env);
}
