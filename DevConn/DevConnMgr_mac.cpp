// macOS USB port list and port names (the transport choice is DevConnMgrTransport_mac.cpp).
#include "DevConnMgr.h"

int DevConnMgr::EnumUsbPort(_PORT_INFO_1A** ppPort) {
    if (ppPort == nullptr)
        return 0;
    return MacEnumUSBPort(ppPort);
}

LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex) {
    return pPorts[nIndex].pName;
}
