// macOS variant of the connection manager: the transport for a port name, the USB port list and
// port names.
#include "DevConnMgr.h"

#include "DevConnTCP.h"
#include "DevConnUSB_mac.h"
#include "zepUtil.h"

#include <new>

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR pPortName) {
    if (IsStdUSBPort(pPortName))
        return new (std::nothrow) DevConnUSB();
    return new (std::nothrow) DevConnTCP();
}

int DevConnMgr::EnumUsbPort(_PORT_INFO_1A** ppPort) {
    if (ppPort == nullptr)
        return 0;
    return MacEnumUSBPort(ppPort);
}

LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex) {
    return pPorts[nIndex].pName;
}
