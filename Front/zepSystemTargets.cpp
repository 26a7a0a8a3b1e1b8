// The system's target list: the package's rules, and the USB side through the connection
// manager (without one, USB queues and ports are left out, as the rules say).
#include "zepSystemTargets.h"

#include "DevConnMgr.h"
#include "zepDeviceModels.h"
#include "zepInfo.h"

TargetListRules ZepInfoTargetRules(const std::string& strUsbDeviceName) {
    TargetListRules rules;
    if (!g_ZepInfo.getDriverName(rules.driverNames))
        rules.driverNames.clear();
    if (!g_ZepInfo.getTgmName(rules.strTgmName))
        rules.strTgmName.clear();
    rules.bHaveDeviceIdModels = g_ZepInfo.getDeviceIDModelName(rules.deviceIdModels);
    rules.strUsbDeviceName = strUsbDeviceName;
    return rules;
}

std::vector<TargetPrinter> BuildSystemTargetList(const std::vector<SpoolerQueue>& queues,
                                                 const TargetListRules& rules) {
    DevConnMgr* pMgr = DevConnMgr::Instance();
    if (pMgr == nullptr)
        return BuildTargetList(queues, {}, rules, nullptr);
    DevConnModelSource models(pMgr);
    return BuildTargetList(queues, UsbPortNames(pMgr), rules, &models);
}
