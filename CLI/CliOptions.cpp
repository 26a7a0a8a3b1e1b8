// Argument parsing of the console updater: every option once, values checked before any use.
#include "CliOptions.h"

#include "zepAddress.h"
#include "zepTypes.h"

const char* const kCliUsage =
    "Usage: halvard [--package FILE] DEVICES [--jobs N] [--check [--report FILE]] [--json]\n"
    "               [--verify] [--retries N] [--canary N] [--max-failures N|P%]\n"
    "               [--journal FILE] [--resume FILE [--approve]] [--window HH:MM-HH:MM]\n"
    "               [--window-tz ZONE] [--waves LIST [--success-threshold P%] [--soak T]\n"
    "               [--pause-between-waves]] [--max-per-site N] [--min-version IMAGE=VER]...\n"
    "               [--block-sha256 HASH]... [--metrics-file FILE]\n"
    "       halvard [--package FILE] --port-name NAME [--printer NAME] [--check] [--json]\n"
    "       halvard [--package FILE] --list [--json]\n"
    "       halvard [--package FILE] --devices [--json]\n"
    "       halvard [--package FILE] --discover RANGE... [--ranges FILE] [SNMP OPTIONS]\n"
    "               [--jobs N] [--json] [--write-targets FILE] [--report FILE]\n"
    "       halvard --help | --version\n"
    "Any form takes [--trust-key FILE]... [--require-signed] [--allow-unsigned].\n"
    "\n"
    "Updates the firmware of devices with the firmware package bound to this program\n"
    "(or the one given with --package). DEVICES: one or more --address, and --targets.\n"
    "\n"
    "  --address IPV4     device reached over the network at this address (repeatable)\n"
    "  --targets FILE     devices from FILE: an address or port name a line, # comments;\n"
    "                     a line [site NAME] puts the devices below it in site NAME\n"
    "  --port-name NAME   device behind this print port (as the wizard passes it)\n"
    "  --printer NAME     print queue using that port\n"
    "  --jobs N           devices updated at once, 1 to 256 (default 4)\n"
    "  --check            dry run: what an update would do for each image; sends nothing\n"
    "  --report FILE      with --check: the inventory as CSV or JSON (by FILE's extension)\n"
    "  --verify           after an update see the device restart, and check that it comes\n"
    "                     back reporting every image's new version\n"
    "  --verify-timeout S how long to wait for it, in seconds (default 300)\n"
    "  --retries N        try a device again up to N times when it failed before any\n"
    "                     firmware was sent (busy, fax, not reachable), with back-off\n"
    "  --canary N         update the first N devices first; begin no other if one fails\n"
    "  --max-failures N   begin no further device once N (or P% of the fleet) have failed\n"
    "  --journal FILE     append each device's outcome to FILE as a JSON line\n"
    "  --resume FILE      skip the devices FILE says are done with this package (verified,\n"
    "                     under --verify); continues that journal\n"
    "  --window HH:MM-HH:MM  begin devices only inside this daily window (may cross\n"
    "                     midnight); the rest are deferred (exit status 3) for a --resume\n"
    "  --window-tz ZONE   the window's zone: UTC, UTC+HH:MM or a name like Europe/Berlin\n"
    "                     (default: local time)\n"
    "  --waves LIST       staged waves, cumulative counts or shares of the fleet, e.g.\n"
    "                     1,5%,25%,100%; membership by a hash of each device's address\n"
    "  --success-threshold P%  begin no later wave when fewer of a wave succeeded\n"
    "                     (default 100%)\n"
    "  --soak T           wait T (e.g. 90s, 30m, 2h) after each wave; with --verify its\n"
    "                     devices are read again at the end\n"
    "  --pause-between-waves  end the run after each wave, awaiting approval (exit status 5)\n"
    "  --approve          with --resume: begin the wave awaiting approval\n"
    "  --max-per-site N   never update more than N devices of one site at once\n"
    "  --min-version IMAGE=VER  refuse a package whose IMAGE is older than VER (repeatable)\n"
    "  --block-sha256 HASH  refuse the package with this SHA-256, a withdrawn release\n"
    "                     (repeatable)\n"
    "  --metrics-file FILE  write Prometheus text metrics to FILE every 10 s and at the end\n"
    "  --package FILE     firmware package file to use instead of the bound one\n"
    "  --trust-key FILE   accept packages signed by this ECDSA P-256 public key (PEM;\n"
    "                     repeatable); the keys of the system's trusted-keys folder count too.\n"
    "                     With any key, an unsigned or otherwise signed package is refused\n"
    "  --allow-unsigned   accept an unsigned package although keys are trusted (recorded)\n"
    "  --require-signed   refuse an unsigned package even when no key is trusted\n"
    "  --list             show the target model and the firmware in the package, then exit\n"
    "  --devices          list the devices the wizard would offer on this system, then exit\n"
    "  --json             one JSON object per line instead of the progress display\n"
    "\n"
    "Discovery asks each address of the ranges by SNMP for the printer it is:\n"
    "  --discover RANGE   addresses, FIRST-LAST or CIDR blocks (at most a /16 in all)\n"
    "  --ranges FILE      more ranges from FILE, one a line, # comments\n"
    "  --community NAME   SNMPv2c community (default public)\n"
    "  --snmp-user NAME   SNMPv3 with this user; --snmp-auth MD5|SHA|SHA-224|SHA-256|\n"
    "                     SHA-384|SHA-512, --snmp-priv DES|AES|AES-192|AES-256\n"
    "  --snmp-secrets FILE pass phrases and community as auth=, priv=, community= lines\n"
    "  --snmp-port N      agents' UDP port (default 161)\n"
    "  --snmp-timeout MS  per try (default 1000); --snmp-retries N (default 1)\n"
    "  --write-targets FILE the printers this package serves, as --targets reads them\n"
    "  --jobs N           with --discover: addresses asked at once (default 256)\n"
    "  --report FILE      with --discover: the printers found as CSV or JSON\n"
    "  --help             show this text\n"
    "  --version          show the version of halvard\n"
    "\n"
    "Exit status: 0 every device updated or needing nothing (--check: every device read),\n"
    "1 any failure, 2 bad arguments, 3 devices deferred outside the window, 4 the package\n"
    "refused (signature, --min-version, --block-sha256), no device touched, 5 awaiting\n"
    "approval of the next wave.\n"
    "--discover: 0 every address asked, 1 an agent refused the credentials, the run was\n"
    "stopped or a file could not be written.\n"
    "Ctrl-C never interrupts a transfer: each update stops at its next safe point.\n";

