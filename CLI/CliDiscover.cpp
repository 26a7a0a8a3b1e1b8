// Discovery's rules and its outputs. Device texts come from the network: shown on a terminal
// only through Visible, escaped for JSON and CSV, and never taken for an address.
#include "CliDiscover.h"

#include "CliJson.h"
#include "CliReport.h"
#include "CliTexts.h"
#include "CliTargets.h"
#include "DevConnBase.h"
#include "zepAddress.h"
#include "zepMacTargetList.h"
#include "zepSystemTargets.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string ModelOfDeviceId(const std::string& strDeviceId) {
    std::vector<char> text(strDeviceId.begin(), strDeviceId.end());
    text.push_back('\0');
    const char* pModel = DevConnBase::FindModelKey(text.data());
    return pModel != nullptr ? std::string(pModel) : std::string();
}

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream data;
    if (!file || !(data << file.rdbuf()))
        return false;
    text = data.str();
    return true;
}

// The run's ranges, from the arguments and the --ranges file, as addresses.
bool CollectAddresses(const DiscoverOptions& d, std::vector<uint32_t>& addrs,
                      std::string& strError) {
    std::vector<std::string> texts = d.ranges;
    if (!d.strRangesFile.empty()) {
        std::string text;
        if (!ReadFile(d.strRangesFile, text)) {
            strError = "cannot read the ranges file " + d.strRangesFile;
            return false;
        }
        const std::vector<std::string> lines = ParseRangesText(text);
        texts.insert(texts.end(), lines.begin(), lines.end());
    }
    std::vector<ZepAddrRange> ranges;
    for (const std::string& text : texts) {
        ZepAddrRange range;
        if (!ZepParseAddrRange(text, range, strError))
            return false;
        ranges.push_back(range);
    }
    if (ranges.empty()) {
        strError = "no range in the ranges file " + d.strRangesFile;
        return false;
    }
    return ZepRangeAddresses(ranges, addrs, strError);
}

bool BuildSettings(const DiscoverOptions& d, SnmpSettings& settings, std::string& strError) {
    settings.bV3 = !d.strUser.empty();
    if (!d.strCommunity.empty())
        settings.strCommunity = d.strCommunity;
    settings.strUser = d.strUser;
    settings.strAuthProtocol = d.strAuthProtocol;
    settings.strPrivProtocol = d.strPrivProtocol;
    settings.wPort = d.wPort;
    settings.dwTimeoutMs = d.dwTimeoutMs;
    settings.nRetries = d.nRetries;
    if (!d.strSecretsFile.empty()) {
        std::string text;
        if (!ReadFile(d.strSecretsFile, text)) {
            strError = "cannot read the secrets file " + d.strSecretsFile;
            return false;
        }
        if (!ReadSecretsText(text, settings, strError)) {
            strError += " (" + d.strSecretsFile + ")";
            return false;
        }
        std::fill(text.begin(), text.end(), '\0');
    }
    if (settings.bV3 && !settings.strAuthProtocol.empty() && settings.strAuthPass.empty()) {
        strError = "--snmp-auth needs the pass phrase as an auth= line of --snmp-secrets FILE";
        return false;
    }
    if (settings.bV3 && !settings.strPrivProtocol.empty() && settings.strPrivPass.empty()) {
        strError = "--snmp-priv needs the pass phrase as a priv= line of --snmp-secrets FILE";
        return false;
    }
    return SnmpCheckSettings(settings, strError);
}

std::string Seconds(unsigned long long ms) {
    return std::to_string((ms + 999) / 1000) + " s";
}

// The terminal's progress line, redrawn in place.
class DiscoverProgress {
public:
    DiscoverProgress(std::ostream& out, bool bShow, const CliClock& clock)
        : m_out(out), m_bShow(bShow), m_clock(clock), m_start(clock.Now()) {}

