// The macOS list: for now the USB ports that report a matching model. The macOS list rules
// (print queues from the printing system and the maker's USB printers) replace this body.
#include "CliDevices.h"

#include "CliTexts.h"
#include "zepSystemTargets.h"

std::vector<TargetPrinter> SystemDevices() {
    return BuildSystemTargetList(std::vector<SpoolerQueue>(), ZepInfoTargetRules(EnglishText(119)));
}
