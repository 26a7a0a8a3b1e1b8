// Minimal TCP socket of the device simulator and its test clients, one implementation per
// platform (BSD sockets, Winsock 2). Blocking I/O, with waits bounded so that callers can keep
// checking whether they have been asked to stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SimSocket {
public:
    SimSocket() = default;
    ~SimSocket();
    SimSocket(SimSocket&& other) noexcept;
    SimSocket& operator=(SimSocket&& other) noexcept;
    SimSocket(const SimSocket&) = delete;
    SimSocket& operator=(const SimSocket&) = delete;

    bool IsOpen() const { return m_handle != kInvalid; }

    // Binds host:port (port 0: any free port) and listens.
    bool Listen(const std::string& host, uint16_t port, std::string* error);
    bool Connect(const std::string& host, uint16_t port, std::string* error);
    // A connection waiting on a listening socket; closed socket on failure. peer gets "ip:port".
    SimSocket Accept(std::string* peer);
    uint16_t LocalPort() const;

    // 1 when data, a connection or end of stream is ready within ms, 0 on time-out, -1 on error.
    int WaitReadable(unsigned ms) const;
    // Bytes read, 0 when the peer has closed, -1 on error.
    long Recv(void* buffer, size_t size);
    // Recv that gives up after ms without data and then returns kTimedOut. One system call
    // where the platform allows, as it is on the path of every record the simulator reads.
    static constexpr long kTimedOut = -2;
    long RecvWithin(void* buffer, size_t size, unsigned ms);
    bool SendAll(const void* data, size_t size);
    // Bounds each blocking send, so that a peer that stops reading cannot hold us forever.
    void SetSendTimeout(unsigned ms);
    // Ends both directions; another thread blocked on this socket returns at once.
    void Shutdown();
    void Close();

private:
    static constexpr intptr_t kInvalid = -1;
    explicit SimSocket(intptr_t handle) : m_handle(handle) {}
    intptr_t m_handle = kInvalid; // fd on POSIX, SOCKET on Windows
    unsigned m_recvTimeoutMs = 0; // receive time-out set on the handle; 0: none
};
