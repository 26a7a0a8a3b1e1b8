// Plain functions over an opaque worker handle, for front-ends that do not use the class.
#pragma once

#include "zepDevInfo.h"

typedef struct zep_thread_handle* zep_thread;

extern "C" {

// A new worker, or null when memory is exhausted.
zep_thread zep_thread_create(void);
// Stops a running worker, then destroys it; null is ignored.
void zep_thread_delete(zep_thread thread);

// Each forwards to the zepThread operation of the same name; a null handle gives false.
bool zepThread_UpdateStart(zep_thread thread, char* pPrinterName, char* pPortName,
                           unsigned short wPortNo);
bool zepThread_StopThread(zep_thread thread);
bool zepThread_SetPolling(zep_thread thread, unsigned long dwTime);
bool zepThread_CheckState(zep_thread thread, tag_devinfo* rtDevInfo);
}
