// macOS choice of transport by port name, and the USB port list.
#include "DevConnMgr.h"

#include "DevConnTCP.h"
#include "zepUtil.h"

#include <new>

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR pPortName) {
    if (IsStdUSBPort(pPortName)) {
        // USB transport: DevConnUSB is created here once it exists.
        return nullptr;
    }
    return new (std::nothrow) DevConnTCP();
}

// The list of attached USB devices comes with the USB transport; until then there is none.
int DevConnMgr::EnumUsbPort(_PORT_INFO_1A** ppPort) {
    if (ppPort != nullptr)
        *ppPort = nullptr;
    return 0;
}

LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex) {
    return pPorts[nIndex].pName;
}