    void Update(size_t asked, size_t total, size_t found) {
        if (!m_bShow)
            return;
        const unsigned long long now = m_clock.Now();
        if (asked != total && now < m_lastDraw + 200)
            return;
        m_lastDraw = now;
        std::string line = "Asked " + std::to_string(asked) + "/" + std::to_string(total) +
                           " addresses, " + std::to_string(found) + " printer(s) found";
        if (asked > 0 && asked < total)
            line += ", about " + Seconds((now - m_start) * (total - asked) / asked) + " left";
        m_out << "\r\033[K" << line << std::flush;
    }

    void End() {
        if (m_bShow)
            m_out << "\r\033[K" << std::flush;
    }

private:
    std::ostream& m_out;
    bool m_bShow;
    const CliClock& m_clock;
    unsigned long long m_start, m_lastDraw = 0;
};

// The output files, opened before anything is sent: a path that cannot be used is a bad
// argument, not a lost scan.
bool OpenOutput(const std::string& path, std::ofstream& file, const char* pszWhat,
                std::string& strError) {
    if (path.empty())
        return true;
    file.open(path, std::ios::binary | std::ios::trunc);
    if (!file)
        strError = std::string("cannot write the ") + pszWhat + " " + path;
    return bool(file);
}

bool WriteText(std::ofstream& file, const std::string& path, const std::string& text,
               const char* pszWhat, std::ostream& err) {
    file << text;
    file.close();
    if (!file) {
        err << "halvard: the " << pszWhat << " " << path << " could not be written\n";
        return false;
    }
    return true;
}

} // namespace

bool PrinterOf(const SnmpAnswer& answer, const TargetListRules& rules, FoundPrinter& printer) {
    if (answer.status != SnmpStatus::ANSWERED || !answer.bPrinterMib)
        return false;
    printer = FoundPrinter();
    printer.addr = answer.addr;
    printer.strName = answer.strSysName;
    printer.strModel = ModelOfDeviceId(answer.strDeviceId);
    if (printer.strModel.empty())
        printer.strModel = answer.strHrDeviceDescr;
    printer.strSerial = answer.strSerial;
    printer.strDescription = answer.strSysDescr;
    printer.strDeviceId = answer.strDeviceId;
    printer.bServed = MacModelMatches(printer.strModel, rules);
    return true;
}

bool ReadSecretsText(const std::string& text, SnmpSettings& settings, std::string& strError) {
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? std::string() : line.substr(first, eq - first);
        std::string* pValue = key == "community" ? &settings.strCommunity
                              : key == "auth"    ? &settings.strAuthPass
                              : key == "priv"    ? &settings.strPrivPass
                                                 : nullptr;
        if (pValue == nullptr) {
            strError = "line " + std::to_string(number) +
                       " of the secrets file is not community=, auth= or priv=";
            return false;
        }
        *pValue = line.substr(eq + 1);
        std::fill(line.begin(), line.end(), '\0');
    }
    return true;
}

std::vector<std::string> ParseRangesText(const std::string& text) {
    return ParseTargetsText(text);
}

std::string DiscoverTable(const std::vector<FoundPrinter>& printers) {
    const char* const heads[] = {"Address", "Name", "Model", "Serial", "Served", "Update port"};
    std::vector<std::vector<std::string>> rows;
    rows.reserve(printers.size());
    for (const FoundPrinter& p : printers)
        rows.push_back({ZepAddrText(p.addr), Visible(p.strName), Visible(p.strModel),
                        Visible(p.strSerial), p.bServed ? "yes" : "no",
                        p.bPortOpen ? "answers" : "closed"});
    std::vector<size_t> width;
    for (const char* head : heads)
        width.push_back(std::string(head).size());
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size(); ++i)
            width[i] = std::max(width[i], row[i].size());
    auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (size_t i = 0; i < cells.size(); ++i)
            text += i + 1 < cells.size() ? Padded(cells[i], width[i] + 2) : cells[i];
        return text + "\n";
    };
    std::string out = line(std::vector<std::string>(std::begin(heads), std::end(heads)));
    for (const auto& row : rows)
        out += line(row);
    return out;
}

