// macOS USB port list and port names (the transport choice is DevConnMgrTransport_mac.cpp).
#include "DevConnMgr.h"

// The list of attached USB devices comes with the USB transport; until then there is none.
int DevConnMgr::EnumUsbPort(_PORT_INFO_1A** ppPort) {
    if (ppPort != nullptr)
        *ppPort = nullptr;
    return 0;
}

LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex) {
    return pPorts[nIndex].pName;
}
