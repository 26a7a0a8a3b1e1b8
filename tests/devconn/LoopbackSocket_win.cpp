// Loopback sockets for the tests over Winsock.
#include <winsock2.h>

#include "LoopbackSocket.h"

#include <cstring>

namespace loopback {

bool Startup() {
    WSADATA wsaData;
    return WSAStartup(0x0202, &wsaData) == 0;
}

void Cleanup() {
    WSACleanup();
}

static sockaddr_in LoopbackAddr(uint16_t wPort) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(wPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

Sock Listen(uint16_t* pwPort) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = LoopbackAddr(0);
    int len = sizeof(addr);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(s, 4) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return kNoSock;
    }
    *pwPort = ntohs(addr.sin_port);
    return static_cast<Sock>(s);
}

static bool Wait(Sock s, unsigned dwTimeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval tv = {static_cast<long>(dwTimeoutMs / 1000),
                  static_cast<long>(dwTimeoutMs % 1000 * 1000)};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

Sock Accept(Sock listener, unsigned dwTimeoutMs) {
    if (!Wait(listener, dwTimeoutMs))
        return kNoSock;
    SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kNoSock : static_cast<Sock>(s);
}

Sock Connect(uint16_t wPort) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = LoopbackAddr(wPort);
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
        return static_cast<Sock>(s);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return kNoSock;
}

bool SendAll(Sock s, const void* p, size_t n) {
    const char* pc = static_cast<const char*>(p);
    while (n > 0) {
        int sent = send(static_cast<SOCKET>(s), pc, static_cast<int>(n), 0);
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
    int got = recv(static_cast<SOCKET>(s), static_cast<char*>(p), static_cast<int>(n), 0);
    return got < 0 ? -1 : static_cast<long>(got);
}

void Close(Sock s) {
    if (s != kNoSock)
        closesocket(static_cast<SOCKET>(s));
}

} // namespace loopback
