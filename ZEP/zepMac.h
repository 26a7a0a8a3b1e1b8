// Thread and event layer of the engine: one thread handle and one signal-once event, with the
// results of the Windows wait calls. zepThreadLayer_posix.cpp builds it on POSIX threads,
// zepThreadLayer_win.cpp on the Windows kernel's own threads and events.
//
// The names live in namespace zepmac: windows.h turns CreateEvent into a macro and declares
// _beginthread, _endthread and SetEvent itself, so the Windows implementation could not define
// same-named globals. Inside the namespace both files define exactly the same functions.
#pragma once

#include "zepTypes.h"

#include <cstdint>

namespace zepmac {

// Results of the waits, the same on every platform.
enum : long {
    ZEP_WAIT_SIGNALED = 128,
    ZEP_WAIT_TIMEOUT = 258,
    ZEP_WAIT_FAILED = -1,
};

// Wait without a time-out.
constexpr unsigned long ZEP_INFINITE = 0xFFFFFFFFUL;

struct TAG_THREADDATA {
    int32_t Created = 0; // true while the thread has not been joined
    // Platform thread handle; each layer file checks that its type fits.
    alignas(16) unsigned char Thread[16] = {};
};

// A signal-once event. POSIX: Mutex and Cond hold the mutex and condition variable, and SentSig
// keeps the signal (never reset). Windows: Mutex holds an auto-reset event handle; SentSig and
// Cond are unused (each event is signalled at most once per run, so the two behave alike).
struct TAG_MUTEXDATA {
    int32_t Created = 0; // true between CreateEvent and CloseEvent
    int32_t SentSig = 0;
    alignas(16) unsigned char Mutex[64] = {};
    alignas(16) unsigned char Cond[64] = {};
};

typedef void* (*ThreadStartFn)(void*);

// Stack size for the engine's worker threads: 0x4000 on Windows (the initial commit; the
// reservation stays the program's), 0 (the platform default) on POSIX.
extern const unsigned int ZEP_WORKER_STACK_SIZE;

// Starts pfuncStartAddress(pvArg) on a new thread, with stack size unStackSize when not 0.
// pdwThreadID receives the platform's thread id where it has one, else 0.
bool _beginthread(TAG_THREADDATA& stThread, ThreadStartFn pfuncStartAddress,
                  unsigned int unStackSize, void* pvArg, DWORD* pdwThreadID = nullptr);

// Waits until the thread has ended and releases its handle. POSIX threads cannot be joined with
// a time-out, so there dwMilliseconds is ignored.
long WaitForSingleObjectThread(TAG_THREADDATA& stThread, unsigned long dwMilliseconds);

// Ends the calling thread.
void _endthread(unsigned int retval);

bool CreateEvent(TAG_MUTEXDATA& stMutex);
bool SetEvent(TAG_MUTEXDATA& stMutex);
// Returns at once when the event has been signalled; otherwise waits up to dwMilliseconds
// (ZEP_INFINITE: without a time-out). A signal given before the wait is never lost.
long WaitForSingleObjectEvent(TAG_MUTEXDATA& stMutex, unsigned long dwMilliseconds);
bool CloseEvent(TAG_MUTEXDATA& stMutex);

// Events created and not yet closed in this process, so that callers and tests can check that a
// failed start leaves nothing open.
long OpenEventCount();

// Test seam: replaces thread creation (null restores the real one). Returns the previous hook.
typedef bool (*BeginThreadHook)(TAG_THREADDATA& stThread, ThreadStartFn pfuncStartAddress,
                                unsigned int unStackSize, void* pvArg);
BeginThreadHook SetBeginThreadHook(BeginThreadHook hook);

} // namespace zepmac
