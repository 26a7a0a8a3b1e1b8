// Stand-in for a printer's firmware-update service: a TCP server speaking the device side of
// the update protocol, with fault injection (see SimOptions). Connections are served side by
// side, one thread each, sharing one device: its download mode, image store and log.
// Every accessor may be called from any thread while the server runs.
#pragma once

#include "SimDeviceState.h"
#include "SimImageStore.h"
#include "SimLog.h"
#include "SimOptions.h"
#include "SimSocket.h"
#include "SimStopFlag.h"

#include <atomic>
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DeviceSimulator {
public:
    explicit DeviceSimulator(SimOptions options);
    ~DeviceSimulator();
    DeviceSimulator(const DeviceSimulator&) = delete;
    DeviceSimulator& operator=(const DeviceSimulator&) = delete;

    // Checks the options, binds, listens and serves on a thread of its own.
    bool Start(std::string* error = nullptr);
    // The port listened on (the actual one when the options asked for port 0); 0 before Start.
    uint16_t Port() const { return m_port.load(); }
    // Ends the connections being served and the server, and closes the log file; the log lines
    // and images stay readable.
    void Stop();
    // Waits up to ms for the server to end by itself (maxConnections accepted and all of them
    // ended) or by Stop; true once it has.
    bool WaitFinished(unsigned ms);

    std::vector<std::string> LogLines() const { return m_log.Lines(); }
    // Device file name -> bytes of every image received whole and checksum-correct.
    std::map<std::string, std::vector<unsigned char>> ReceivedImages() const {
        return m_store.Images();
    }
    // Connections that have ended.
    size_t ConnectionsServed() const { return m_served.load(); }

private:
    struct Active {
        SimSocket socket;
        std::thread thread;
        bool bDone = false; // under m_activeMutex; the socket is closed then
    };

    void ServeLoop();
    // The device is down: every connection ends, none is taken until it is back. False when
    // it stays down (never returns, asked to stop, or cannot listen again).
    bool Restart();
    void ServeOne(Active& active, const std::string& peer, unsigned id);
    // Joins the threads of ended connections; with all, waits for every connection to end.
    void Reap(bool all);

    const SimOptions m_options;
    SimLog m_log;
    SimImageStore m_store;
    SimDeviceState m_state;
    SimStopFlag m_stop;     // asked to stop
    SimStopFlag m_finished; // server thread has ended
    SimSocket m_listener;
    std::thread m_thread;
    std::atomic<uint16_t> m_port{0};
    std::atomic<size_t> m_served{0};
    std::mutex m_activeMutex; // guards the list and each socket's Shutdown against its Close
    std::list<std::unique_ptr<Active>> m_active; // for Stop to cut short; only ServeLoop edits
};
