// AllocMem and FreeMem on the process heap (Windows build).
#include "zepUtil.h"

#include <windows.h>

void* AllocMem(size_t size) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size == 0 ? 1 : size);
}

void FreeMem(void* p) {
    if (p != nullptr)
        HeapFree(GetProcessHeap(), 0, p);
}
