// Collecting the devices of a run. A file entry that reads as an IPv4 address is an address,
// anything else a port name, as the wizard tells them apart.
#include "CliTargets.h"

#include "zepAddress.h"
#include "zepTypes.h"
#include "zepUtil.h"

#include <fstream>
#include <sstream>

namespace {

// The device a name stands for: an address in its one spelling ("010.1.2.3" is "10.1.2.3"), a
// port name as given.
std::string DeviceKey(const std::string& name) {
    uint32_t addr = 0;
    return ZepParseIPv4(name, addr) ? ZepAddrText(addr) : name;
}

} // namespace

std::vector<std::string> ParseTargetsText(const std::string& text) {
    std::vector<std::string> names;
    for (const auto& entry : ParseSitedTargets(text))
        names.push_back(entry.first);
    return names;
}

std::vector<std::pair<std::string, std::string>> ParseSitedTargets(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> names;
    std::string site;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::string::size_type first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const std::string::size_type last = line.find_last_not_of(" \t\r");
        const std::string entry = line.substr(first, last - first + 1);
        const std::string head = "[site ";
        if (entry.size() > head.size() + 1 && entry.compare(0, head.size(), head) == 0 &&
            entry.back() == ']') {
            const std::string name = entry.substr(head.size(), entry.size() - head.size() - 1);
            const size_t begin = name.find_first_not_of(" \t");
            if (begin != std::string::npos) {
                site = name.substr(begin, name.find_last_not_of(" \t") - begin + 1);
                continue;
            }
        }
        names.emplace_back(entry, site);
    }
    return names;
}

bool CollectTargets(const CliOptions& options, std::vector<FleetTarget>& targets,
                    std::string& strError) {
    targets.clear();
    for (const std::string& address : options.addresses)
        targets.push_back({address, std::string(), false});
    if (!options.strPortName.empty())
        targets.push_back({options.strPortName, options.strPrinter, options.bHasPrinter});
    if (!options.strTargetsFile.empty()) {
        std::ifstream file(options.strTargetsFile, std::ios::binary);
        std::ostringstream text;
        if (!file || !(text << file.rdbuf())) {
            strError = "cannot read the targets file " + options.strTargetsFile;
            return false;
        }
        for (const auto& entry : ParseSitedTargets(text.str()))
            targets.push_back({entry.first, std::string(), false, entry.second});
        if (targets.empty()) {
            strError = "no device in the targets file " + options.strTargetsFile;
            return false;
        }
    }
    for (size_t i = 0; i < targets.size(); ++i) {
        // An entry that reads as an address must be one that can name a device.
        uint32_t addr = 0;
        if (ZepParseIPv4(targets[i].strName, addr) &&
            !ZepParseDeviceAddr(targets[i].strName, addr, strError))
            return false;
        if (targets[i].strName.size() >= ZEP_NAME_SIZE) {
            strError = "names are limited to " + std::to_string(ZEP_NAME_SIZE - 1) +
                       " characters: " + targets[i].strName.substr(0, 40) + "...";
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (ZepEqualNoCase(DeviceKey(targets[i].strName).c_str(),
                               DeviceKey(targets[j].strName).c_str())) {
                strError = "device given twice: " + targets[i].strName;
                return false;
            }
        }
    }
    return true;
}
