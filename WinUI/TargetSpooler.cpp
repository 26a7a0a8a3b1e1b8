// The wizard's target list: its own copy of the package's names and its USB device text, the
// system's queues and ports by the shared rules.
#include "TargetSpooler.h"

#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepInfo.h"
#include "zepSystemTargets.h"

std::vector<TargetPrinter> BuildWizardTargetList() {
    TargetListRules rules;
    rules.driverNames = g_wizard.driverNames;
    rules.strTgmName = g_wizard.tgmName;
    rules.bHaveDeviceIdModels = zepinfo_getDeviceIDModelName(rules.deviceIdModels);
    rules.strUsbDeviceName = LoadTextAnsi(IDS_USB_CONNECTED_DEVICE);
    return BuildSystemTargetList(EnumLocalQueues(), rules);
}
