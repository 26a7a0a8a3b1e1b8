// The Windows wizard's list: matching print queues, then USB ports reporting a matching model.
#include "CliDevices.h"

#include "CliTexts.h"
#include "zepSystemTargets.h"
#include "zepTextIds.h"

std::vector<TargetPrinter> SystemDevices() {
    return BuildSystemTargetList(EnumLocalQueues(), ZepInfoTargetRules(EnglishText(IDS_USB_CONNECTED_DEVICE)));
}
