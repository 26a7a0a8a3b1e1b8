// Connection manager: the singleton, handle allocation and the handle operations, which look the
// handle up under the list lock and then run the connection's operation without it.
#include "DevConnMgr.h"

#include "zepUtil.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>

DevConnMgr* DevConnMgr::_instance = nullptr;
DevConnMgrKiller DevConnMgr::_killer;
DWORD DevConnMgr::dwHandle = 1;

static std::atomic<DevConnMgr::TransportFactory> g_transportFactory{nullptr};

DevConnMgrKiller::~DevConnMgrKiller() {
    delete _instance;
}

DevConnMgr* DevConnMgr::Instance() {
    if (_instance == nullptr)
        _instance = new (std::nothrow) DevConnMgr();
    return _instance;
}

void DevConnMgr::SetTransportFactory(TransportFactory factory) {
    g_transportFactory = factory;
}

DevConnMgr::DevConnMgr() {
    if (_killer._instance == nullptr)
        _killer._instance = this;
}

// Connections still registered at process exit are destroyed without a Disconnect.
DevConnMgr::~DevConnMgr() {
    for (auto it = m_DeviceHandles.rbegin(); it != m_DeviceHandles.rend(); ++it) {
        delete (*it)->m_hDevConn;
        delete *it;
    }
    if (_killer._instance == this)
        _killer._instance = nullptr;
    if (_instance == this)
        _instance = nullptr;
}

static HANDLE HandleFromValue(DWORD dwValue) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(dwValue));
}

HANDLE DevConnMgr::CreateDevice(LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded) {
    if (pPortName == nullptr || bExcluded)
        return nullptr;
    TransportFactory factory = g_transportFactory;
    DevConnBase* pDevConn = factory != nullptr ? factory(pPrinterName, pPortName)
                                               : NewTransport(pPrinterName, pPortName);
    if (pDevConn == nullptr)
        return nullptr;
    HANDLE hDevice = nullptr;
    if (!AddDeviceHandle(pDevConn, &hDevice)) {
        delete pDevConn;
        return nullptr;
    }
    return hDevice;
}

// The counter is left at the value just issued: the next allocation finds it taken and moves
// on, so a value comes back only after its handle is closed and the counter has wrapped to it.
bool DevConnMgr::AddDeviceHandle(DevConnBase* pDevConn, HANDLE* phDevice) {
    ZepLock lock(m_lockHandle);
    if (pDevConn == nullptr || phDevice == nullptr)
        return false;
    *phDevice = nullptr;
    DeviceHandle* pRecord = new (std::nothrow) DeviceHandle;
    if (pRecord == nullptr)
        return false;
    pRecord->m_hDevConn = pDevConn;

    const DWORD dwStartValue = dwHandle;
    for (;;) {
        if (dwHandle == 0)
            dwHandle = 1;
        pRecord->m_hDevice = HandleFromValue(dwHandle);
        if (!FindDeviceHandle(pRecord->m_hDevice, nullptr))
            break;
        dwHandle = static_cast<DWORD>(static_cast<uint32_t>(dwHandle + 1));
        if (dwHandle == dwStartValue) {
            delete pRecord;
            return false;
        }
    }
    try {
        m_DeviceHandles.push_back(pRecord);
    } catch (const std::bad_alloc&) {
        delete pRecord;
        return false;
    }
    *phDevice = pRecord->m_hDevice;
    return true;
}

bool DevConnMgr::FindDeviceHandle(HANDLE hDevice, DevConnBase** pDevConn) {
    ZepLock lock(m_lockHandle);
    auto it =
        std::find_if(m_DeviceHandles.begin(), m_DeviceHandles.end(), DeviceHandleFinder(hDevice));
    if (it == m_DeviceHandles.end())
        return false;
    if (pDevConn != nullptr)
        *pDevConn = (*it)->m_hDevConn;
    return true;
}

void DevConnMgr::RemoveDeviceHandle(HANDLE hDevice) {
    ZepLock lock(m_lockHandle);
    auto it =
        std::find_if(m_DeviceHandles.begin(), m_DeviceHandles.end(), DeviceHandleFinder(hDevice));
    if (it == m_DeviceHandles.end())
        return;
    delete *it;
    m_DeviceHandles.erase(it);
}

void DevConnMgr::DeleteDevice(HANDLE hDevice) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return;
    RemoveDeviceHandle(hDevice);
    delete pDevConn;
}

int DevConnMgr::Connect(LPCSTR pPrinterName, LPCSTR pPortName, BOOL bExcluded, WORD wPortNo,
                        HANDLE* phDevice) {
    if (phDevice == nullptr)
        return DEVCONN_ERR_PARAM;
    HANDLE hDevice = CreateDevice(pPrinterName, pPortName, bExcluded);
    if (hDevice == nullptr)
        return DEVCONN_ERR_CREATE;
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    int rc = pDevConn->Connect(pPrinterName, pPortName, wPortNo);
    if (rc >= 0) {
        *phDevice = hDevice;
        return DEVCONN_OK;
    }
    DeleteDevice(hDevice);
    return rc;
}

int DevConnMgr::Disconnect(HANDLE hDevice) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    pDevConn->Disconnect();
    DeleteDevice(hDevice);
    return DEVCONN_OK;
}

int DevConnMgr::SendRecvData(HANDLE hDevice, PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf,
                             DWORD* pdwRcvSize) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    return pDevConn->SendRecvData(pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

int DevConnMgr::DisposeData(HANDLE hDevice, void* pbuf) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    return pDevConn->DisposeData(pbuf);
}

int DevConnMgr::SetTimeout(HANDLE hDevice, DWORD dwTimeout) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    return pDevConn->SetTimeout(dwTimeout);
}

int DevConnMgr::SetRecvPacketSize(HANDLE hDevice, DWORD dwRcvPktSize) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    return pDevConn->SetRecvPacketSize(dwRcvPktSize);
}

int DevConnMgr::GetModelName(HANDLE hDevice, LPSTR* ppModelName, DWORD* pdwSize) {
    DevConnBase* pDevConn = nullptr;
    if (!FindDeviceHandle(hDevice, &pDevConn))
        return DEVCONN_ERR_HANDLE;
    return pDevConn->GetModelName(ppModelName, pdwSize);
}

void DevConnMgr::FreeUsbPort(_PORT_INFO_1A* pPort) {
    FreeMem(pPort);
}
