// Real clock and sleep, replaceable through ZepSetSleepHook and ZepSetTickHook.
#include "zepClock.h"

#include <atomic>
#include <cstdint>
#include <chrono>
#include <thread>

static std::atomic<ZepSleepFn> g_sleepHook{nullptr};
static std::atomic<ZepTickFn> g_tickHook{nullptr};

void ZepSleep(unsigned long dwMilliseconds) {
    ZepSleepFn hook = g_sleepHook.load();
    if (hook != nullptr) {
        hook(dwMilliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

void ZepPhasePause() {
    ZepSleep(2000);
}

ZepSleepFn ZepSetSleepHook(ZepSleepFn fn) {
    return g_sleepHook.exchange(fn);
}

ZepTickFn ZepSetTickHook(ZepTickFn fn) {
    return g_tickHook.exchange(fn);
}

unsigned long ZepTickCount() {
    ZepTickFn hook = g_tickHook.load();
    if (hook != nullptr)
        return static_cast<unsigned long>(static_cast<uint32_t>(hook()));
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<unsigned long>(static_cast<uint32_t>(ms));
}

unsigned long ZepElapsedMs(unsigned long dwStart) {
    return static_cast<unsigned long>(static_cast<uint32_t>(ZepTickCount() - dwStart));
}
