// Argument parsing of the console updater: every option once, values checked before any use.
#include "CliOptions.h"

#include "zepTypes.h"

const char* const kCliUsage =
    "Usage: halvard [--package FILE] --address IPV4 [--json]\n"
    "       halvard [--package FILE] --port-name NAME [--printer NAME] [--json]\n"
    "       halvard [--package FILE] --list [--json]\n"
    "       halvard --help\n"
    "\n"
    "Updates the firmware of one device with the firmware package bound to this program\n"
    "(or the one given with --package).\n"
    "\n"
    "  --address IPV4     device reached over the network at this address\n"
    "  --port-name NAME   device behind this print port (as the wizard passes it)\n"
    "  --printer NAME     print queue using that port\n"
    "  --package FILE     firmware package file to use instead of the bound one\n"
    "  --list             show the target model and the firmware in the package, then exit\n"
    "  --json             one JSON object per line instead of the progress display\n"
    "  --help             show this text\n"
    "\n"
    "Exit status: 0 updated or nothing to update, 1 failure, 2 bad arguments.\n"
    "Ctrl-C never interrupts a transfer: the update stops at the next safe point.\n";

namespace {

struct ValueOption {
    const char* pszName;
    std::string CliOptions::*pValue;
    bool CliOptions::*pSeen; // null: the value itself tells whether it was given
};

const ValueOption kValueOptions[] = {
    {"--address", &CliOptions::strAddress, nullptr},
    {"--port-name", &CliOptions::strPortName, nullptr},
    {"--printer", &CliOptions::strPrinter, &CliOptions::bHasPrinter},
    {"--package", &CliOptions::strPackage, nullptr},
};

struct FlagOption {
    const char* pszName;
    bool CliOptions::*pFlag;
};

const FlagOption kFlagOptions[] = {
    {"--list", &CliOptions::bList},
    {"--json", &CliOptions::bJson},
    {"--help", &CliOptions::bHelp},
};

bool ParseByte(const std::string& part, int& value) {
    if (part.empty() || part.size() > 3)
        return false;
    value = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

// Applies one option; i advances past a separate value.
bool ParseOne(int argc, const char* const* argv, int& i, CliOptions& options, std::string& error,
              std::string& seenValues) {
    std::string arg = argv[i];
    std::string name = arg, value;
    bool bInline = false;
    std::string::size_type eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        bInline = true;
    }
    for (const FlagOption& flag : kFlagOptions) {
        if (name != flag.pszName)
            continue;
        if (bInline) {
            error = name + " takes no value";
            return false;
        }
        if (options.*flag.pFlag) {
            error = name + " given twice";
            return false;
        }
        options.*flag.pFlag = true;
        return true;
    }
    for (const ValueOption& opt : kValueOptions) {
        if (name != opt.pszName)
            continue;
        if (seenValues.find(name + ' ') != std::string::npos) {
            error = name + " given twice";
            return false;
        }
        seenValues += name + ' ';
        if (!bInline) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (value.empty()) {
            error = name + " needs a value";
            return false;
        }
        options.*opt.pValue = value;
        if (opt.pSeen != nullptr)
            options.*opt.pSeen = true;
        return true;
    }
    error = "unknown argument: " + arg;
    return false;
}

bool CheckCombination(const CliOptions& options, std::string& error) {
    if (options.bHelp)
        return true;
    const bool bAddress = !options.strAddress.empty();
    const bool bPort = !options.strPortName.empty();
    if (options.bHasPrinter && !bPort) {
        error = "--printer needs --port-name";
        return false;
    }
    if (options.bList) {
        if (bAddress || bPort) {
            error = "--list takes no device";
            return false;
        }
        return true;
    }
    if (bAddress == bPort) {
        error = bAddress ? "give either --address or --port-name, not both"
                         : "no device: give --address or --port-name (or --list)";
        return false;
    }
    if (bAddress && !IsIPv4Address(options.strAddress)) {
        error = "not an IPv4 address: " + options.strAddress;
        return false;
    }
    // The engine's name buffers hold ZEP_NAME_SIZE - 1 characters.
    if (options.strPortName.size() >= ZEP_NAME_SIZE || options.strPrinter.size() >= ZEP_NAME_SIZE) {
        error = "names are limited to " + std::to_string(ZEP_NAME_SIZE - 1) + " characters";
        return false;
    }
    return true;
}

} // namespace

bool IsIPv4Address(const std::string& text) {
    int parts = 0;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        int value;
        if (!ParseByte(part, value) || ++parts > 4)
            return false;
        if (dot == std::string::npos)
            return parts == 4;
        start = dot + 1;
    }
}

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                     std::string& strError) {
    options = CliOptions();
    std::string seenValues;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || !ParseOne(argc, argv, i, options, strError, seenValues))
            return false;
    }
    return CheckCombination(options, strError);
}
