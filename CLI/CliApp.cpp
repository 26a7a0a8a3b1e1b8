// One invocation of the console updater: arguments, package, then the listing or the update.
#include "CliApp.h"
#include "CliTexts.h"

#include "CliDevices.h"
#include "CliDiscover.h"
#include "CliDisplay.h"
#include "CliFleet.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "CliJournal.h"
#include "CliPackage.h"
#include "CliReport.h"
#include "CliRollout.h"
#include "CliTargets.h"
#include "CliTrust.h"
#include "CliUpdate.h"
#include "HalvardVersion.h"
#include "zepPackageCheck.h"
#include "zepThread.h"

#include <algorithm>
#include <fstream>

namespace {

void ShowListing(const PackageFacts& facts, bool bJson, std::ostream& out) {
    if (bJson) {
        out << JsonListing(facts.strModel, facts.firmware) << '\n';
        return;
    }
    out << "Model: " << Visible(facts.strModel) << '\n';
    size_t width = 4; // "Type"
    for (const auto& row : facts.firmware)
        width = std::max(width, Visible(row.first).size());
    out << "Type" << std::string(width - 4 + 2, ' ') << "Update to\n";
    for (const auto& row : facts.firmware) {
        const std::string type = Visible(row.first);
        out << type << std::string(width - type.size() + 2, ' ') << Visible(row.second) << '\n';
    }
}

// One device a line, each after a comment naming its queue: the text feeds --targets as it is.
void ShowDevices(bool bJson, std::ostream& out) {
    for (const TargetPrinter& device : SystemDevices()) {
        if (bJson) {
            out << "{\"printer\":" << JsonString(device.strPrinterName)
                << ",\"port\":" << JsonString(device.strPortName) << "}\n";
            continue;
        }
        if (!device.strPrinterName.empty())
            out << "# " << Visible(device.strPrinterName) << '\n';
        out << Visible(device.strPortName) << '\n';
    }
}

// A failure before the worker runs: the reason, and in JSON mode the final object as well.
int PackageFailure(ZEPRESULT nResult, const std::string& strReason, bool bJson, std::ostream& out,
                   std::ostream& err) {
    err << "halvard: " << strReason << '\n';
    if (bJson)
        out << JsonFinal(nResult, 0, false, strReason) << '\n';
    return CLI_EXIT_FAILED;
}

const char* const kNoStopHandler =
    "Ctrl-C cannot be caught here: it would end the program at once.";

int UsageError(const std::string& strError, std::ostream& err) {
    err << "halvard: " << strError << "\nTry 'halvard --help'.\n";
    return CLI_EXIT_USAGE;
}

// The files of a fleet run, all opened before any device is touched: a path that cannot be
// used is a bad argument.
struct FleetFiles {
    FleetJournal journal;
    bool bJournal = false;
    std::ofstream report;
};

bool OpenFleetFiles(const CliOptions& options, const PackageIdentity& package,
                    FleetRequest& request, FleetFiles& files, std::string& strError) {
    JournalMatch match;
    match.strPackageSha256 = package.strSha256;
    match.bVerified = options.bVerify;
    if (!options.strResume.empty() &&
        !ReadJournal(options.strResume, match, request.journaled, strError))
        return false;
    // --resume alone continues the journal it reads.
    const std::string& journal =
        options.strJournal.empty() ? options.strResume : options.strJournal;
    if (!journal.empty()) {
        if (!files.journal.Open(journal, package.strSha256, JsonPackageMembers(package), strError))
            return false;
        files.bJournal = true;
        request.pJournal = &files.journal;
    }
    if (!options.strReport.empty()) {
        files.report.open(options.strReport, std::ios::binary | std::ios::trunc);
        if (!files.report) {
            strError = "cannot write the report " + options.strReport;
            return false;
        }
    }
    return true;
}

bool WriteReport(const CliOptions& options, const std::vector<InventoryRow>& inventory,
                 std::ofstream& file, std::ostream& err) {
    ReportFormat format = ReportFormat::CSV;
    ReportFormatOf(options.strReport, format);
    file << (format == ReportFormat::CSV ? InventoryCsv(inventory) : InventoryJson(inventory));
    file.close();
    if (!file) {
        err << "halvard: the report " << options.strReport << " could not be written\n";
        return false;
    }
    return true;
}

// The update settings every device of a run shares: the package's and the environment's.
UpdateRequest DeviceSettings(const PackageFacts& facts, const CliEnvironment& env) {
    UpdateRequest request;
    request.wPortNo = facts.wPortNo;
    request.firmwareCount = static_cast<unsigned int>(facts.firmware.size());
    request.needExit = facts.needExit;
    request.dwTickMs = env.dwTickMs;
    request.dwWorkerPollingMs = env.dwWorkerPollingMs;
    request.stopRequests = env.stopRequests;
    return request;
}

// The roll-out's part of a fleet request: waves, window, site limit and the metrics file, which
// is written once before any device is touched so that a path that cannot be used is a bad
// argument.
bool ApplyRollout(const CliOptions& options, const std::vector<FleetTarget>& targets,
                  const PackageIdentity& package, FleetMetrics& metrics, FleetRequest& request,
                  std::string& strError) {
    if (!options.strWaves.empty()) {
        std::vector<WaveStep> steps;
        std::vector<std::string> names;
        names.reserve(targets.size());
        for (const FleetTarget& target : targets)
            names.push_back(target.strName);
        ParseWaves(options.strWaves, steps, strError);
        request.waves = WavesByHash(names, steps);
        request.bNameWaves = true;
    }
    request.nThresholdPercent = options.nThresholdPercent;
    request.qwSoakMs = options.qwSoakMs;
    request.bPause = options.bPauseBetweenWaves;
    request.bApprove = options.bApprove;
    request.nMaxPerSite = options.nMaxPerSite;
    if (!options.strWindow.empty() &&
        !request.window.Parse(options.strWindow, options.strWindowTz, strError))
        return false;
    if (options.strMetricsFile.empty())
        return true;
    metrics.SetPackage(package.strSha256, package.strSigner, package.strSignature);
    request.pMetrics = &metrics;
    request.strMetricsFile = options.strMetricsFile;
    return WriteFileAtomically(options.strMetricsFile,
                               metrics.Text(FleetFigures(), true, request.clock.WallNow()),
                               strError);
}

// Several devices, the dry run, or an update with the fleet's safeguards: the fleet display,
// then the summary when there was a fleet.
int RunFleet(const CliOptions& options, const std::vector<FleetTarget>& targets,
             const PackageFacts& facts, const PackageIdentity& package, DisplayMode mode,
             std::ostream& out, std::ostream& err, const CliEnvironment& env) {
    FleetRequest request;
    FleetFiles files;
    std::string strError;
    if (!OpenFleetFiles(options, package, request, files, strError))
        return UsageError(strError, err);
    request.bVerify = options.bVerify;
    request.dwVerifyTimeoutMs = options.dwVerifyTimeoutMs;
    request.nRetries = options.nRetries;
    request.nCanary = options.nCanary;
    request.nMaxFailures = options.nMaxFailures;
    if (options.nMaxFailuresPercent != 0) // a share of the fleet, at least one device
        request.nMaxFailures = static_cast<unsigned int>(
            std::max<size_t>(1, (targets.size() * options.nMaxFailuresPercent + 99) / 100));
    request.clock = env.clock;
    FleetMetrics metrics;
    if (!ApplyRollout(options, targets, package, metrics, request, strError))
        return UsageError(strError, err);
    FleetDisplay display(out, err, mode);
    display.SetPackage(JsonPackageMembers(package), PackageLine(package));
    if (env.installStopHandler && !env.installStopHandler())
        display.Notice(kNoStopHandler);
    request.nJobs = options.nJobs;
    request.device = DeviceSettings(facts, env);
    std::vector<InventoryRow> inventory;
    const std::vector<FleetSummaryRow> rows =
        options.bCheck ? RunFleetCheck(targets, request, display, &inventory)
                       : RunFleetUpdate(targets, request, display);
    if (rows.size() > 1)
        display.Summary(rows);
    if (!options.strReport.empty() && !WriteReport(options, inventory, files.report, err))
        return CLI_EXIT_FAILED;
    if (request.pMetrics != nullptr &&
        !WriteFileAtomically(options.strMetricsFile,
                             request.pMetrics->Text(FiguresOf(rows), false, env.clock.WallNow()),
                             strError)) {
        err << "halvard: " << strError << '\n';
        return CLI_EXIT_FAILED;
    }
    return FleetExitCode(rows);
}

} // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliEnvironment& env) {
    CliOptions options;
    std::string strError;
    if (!ParseCliOptions(argc, argv, options, strError)) {
        err << "halvard: " << strError << "\nTry 'halvard --help'.\n";
        return CLI_EXIT_USAGE;
    }
    if (options.bHelp) {
        out << kCliUsage;
        return CLI_EXIT_OK;
    }
    if (options.bVersion) {
        out << "halvard " HALVARD_VERSION "\n";
        return CLI_EXIT_OK;
    }
    if (options.bDiscover && !SnmpScanAvailable(strError))
        return UsageError(strError, err);

    const std::string strPackage =
        options.strPackage.empty() ? env.strOwnPackagePath : options.strPackage;
    PackageFacts facts;
    ZepTrust trust;
    if (!BuildTrust(options, env.strTrustedKeysFolder, trust, strError))
        return UsageError(strError, err);
    // The package that cannot be read is -8, as is one refused for its signature (with its own
    // exit status); a key of it that cannot be used is -9.
    ZepPackageLoad load;
    if (!LoadPackage(strPackage, trust, load, strError)) {
        if (load.eResult != ZEP_LOAD_UNTRUSTED)
            return PackageFailure(RESULT_ERR_FIRMREAD, strError, options.bJson, out, err);
        err << "halvard: " << strError << '\n';
        if (options.bJson) {
            std::string object = JsonFinal(RESULT_ERR_FIRMREAD, 0, false, strError);
            object.insert(object.size() - 1, "," + JsonPackageMembers(IdentityOf(load)) +
                                                 ",\"refused\":true");
            out << object << '\n';
        }
        return CLI_EXIT_UNTRUSTED;
    }
    const PackageIdentity package = IdentityOf(load);
    if (!ReadPackageFacts(facts, strError))
        return PackageFailure(RESULT_ERR_SYSTEM, strError, options.bJson, out, err);
    if (options.bDiscover)
        return RunDiscover(options, facts, out, err, env);
    if (options.bList) {
        ShowListing(facts, options.bJson, out);
        return CLI_EXIT_OK;
    }

    if (options.bDevices) {
        ShowDevices(options.bJson, out);
        return CLI_EXIT_OK;
    }
    std::vector<FleetTarget> targets;
    if (!CollectTargets(options, targets, strError))
        return UsageError(strError, err);
    // A package that would fail half-way through an update fails before any device is touched.
    const ZEPRESULT nPackage = ZepCheckPackage(strError);
    if (nPackage != RESULT_OK)
        return PackageFailure(nPackage, strError, options.bJson, out, err);

    DisplayMode mode = options.bJson   ? DisplayMode::JSON
                       : env.bTerminal ? DisplayMode::TERMINAL
                                       : DisplayMode::LINES;
    // The version policy refuses the package as its signature would: before any device.
    if (!CheckVersionPolicy(options, package.strSha256, facts.firmware, strError)) {
        err << "halvard: " << strError << '\n';
        if (options.bJson) {
            std::string object = JsonFinal(RESULT_ERR_FIRMREAD, 0, false, strError);
            object.insert(object.size() - 1,
                          "," + JsonPackageMembers(package) + ",\"refused\":true");
            out << object << '\n';
        }
        return CLI_EXIT_UNTRUSTED;
    }
    const bool bSafeguards = options.bVerify || options.nRetries != 0 ||
                             !options.strJournal.empty() || !options.strResume.empty() ||
                             !options.strWindow.empty() || !options.strMetricsFile.empty() ||
                             !options.strWaves.empty();
    if (options.bCheck || targets.size() > 1 || bSafeguards)
        return RunFleet(options, targets, facts, package, mode, out, err, env);

    ProgressDisplay display(out, err, mode);
    display.SetPackageMembers(JsonPackageMembers(package));
    if (env.installStopHandler && !env.installStopHandler())
        display.Notice(kNoStopHandler);
    const FleetTarget& target = targets.front();
    UpdateRequest request = DeviceSettings(facts, env);
    request.pszPrinterName = target.bHasPrinter ? target.strPrinter.c_str() : nullptr;
    request.pszPortName = target.strName.c_str();

    zepThread worker;
    UpdateOutcome outcome = RunUpdate(worker, request, display);
    display.Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped, outcome.strCaption,
                  outcome.strMessage, outcome.dwUnconfirmedFirmNum);
    return outcome.nExitCode;
}
