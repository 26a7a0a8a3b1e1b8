// What the simulated device knows across connections: which host holds it in download mode,
// the TargetInfo.txt it reports, and whether it is down restarting. A device has one update
// service, so a second host is refused while the first is updating.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

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

    // True for each of the first limit enters asked of the device.
    bool CountBusyEnter(unsigned limit) {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_enters++ < limit;
    }

    // Whether the device is still printing the job it had when it started.
    bool Printing(uint32_t ms) const {
        return std::chrono::steady_clock::now() - m_born < std::chrono::milliseconds(ms);
    }

    std::string TargetInfo() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_targetInfo;
    }
    void SetTargetInfo(const std::string& text) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_targetInfo = text;
    }
    // The device goes down; when it comes back (Up) it reports next.
    void GoDown(const std::string& next) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_down = true;
        m_holder = 0;
        m_next = next;
    }
    void Up() {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_down = false;
        m_targetInfo = m_next;
    }
    // Reports shown until due, then goes down to come back reporting next.
    void Stage(const std::string& shown, const std::string& next,
               std::chrono::steady_clock::time_point due) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_targetInfo = shown;
        m_next = next;
        m_stagedUntil = due;
        m_bStaged = true;
    }
    // Goes down when a staged time has run out; true when it did now.
    bool EndStaged() {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_bStaged || std::chrono::steady_clock::now() < m_stagedUntil)
            return false;
        m_bStaged = false;
        m_down = true;
        m_holder = 0;
        return true;
    }
    bool IsDown() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_down;
    }

private:
    mutable std::mutex m_mutex;
    unsigned m_holder = 0; // connection ids start at 1; 0: nobody
    unsigned m_enters = 0;
    std::string m_targetInfo;
    bool m_down = false;
    std::string m_next; // what it reports once back up
    bool m_bStaged = false;
    std::chrono::steady_clock::time_point m_stagedUntil;
    const std::chrono::steady_clock::time_point m_born = std::chrono::steady_clock::now();
};
