// Recursive pthread mutex behind CRITSECT (macOS and native builds).
#include "zepLock.h"

#include <pthread.h>

static_assert(sizeof(pthread_mutex_t) <= 64, "pthread mutex must fit CRITSECT storage");

static pthread_mutex_t* Native(unsigned char* storage) {
    return reinterpret_cast<pthread_mutex_t*>(storage);
}

CRITSECT::CRITSECT() {
    pthread_mutexattr_t m_CS_attr;
    pthread_mutexattr_init(&m_CS_attr);
    pthread_mutexattr_settype(&m_CS_attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(Native(m_CS), &m_CS_attr);
    pthread_mutexattr_destroy(&m_CS_attr);
}

CRITSECT::~CRITSECT() {
    pthread_mutex_destroy(Native(m_CS));
}

void CRITSECT::Lock() {
    pthread_mutex_lock(Native(m_CS));
}

void CRITSECT::Unlock() {
    pthread_mutex_unlock(Native(m_CS));
}
