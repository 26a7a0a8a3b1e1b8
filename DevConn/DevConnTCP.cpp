// TCP transport: connection life cycle and the protocol exchange over the platform's sockets.
#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"
#include "zepClock.h"

DevConnTCP::DevConnTCP() {
    IgnoreBrokenPipe();
}

// The manager disconnects before destroying, except at process exit; release the socket then too.
DevConnTCP::~DevConnTCP() {
    if (m_fConnected)
        CloseConnection();
}

int DevConnTCP::Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) {
    ZepLock lock(m_lock);
    if (pPortName == nullptr || wPortNo == 0)
        return DEVCONN_ERR_PARAM;
    if (m_fConnected)
        return DEVCONN_ERR_CONNECTED;
    m_hSocket = -1;
    if (!SockStartup() || !SockOpen())
        return ConnectFailed();
    // A typed address is taken only as dotted text: no name lookup for it.
    uint32_t dwAddrNet = 0;
    bool bResolved = pPrinterName == nullptr ? ZepDottedAddr(pPortName, &dwAddrNet)
                                             : ResolvePortAddr(pPortName, &dwAddrNet);
    if (!bResolved || !SockConnect(dwAddrNet, wPortNo))
        return ConnectFailed();
    m_fConnected = true;
    return DEVCONN_OK;
}

int DevConnTCP::ConnectFailed() {
    CloseConnection();
    return DEVCONN_ERR_OPEN;
}

void DevConnTCP::CloseConnection() {
    SockClose();
    SockCleanup();
    m_fConnected = false;
}

int DevConnTCP::SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    return FrameSendRecv(kTcpFraming, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

int DevConnTCP::GetModelName(LPSTR* ppModelName, DWORD* pdwSize) {
    ZepLock lock(m_lock);
    if (ppModelName == nullptr || pdwSize == nullptr)
        return DEVCONN_ERR_PARAM;
    return m_fConnected ? DEVCONN_ERR_UNSUPPORTED : DEVCONN_ERR_NOT_CONNECTED;
}

int DevConnTCP::SetTimeout(DWORD dwTimeout) {
    return StoreTimeout(dwTimeout);
}

int DevConnTCP::Disconnect() {
    ZepLock lock(m_lock);
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    CloseConnection();
    return DEVCONN_OK;
}

// Sends without blocking past the time-out: a device that stops reading makes the write end
// short, which the framing reports, instead of holding the caller for good.
BOOL DevConnTCP::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbWritten == nullptr)
        return FALSE;
    *pcbWritten = 0;
    const unsigned long dwStart = ZepTickCount();
    DWORD dwSent = 0;
    while (dwSent < cbBuf) {
        long n = SockSendSome(pBuff + dwSent, cbBuf - dwSent);
        if (n < 0) {
            *pcbWritten = dwSent;
            return FALSE;
        }
        dwSent += static_cast<DWORD>(n);
        if (n > 0)
            continue;
        const DWORD dwPassed = static_cast<DWORD>(ZepElapsedMs(dwStart));
        if (dwPassed >= dwTimeout || SockWaitWritable(dwTimeout - dwPassed) <= 0)
            break;
    }
    *pcbWritten = dwSent;
    return TRUE;
}

bool DevConnTCP::ResolveIpAddr(LPCSTR pPortName, sockaddr_in* addr) {
    if (pPortName == nullptr || addr == nullptr)
        return false;
    return GetIpFromPort(pPortName, addr);
}
