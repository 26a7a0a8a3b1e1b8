// The macOS list: print queues whose make-and-model begins with a driver name of the package and
// whose device is reached over TCP/IP or USB, then the maker's USB printers without a queue, by
// the rules the macOS window applies.
#include "CliDevices.h"

#include "CliTexts.h"
#include "MacPrinterSources.h"
#include "zepSystemTargets.h"
#include "zepTextIds.h"

std::vector<TargetPrinter> SystemDevices() {
    // The wizard's name for a USB device.
    const TargetListRules rules = ZepInfoTargetRules(EnglishText(IDS_USB_CONNECTED_DEVICE));
    std::vector<TargetPrinter> devices;
    for (const MacTarget& row : SystemMacTargetList(rules, std::string()).rows)
        devices.push_back(TargetPrinter{row.strName, row.strUri});
    return devices;
}
