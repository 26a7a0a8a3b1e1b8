// Command runs on Windows: cmd.exe hands back the program's exit code itself.
#include "RunProcess.h"

#include <cstdlib>

int RunProcess(const std::string& commandLine) {
    return std::system(commandLine.c_str());
}
