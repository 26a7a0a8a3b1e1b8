// The macOS list: print queues whose make-and-model begins with a driver name of the package and
// whose device is reached over TCP/IP or USB, then the maker's USB printers without a queue, by
// the rules the macOS window applies.
#include "CliDevices.h"

#include "CliTexts.h"
#include "MacPrinterSources.h"
#include "zepInfo.h"

std::vector<TargetPrinter> SystemDevices() {
    MacTargetListRules rules;
    zepinfo_getDriverName(rules.driverNames);
    zepinfo_getTgmName(rules.strTgmName);
    zepinfo_getDeviceIDModelName(rules.deviceIdModels);
    rules.strUsbPrinterName = EnglishText(119); // the wizard's name for a USB device
    std::vector<TargetPrinter> devices;
    for (const MacTarget& row : SystemMacTargetList(rules, std::string()).rows)
        devices.push_back(TargetPrinter{row.strName, row.strUri});
    return devices;
}
