// Ownership of a socket handle, the same on every platform; the system calls are in
// SimSocket_posix.cpp and SimSocket_win.cpp.
#include "SimSocket.h"

SimSocket::~SimSocket() {
    Close();
}

SimSocket::SimSocket(SimSocket&& other) noexcept
    : m_handle(other.m_handle), m_recvTimeoutMs(other.m_recvTimeoutMs) {
    other.m_handle = kInvalid;
    other.m_recvTimeoutMs = 0;
}

SimSocket& SimSocket::operator=(SimSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        m_recvTimeoutMs = other.m_recvTimeoutMs;
        other.m_handle = kInvalid;
        other.m_recvTimeoutMs = 0;
    }
    return *this;
}
