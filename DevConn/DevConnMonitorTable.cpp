// The table of port monitors whose ports keep a device address, first matching row wins.
#include "DevConnMonitorTable.h"

static const char kStdTcpIp[] = "Standard TCP/IP Port";

ZepAddrSource ChooseAddrSource(const ZepPortRecord& record) {
    LPCSTR pMonitor = record.pMonitorName != nullptr ? record.pMonitorName : "";
    LPCSTR pDescription = record.pDescription != nullptr ? record.pDescription : "";
    if (ZepEqualNoCase(pDescription, kStdTcpIp))
        return {ZEP_ADDR_REGISTRY, pDescription, "IPAddress", "HostName"};
    if (ZepEqualNoCase(pMonitor, "TCPMON.DLL"))
        return {ZEP_ADDR_REGISTRY, kStdTcpIp, "IPAddress", "HostName"};
    if (ZepEqualNoCase(pMonitor, "Torvi LPR 2.0"))
        return {ZEP_ADDR_REGISTRY, pMonitor, "Server Name", nullptr};
    if (ZepEqualNoCase(pDescription, "Torvi Wayfind LPR Port"))
        return {ZEP_ADDR_REGISTRY, pDescription, "PrinterAddr", nullptr};
    if (ZepEqualNoCase(pMonitor, "Torvi LPR Port"))
        return {ZEP_ADDR_REGISTRY, pMonitor, "Server Name", nullptr};
    if (ZepEqualNoCase(pMonitor, "Internet Port"))
        return {ZEP_ADDR_URL, nullptr, nullptr, nullptr};
    if (*pMonitor == '\0' && *pDescription == '\0')
        return {ZEP_ADDR_REGISTRY, "LPR Port", "Server Name", nullptr};
    return {ZEP_ADDR_NONE, nullptr, nullptr, nullptr};
}
