// macOS target list rules. Rows are told apart by their device key compared whole: a short
// serial number must not hide a device whose address merely contains those digits.
#include "zepMacTargetList.h"

#include "zepUtil.h"

#include <algorithm>

namespace {

const char kSerialMark[] = "serial=";

bool StartsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

MacUriKind KindOf(const MacTargetLookups& lookups, const std::string& strUri) {
    return lookups.uriKind ? lookups.uriKind(strUri) : MAC_URI_UNUSABLE;
}

bool KeyListed(const std::vector<MacTarget>& rows, const std::string& key,
               const MacTargetLookups& lookups) {
    return std::any_of(rows.begin(), rows.end(), [&](const MacTarget& row) {
        return MacDeviceKey(row.strUri, KindOf(lookups, row.strUri)) == key;
    });
}

bool DeviceIsOurs(const std::string& strUri, const TargetListRules& rules,
                  DeviceModelSource* models, std::string* pModel = nullptr) {
    std::string model;
    if (models == nullptr || !models->ReadModelName(std::string(), strUri, model) ||
        !MacModelMatches(model, rules))
        return false;
    if (pModel != nullptr)
        *pModel = model;
    return true;
}

} // namespace

std::string MacDeviceKey(const std::string& strUri, MacUriKind kind) {
    if (kind != MAC_URI_USB)
        return strUri;
    const size_t at = strUri.find(kSerialMark);
    return at == std::string::npos ? std::string() : strUri.substr(at + sizeof kSerialMark - 1);
}

bool MacModelMatches(const std::string& strModel, const TargetListRules& rules) {
    if (strModel.empty())
        return false;
    if (!rules.deviceIdModels.empty())
        return std::find(rules.deviceIdModels.begin(), rules.deviceIdModels.end(), strModel) !=
               rules.deviceIdModels.end();
    return !rules.strTgmName.empty() && StartsWith(strModel, rules.strTgmName);
}

MacTargetList BuildMacTargetList(const std::vector<MacPrintQueue>& queues,
                                 const std::vector<std::string>& usbPorts,
                                 const TargetListRules& rules, DeviceModelSource* models,
                                 const MacTargetLookups& lookups,
                                 const std::string& strRememberedUri) {
    MacTargetList list;
    for (const MacPrintQueue& queue : queues) {
        if (queue.strMakeModel.empty() ||
            std::none_of(rules.driverNames.begin(), rules.driverNames.end(),
                         [&](const std::string& d) {
                             return !d.empty() && StartsWith(queue.strMakeModel, d);
                         }))
            continue;
        std::string uri = queue.strDeviceUri;
        if (uri.empty())
            continue;
        if (StartsWith(uri, "qzrk")) {
            uri.clear();
            if (!lookups.queueAddress || !lookups.queueAddress(queue.strId, uri) || uri.empty())
                continue;
        }
        const MacUriKind kind = KindOf(lookups, uri);
        if (kind != MAC_URI_TCPIP && kind != MAC_URI_USB)
            continue;
        const std::string key = MacDeviceKey(uri, kind);
        if (key.empty() || KeyListed(list.rows, key, lookups))
            continue;
        if (IsStdUSBPort(uri.c_str()) && !DeviceIsOurs(uri, rules, models))
            continue;
        list.rows.push_back(
            {queue.strName, queue.strId, queue.strLocation, uri, queue.strMakeModel});
    }
    for (const std::string& port : usbPorts) {
        const std::string key = MacDeviceKey(port, MAC_URI_USB);
        std::string model;
        if (key.empty() || KeyListed(list.rows, key, lookups) ||
            !DeviceIsOurs(port, rules, models, &model))
            continue;
        list.rows.push_back({rules.strUsbDeviceName, std::string(), std::string(), port, model});
    }
    if (!strRememberedUri.empty()) {
        for (size_t i = 0; i < list.rows.size(); ++i) {
            if (list.rows[i].strUri == strRememberedUri) {
                list.nSelectedRow = static_cast<int>(i);
                break;
            }
        }
    }
    return list;
}
