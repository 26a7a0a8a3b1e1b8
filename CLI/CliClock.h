// The clock of halvard's own waits (retry back-off, waiting for a device to come back):
// replaceable, so that tests run through minutes of waiting at once.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

struct CliClock {
    std::function<void(unsigned long)> sleepMs; // empty: the real sleep
    std::function<unsigned long long()> nowMs;  // empty: the steady clock
    std::function<long long()> wallMs; // empty: the system clock, ms since 1970 UTC (the window)

    long long WallNow() const {
        if (wallMs)
            return wallMs();
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
    }

    unsigned long long Now() const {
        if (nowMs)
            return nowMs();
        return static_cast<unsigned long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count());
    }

    // Waits ms in short slices; false as soon as stopped() is true.
    bool Wait(unsigned long ms, const std::function<bool()>& stopped) const {
        const unsigned long kSliceMs = 50; // how late a stop request may be noticed
        const unsigned long long due = Now() + ms;
        for (unsigned long long now = Now(); now < due; now = Now()) {
            if (stopped && stopped())
                return false;
            const unsigned long long left = due - now;
            const unsigned long slice =
                left < kSliceMs ? static_cast<unsigned long>(left) : kSliceMs;
            if (sleepMs)
                sleepMs(slice);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(slice));
        }
        return !(stopped && stopped());
    }
};
