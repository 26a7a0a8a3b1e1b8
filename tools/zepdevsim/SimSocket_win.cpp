// SimSocket over Winsock 2 (Windows build).
#include "SimSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

// Winsock is started once per process, on first use, and left to the process exit.
bool WinsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

SOCKET Native(intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

void SetError(std::string* error, const std::string& what) {
    if (error != nullptr)
        *error = what + ": Winsock error " + std::to_string(WSAGetLastError());
}

// Replies go out as soon as they are written, not held back for the peer's acknowledgement.
void NoDelay(SOCKET s) {
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

std::string AddressText(const sockaddr_storage& addr) {
    char text[INET6_ADDRSTRLEN] = "?";
    unsigned port = 0;
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, const_cast<in_addr*>(&in->sin_addr), text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, const_cast<in6_addr*>(&in6->sin6_addr), text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    return std::string(text) + ":" + std::to_string(port);
}

// Tries every address of host:port until op succeeds on a fresh socket; returns the socket.
template <class Op>
intptr_t OpenFirst(const std::string& host, uint16_t port, bool passive, Op op,
                   std::string* error) {
    if (!WinsockReady()) {
        SetError(error, "WSAStartup");
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) {
        SetError(error, "cannot resolve " + host);
        return -1;
    }
    SOCKET s = INVALID_SOCKET;
    for (addrinfo* ai = list; ai != nullptr && s == INVALID_SOCKET; ai = ai->ai_next) {
        s = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (s == INVALID_SOCKET)
            continue;
        if (!op(s, ai)) {
            SetError(error, host + ":" + std::to_string(port));
            closesocket(s);
            s = INVALID_SOCKET;
        }
    }
    freeaddrinfo(list);
    return s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
}

} // namespace

bool SimSocket::Listen(const std::string& host, uint16_t port, std::string* error) {
    Close();
    auto bindAndListen = [](SOCKET s, addrinfo* ai) {
        BOOL on = TRUE; // no second listener may share the port, as on POSIX
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
                   sizeof on);
        return bind(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0 && listen(s, 8) == 0;
    };
    m_handle = OpenFirst(host, port, true, bindAndListen, error);
    return IsOpen();
}

bool SimSocket::Connect(const std::string& host, uint16_t port, std::string* error) {
    Close();
    auto connectTo = [](SOCKET s, addrinfo* ai) {
        return connect(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0;
    };
    m_handle = OpenFirst(host, port, false, connectTo, error);
    if (IsOpen())
        NoDelay(Native(m_handle));
    return IsOpen();
}

SimSocket SimSocket::Accept(std::string* peer) {
    sockaddr_storage addr{};
    int len = sizeof addr;
    SOCKET s = accept(Native(m_handle), reinterpret_cast<sockaddr*>(&addr), &len);
    if (s == INVALID_SOCKET)
        return SimSocket();
    NoDelay(s);
    if (peer != nullptr)
        *peer = AddressText(addr);
    return SimSocket(static_cast<intptr_t>(s));
}

uint16_t SimSocket::LocalPort() const {
    sockaddr_storage addr{};
    int len = sizeof addr;
    if (getsockname(Native(m_handle), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    if (addr.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&addr)->sin_port);
    if (addr.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&addr)->sin6_port);
    return 0;
}

int SimSocket::WaitReadable(unsigned ms) const {
    if (!IsOpen())
        return -1;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(m_handle), &readable);
    timeval tv{};
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    int rc = select(0, &readable, nullptr, nullptr, &tv);
    if (rc == SOCKET_ERROR)
        return -1;
    return rc > 0 ? 1 : 0;
}

long SimSocket::Recv(void* buffer, size_t size) {
    int want = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    int n = recv(Native(m_handle), static_cast<char*>(buffer), want, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

// A receive time-out leaves a Winsock socket in an undefined state, so the wait comes first.
long SimSocket::RecvWithin(void* buffer, size_t size, unsigned ms) {
    const int ready = WaitReadable(ms);
    if (ready <= 0)
        return ready == 0 ? kTimedOut : -1;
    return Recv(buffer, size);
}

bool SimSocket::SendAll(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        int chunk = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
        int n = send(Native(m_handle), p, chunk, 0);
        if (n == SOCKET_ERROR || n == 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void SimSocket::SetSendTimeout(unsigned ms) {
    DWORD timeout = ms;
    setsockopt(Native(m_handle), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
}

void SimSocket::Shutdown() {
    if (IsOpen())
        shutdown(Native(m_handle), SD_BOTH);
}

void SimSocket::Close() {
    if (IsOpen())
        closesocket(Native(m_handle));
    m_handle = kInvalid;
}
