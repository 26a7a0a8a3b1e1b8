// AllocMem and FreeMem on the C heap (macOS and native builds).
#include "zepUtil.h"

#include <cstdlib>

void* AllocMem(size_t size) {
    return std::calloc(size == 0 ? 1 : size, 1);
}

void FreeMem(void* p) {
    std::free(p);
}
