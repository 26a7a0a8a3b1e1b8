// Scripted loopback device for the TCP transport tests.
#include "LoopbackPeer.h"

#include <chrono>

static const unsigned kSliceMs = 20; // how often a waiting peer looks at the stop flag

LoopbackPeer::LoopbackPeer() {
    loopback::Startup();
    m_listener = loopback::Listen(&m_wPort);
}

LoopbackPeer::~LoopbackPeer() {
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
    loopback::Close(m_listener);
    loopback::Cleanup();
}

LoopbackPeer& LoopbackPeer::Receive(size_t n) {
    m_steps.push_back({Step::RECEIVE, n, {}});
    return *this;
}

LoopbackPeer& LoopbackPeer::Send(const std::vector<uint8_t>& bytes) {
    m_steps.push_back({Step::SEND, 0, bytes});
    return *this;
}

LoopbackPeer& LoopbackPeer::Pause(unsigned dwMs) {
    m_steps.push_back({Step::PAUSE, dwMs, {}});
    return *this;
}

LoopbackPeer& LoopbackPeer::Close() {
    m_steps.push_back({Step::CLOSE, 0, {}});
    return *this;
}

void LoopbackPeer::Start() {
    m_thread = std::thread(&LoopbackPeer::Run, this);
}

std::vector<uint8_t> LoopbackPeer::Received() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool LoopbackPeer::ReceiveExactly(loopback::Sock s, size_t n) {
    std::vector<uint8_t> buf(n);
    size_t have = 0;
    while (have < n && !m_bStop) {
        long got = loopback::RecvSome(s, buf.data() + have, n - have, kSliceMs);
        if (got == 0)
            return false;
        if (got > 0)
            have += static_cast<size_t>(got);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.insert(m_received.end(), buf.begin(), buf.begin() + have);
    return have == n;
}

void LoopbackPeer::Run() {
    loopback::Sock s = loopback::kNoSock;
    while (s == loopback::kNoSock && !m_bStop)
        s = loopback::Accept(m_listener, kSliceMs);
    bool bOpen = s != loopback::kNoSock;
    for (const Step& step : m_steps) {
        if (!bOpen || m_bStop)
            break;
        switch (step.kind) {
        case Step::RECEIVE:
            bOpen = ReceiveExactly(s, step.n);
            break;
        case Step::SEND:
            bOpen = loopback::SendAll(s, step.bytes.data(), step.bytes.size());
            break;
        case Step::PAUSE:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.n));
            break;
        case Step::CLOSE:
            loopback::Close(s);
            s = loopback::kNoSock;
            bOpen = false;
            break;
        }
    }
    // Stay connected, without reading, until the test ends.
    while (bOpen && !m_bStop)
        std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
    loopback::Close(s);
}
