// The spooler's local queues for the target list (EnumPrintersA, level 2).
#include "zepSystemTargets.h"

#include <windows.h>
#include <winspool.h>

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
