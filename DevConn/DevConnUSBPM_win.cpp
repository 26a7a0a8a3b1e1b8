// Port-monitor transport. The monitor is loaded from the system folder only: a DLL of the same
// name beside the program (a download folder, say) is never loaded and run.
#include "DevConnUSBPM.h"

#include "zepClock.h"
#include "zepDllSearch.h"
#include "zepUtil.h"

#include <cstring>
#include <string>

DevConnUSBPM::DevConnUSBPM() {
    std::memset(&m_table, 0, sizeof m_table);
}

// The manager disconnects before destroying, except at process exit; release the port then too.
DevConnUSBPM::~DevConnUSBPM() {
    if (m_fConnected)
        Disconnect();
    FreeMonitor();
}

LPCSTR DevConnUSBPM::MonitorDllFor(LPCSTR pPortName) {
    if (IsUSBPRNPort(pPortName))
        return "VARLEPM.DLL";
    if (IsMPUSBPRNPort(pPortName))
        return "TOLBERPM.DLL";
    return nullptr;
}

void DevConnUSBPM::FreeMonitor() {
    if (m_hMonitor != nullptr)
        FreeLibrary(m_hMonitor);
    m_hMonitor = nullptr;
    std::memset(&m_table, 0, sizeof m_table);
}

HANDLE DevConnUSBPM::OpenMonitorPort(LPCSTR pPortName) {
    FreeMonitor();
    LPCSTR pszDll = MonitorDllFor(pPortName);
    if (pszDll == nullptr || (m_hMonitor = ZepLoadSystemDll(pszDll)) == nullptr)
        return nullptr;
    auto pfnInit = reinterpret_cast<PmInitializeMonitorExFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hMonitor, "InitializeMonitorEx")));
    HANDLE hPort = nullptr;
    if (pfnInit != nullptr && pfnInit(nullptr, &m_table) && m_table.pfnOpenPort != nullptr &&
        m_table.pfnStartDocPort != nullptr && m_table.pfnWritePort != nullptr &&
        m_table.pfnReadPort != nullptr && m_table.pfnEndDocPort != nullptr &&
        m_table.pfnClosePort != nullptr && m_table.pfnGetPrinterDataFromPort != nullptr &&
        m_table.pfnOpenPort(const_cast<LPSTR>(pPortName), &hPort) && hPort != nullptr) {
        PmDocInfo2 docInfo = {};
        char szNoPrinter[1] = {};
        if (m_table.pfnStartDocPort(hPort, szNoPrinter, 0, 2, reinterpret_cast<LPBYTE>(&docInfo)))
            return hPort;
        m_table.pfnClosePort(hPort);
    }
    FreeMonitor();
    return nullptr;
}

int DevConnUSBPM::Connect(LPCSTR, LPCSTR pPortName, WORD) {
    ZepLock lock(m_lock);
    if (pPortName == nullptr)
        return DEVCONN_ERR_PARAM;
    if (m_fConnected)
        return DEVCONN_ERR_CONNECTED;
    HANDLE hPort = OpenMonitorPort(pPortName);
    if (hPort == nullptr)
        return DEVCONN_ERR_OPEN;
    m_hPort = hPort;
    m_fConnected = true;
    return DEVCONN_OK;
}

BOOL DevConnUSBPM::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD) {
    *pcbWritten = 0;
    return m_table.pfnWritePort(m_hPort, pBuff, cbBuf, pcbWritten);
}

BOOL DevConnUSBPM::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbReaded == nullptr)
        return FALSE;
    *pcbReaded = 0;
    if (cbBuf == 0)
        return TRUE;
    const unsigned long dwStart = ZepTickCount();
    BOOL bLast = TRUE;
    while (*pcbReaded < cbBuf) {
        DWORD dwGot = 0;
        bLast = m_table.pfnReadPort(m_hPort, pBuff + *pcbReaded, cbBuf - *pcbReaded, &dwGot);
        if (!bLast && GetLastError() == ERROR_CRC)
            return FALSE;
        if (bLast && dwGot <= cbBuf - *pcbReaded)
            *pcbReaded += dwGot;
        if (*pcbReaded < cbBuf && ZepElapsedMs(dwStart) >= dwTimeout)
            return TRUE;
    }
    return bLast;
}

int DevConnUSBPM::SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    return FrameSendRecv(kPortMonitorFraming, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

int DevConnUSBPM::GetModelName(LPSTR* ppModelName, DWORD* pdwSize) {
    return ModelFromDeviceId(ppModelName, pdwSize, DEVCONN_ERR_PM_DEVICEID,
                             [this](char* pBuf, DWORD cbBuf, DWORD* pcbReturned) {
                                 return m_table.pfnGetPrinterDataFromPort(
                                            m_hPort, kPmDeviceIdControl, nullptr, nullptr, 0, pBuf,
                                            cbBuf, pcbReturned) != FALSE;
                             });
}

int DevConnUSBPM::SetTimeout(DWORD dwTimeout) {
    return StoreTimeout(dwTimeout);
}

void DevConnUSBPM::ClosePort() {
    if (m_hPort != nullptr) {
        m_table.pfnEndDocPort(m_hPort);
        m_table.pfnClosePort(m_hPort);
        m_hPort = nullptr;
    }
}

int DevConnUSBPM::Disconnect() {
    ZepLock lock(m_lock);
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    ClosePort();
    FreeMonitor();
    m_fConnected = false;
    return DEVCONN_OK;
}
