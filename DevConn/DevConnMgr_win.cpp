// Windows choice of transport by port name, and the USB port list from the spooler's ports.
#include "DevConnMgr.h"

#include "DevConnTCP.h"
#include "DevConnUSBPM.h"
#include "DevConnUSB_win.h"
#include "zepUtil.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <new>

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR pPortName) {
    if (IsStdUSBPort(pPortName))
        return new (std::nothrow) DevConnUSB();
    if (IsUSBPRNPort(pPortName) || IsMPUSBPRNPort(pPortName))
        return new (std::nothrow) DevConnUSBPM();
    return new (std::nothrow) DevConnTCP();
}

// The spooler's level-1 port list in an AllocMem block, or null.
static PORT_INFO_1A* EnumSpoolerPorts(DWORD* pdwCount) {
    DWORD cbNeeded = 0;
    *pdwCount = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, pdwCount);
    if (cbNeeded == 0)
        return nullptr;
    BYTE* pBuf = static_cast<BYTE*>(AllocMem(cbNeeded));
    if (pBuf == nullptr)
        return nullptr;
    if (!EnumPortsA(nullptr, 1, pBuf, cbNeeded, &cbNeeded, pdwCount)) {
        FreeMem(pBuf);
        *pdwCount = 0;
        return nullptr;
    }
    return reinterpret_cast<PORT_INFO_1A*>(pBuf);
}

// One block: the records first, sized by the real record (a pointer per port), then the names.
int DevConnMgr::EnumUsbPort(_PORT_INFO_1A** ppPort) {
    if (ppPort == nullptr)
        return 0;
    *ppPort = nullptr;
    DWORD dwPorts = 0;
    PORT_INFO_1A* pPorts = EnumSpoolerPorts(&dwPorts);
    if (pPorts == nullptr)
        return 0;
    DWORD dwCount = 0;
    size_t cbNames = 0;
    for (DWORD i = 0; i < dwPorts; ++i) {
        if (IsAnyUsbPort(pPorts[i].pName)) {
            ++dwCount;
            cbNames += std::strlen(pPorts[i].pName) + 1;
        }
    }
    BYTE* pBlock = nullptr;
    if (dwCount != 0)
        pBlock = static_cast<BYTE*>(AllocMem(dwCount * sizeof(PORT_INFO_1A) + cbNames));
    if (pBlock == nullptr) {
        FreeMem(pPorts);
        return 0;
    }
    PORT_INFO_1A* pOut = reinterpret_cast<PORT_INFO_1A*>(pBlock);
    char* pName = reinterpret_cast<char*>(pBlock + dwCount * sizeof(PORT_INFO_1A));
    for (DWORD i = 0, j = 0; i < dwPorts; ++i) {
        if (!IsAnyUsbPort(pPorts[i].pName))
            continue;
        size_t len = std::strlen(pPorts[i].pName) + 1;
        std::memcpy(pName, pPorts[i].pName, len);
        pOut[j++].pName = pName;
        pName += len;
    }
    FreeMem(pPorts);
    *ppPort = pOut;
    return static_cast<int>(dwCount);
}

LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex) {
    return pPorts[nIndex].pName;
}
