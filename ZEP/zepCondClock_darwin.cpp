// macOS cannot bind a condition variable to the monotonic clock: it waits for the time left.
#include "zepCondClock.h"

#include <cerrno>

namespace zepmac {

int ZepCondInit(pthread_cond_t* cond) {
    return pthread_cond_init(cond, nullptr);
}

int ZepCondWaitUntil(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec& deadline) {
    timespec now = ZepMonotonicNow();
    timespec rel{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
    if (rel.tv_nsec < 0) {
        rel.tv_sec -= 1;
        rel.tv_nsec += 1000000000L;
    }
    if (rel.tv_sec < 0)
        return ETIMEDOUT;
    return pthread_cond_timedwait_relative_np(cond, mutex, &rel);
}

} // namespace zepmac
