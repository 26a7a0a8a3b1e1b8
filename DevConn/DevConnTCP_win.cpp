// Winsock 1.1 layer of the TCP transport (Windows build). Each connection holds its own start-up
// of the socket library.
#include <winsock2.h>

#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"

#include <cstring>

void DevConnTCP::IgnoreBrokenPipe() {}

bool DevConnTCP::SockStartup() {
    WSADATA wsaData;
    if (WSAStartup(0x0101, &wsaData) != 0)
        return false;
    m_bInitWinsock = true;
    return true;
}

void DevConnTCP::SockCleanup() {
    if (m_bInitWinsock)
        WSACleanup();
    m_bInitWinsock = false;
}

bool DevConnTCP::SockOpen() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    m_hSocket = s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
    return s != INVALID_SOCKET;
}

bool DevConnTCP::SockConnect(uint32_t dwAddrNet, WORD wPortNo) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(wPortNo);
    addr.sin_addr.s_addr = dwAddrNet;
    const SOCKET s = static_cast<SOCKET>(m_hSocket);
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
        return false;
    // Non-blocking from here on, so that a write can give up at its time-out.
    u_long bNonBlocking = 1;
    return ioctlsocket(s, FIONBIO, &bNonBlocking) == 0;
}

void DevConnTCP::SockClose() {
    if (m_hSocket != -1) {
        shutdown(static_cast<SOCKET>(m_hSocket), SD_BOTH);
        closesocket(static_cast<SOCKET>(m_hSocket));
    }
    m_hSocket = -1;
}

// 1 when the socket is ready, 0 when the wait ended without, -1 on error.
static int WaitSocket(SOCKET s, bool bWrite, DWORD dwTimeout) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = static_cast<long>(dwTimeout / 1000);
    tv.tv_usec = static_cast<long>(dwTimeout % 1000 * 1000);
    int rc = select(0, bWrite ? nullptr : &set, bWrite ? &set : nullptr, nullptr, &tv);
    if (rc == SOCKET_ERROR)
        return -1;
    return rc > 0 ? 1 : 0;
}

BOOL DevConnTCP::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbReaded == nullptr)
        return FALSE;
    *pcbReaded = 0;
    if (cbBuf == 0)
        return TRUE;
    const SOCKET s = static_cast<SOCKET>(m_hSocket);
    int ready = WaitSocket(s, false, dwTimeout);
    if (ready <= 0)
        return ready == 0 ? TRUE : FALSE;
    int n = recv(s, reinterpret_cast<char*>(pBuff), static_cast<int>(cbBuf), 0);
    if (n == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? TRUE : FALSE;
    if (n == 0)
        return FALSE; // the device closed the connection: lost now, not after the time-out
    *pcbReaded = static_cast<DWORD>(n);
    return TRUE;
}

long DevConnTCP::SockSendSome(const BYTE* pBuff, DWORD cbBuf) {
    int n = send(static_cast<SOCKET>(m_hSocket), reinterpret_cast<const char*>(pBuff),
                 static_cast<int>(cbBuf), 0);
    if (n != SOCKET_ERROR)
        return n;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

int DevConnTCP::SockWaitWritable(DWORD dwTimeout) {
    return WaitSocket(static_cast<SOCKET>(m_hSocket), true, dwTimeout);
}

// Holds its own start-up of the socket library, so it also works outside a connection.
bool ZepLookupHost(LPCSTR pszName, uint32_t* pdwAddrNet) {
    if (pszName == nullptr || pdwAddrNet == nullptr)
        return false;
    WSADATA wsaData;
    if (WSAStartup(0x0101, &wsaData) != 0)
        return false;
    bool bFound = false;
    hostent* pHost = gethostbyname(pszName);
    if (pHost != nullptr && pHost->h_addrtype == AF_INET && pHost->h_addr_list[0] != nullptr) {
        std::memcpy(pdwAddrNet, pHost->h_addr_list[0], sizeof(*pdwAddrNet));
        bFound = true;
    }
    WSACleanup();
    return bFound;
}
