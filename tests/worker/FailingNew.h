// Test seam for memory exhaustion: the next allocation of one size made by another thread fails.
#pragma once

#include <cstddef>

void FailNextAllocationElsewhere(size_t size);
bool FailNextAllocationPending(); // armed and not yet hit
