// USB printing-class transport. Reads go through a cache because the driver moves data in
// 512-byte units: what arrives beyond the bytes asked for is kept for the next read.
#include "DevConnUSB_win.h"

#include "zepUtil.h"

#include <cstring>

namespace {

const DWORD kReadWaitMs = 10;

UsbPrintDeviceAccess* g_pTestAccess = nullptr;

} // namespace

void DevConnUSB::SetDeviceAccess(UsbPrintDeviceAccess* pAccess) {
    g_pTestAccess = pAccess;
}

DevConnUSB::DevConnUSB()
    : m_pAccess(g_pTestAccess != nullptr ? g_pTestAccess : &SetupApiUsbAccess()) {}

// The manager disconnects before destroying, except at process exit; release the device then too.
DevConnUSB::~DevConnUSB() {
    if (m_fConnected)
        Disconnect();
}

HANDLE DevConnUSB::StdUsbOpen(LPCSTR pPortName) {
    return m_pAccess->Open(pPortName);
}

int DevConnUSB::Connect(LPCSTR, LPCSTR pPortName, WORD) {
    ZepLock lock(m_lock);
    if (pPortName == nullptr)
        return DEVCONN_ERR_PARAM;
    if (m_fConnected)
        return DEVCONN_ERR_CONNECTED;
    std::memset(&m_ReadOverlapped, 0, sizeof m_ReadOverlapped);
    m_ReadOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_ReadOverlapped.hEvent == nullptr)
        return DEVCONN_ERR_EVENT;
    m_hPort = StdUsbOpen(pPortName);
    if (m_hPort == nullptr || m_hPort == INVALID_HANDLE_VALUE) {
        m_hPort = nullptr;
        CloseHandle(m_ReadOverlapped.hEvent);
        m_ReadOverlapped.hEvent = nullptr;
        return DEVCONN_ERR_OPEN;
    }
    m_CacheDataSize = 0;
    m_fConnected = true;
    return DEVCONN_OK;
}

BOOL DevConnUSB::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbWritten == nullptr)
        return FALSE;
    *pcbWritten = 0;
    if (cbBuf == 0)
        return TRUE;
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ov.hEvent == nullptr)
        return FALSE;
    BOOL bOk = FALSE;
    DWORD dwDone = 0;
    if (WriteFile(m_hPort, pBuff, cbBuf, &dwDone, &ov)) {
        GetOverlappedResult(m_hPort, &ov, &dwDone, FALSE);
        bOk = TRUE;
    } else if (GetLastError() == ERROR_IO_PENDING) {
        const DWORD dwWait = WaitForSingleObject(ov.hEvent, dwTimeout);
        if (GetOverlappedResult(m_hPort, &ov, &dwDone, FALSE)) {
            bOk = TRUE;
        } else if (dwWait == WAIT_TIMEOUT && GetLastError() == ERROR_IO_INCOMPLETE) {
            // The request must have ended before its record and event go away.
            CancelIo(m_hPort);
            bOk = GetOverlappedResult(m_hPort, &ov, &dwDone, TRUE) ||
                  GetLastError() == ERROR_OPERATION_ABORTED;
        } else if (dwWait == WAIT_OBJECT_0) {
            bOk = TRUE; // signalled: done with the count the system reported
        }
    }
    CloseHandle(ov.hEvent);
    if (bOk)
        *pcbWritten = dwDone;
    return bOk;
}

BOOL DevConnUSB::FailRead() {
    FreeMem(m_pReadBuf);
    m_pReadBuf = nullptr;
    return FALSE;
}

// Cached bytes first, then the read's, and what does not fit the request into the cache.
BOOL DevConnUSB::CompleteRead(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded) {
    *pcbReaded = DeliverRead(pBuff, cbBuf, m_pReadBuf, m_dwReaded);
    FreeMem(m_pReadBuf);
    m_pReadBuf = nullptr;
    return TRUE;
}

BOOL DevConnUSB::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD) {
    BOOL bSettled = FALSE;
    if (ReadSettledByCache(pBuff, cbBuf, pcbReaded, bSettled))
        return bSettled;
    if (!m_bReading) {
        m_dwReadSize = ReadSizeFor(cbBuf);
        m_dwReaded = 0;
        m_pReadBuf = static_cast<PBYTE>(AllocMem(m_dwReadSize));
        if (m_pReadBuf == nullptr)
            return FailRead();
        ResetEvent(m_ReadOverlapped.hEvent);
        if (ReadFile(m_hPort, m_pReadBuf, m_dwReadSize, nullptr, &m_ReadOverlapped)) {
            if (!GetOverlappedResult(m_hPort, &m_ReadOverlapped, &m_dwReaded, FALSE))
                return FailRead();
            return CompleteRead(pBuff, cbBuf, pcbReaded);
        }
        if (GetLastError() != ERROR_IO_PENDING)
            return FailRead();
        m_bReading = true;
    }
    if (WaitForSingleObject(m_ReadOverlapped.hEvent, kReadWaitMs) != WAIT_OBJECT_0) {
        *pcbReaded = GetCacheData(pBuff, cbBuf); // still outstanding: the next call collects it
        return TRUE;
    }
    m_bReading = false;
    if (!GetOverlappedResult(m_hPort, &m_ReadOverlapped, &m_dwReaded, FALSE))
        return FailRead();
    return CompleteRead(pBuff, cbBuf, pcbReaded);
}

int DevConnUSB::SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    return FrameSendRecv(kUsbWinFraming, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

int DevConnUSB::GetModelName(LPSTR* ppModelName, DWORD* pdwSize) {
    return ModelFromDeviceId(ppModelName, pdwSize, DEVCONN_ERR_DEVICEID,
                             [this](char* pBuf, DWORD cbBuf, DWORD* pcbReturned) {
                                 return m_pAccess->QueryDeviceId(m_hPort, pBuf, cbBuf, pcbReturned);
                             });
}

int DevConnUSB::SetTimeout(DWORD dwTimeout) {
    return StoreTimeout(dwTimeout);
}

// A cancelled read still writes into its buffer until it has ended: wait for that first.
void DevConnUSB::EndOutstandingRead() {
    if (m_bReading) {
        CancelIo(m_hPort);
        DWORD dwIgnored = 0;
        GetOverlappedResult(m_hPort, &m_ReadOverlapped, &dwIgnored, TRUE);
        m_bReading = false;
    }
}

int DevConnUSB::Disconnect() {
    ZepLock lock(m_lock);
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    m_CacheDataSize = 0;
    if (m_hPort != nullptr) {
        EndOutstandingRead();
        CloseHandle(m_ReadOverlapped.hEvent);
        m_ReadOverlapped.hEvent = nullptr;
        FreeMem(m_pReadBuf);
        m_pReadBuf = nullptr;
        CloseHandle(m_hPort);
        m_hPort = nullptr;
    }
    m_fConnected = false;
    return DEVCONN_OK;
}
