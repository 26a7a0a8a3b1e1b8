// A stop request shared by the simulator's threads, with a wait that ends as soon as it is set.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class SimStopFlag {
public:
    void Set() {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_set = true;
        }
        m_changed.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_set = false;
    }
    bool IsSet() const { return m_set.load(); }
    // Waits up to ms; true when the flag is (or becomes) set.
    bool WaitFor(unsigned ms) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                                  [this] { return m_set.load(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_set{false};
};
