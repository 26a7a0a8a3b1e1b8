// BSD-socket layer of the TCP transport (macOS and native builds).
#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"
#include "zepClock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Sending to a device that has closed the connection must fail, not end the process.
void DevConnTCP::IgnoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool DevConnTCP::SockStartup() {
    return true;
}

void DevConnTCP::SockCleanup() {}

bool DevConnTCP::SockOpen() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    m_hSocket = fd;
    return fd >= 0;
}

bool DevConnTCP::SockConnect(uint32_t dwAddrNet, WORD wPortNo) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(wPortNo);
    addr.sin_addr.s_addr = dwAddrNet;
    return ::connect(static_cast<int>(m_hSocket), reinterpret_cast<sockaddr*>(&addr),
                     sizeof(addr)) == 0;
}

void DevConnTCP::SockClose() {
    if (m_hSocket >= 0)
        ::close(static_cast<int>(m_hSocket));
    m_hSocket = -1;
}

// 1 when the socket is ready for the events, 0 when the wait ended without, -1 on error. poll
// rather than select: descriptors above FD_SETSIZE would overrun an fd_set.
static int WaitSocket(int fd, short events, DWORD dwTimeout) {
    pollfd pfd = {fd, events, 0};
    int rc = ::poll(&pfd, 1, static_cast<int>(dwTimeout));
    if (rc < 0)
        return errno == EINTR ? 0 : -1;
    return rc > 0 ? 1 : 0;
}

BOOL DevConnTCP::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbReaded == nullptr)
        return FALSE;
    *pcbReaded = 0;
    if (cbBuf == 0)
        return TRUE;
    const int fd = static_cast<int>(m_hSocket);
    int ready = WaitSocket(fd, POLLIN, dwTimeout);
    if (ready <= 0)
        return ready == 0 ? TRUE : FALSE;
    ssize_t n = ::recv(fd, pBuff, cbBuf, 0);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN ? TRUE : FALSE;
    if (n == 0) {
        // The device closed the connection: a poll with no data, but without spinning.
        ZepSleep(dwTimeout);
        return TRUE;
    }
    *pcbReaded = static_cast<DWORD>(n);
    return TRUE;
}

// Sends without blocking past the time-out: a device that stops reading makes the write time out
// (a short count) instead of hanging the caller.
BOOL DevConnTCP::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbWritten == nullptr)
        return FALSE;
    *pcbWritten = 0;
    const int fd = static_cast<int>(m_hSocket);
    const unsigned long dwStart = ZepTickCount();
    DWORD dwSent = 0;
    while (dwSent < cbBuf) {
        ssize_t n = ::send(fd, pBuff + dwSent, cbBuf - dwSent, MSG_DONTWAIT);
        if (n > 0) {
            dwSent += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            *pcbWritten = dwSent;
            return FALSE;
        }
        const DWORD dwPassed = static_cast<DWORD>(static_cast<uint32_t>(ZepTickCount() - dwStart));
        if (dwPassed >= dwTimeout || WaitSocket(fd, POLLOUT, dwTimeout - dwPassed) <= 0)
            break;
    }
    *pcbWritten = dwSent;
    return TRUE;
}

bool ZepLookupHost(LPCSTR pszName, uint32_t* pdwAddrNet) {
    if (pszName == nullptr || pdwAddrNet == nullptr)
        return false;
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pResult = nullptr;
    if (::getaddrinfo(pszName, nullptr, &hints, &pResult) != 0 || pResult == nullptr)
        return false;
    *pdwAddrNet = reinterpret_cast<const sockaddr_in*>(pResult->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(pResult);
    return true;
}
