// Critical section behind CRITSECT (Windows build).
#include "zepLock.h"

#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= 64, "critical section must fit CRITSECT storage");

static CRITICAL_SECTION* Native(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

CRITSECT::CRITSECT() {
    InitializeCriticalSection(Native(m_CS));
}

CRITSECT::~CRITSECT() {
    DeleteCriticalSection(Native(m_CS));
}

void CRITSECT::Lock() {
    EnterCriticalSection(Native(m_CS));
}

void CRITSECT::Unlock() {
    LeaveCriticalSection(Native(m_CS));
}
