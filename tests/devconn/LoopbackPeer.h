// A scripted device on 127.0.0.1: accepts one connection and plays its steps in order (receive
// so many bytes, send bytes, pause, close), then waits for the client to go away.
#pragma once

#include "LoopbackSocket.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class LoopbackPeer {
public:
    LoopbackPeer();
    ~LoopbackPeer();

    LoopbackPeer& Receive(size_t n);
    LoopbackPeer& Send(const std::vector<uint8_t>& bytes);
    LoopbackPeer& Pause(unsigned dwMs);
    LoopbackPeer& Close();
    void Start();

    uint16_t Port() const { return m_wPort; }
    std::vector<uint8_t> Received();

private:
    struct Step {
        enum Kind { RECEIVE, SEND, PAUSE, CLOSE } kind;
        size_t n;
        std::vector<uint8_t> bytes;
    };

    void Run();
    bool ReceiveExactly(loopback::Sock s, size_t n);

    uint16_t m_wPort = 0;
    loopback::Sock m_listener = loopback::kNoSock;
    std::vector<Step> m_steps;
    std::vector<uint8_t> m_received;
    std::mutex m_mutex;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
