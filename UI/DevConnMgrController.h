// Plain-function face of the connection manager for the macOS user interface: each wrapper
// forwards to the manager passed as pDev and returns its result; a null manager is an invalid
// argument.
#pragma once

#include "DevConnPortInfo.h"
#include "zepTypes.h"

#ifdef ZEP_WIN_BOOL_UNAVAILABLE
#error "takes the Windows BOOL: reach it from a C++ file"
#endif

typedef struct dev_conn_mgr_opaque* dev_conn_mgr;

extern "C" {
dev_conn_mgr devConnMgr_Instance(void);
int devConnMgr_Connect(dev_conn_mgr pDev, LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded,
                       WORD wPortNo, HANDLE* phDevice);
int devConnMgr_SendRecvData(dev_conn_mgr pDev, HANDLE hDevice, PBYTE pSndBuf, DWORD dwSndSize,
                            PBYTE* ppRcvBuf, DWORD* pdwRcvSize);
int devConnMgr_GetModelName(dev_conn_mgr pDev, HANDLE hDevice, LPSTR* ppModelName, DWORD* pdwSize);
int devConnMgr_SetTimeout(dev_conn_mgr pDev, HANDLE hDevice, DWORD dwTimeout);
int devConnMgr_SetRecvPacketSize(dev_conn_mgr pDev, HANDLE hDevice, DWORD dwRcvPktSize);
int devConnMgr_Disconnect(dev_conn_mgr pDev, HANDLE hDevice);
int devConnMgr_DisposeData(dev_conn_mgr pDev, HANDLE hDevice, void* pbuf);
int devConnMgr_EnumUsbPort(dev_conn_mgr pDev, _PORT_INFO_1A** ppPort);
void devConnMgr_FreeUsbPort(dev_conn_mgr pDev, _PORT_INFO_1A* pPort);

bool is_std_usb_port(const char* PortName);
bool is_mp_usb_prn_port(const char* PortName);
bool is_usb_prn_port(const char* PortName);
}
