// The devConnMgr_* wrappers and the port-name tests for the macOS user interface.
#include "DevConnMgrController.h"

#include "DevConnMgr.h"
#include "zepUtil.h"

static DevConnMgr* Mgr(dev_conn_mgr pDev) {
    return reinterpret_cast<DevConnMgr*>(pDev);
}

dev_conn_mgr devConnMgr_Instance(void) {
    return reinterpret_cast<dev_conn_mgr>(DevConnMgr::Instance());
}

int devConnMgr_Connect(dev_conn_mgr pDev, LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded,
                       WORD wPortNo, HANDLE* phDevice) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->Connect(pPrinterName, pPortName, bExcluded, wPortNo, phDevice);
}

int devConnMgr_SendRecvData(dev_conn_mgr pDev, HANDLE hDevice, PBYTE pSndBuf, DWORD dwSndSize,
                            PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->SendRecvData(hDevice, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

int devConnMgr_GetModelName(dev_conn_mgr pDev, HANDLE hDevice, LPSTR* ppModelName, DWORD* pdwSize) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->GetModelName(hDevice, ppModelName, pdwSize);
}

int devConnMgr_SetTimeout(dev_conn_mgr pDev, HANDLE hDevice, DWORD dwTimeout) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->SetTimeout(hDevice, dwTimeout);
}

int devConnMgr_SetRecvPacketSize(dev_conn_mgr pDev, HANDLE hDevice, DWORD dwRcvPktSize) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->SetRecvPacketSize(hDevice, dwRcvPktSize);
}

int devConnMgr_Disconnect(dev_conn_mgr pDev, HANDLE hDevice) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->Disconnect(hDevice);
}

int devConnMgr_DisposeData(dev_conn_mgr pDev, HANDLE hDevice, void* pbuf) {
    if (pDev == nullptr)
        return DEVCONN_ERR_PARAM;
    return Mgr(pDev)->DisposeData(hDevice, pbuf);
}

int devConnMgr_EnumUsbPort(dev_conn_mgr pDev, _PORT_INFO_1A** ppPort) {
    if (pDev == nullptr) {
        if (ppPort != nullptr)
            *ppPort = nullptr;
        return 0;
    }
    return Mgr(pDev)->EnumUsbPort(ppPort);
}

void devConnMgr_FreeUsbPort(dev_conn_mgr pDev, _PORT_INFO_1A* pPort) {
    if (pDev != nullptr)
        Mgr(pDev)->FreeUsbPort(pPort);
    else
        FreeMem(pPort);
}

bool is_std_usb_port(const char* PortName) {
    return IsStdUSBPort(PortName);
}

bool is_mp_usb_prn_port(const char* PortName) {
    return IsMPUSBPRNPort(PortName);
}

bool is_usb_prn_port(const char* PortName) {
    return IsUSBPRNPort(PortName);
}
