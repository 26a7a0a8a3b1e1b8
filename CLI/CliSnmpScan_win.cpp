// halvard.exe has no discovery: the Windows program is for one site's desktop, and net-snmp is
// not part of its build.
#include "CliSnmpScan.h"

bool SnmpScanAvailable(std::string& strWhy) {
    strWhy = "--discover is not available in halvard.exe; run the native halvard (Linux or "
             "macOS) to discover printers";
    return false;
}

bool SnmpCheckSettings(const SnmpSettings&, std::string& strError) {
    return SnmpScanAvailable(strError);
}

bool SnmpScan(const std::vector<uint32_t>&, const SnmpSettings&, unsigned int,
              const std::function<void(const SnmpAnswer&)>&, const std::function<bool()>&,
              std::string& strError) {
    return SnmpScanAvailable(strError);
}

std::vector<bool> ProbeTcpPorts(const std::vector<uint32_t>& addrs, unsigned short,
                                unsigned long, unsigned int) {
    return std::vector<bool>(addrs.size(), false);
}
