// Target list rules. Queues compare the device's model with regard to case, USB ports without
// a queue without it: a queue was set up for that exact model, a bare port only has to be ours.
#include "zepTargetList.h"

#include "zepUtil.h"

#include <algorithm>

namespace {

bool HasPort(const std::vector<TargetPrinter>& list, const std::string& strPort) {
    return std::any_of(list.begin(), list.end(), [&](const TargetPrinter& row) {
        return ZepEqualNoCase(row.strPortName.c_str(), strPort.c_str());
    });
}

// The model up to the first "(" or " ", whichever comes first.
std::string CutModel(const std::string& strModel) {
    return strModel.substr(0, strModel.find_first_of("( "));
}

bool QueueModelMatches(const std::string& strModel, const TargetListRules& rules) {
    if (rules.bHaveDeviceIdModels)
        return std::find(rules.deviceIdModels.begin(), rules.deviceIdModels.end(), strModel) !=
               rules.deviceIdModels.end();
    return CutModel(strModel) == rules.strTgmName;
}

bool PortModelMatches(const std::string& strModel, const TargetListRules& rules) {
    if (rules.bHaveDeviceIdModels)
        return std::any_of(
            rules.deviceIdModels.begin(), rules.deviceIdModels.end(),
            [&](const std::string& m) { return ZepEqualNoCase(m.c_str(), strModel.c_str()); });
    return ZepEqualNoCase(CutModel(strModel).c_str(), rules.strTgmName.c_str());
}

} // namespace

std::vector<TargetPrinter> BuildTargetList(const std::vector<SpoolerQueue>& queues,
                                           const std::vector<std::string>& usbPorts,
                                           const TargetListRules& rules,
                                           DeviceModelSource* models) {
    std::vector<TargetPrinter> list;
    for (const SpoolerQueue& queue : queues) {
        const std::string& port = queue.strPortName;
        if (IsRedirectedPort(port.c_str()) || port.compare(0, 2, "\\\\") == 0)
            continue;
        if (std::find(rules.driverNames.begin(), rules.driverNames.end(), queue.strDriverName) ==
            rules.driverNames.end())
            continue;
        if (HasPort(list, port))
            continue;
        if (IsAnyUsbPort(port.c_str())) {
            std::string model;
            if (models == nullptr || !models->ReadModelName(queue.strPrinterName, port, model) ||
                model.empty() || !QueueModelMatches(model, rules))
                continue;
        }
        list.push_back({queue.strPrinterName, port});
    }
    if (models == nullptr)
        return list;
    for (const std::string& port : usbPorts) {
        if (HasPort(list, port))
            continue;
        std::string model;
        if (models->ReadModelName(std::string(), port, model) && !model.empty() &&
            PortModelMatches(model, rules))
            list.push_back({rules.strUsbDeviceName, port});
    }
    return list;
}