std::string DiscoverTotalsLine(const DiscoverTotals& t) {
    std::string line = std::to_string(t.nPrinters) + " printer(s) found in " +
                       std::to_string(t.nAsked) + " address(es), " + std::to_string(t.nServed) +
                       " served by this package; not listed: " + std::to_string(t.nNotPrinters) +
                       " SNMP agent(s) without the Printer MIB, " + std::to_string(t.nSilent) +
                       " silent address(es).";
    if (t.nRefused != 0)
        line += "\n" + std::to_string(t.nRefused) +
                " agent(s) refused the SNMPv3 credentials: " + t.strRefusal + ".";
    if (t.bStopped)
        line += "\nStopped at your request: " + std::to_string(t.nAddresses - t.nAsked) +
                " address(es) not asked.";
    return line;
}

std::string DiscoverPrinterJson(const FoundPrinter& p) {
    return "{\"address\":" + JsonString(ZepAddrText(p.addr)) + ",\"name\":" +
           JsonString(p.strName) + ",\"model\":" + JsonString(p.strModel) +
           ",\"serial\":" + JsonString(p.strSerial) + ",\"served\":" +
           (p.bServed ? "true" : "false") + ",\"update_port_open\":" +
           (p.bPortOpen ? "true" : "false") + ",\"description\":" +
           JsonString(p.strDescription) + ",\"device_id\":" + JsonString(p.strDeviceId) + "}";
}

std::string DiscoverTotalsJson(const DiscoverTotals& t) {
    return "{\"summary\":{\"addresses\":" + std::to_string(t.nAddresses) +
           ",\"asked\":" + std::to_string(t.nAsked) +
           ",\"printers\":" + std::to_string(t.nPrinters) +
           ",\"served\":" + std::to_string(t.nServed) +
           ",\"not_printers\":" + std::to_string(t.nNotPrinters) +
           ",\"silent\":" + std::to_string(t.nSilent) +
           ",\"refused\":" + std::to_string(t.nRefused) +
           ",\"refusal\":" + (t.nRefused != 0 ? JsonString(t.strRefusal) : "null") +
           ",\"stopped\":" + (t.bStopped ? "true" : "false") + "}}";
}

std::string DiscoverTargetsText(const std::vector<FoundPrinter>& printers) {
    std::string out = "# Printers this package serves, found by halvard --discover.\n";
    for (const FoundPrinter& p : printers) {
        if (!p.bServed)
            continue;
        out += "# " + Visible(p.strModel) + ", serial " +
               (p.strSerial.empty() ? std::string("unknown") : Visible(p.strSerial)) +
               (p.strName.empty() ? std::string() : " (" + Visible(p.strName) + ")") + "\n" +
               ZepAddrText(p.addr) + "\n";
    }
    return out;
}

std::string DiscoverCsv(const std::vector<FoundPrinter>& printers) {
    auto line = [](std::initializer_list<std::string> fields) {
        std::string text;
        for (const std::string& field : fields)
            text += (text.empty() ? "" : ",") + CsvField(field);
        return text + "\r\n";
    };
    std::string out = line({"address", "name", "model", "serial", "served", "update_port",
                            "description", "device_id"});
    for (const FoundPrinter& p : printers)
        out += line({ZepAddrText(p.addr), p.strName, p.strModel, p.strSerial,
                     p.bServed ? "yes" : "no", p.bPortOpen ? "answers" : "closed",
                     p.strDescription, p.strDeviceId});
    return out;
}

std::string DiscoverReportJson(const std::vector<FoundPrinter>& printers) {
    std::string out = "[";
    for (const FoundPrinter& p : printers)
        out += (out.size() > 1 ? ",\n " : "\n ") + DiscoverPrinterJson(p);
    return out + "\n]\n";
}

