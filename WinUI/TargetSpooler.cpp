// The wizard's target list: the package's rules with the wizard's USB device text, the system's
// queues and ports by the shared rules.
#include "TargetSpooler.h"

#include "WinText.h"
#include "resource.h"
#include "zepSystemTargets.h"

std::vector<TargetPrinter> BuildWizardTargetList() {
    return BuildSystemTargetList(EnumLocalQueues(),
                                 ZepInfoTargetRules(LoadTextAnsi(IDS_USB_CONNECTED_DEVICE)));
}
