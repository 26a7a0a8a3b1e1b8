// Thread and event layer on POSIX threads: threads are joined, events are a mutex, a condition
// variable and a flag that stays set, so a signal given before a wait is never lost.
#include "zepThreadLayer.h"

#include "zepCondClock.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <pthread.h>

namespace zepmac {

static_assert(sizeof(pthread_t) <= sizeof(TAG_THREADDATA::Thread), "pthread_t must fit");
static_assert(sizeof(pthread_mutex_t) <= sizeof(TAG_MUTEXDATA::Mutex), "mutex must fit");
static_assert(sizeof(pthread_cond_t) <= sizeof(TAG_MUTEXDATA::Cond), "condition must fit");

const unsigned int ZEP_WORKER_STACK_SIZE = 0;

static pthread_mutex_t* MutexOf(TAG_MUTEXDATA& st) {
    return reinterpret_cast<pthread_mutex_t*>(st.Mutex);
}

static pthread_cond_t* CondOf(TAG_MUTEXDATA& st) {
    return reinterpret_cast<pthread_cond_t*>(st.Cond);
}

timespec ZepMonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

static timespec AddMilliseconds(timespec t, unsigned long ms) {
    t.tv_sec += static_cast<time_t>(ms / 1000);
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

bool _beginthread(TAG_THREADDATA& stThread, ThreadStartFn pfuncStartAddress,
                  unsigned int unStackSize, void* pvArg, DWORD* pdwThreadID) {
    if (pdwThreadID != nullptr)
        *pdwThreadID = 0; // POSIX threads have no numeric id to publish
    // A thread that has not been joined keeps its handle: refuse to lose it.
    if (pfuncStartAddress == nullptr || stThread.Created)
        return false;
    if (BeginThreadHook hook = layer::ActiveBeginThreadHook())
        return hook(stThread, pfuncStartAddress, unStackSize, pvArg);

    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    pthread_t thread;
    bool ok = unStackSize == 0 || pthread_attr_setstacksize(&attr, unStackSize) == 0;
    ok = ok && pthread_create(&thread, &attr, pfuncStartAddress, pvArg) == 0;
    pthread_attr_destroy(&attr);
    if (!ok)
        return false;
    std::memcpy(stThread.Thread, &thread, sizeof thread);
    stThread.Created = 1;
    return true;
}

long WaitForSingleObjectThread(TAG_THREADDATA& stThread, unsigned long /*dwMilliseconds*/) {
    if (!stThread.Created)
        return ZEP_WAIT_SIGNALED; // nothing left to wait for
    pthread_t thread;
    std::memcpy(&thread, stThread.Thread, sizeof thread);
    int rc = pthread_join(thread, nullptr);
    if (rc != 0 && rc != EINVAL)
        return ZEP_WAIT_FAILED; // EDEADLK: a thread cannot wait for itself
    stThread.Created = 0;
    return ZEP_WAIT_SIGNALED;
}

void _endthread(unsigned int retval) {
    pthread_exit(reinterpret_cast<void*>(static_cast<uintptr_t>(retval)));
}

bool CreateEvent(TAG_MUTEXDATA& stMutex) {
    if (stMutex.Created)
        return false; // re-initialising a live mutex would strand its waiters
    if (pthread_mutex_init(MutexOf(stMutex), nullptr) != 0)
        return false;
    if (ZepCondInit(CondOf(stMutex)) != 0) {
        pthread_mutex_destroy(MutexOf(stMutex));
        return false;
    }
    stMutex.SentSig = 0;
    stMutex.Created = 1;
    layer::NoteEventCreated();
    return true;
}

bool SetEvent(TAG_MUTEXDATA& stMutex) {
    if (!stMutex.Created)
        return false;
    if (pthread_mutex_lock(MutexOf(stMutex)) != 0)
        return false;
    stMutex.SentSig = 1;
    int rc = pthread_cond_broadcast(CondOf(stMutex));
    pthread_mutex_unlock(MutexOf(stMutex));
    return rc == 0;
}

long WaitForSingleObjectEvent(TAG_MUTEXDATA& stMutex, unsigned long dwMilliseconds) {
    if (!stMutex.Created)
        return ZEP_WAIT_FAILED;
    const bool timed = dwMilliseconds != ZEP_INFINITE;
    const timespec deadline = AddMilliseconds(ZepMonotonicNow(), timed ? dwMilliseconds : 0);
    if (pthread_mutex_lock(MutexOf(stMutex)) != 0)
        return ZEP_WAIT_FAILED;
    long result = ZEP_WAIT_SIGNALED;
    while (!stMutex.SentSig) {
        int rc = timed ? ZepCondWaitUntil(CondOf(stMutex), MutexOf(stMutex), deadline)
                       : pthread_cond_wait(CondOf(stMutex), MutexOf(stMutex));
        if (stMutex.SentSig)
            break;
        if (rc == ETIMEDOUT) {
            result = ZEP_WAIT_TIMEOUT;
            break;
        }
        if (rc != 0) {
            result = ZEP_WAIT_FAILED;
            break;
        }
    }
    pthread_mutex_unlock(MutexOf(stMutex));
    return result;
}

bool CloseEvent(TAG_MUTEXDATA& stMutex) {
    if (!stMutex.Created)
        return false;
    bool ok = pthread_cond_destroy(CondOf(stMutex)) == 0;
    ok = pthread_mutex_destroy(MutexOf(stMutex)) == 0 && ok;
    if (ok) {
        stMutex.Created = 0;
        layer::NoteEventClosed();
    }
    return ok;
}

} // namespace zepmac
