// The clock of the event layer's timed waits: the monotonic one, so that a change of the wall
// clock cannot stretch them. How a condition variable waits on it differs between the POSIX
// systems; the build picks the file (zepCondClock_linux.cpp, zepCondClock_darwin.cpp).
#pragma once

#include <ctime>
#include <pthread.h>

namespace zepmac {

// Now on the monotonic clock (zepThreadLayer_posix.cpp).
timespec ZepMonotonicNow();
// Initialises a condition variable whose timed waits end at a ZepMonotonicNow deadline.
int ZepCondInit(pthread_cond_t* cond);
// Waits until signalled or the deadline has passed (ETIMEDOUT), as pthread_cond_timedwait.
int ZepCondWaitUntil(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec& deadline);

} // namespace zepmac
