// Spooler queues and USB ports, handed to the portable target-list rules.
#include "TargetSpooler.h"

#include "DevConnMgr.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepDeviceModels.h"
#include "zepInfo.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

std::vector<SpoolerQueue> EnumLocalQueues() {
    std::vector<SpoolerQueue> queues;
    DWORD cbNeeded = 0, dwCount = 0;
    if (EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &dwCount) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0)
        return queues;
    std::vector<BYTE> buffer;
    try {
        buffer.resize(cbNeeded);
    } catch (...) {
        return queues;
    }
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), cbNeeded, &cbNeeded,
                       &dwCount))
        return queues;
    const PRINTER_INFO_2A* pInfo = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < dwCount; ++i) {
        const PRINTER_INFO_2A& info = pInfo[i];
        queues.push_back({info.pPrinterName != nullptr ? info.pPrinterName : "",
                          info.pPortName != nullptr ? info.pPortName : "",
                          info.pDriverName != nullptr ? info.pDriverName : ""});
    }
    return queues;
}

std::vector<TargetPrinter> BuildWizardTargetList() {
    TargetListRules rules;
    rules.driverNames = g_wizard.driverNames;
    rules.strTgmName = g_wizard.tgmName;
    rules.bHaveDeviceIdModels = zepinfo_getDeviceIDModelName(rules.deviceIdModels);
    rules.strUsbDeviceName = LoadTextAnsi(IDS_USB_CONNECTED_DEVICE);
    const std::vector<SpoolerQueue> queues = EnumLocalQueues();
    DevConnMgr* pMgr = DevConnMgr::Instance();
    if (pMgr == nullptr)
        return BuildTargetList(queues, {}, rules, nullptr);
    DevConnModelSource models(pMgr);
    return BuildTargetList(queues, UsbPortNames(pMgr), rules, &models);
}
