// Argument parsing of halvard --discover: every option once (ranges any number of times),
// numbers in range, and no pass phrase on the command line.
#include "CliOptions.h"

#include "CliReport.h"
#include "zepAddress.h"

#include <cstring>

namespace {

struct DiscoverValue {
    const char* pszName;
    std::string DiscoverOptions::*pDiscover; // or
    std::string CliOptions::*pShared;
};

const DiscoverValue kValues[] = {
    {"--ranges", &DiscoverOptions::strRangesFile, nullptr},
    {"--community", &DiscoverOptions::strCommunity, nullptr},
    {"--snmp-user", &DiscoverOptions::strUser, nullptr},
    {"--snmp-auth", &DiscoverOptions::strAuthProtocol, nullptr},
    {"--snmp-priv", &DiscoverOptions::strPrivProtocol, nullptr},
    {"--snmp-secrets", &DiscoverOptions::strSecretsFile, nullptr},
    {"--snmp-port", &DiscoverOptions::strPort, nullptr},
    {"--snmp-timeout", &DiscoverOptions::strTimeout, nullptr},
    {"--snmp-retries", &DiscoverOptions::strRetries, nullptr},
    {"--write-targets", &DiscoverOptions::strWriteTargets, nullptr},
    {"--package", nullptr, &CliOptions::strPackage},
    {"--jobs", nullptr, &CliOptions::strJobs},
    {"--report", nullptr, &CliOptions::strReport},
};

struct DiscoverFlag {
    const char* pszName;
    bool CliOptions::*pFlag;
};

const DiscoverFlag kFlags[] = {
    {"--discover", &CliOptions::bDiscover},
    {"--json", &CliOptions::bJson},
    {"--help", &CliOptions::bHelp},
    {"--require-signed", &CliOptions::bRequireSigned},
    {"--allow-unsigned", &CliOptions::bAllowUnsigned},
};

bool ParseNumber(const std::string& text, unsigned long min, unsigned long max,
                 unsigned long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return value >= min && value <= max;
}

bool CheckValues(CliOptions& options, std::string& error) {
    DiscoverOptions& d = options.discover;
    unsigned long value = 0;
    if (!options.strJobs.empty()) {
        if (!ParseNumber(options.strJobs, 1, kMaxDiscoverJobs, value)) {
            error = "--jobs takes a number from 1 to " + std::to_string(kMaxDiscoverJobs) +
                    " with --discover";
            return false;
        }
        options.nJobs = static_cast<unsigned int>(value);
    } else {
        options.nJobs = kDiscoverJobs;
    }
    if (!d.strPort.empty()) {
        if (!ParseNumber(d.strPort, 1, 65535, value)) {
            error = "--snmp-port takes a UDP port from 1 to 65535";
            return false;
        }
        d.wPort = static_cast<unsigned short>(value);
    }
    if (!d.strTimeout.empty()) {
        if (!ParseNumber(d.strTimeout, 10, 60000, value)) {
            error = "--snmp-timeout takes milliseconds from 10 to 60000";
            return false;
        }
        d.dwTimeoutMs = value;
    }
    if (!d.strRetries.empty()) {
        if (!ParseNumber(d.strRetries, 0, 10, value)) {
            error = "--snmp-retries takes a number from 0 to 10";
            return false;
        }
        d.nRetries = static_cast<unsigned int>(value);
    }
    if (d.strUser.empty() && (!d.strAuthProtocol.empty() || !d.strPrivProtocol.empty())) {
        error = "--snmp-auth and --snmp-priv need --snmp-user (SNMPv3)";
        return false;
    }
    if (!d.strUser.empty() && !d.strCommunity.empty()) {
        error = "give either --community (SNMPv2c) or --snmp-user (SNMPv3), not both";
        return false;
    }
    ReportFormat format;
    if (!options.strReport.empty() && !ReportFormatOf(options.strReport, format)) {
        error = "--report takes a file ending in .csv or .json";
        return false;
    }
    if (d.ranges.empty() && d.strRangesFile.empty()) {
        error = "no range: give --discover RANGE... or --ranges FILE";
        return false;
    }
    for (const std::string& text : d.ranges) {
        ZepAddrRange range;
        if (!ZepParseAddrRange(text, range, error))
            return false;
    }
    return true;
}

} // namespace

bool IsDiscoverCommand(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] != nullptr && std::strcmp(argv[i], "--discover") == 0)
            return true;
    return false;
}

bool ParseDiscoverOptions(int argc, const char* const* argv, CliOptions& options,
                          std::string& error) {
    std::string seen;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr)
            return false;
        const std::string arg = argv[i];
        if (arg.compare(0, 2, "--") != 0) {
            if (!arg.empty() && arg[0] == '-') {
                error = "unknown argument: " + arg;
                return false;
            }
            options.discover.ranges.push_back(arg); // a RANGE
            continue;
        }
        std::string name = arg, value;
        const std::string::size_type eq = arg.find('=');
        const bool bInline = eq != std::string::npos;
        if (bInline) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        bool bKnown = false;
        for (const DiscoverFlag& flag : kFlags) {
            if (name != flag.pszName)
                continue;
            if (bInline || options.*flag.pFlag) {
                error = name + (bInline ? " takes no value" : " given twice");
                return false;
            }
            options.*flag.pFlag = true;
            bKnown = true;
        }
        if (bKnown)
            continue;
        if (name == "--trust-key") {
            if (!bInline && i + 1 < argc)
                value = argv[++i];
            if (value.empty()) {
                error = name + " needs a value";
                return false;
            }
            options.trustKeys.push_back(value);
            continue;
        }
        for (const DiscoverValue& opt : kValues) {
            if (name != opt.pszName)
                continue;
            if (seen.find(name + ' ') != std::string::npos) {
                error = name + " given twice";
                return false;
            }
            seen += name + ' ';
            if (!bInline && i + 1 < argc)
                value = argv[++i];
            if (value.empty()) {
                error = name + " needs a value";
                return false;
            }
            (opt.pDiscover != nullptr ? options.discover.*opt.pDiscover : options.*opt.pShared) =
                value;
            bKnown = true;
        }
        if (bKnown)
            continue;
        // The update's options: a discovery sends no firmware and reads no device's versions.
        static const char* const kUpdateOptions[] = {
            "--address", "--targets", "--port-name", "--printer", "--check", "--list",
            "--devices", "--verify", "--verify-timeout", "--retries", "--canary",
            "--max-failures", "--journal", "--resume", "--version"};
        for (const char* pszUpdate : kUpdateOptions) {
            if (name == pszUpdate) {
                error = name + " cannot be used with --discover";
                return false;
            }
        }
        error = "unknown argument: " + arg;
        return false;
    }
    if (options.bHelp)
        return true;
    return CheckValues(options, error);
}
