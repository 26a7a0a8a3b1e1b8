// Platform-neutral part of the thread and event layer: the open-event count and the test seam.
#include "zepThreadLayer.h"

#include <atomic>

namespace zepmac {

static std::atomic<long> g_openEvents{0};
static std::atomic<BeginThreadHook> g_beginThreadHook{nullptr};

long OpenEventCount() {
    return g_openEvents.load();
}

BeginThreadHook SetBeginThreadHook(BeginThreadHook hook) {
    return g_beginThreadHook.exchange(hook);
}

namespace layer {

BeginThreadHook ActiveBeginThreadHook() {
    return g_beginThreadHook.load();
}

void NoteEventCreated() {
    ++g_openEvents;
}

void NoteEventClosed() {
    --g_openEvents;
}

} // namespace layer
} // namespace zepmac