namespace {

struct ValueOption {
    const char* pszName;
    std::string CliOptions::*pValue; // null: a repeatable option collected in pList
    bool CliOptions::*pSeen;         // null: the value itself tells whether it was given
    std::vector<std::string> CliOptions::*pList = nullptr;
};

const ValueOption kValueOptions[] = {
    {"--address", nullptr, nullptr, &CliOptions::addresses},
    {"--trust-key", nullptr, nullptr, &CliOptions::trustKeys},
    {"--targets", &CliOptions::strTargetsFile, nullptr},
    {"--jobs", &CliOptions::strJobs, nullptr},
    {"--port-name", &CliOptions::strPortName, nullptr},
    {"--printer", &CliOptions::strPrinter, &CliOptions::bHasPrinter},
    {"--package", &CliOptions::strPackage, nullptr},
    {"--verify-timeout", &CliOptions::strVerifyTimeout, nullptr},
    {"--retries", &CliOptions::strRetries, nullptr},
    {"--canary", &CliOptions::strCanary, nullptr},
    {"--max-failures", &CliOptions::strMaxFailures, nullptr},
    {"--journal", &CliOptions::strJournal, nullptr},
    {"--resume", &CliOptions::strResume, nullptr},
    {"--report", &CliOptions::strReport, nullptr},
    {"--window", &CliOptions::strWindow, nullptr},
    {"--window-tz", &CliOptions::strWindowTz, nullptr},
    {"--waves", &CliOptions::strWaves, nullptr},
    {"--success-threshold", &CliOptions::strThreshold, nullptr},
    {"--soak", &CliOptions::strSoak, nullptr},
    {"--max-per-site", &CliOptions::strMaxPerSite, nullptr},
    {"--metrics-file", &CliOptions::strMetricsFile, nullptr},
    {"--min-version", nullptr, nullptr, &CliOptions::minVersions},
    {"--block-sha256", nullptr, nullptr, &CliOptions::blockedSha256},
};

struct FlagOption {
    const char* pszName;
    bool CliOptions::*pFlag;
};

const FlagOption kFlagOptions[] = {
    {"--list", &CliOptions::bList},       {"--check", &CliOptions::bCheck},
    {"--devices", &CliOptions::bDevices}, {"--json", &CliOptions::bJson},
    {"--help", &CliOptions::bHelp},       {"--verify", &CliOptions::bVerify},
    {"--version", &CliOptions::bVersion},
    {"--require-signed", &CliOptions::bRequireSigned},
    {"--allow-unsigned", &CliOptions::bAllowUnsigned},
    {"--pause-between-waves", &CliOptions::bPauseBetweenWaves},
    {"--approve", &CliOptions::bApprove},
};

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
        // Devices, keys, version floors and blocked packages may be named any number of
        // times; every other value once.
        const bool bRepeatable = opt.pValue == nullptr;
        if (!bRepeatable && seenValues.find(name + ' ') != std::string::npos) {
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
        if (bRepeatable) {
            (options.*opt.pList).push_back(value);
            return true;
        }
        options.*opt.pValue = value;
        if (opt.pSeen != nullptr)
            options.*opt.pSeen = true;
        return true;
    }
    error = "unknown argument: " + arg;
    return false;
}

