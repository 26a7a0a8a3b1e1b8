// Command line of the zepdevsim executable: every flag, its help text and its parsing.
#pragma once

#include "SimOptions.h"

#include <string>
#include <vector>

struct SimCommandLine {
    SimOptions options;
    std::string targetInfoPath; // read into options.targetInfo by LoadTargetInfo
    bool help = false;
    bool version = false;
};

// Parses the arguments that follow the program name. false: error says what is wrong.
bool ParseSimArgs(const std::vector<std::string>& args, SimCommandLine& out, std::string& error);

// Reads the --target-info file into the options.
bool LoadTargetInfo(SimCommandLine& commandLine, std::string& error);

// The --help text, listing every flag.
std::string SimUsage();
