// The thread and event layer: signals are never lost, waits report signalled or time-out, threads
// are joined once, and nothing is left open.
#include "zepMac.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace zepmac;

namespace {

class EventTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_baseline = OpenEventCount();
        ASSERT_TRUE(CreateEvent(m_event));
    }
    void TearDown() override {
        if (m_event.Created) {
            EXPECT_TRUE(CloseEvent(m_event));
        }
        EXPECT_EQ(m_baseline, OpenEventCount());
    }

    TAG_MUTEXDATA m_event;
    long m_baseline = 0;
};

struct Signaller {
    TAG_MUTEXDATA* event;
    std::atomic<bool> ran{false};
};

void* SignalEvent(void* arg) {
    auto* s = static_cast<Signaller*>(arg);
    s->ran = true;
    SetEvent(*s->event);
    return nullptr;
}

void* DoNothing(void*) {
    return nullptr;
}

} // namespace

TEST_F(EventTest, SignalBeforeWaitIsNotLost) {
    EXPECT_EQ(1, m_event.Created);
    ASSERT_TRUE(SetEvent(m_event));
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectEvent(m_event, ZEP_INFINITE));
}

TEST_F(EventTest, UnsignalledWaitTimesOut) {
    EXPECT_EQ(ZEP_WAIT_TIMEOUT, WaitForSingleObjectEvent(m_event, 0));
    EXPECT_EQ(ZEP_WAIT_TIMEOUT, WaitForSingleObjectEvent(m_event, 5));
}

TEST_F(EventTest, SignalFromAnotherThreadEndsAnInfiniteWait) {
    Signaller signaller{&m_event};
    TAG_THREADDATA thread;
    ASSERT_TRUE(_beginthread(thread, SignalEvent, 0, &signaller));
    EXPECT_EQ(1, thread.Created);
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectEvent(m_event, ZEP_INFINITE));
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectThread(thread, ZEP_INFINITE));
    EXPECT_EQ(0, thread.Created);
    EXPECT_TRUE(signaller.ran);
}

TEST_F(EventTest, CloseLeavesTheEventUnusable) {
    ASSERT_TRUE(CloseEvent(m_event));
    EXPECT_EQ(0, m_event.Created);
    EXPECT_FALSE(SetEvent(m_event));
    EXPECT_EQ(ZEP_WAIT_FAILED, WaitForSingleObjectEvent(m_event, 0));
    EXPECT_FALSE(CloseEvent(m_event));
}

TEST_F(EventTest, CreatingALiveEventAgainIsRefused) {
    EXPECT_FALSE(CreateEvent(m_event));
    EXPECT_EQ(1, m_event.Created);
    EXPECT_EQ(m_baseline + 1, OpenEventCount());
}

TEST(ThreadLayer, ThreadsAreJoinedOnceAndKeepTheirHandle) {
    TAG_THREADDATA thread;
    ASSERT_TRUE(_beginthread(thread, DoNothing, ZEP_WORKER_STACK_SIZE, nullptr));
    // An unjoined handle is not overwritten by a second start.
    EXPECT_FALSE(_beginthread(thread, DoNothing, 0, nullptr));
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectThread(thread, ZEP_INFINITE));
    // Nothing left to wait for.
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectThread(thread, ZEP_INFINITE));
}

TEST(ThreadLayer, ExplicitStackSizeAndThreadId) {
    TAG_THREADDATA thread;
    DWORD id = 12345;
    ASSERT_TRUE(_beginthread(thread, DoNothing, 256 * 1024, nullptr, &id));
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectThread(thread, ZEP_INFINITE));
    // POSIX threads publish no id; Windows threads a non-zero one.
    EXPECT_EQ(ZEP_WORKER_STACK_SIZE == 0, id == 0);
}

TEST(ThreadLayer, MissingEntryIsRefused) {
    TAG_THREADDATA thread;
    EXPECT_FALSE(_beginthread(thread, nullptr, 0, nullptr));
    EXPECT_EQ(0, thread.Created);
}

TEST(ThreadLayer, HookReplacesThreadCreation) {
    BeginThreadHook previous = SetBeginThreadHook(
        [](TAG_THREADDATA&, ThreadStartFn, unsigned int, void*) { return false; });
    TAG_THREADDATA thread;
    EXPECT_FALSE(_beginthread(thread, DoNothing, 0, nullptr));
    EXPECT_EQ(0, thread.Created);
    SetBeginThreadHook(previous);
    ASSERT_TRUE(_beginthread(thread, DoNothing, 0, nullptr));
    EXPECT_EQ(ZEP_WAIT_SIGNALED, WaitForSingleObjectThread(thread, ZEP_INFINITE));
}
