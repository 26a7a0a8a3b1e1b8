// BSD-socket layer of the TCP transport (macOS and native builds).
#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/time.h>
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
    m_dwRecvWait = 0;
}

// poll rather than select: descriptors above FD_SETSIZE would overrun an fd_set.
int DevConnTCP::SockWaitWritable(DWORD dwTimeout) {
    pollfd pfd = {static_cast<int>(m_hSocket), POLLOUT, 0};
    int rc = ::poll(&pfd, 1, static_cast<int>(dwTimeout));
    if (rc < 0)
        return errno == EINTR ? 0 : -1;
    return rc > 0 ? 1 : 0;
}

// The socket's receive time-out, so that one recv both waits and reads. Set only when it changes:
// the framing always polls with the same value.
bool DevConnTCP::SetRecvWait(DWORD dwTimeout) {
    if (dwTimeout == m_dwRecvWait)
        return true;
    timeval tv;
    tv.tv_sec = static_cast<time_t>(dwTimeout / 1000);
    tv.tv_usec = static_cast<suseconds_t>(dwTimeout % 1000 * 1000);
    if (::setsockopt(static_cast<int>(m_hSocket), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0)
        return false;
    m_dwRecvWait = dwTimeout;
    return true;
}

BOOL DevConnTCP::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbReaded == nullptr)
        return FALSE;
    *pcbReaded = 0;
    if (cbBuf == 0)
        return TRUE;
    // A receive time-out of 0 would mean no time-out at all: then only take what is there.
    const int flags = dwTimeout == 0 ? MSG_DONTWAIT : 0;
    if (dwTimeout != 0 && !SetRecvWait(dwTimeout))
        return FALSE;
    ssize_t n = ::recv(static_cast<int>(m_hSocket), pBuff, cbBuf, flags);
    if (n < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? TRUE : FALSE;
    if (n == 0)
        return FALSE; // the device closed the connection: lost now, not after the time-out
    *pcbReaded = static_cast<DWORD>(n);
    return TRUE;
}

long DevConnTCP::SockSendSome(const BYTE* pBuff, DWORD cbBuf) {
    ssize_t n = ::send(static_cast<int>(m_hSocket), pBuff, cbBuf, MSG_DONTWAIT);
    if (n >= 0)
        return static_cast<long>(n);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
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
