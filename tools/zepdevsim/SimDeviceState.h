// What the simulated device knows across connections: which host holds it in download mode.
// A device has one update service, so a second host is refused while the first is updating.
#pragma once

#include <mutex>

class SimDeviceState {
public:
    // Puts connection conn in download mode unless another connection holds it; a holder that
    // enters again keeps it. Returns the holder after the call (conn when granted).
    unsigned Enter(unsigned conn) {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_holder == 0)
            m_holder = conn;
        return m_holder;
    }
    // Ends conn's download mode (exit, or the connection ended); no effect for others.
    void Leave(unsigned conn) {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_holder == conn)
            m_holder = 0;
    }
    bool InDownloadMode(unsigned conn) const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return conn != 0 && m_holder == conn;
    }

private:
    mutable std::mutex m_mutex;
    unsigned m_holder = 0; // connection ids start at 1; 0: nobody
};
