// SimSocket over BSD sockets (Linux, macOS).
#include "SimSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL; // a closed peer must not raise SIGPIPE
#else
constexpr int kSendFlags = 0; // SO_NOSIGPIPE is set on the socket instead
#endif

void SetError(std::string* error, const std::string& what) {
    if (error != nullptr)
        *error = what + ": " + std::strerror(errno);
}

// Replies go out as soon as they are written, not held back for the peer's acknowledgement.
void NoDelay(int fd) {
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void NoSigPipe(int fd) {
#ifdef SO_NOSIGPIPE
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#else
    (void)fd;
#endif
}

std::string AddressText(const sockaddr_storage& addr) {
    char text[INET6_ADDRSTRLEN] = "?";
    unsigned port = 0;
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    return std::string(text) + ":" + std::to_string(port);
}

// Tries every address of host:port until op succeeds on a fresh socket; returns the socket.
template <class Op>
int OpenFirst(const std::string& host, uint16_t port, bool passive, Op op, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* list = nullptr;
    int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (rc != 0) {
        if (error != nullptr)
            *error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* ai = list; ai != nullptr && fd < 0; ai = ai->ai_next) {
        fd = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (fd < 0)
            continue;
        if (!op(fd, ai)) {
            SetError(error, host + ":" + std::to_string(port));
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(list);
    if (fd >= 0)
        NoSigPipe(fd);
    return fd;
}

} // namespace

bool SimSocket::Listen(const std::string& host, uint16_t port, std::string* error) {
    Close();
    auto bindAndListen = [](int fd, addrinfo* ai) {
        int on = 1; // a restarted simulator must not wait for old connections to time out
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        return bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && listen(fd, 8) == 0;
    };
    m_handle = OpenFirst(host, port, true, bindAndListen, error);
    return IsOpen();
}

bool SimSocket::Connect(const std::string& host, uint16_t port, std::string* error) {
    Close();
    auto connectTo = [](int fd, addrinfo* ai) {
        return connect(fd, ai->ai_addr, ai->ai_addrlen) == 0;
    };
    m_handle = OpenFirst(host, port, false, connectTo, error);
    if (IsOpen())
        NoDelay(static_cast<int>(m_handle));
    return IsOpen();
}

SimSocket SimSocket::Accept(std::string* peer) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    int fd;
    do {
        fd = accept(static_cast<int>(m_handle), reinterpret_cast<sockaddr*>(&addr), &len);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return SimSocket();
    NoSigPipe(fd);
    NoDelay(fd);
    if (peer != nullptr)
        *peer = AddressText(addr);
    return SimSocket(fd);
}

uint16_t SimSocket::LocalPort() const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (getsockname(static_cast<int>(m_handle), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
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
    pollfd p{static_cast<int>(m_handle), POLLIN, 0};
    int rc = poll(&p, 1, static_cast<int>(ms));
    if (rc < 0)
        return errno == EINTR ? 0 : -1;
    return rc > 0 ? 1 : 0;
}

long SimSocket::Recv(void* buffer, size_t size) {
    ssize_t n;
    do {
        n = recv(static_cast<int>(m_handle), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<long>(n);
}

long SimSocket::RecvWithin(void* buffer, size_t size, unsigned ms) {
    if (ms != m_recvTimeoutMs) {
        timeval tv{};
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
        if (setsockopt(static_cast<int>(m_handle), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0)
            return -1;
        m_recvTimeoutMs = ms;
    }
    ssize_t n;
    do {
        n = recv(static_cast<int>(m_handle), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK ? kTimedOut : -1;
    return static_cast<long>(n);
}

bool SimSocket::SendAll(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = send(static_cast<int>(m_handle), p, size, kSendFlags);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void SimSocket::SetSendTimeout(unsigned ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    setsockopt(static_cast<int>(m_handle), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

void SimSocket::Shutdown() {
    if (IsOpen())
        shutdown(static_cast<int>(m_handle), SHUT_RDWR);
}

void SimSocket::Close() {
    if (IsOpen())
        close(static_cast<int>(m_handle));
    m_handle = kInvalid;
}
