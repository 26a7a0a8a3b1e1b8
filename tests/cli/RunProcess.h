// Runs a command line through the system's shell and gives its exit status (-1 when it could
// not be run or did not exit normally).
#pragma once

#include <string>

int RunProcess(const std::string& commandLine);
