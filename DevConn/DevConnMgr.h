// The process-wide connection manager: picks the transport for a port name, owns the connection
// objects and maps the small integer handles it issues to them. Its list lock is never held
// while a connection runs; each connection serialises its own operations.
#pragma once

#include "DevConnBase.h"
#include "DevConnErr.h"
#include "DevConnPortInfo.h"
#include "DeviceHandle.h"
#include "zepLock.h"
#include "zepTypes.h"

#ifdef ZEP_WIN_BOOL_UNAVAILABLE
#error "takes the Windows BOOL: reach it from a C++ file"
#endif

#include <vector>

#ifndef _WIN32
#include "MacIOKit.h"
#endif

class DevConnMgr;

// Deletes the manager at process exit. Constant-initialised, so a manager created during the
// dynamic initialisation of another file is not forgotten.
class DevConnMgrKiller {
public:
    constexpr DevConnMgrKiller() = default;
    ~DevConnMgrKiller();
    DevConnMgr* _instance = nullptr;
};

class DevConnMgr {
public:
    // Builds the transport for a port; used instead of the choice by port name when set.
    typedef DevConnBase* (*TransportFactory)(LPCSTR pPrinterName, LPCSTR pPortName);

    static DevConnMgr* Instance();
    static void SetTransportFactory(TransportFactory factory); // null restores the real choice

    int Connect(LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded, WORD wPortNo,
                HANDLE* phDevice);
    int Disconnect(HANDLE hDevice);
    int SendRecvData(HANDLE hDevice, PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf,
                     DWORD* pdwRcvSize);
    int DisposeData(HANDLE hDevice, void* pbuf);
    int SetTimeout(HANDLE hDevice, DWORD dwTimeout);
    int SetRecvPacketSize(HANDLE hDevice, DWORD dwRcvPktSize);
    int GetModelName(HANDLE hDevice, LPSTR* ppModelName, DWORD* pdwSize);

    // Number of USB ports and one AllocMem block holding their records and names; 0 and null
    // when there are none.
    int EnumUsbPort(_PORT_INFO_1A** ppPort);
    void FreeUsbPort(_PORT_INFO_1A* pPort);
#ifndef _WIN32
    // The maker's USB printer interfaces as "usb://vendor/product?serial=S" URIs.
    int MacEnumUSBPort(_PORT_INFO_1A** ppPort);
    // The URI of one interface into pProtURL (kUsbUrlSize bytes); false when it is not a printer
    // interface of the maker or its URI cannot be made.
    bool MacUSBPortURL(io_service_t usbInterface, char* pProtURL);
    // MFG and MODEL/MDL of the device ID into buffers of kMacUsbTextLimit + 1 bytes; true when
    // the device-ID request succeeded.
    bool getVendorProductName(io_service_t usbInterface, char* vendorName, char* productName);
    static const size_t kUsbUrlSize = 255;
#endif

    DevConnMgr(const DevConnMgr&) = delete;
    DevConnMgr& operator=(const DevConnMgr&) = delete;

protected:
    DevConnMgr();
    ~DevConnMgr();

    HANDLE CreateDevice(LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded);
    bool AddDeviceHandle(DevConnBase* pDevConn, HANDLE* phDevice);
    bool FindDeviceHandle(HANDLE hDevice, DevConnBase** pDevConn);
    void RemoveDeviceHandle(HANDLE hDevice);
    void DeleteDevice(HANDLE hDevice);

private:
    friend class DevConnMgrKiller;

    // The transport for a port name in this variant (DevConnMgr_win.cpp, DevConnMgr_mac.cpp).
    static DevConnBase* NewTransport(LPCSTR pPrinterName, LPCSTR pPortName);

    std::vector<DeviceHandle*> m_DeviceHandles;
    CRITSECT m_lockHandle;

    static DevConnMgr* _instance;
    static DevConnMgrKiller _killer;
    static DWORD dwHandle; // next handle value to try
};
