// The worker's plain functions: the opaque handle is a zepThread.
#include "zepThreadC.h"

#include "zepThread.h"

#include <new>

static zepThread* Worker(zep_thread thread) {
    return reinterpret_cast<zepThread*>(thread);
}

zep_thread zep_thread_create(void) {
    return reinterpret_cast<zep_thread>(new (std::nothrow) zepThread);
}

void zep_thread_delete(zep_thread thread) {
    delete Worker(thread);
}

bool zepThread_UpdateStart(zep_thread thread, char* pPrinterName, char* pPortName,
                           unsigned short wPortNo) {
    return thread != nullptr && Worker(thread)->UpdateStart(pPrinterName, pPortName, wPortNo);
}

bool zepThread_StopThread(zep_thread thread) {
    return thread != nullptr && Worker(thread)->StopThread();
}

bool zepThread_SetPolling(zep_thread thread, unsigned long dwTime) {
    return thread != nullptr && Worker(thread)->SetPolling(dwTime);
}

bool zepThread_CheckState(zep_thread thread, tag_devinfo* rtDevInfo) {
    return thread != nullptr && rtDevInfo != nullptr && Worker(thread)->CheckState(*rtDevInfo);
}