int RunDiscover(const CliOptions& options, const PackageFacts& facts, std::ostream& out,
                std::ostream& err, const CliEnvironment& env) {
    auto usage = [&](const std::string& why) {
        err << "halvard: " << why << "\nTry 'halvard --help'.\n";
        return CLI_EXIT_USAGE;
    };
    std::string strError;
    if (!SnmpScanAvailable(strError))
        return usage(strError);
    std::vector<uint32_t> addrs;
    SnmpSettings settings;
    if (!CollectAddresses(options.discover, addrs, strError) ||
        !BuildSettings(options.discover, settings, strError))
        return usage(strError);
    std::ofstream targetsFile, reportFile;
    if (!OpenOutput(options.discover.strWriteTargets, targetsFile, "targets file", strError) ||
        !OpenOutput(options.strReport, reportFile, "report", strError))
        return usage(strError);
    const TargetListRules rules = ZepInfoTargetRules(std::string());
    if (env.installStopHandler)
        env.installStopHandler();
    auto stopped = [&env] { return env.stopRequests && env.stopRequests() != 0; };

    DiscoverTotals totals;
    totals.nAddresses = addrs.size();
    std::vector<FoundPrinter> printers;
    DiscoverProgress progress(out, env.bTerminal && !options.bJson, env.clock);
    progress.Update(0, addrs.size(), 0);
    const bool bScanned = SnmpScan(
        addrs, settings, options.nJobs,
        [&](const SnmpAnswer& answer) {
            ++totals.nAsked;
            FoundPrinter printer;
            if (answer.status == SnmpStatus::SILENT) {
                ++totals.nSilent;
            } else if (answer.status == SnmpStatus::REFUSED) {
                if (totals.nRefused++ == 0)
                    totals.strRefusal = answer.strRefusal;
            } else if (PrinterOf(answer, rules, printer)) {
                printers.push_back(printer);
            } else {
                ++totals.nNotPrinters;
            }
            progress.Update(totals.nAsked, addrs.size(), printers.size());
        },
        stopped, strError);
    progress.End();
    if (!bScanned) {
        err << "halvard: " << strError << '\n';
        return CLI_EXIT_FAILED;
    }
    totals.bStopped = totals.nAsked < addrs.size();
    std::sort(printers.begin(), printers.end(),
              [](const FoundPrinter& a, const FoundPrinter& b) { return a.addr < b.addr; });
    // Whether each printer's update service answers: a connect, nothing sent.
    std::vector<uint32_t> found;
    found.reserve(printers.size());
    for (const FoundPrinter& p : printers)
        found.push_back(p.addr);
    const std::vector<bool> open =
        ProbeTcpPorts(found, facts.wPortNo, settings.dwTimeoutMs, options.nJobs);
    for (size_t i = 0; i < printers.size(); ++i) {
        printers[i].bPortOpen = open[i];
        totals.nServed += printers[i].bServed ? 1 : 0;
    }
    totals.nPrinters = printers.size();

    if (options.bJson) {
        for (const FoundPrinter& p : printers)
            out << DiscoverPrinterJson(p) << '\n';
        out << DiscoverTotalsJson(totals) << '\n';
    } else {
        if (!printers.empty())
            out << DiscoverTable(printers) << '\n';
        out << DiscoverTotalsLine(totals) << '\n';
    }
    if (totals.nRefused != 0)
        err << "halvard: " << totals.nRefused
            << " agent(s) refused the SNMPv3 credentials: " << totals.strRefusal << '\n';
    bool bWritten = true;
    if (!options.discover.strWriteTargets.empty())
        bWritten = WriteText(targetsFile, options.discover.strWriteTargets,
                             DiscoverTargetsText(printers), "targets file", err);
    if (!options.strReport.empty()) {
        ReportFormat format = ReportFormat::CSV;
        ReportFormatOf(options.strReport, format);
        bWritten = WriteText(reportFile, options.strReport,
                             format == ReportFormat::CSV ? DiscoverCsv(printers)
                                                         : DiscoverReportJson(printers),
                             "report", err) &&
                   bWritten;
    }
    return (totals.nRefused == 0 && !totals.bStopped && bWritten) ? CLI_EXIT_OK
                                                                   : CLI_EXIT_FAILED;
}
