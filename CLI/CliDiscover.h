// halvard --discover: the printers of some address ranges, found by SNMP, told apart by
// whether this package serves their model, and written as a table, JSON, a --targets file or
// a report. The network side is CliSnmpScan.h; everything here is portable.
#pragma once

#include "CliApp.h"
#include "CliOptions.h"
#include "CliPackage.h"
#include "CliSnmpScan.h"
#include "zepTargetList.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct FoundPrinter {
    uint32_t addr = 0;
    std::string strName;        // sysName
    std::string strModel;       // the device ID's MDL:, else hrDeviceDescr
    std::string strSerial;      // prtGeneralSerialNumber
    std::string strDescription; // sysDescr
    std::string strDeviceId;    // ppmPrinterIEEE1284DeviceId
    bool bServed = false;       // the package serves the model
    bool bPortOpen = false;     // the update service's port accepted a TCP connection
};

struct DiscoverTotals {
    size_t nAddresses = 0, nAsked = 0, nPrinters = 0, nServed = 0;
    size_t nNotPrinters = 0, nSilent = 0, nRefused = 0;
    std::string strRefusal; // the first refusal's reason
    bool bStopped = false;
};

// The printer an answer describes, or false for an agent without the Printer MIB.
bool PrinterOf(const SnmpAnswer& answer, const TargetListRules& rules, FoundPrinter& printer);

// Reads a secrets file's text: community=, auth= and priv= lines (# comments, CR LF or LF; the
// value is everything after the first '=' as it is). False with the reason, which never
// quotes a value.
bool ReadSecretsText(const std::string& text, SnmpSettings& settings, std::string& strError);

// Lines of a --ranges file, as a --targets file's.
std::vector<std::string> ParseRangesText(const std::string& text);

std::string DiscoverTable(const std::vector<FoundPrinter>& printers);
std::string DiscoverTotalsLine(const DiscoverTotals& totals);
std::string DiscoverPrinterJson(const FoundPrinter& printer);
std::string DiscoverTotalsJson(const DiscoverTotals& totals);
// The served printers in the form --targets reads, each after a comment with model and serial.
std::string DiscoverTargetsText(const std::vector<FoundPrinter>& printers);
std::string DiscoverCsv(const std::vector<FoundPrinter>& printers);
std::string DiscoverReportJson(const std::vector<FoundPrinter>& printers);

// Runs a parsed --discover command with the loaded package's facts.
int RunDiscover(const CliOptions& options, const PackageFacts& facts, std::ostream& out,
                std::ostream& err, const CliEnvironment& env);
