// Thread and event layer on the Windows kernel: CRT threads joined through their handle, and
// auto-reset, initially unsignalled kernel events. The waits report the layer's own results.
#include "zepThreadLayer.h"

#include <windows.h>
#include <process.h>
#include <cstring>
#include <new>

// windows.h maps CreateEvent to CreateEventA/W; the layer's function of that name is meant here.
#undef CreateEvent

namespace zepmac {

static_assert(sizeof(HANDLE) <= sizeof(TAG_THREADDATA::Thread), "thread handle must fit");
static_assert(sizeof(HANDLE) <= sizeof(TAG_MUTEXDATA::Mutex), "event handle must fit");

const unsigned int ZEP_WORKER_STACK_SIZE = 0x4000;

static HANDLE LoadHandle(const unsigned char* storage) {
    HANDLE h;
    std::memcpy(&h, storage, sizeof h);
    return h;
}

static void StoreHandle(unsigned char* storage, HANDLE h) {
    std::memcpy(storage, &h, sizeof h);
}

static long WaitResult(DWORD rc) {
    switch (rc) {
    case WAIT_OBJECT_0:
        return ZEP_WAIT_SIGNALED;
    case WAIT_TIMEOUT:
        return ZEP_WAIT_TIMEOUT;
    default:
        return ZEP_WAIT_FAILED;
    }
}

namespace {
// The CRT calls __stdcall entries returning unsigned; the layer's entries are void* (void*).
struct ThreadStart {
    ThreadStartFn fn;
    void* arg;
};

unsigned __stdcall RunThreadStart(void* param) {
    ThreadStart start = *static_cast<ThreadStart*>(param);
    delete static_cast<ThreadStart*>(param);
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(start.fn(start.arg)));
}
} // namespace

bool _beginthread(TAG_THREADDATA& stThread, ThreadStartFn pfuncStartAddress,
                  unsigned int unStackSize, void* pvArg, DWORD* pdwThreadID) {
    if (pdwThreadID != nullptr)
        *pdwThreadID = 0;
    if (pfuncStartAddress == nullptr || stThread.Created)
        return false;
    if (BeginThreadHook hook = layer::ActiveBeginThreadHook())
        return hook(stThread, pfuncStartAddress, unStackSize, pvArg);

    ThreadStart* start = new (std::nothrow) ThreadStart{pfuncStartAddress, pvArg};
    if (start == nullptr)
        return false;
    // _beginthreadex, not _beginthread: the latter closes the handle when the thread ends, so it
    // could not be waited for.
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, unStackSize, RunThreadStart, start, 0, &id);
    if (h == 0) {
        delete start;
        return false;
    }
    StoreHandle(stThread.Thread, reinterpret_cast<HANDLE>(h));
    stThread.Created = 1;
    if (pdwThreadID != nullptr)
        *pdwThreadID = id;
    return true;
}

long WaitForSingleObjectThread(TAG_THREADDATA& stThread, unsigned long dwMilliseconds) {
    if (!stThread.Created)
        return ZEP_WAIT_SIGNALED;
    HANDLE h = LoadHandle(stThread.Thread);
    long result = WaitResult(WaitForSingleObject(h, dwMilliseconds));
    if (result == ZEP_WAIT_SIGNALED) {
        CloseHandle(h);
        stThread.Created = 0;
    }
    return result;
}

void _endthread(unsigned int retval) {
    _endthreadex(retval);
}

bool CreateEvent(TAG_MUTEXDATA& stMutex) {
    if (stMutex.Created)
        return false;
    HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (h == nullptr)
        return false;
    StoreHandle(stMutex.Mutex, h);
    stMutex.Created = 1;
    layer::NoteEventCreated();
    return true;
}

bool SetEvent(TAG_MUTEXDATA& stMutex) {
    return stMutex.Created && ::SetEvent(LoadHandle(stMutex.Mutex)) != 0;
}

long WaitForSingleObjectEvent(TAG_MUTEXDATA& stMutex, unsigned long dwMilliseconds) {
    if (!stMutex.Created)
        return ZEP_WAIT_FAILED;
    return WaitResult(WaitForSingleObject(LoadHandle(stMutex.Mutex), dwMilliseconds));
}

bool CloseEvent(TAG_MUTEXDATA& stMutex) {
    if (!stMutex.Created || !CloseHandle(LoadHandle(stMutex.Mutex)))
        return false;
    stMutex.Created = 0;
    layer::NoteEventClosed();
    return true;
}

} // namespace zepmac
