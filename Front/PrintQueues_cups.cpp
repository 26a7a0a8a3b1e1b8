// Print queues from CUPS, which is the printing system under GNUstep. The queue name is the
// identifier the driver folders know a queue by; the name shown is its description when it has
// one, as the macOS printing manager shows it.
#include "PrintQueues.h"

#include <cups/cups.h>

namespace {

std::string Option(cups_dest_t* dest, const char* name) {
    const char* value = cupsGetOption(name, dest->num_options, dest->options);
    return value != nullptr ? value : "";
}

} // namespace

std::vector<MacPrintQueue> LocalPrintQueues() {
    std::vector<MacPrintQueue> queues;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests(&dests);
    for (int i = 0; i < count; ++i) {
        cups_dest_t* dest = &dests[i];
        if (dest->instance != nullptr)
            continue; // an instance is the same queue with other options
        MacPrintQueue queue;
        queue.strId = dest->name;
        queue.strName = Option(dest, "printer-info");
        if (queue.strName.empty())
            queue.strName = queue.strId;
        queue.strLocation = Option(dest, "printer-location");
        queue.strDeviceUri = Option(dest, "device-uri");
        queue.strMakeModel = Option(dest, "printer-make-and-model");
        queues.push_back(queue);
    }
    cupsFreeDests(count, dests);
    return queues;
}