bool ParseJobs(CliOptions& options, std::string& error) {
    if (options.strJobs.empty())
        return true;
    int value = 0;
    for (char c : options.strJobs) {
        if (c < '0' || c > '9' || value > static_cast<int>(kMaxJobs)) {
            value = -1;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > static_cast<int>(kMaxJobs)) {
        error = "--jobs takes a number from 1 to " + std::to_string(kMaxJobs);
        return false;
    }
    options.nJobs = static_cast<unsigned int>(value);
    return true;
}

bool CheckCombination(CliOptions& options, std::string& error) {
    if (options.bHelp || options.bVersion)
        return true;
    const bool bAddress = !options.addresses.empty();
    const bool bPort = !options.strPortName.empty();
    const bool bTargets = !options.strTargetsFile.empty();
    if (options.bHasPrinter && !bPort) {
        error = "--printer needs --port-name";
        return false;
    }
    if (!ParseJobs(options, error) || !ParseFleetOptions(options, error))
        return false;
    const char* pszInfoMode = options.bList ? "--list" : options.bDevices ? "--devices" : nullptr;
    if (options.bList && options.bDevices) {
        error = "give either --list or --devices, not both";
        return false;
    }
    if (pszInfoMode != nullptr) {
        if (bAddress || bPort || bTargets || options.bCheck || !options.strJobs.empty()) {
            error = std::string(pszInfoMode) + " takes no device";
            return false;
        }
        return true;
    }
    if (bAddress && bPort) {
        error = "give either --address or --port-name, not both";
        return false;
    }
    if (!bAddress && !bPort && !bTargets) {
        error = "no device: give --address, --port-name or --targets (or --list)";
        return false;
    }
    for (const std::string& address : options.addresses) {
        uint32_t addr = 0;
        if (!ZepParseDeviceAddr(address, addr, error))
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
    uint32_t addr = 0;
    return ZepParseIPv4(text, addr);
}

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                     std::string& strError) {
    options = CliOptions();
    if (IsDiscoverCommand(argc, argv))
        return ParseDiscoverOptions(argc, argv, options, strError);
    std::string seenValues;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || !ParseOne(argc, argv, i, options, strError, seenValues))
            return false;
    }
    return CheckCombination(options, strError);
}
