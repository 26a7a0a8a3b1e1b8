// One invocation of the console updater: arguments, package, then the listing or the update.
#include "CliApp.h"

#include "CliDisplay.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "CliPackage.h"
#include "CliUpdate.h"
#include "zepThread.h"

#include <algorithm>

namespace {

void ShowListing(const PackageFacts& facts, bool bJson, std::ostream& out) {
    if (bJson) {
        out << JsonListing(facts.strModel, facts.firmware) << '\n';
        return;
    }
    out << "Model: " << facts.strModel << '\n';
    size_t width = 4; // "Type"
    for (const auto& row : facts.firmware)
        width = std::max(width, row.first.size());
    out << "Type" << std::string(width - 4 + 2, ' ') << "Update to\n";
    for (const auto& row : facts.firmware)
        out << row.first << std::string(width - row.first.size() + 2, ' ') << row.second << '\n';
}

// A failure before the worker runs: the reason, and in JSON mode the final object as well.
int PackageFailure(ZEPRESULT nResult, const std::string& strReason, bool bJson, std::ostream& out,
                   std::ostream& err) {
    err << "halvard: " << strReason << '\n';
    if (bJson)
        out << JsonFinal(nResult, 0, false, strReason) << '\n';
    return CLI_EXIT_FAILED;
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

    const std::string strPackage =
        options.strPackage.empty() ? env.strOwnPackagePath : options.strPackage;
    PackageFacts facts;
    // The package that cannot be read is -8; a key of it that cannot be used is -9.
    if (!LoadPackage(strPackage, strError))
        return PackageFailure(RESULT_ERR_FIRMREAD, strError, options.bJson, out, err);
    if (!ReadPackageFacts(facts, strError))
        return PackageFailure(RESULT_ERR_SYSTEM, strError, options.bJson, out, err);
    if (options.bList) {
        ShowListing(facts, options.bJson, out);
        return CLI_EXIT_OK;
    }

    DisplayMode mode = options.bJson   ? DisplayMode::JSON
                       : env.bTerminal ? DisplayMode::TERMINAL
                                       : DisplayMode::LINES;
    ProgressDisplay display(out, err, mode);
    if (env.installStopHandler && !env.installStopHandler())
        display.Notice("Ctrl-C cannot be caught here: it would end the program at once.");
    UpdateRequest request;
    const bool bByAddress = !options.strAddress.empty();
    request.pszPrinterName = options.bHasPrinter ? options.strPrinter.c_str() : nullptr;
    request.pszPortName = bByAddress ? options.strAddress.c_str() : options.strPortName.c_str();
    request.wPortNo = facts.wPortNo;
    request.firmwareCount = static_cast<unsigned int>(facts.firmware.size());
    request.needExit = facts.needExit;
    request.dwTickMs = env.dwTickMs;
    request.dwWorkerPollingMs = env.dwWorkerPollingMs;
    request.stopRequests = env.stopRequests;

    zepThread worker;
    UpdateOutcome outcome = RunUpdate(worker, request, display);
    display.Final(outcome.nResult, outcome.dwUpdatedFirmNum, outcome.bStopped, outcome.strCaption,
                  outcome.strMessage);
    return outcome.nExitCode;
}
