// Loopback sockets for the tests over BSD sockets.
#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

bool Startup() {
    return true;
}
void Cleanup() {}

static sockaddr_in LoopbackAddr(uint16_t wPort) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(wPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

Sock Listen(uint16_t* pwPort) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = LoopbackAddr(0);
    socklen_t len = sizeof(addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(fd, 4) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0)
            ::close(fd);
        return kNoSock;
    }
    *pwPort = ntohs(addr.sin_port);
    return fd;
}

static bool Wait(Sock s, unsigned dwTimeoutMs) {
    pollfd pfd = {static_cast<int>(s), POLLIN, 0};
    return ::poll(&pfd, 1, static_cast<int>(dwTimeoutMs)) > 0;
}

Sock Accept(Sock listener, unsigned dwTimeoutMs) {
    if (!Wait(listener, dwTimeoutMs))
        return kNoSock;
    int fd = ::accept(static_cast<int>(listener), nullptr, nullptr);
    return fd < 0 ? kNoSock : fd;
}

Sock Connect(uint16_t wPort) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = LoopbackAddr(wPort);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return kNoSock;
}

bool SendAll(Sock s, const void* p, size_t n) {
    const char* pc = static_cast<const char*>(p);
    while (n > 0) {
        ssize_t sent = ::send(static_cast<int>(s), pc, n, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        pc += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

long RecvSome(Sock s, void* p, size_t n, unsigned dwTimeoutMs) {
    if (!Wait(s, dwTimeoutMs))
        return -1;
    ssize_t got = ::recv(static_cast<int>(s), p, n, 0);
    return got < 0 ? -1 : static_cast<long>(got);
}

void Close(Sock s) {
    if (s != kNoSock)
        ::close(static_cast<int>(s));
}

} // namespace loopback
