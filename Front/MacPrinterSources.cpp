// Gathers what the list rules need from the system.
#include "MacPrinterSources.h"

#include "DevConnMgr.h"
#include "LumdDriverFolders.h"
#include "PrintQueues.h"
#include "lumd_conf_access.h"
#include "zepDeviceModels.h"

#include <cstdlib>

MacUriKind MacUriKindOf(const std::string& strUri) {
    std::string text = strUri;
    printer_connection_type type = CONNECTION_TYPE_UNKNOWN;
    char* signature = nullptr;
    getConnectionTypeFromURI(&text[0], &type, &signature);
    std::free(signature);
    if (type == CONNECTION_TYPE_TCPIP)
        return MAC_URI_TCPIP;
    return type == CONNECTION_TYPE_USB ? MAC_URI_USB : MAC_URI_UNUSABLE;
}

MacTargetList SystemMacTargetList(const TargetListRules& rules,
                                  const std::string& strRememberedUri) {
    MacTargetLookups lookups;
    lookups.queueAddress = LumdAddressForQueue;
    lookups.uriKind = MacUriKindOf;
    DevConnMgr* pMgr = DevConnMgr::Instance();
    if (pMgr == nullptr)
        return BuildMacTargetList(LocalPrintQueues(), {}, rules, nullptr, lookups,
                                  strRememberedUri);
    DevConnModelSource models(pMgr);
    return BuildMacTargetList(LocalPrintQueues(), UsbPortNames(pMgr), rules, &models, lookups,
                              strRememberedUri);
}
