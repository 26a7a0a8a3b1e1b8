// Linux binds the condition variable to the monotonic clock and waits for an absolute deadline.
#include "zepCondClock.h"

#include <cerrno>

namespace zepmac {

int ZepCondInit(pthread_cond_t* cond) {
    pthread_condattr_t attr;
    if (pthread_condattr_init(&attr) != 0)
        return -1;
    int rc = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (rc == 0)
        rc = pthread_cond_init(cond, &attr);
    pthread_condattr_destroy(&attr);
    return rc;
}

int ZepCondWaitUntil(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec& deadline) {
    return pthread_cond_timedwait(cond, mutex, &deadline);
}

} // namespace zepmac
