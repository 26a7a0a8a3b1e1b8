// Common ground of the worker tests: the engine fixture's package, ZEPINFO.txt and scripted
// device, plus a worker, a log of what the front-end would have seen at every device request
// and pause, and a gate that holds the device until the test has asked the worker to stop.
#pragma once

#include "../engine/EngineFixture.h"
#include "DevConnMgr.h"
#include "zepThread.h"

#include <atomic>
#include <chrono>
#include <map>
#include <functional>
#include <thread>

// One look at the record, taken on the worker thread through the front-end's CheckState.
struct Sighting {
    uint16_t command; // request being sent, or 0 for a fixed pause
    tag_devinfo info;
    std::chrono::steady_clock::time_point when;
};

class WorkerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        DevConnMgr::Instance(); // made here, before any worker thread could race to make it
        s_current = this;
        m_prevSleep = ZepSetSleepHook(OnPause);
        WatchDevice();
    }

    void TearDown() override {
        JoinStopper(); // never two StopThread calls at once
        worker.StopThread();
        ZepSetSleepHook(m_prevSleep);
        s_current = nullptr;
        EngineTest::TearDown();
    }

    // A fresh device that keeps being watched.
    void ReplaceDevice() {
        NewDevice();
        WatchDevice();
    }

    bool Start() { return worker.UpdateStart(nullptr, m_szAddress, 48350); }

    // Polls the record as a front-end would until pred holds; false after 20 s.
    bool WaitFor(const std::function<bool(const tag_devinfo&)>& pred) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            tag_devinfo info;
            worker.CheckState(info);
            if (pred(info))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    bool WaitForState(update_state state) {
        return WaitFor([state](const tag_devinfo& i) { return i.UpdateState == state; });
    }

    tag_devinfo Record() {
        tag_devinfo info;
        worker.CheckState(info);
        return info;
    }

    // The distinct phases seen, in order, ending with the record as it is now.
    std::vector<update_state> Phases() {
        std::vector<update_state> phases;
        auto add = [&](update_state s) {
            if (phases.empty() || phases.back() != s)
                phases.push_back(s);
        };
        for (const Sighting& s : sightings)
            add(s.info.UpdateState);
        add(Record().UpdateState);
        return phases;
    }

    size_t Count(uint16_t command) const {
        size_t n = 0;
        for (uint16_t c : device->Commands())
            n += c == command;
        return n;
    }

    // Sightings taken at requests of one command.
    std::vector<Sighting> SightingsAt(uint16_t command) const {
        std::vector<Sighting> out;
        for (const Sighting& s : sightings) {
            if (s.command == command)
                out.push_back(s);
        }
        return out;
    }

    // Waits until the device holds the worker at the gate, then stops the worker from another
    // thread, as a front-end blocked in StopThread would.
    void StopWhenHeld() {
        ASSERT_TRUE(WaitFor([this](const tag_devinfo&) { return m_bHeld.load(); }));
        m_stopper = std::thread([this] { worker.StopThread(); });
    }
    void JoinStopper() {
        if (m_stopper.joinable())
            m_stopper.join();
    }

    zepThread worker;
    std::vector<Sighting> sightings; // written by the worker thread; read once it has ended
    // Holds the device at the request for which it answers true until a stop is requested.
    std::function<bool(uint16_t command, size_t nth)> holdUntilStop;

private:
    void WatchDevice() {
        device->override = [this](int, const std::vector<uint8_t>& request,
                                  std::vector<std::vector<uint8_t>>&) {
            TAG_SSTHEADER header;
            std::memcpy(&header, request.data(), sizeof header);
            uint16_t command = header.CommandCode.get();
            Sight(command);
            size_t nth = m_seenOf[command]++;
            if (holdUntilStop && holdUntilStop(command, nth)) {
                m_bHeld = true;
                while (!worker.IsStopRequested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return false; // the device answers as scripted
        };
    }

    void Sight(uint16_t command) {
        Sighting s{command, {}, std::chrono::steady_clock::now()};
        worker.CheckState(s.info);
        sightings.push_back(s);
    }

    static void OnPause(unsigned long) {
        if (s_current != nullptr)
            s_current->Sight(0);
    }

    static inline WorkerTest* s_current = nullptr;
    ZepSleepFn m_prevSleep = nullptr;
    char m_szAddress[16] = "127.0.0.1";
    std::map<uint16_t, size_t> m_seenOf;
    std::thread m_stopper;
    std::atomic<bool> m_bHeld{false};
};
