// Replaces the global allocation functions of the test program (every plain and nothrow form,
// so that allocation and release always pair up) so that one chosen allocation, made by a
// thread other than the one that armed it, fails.
#include "FailingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

std::atomic<size_t> g_failSize{0};
std::atomic<std::thread::id> g_armedBy{};

// Null when the armed allocation is hit or memory is exhausted.
void* Allocate(size_t n) {
    size_t armed = g_failSize.load(std::memory_order_relaxed);
    if (armed != 0 && n == armed && std::this_thread::get_id() != g_armedBy.load() &&
        g_failSize.compare_exchange_strong(armed, 0))
        return nullptr;
    return std::malloc(n != 0 ? n : 1);
}

void* AllocateOrThrow(size_t n) {
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}

} // namespace

void FailNextAllocationElsewhere(size_t size) {
    g_armedBy = std::this_thread::get_id();
    g_failSize = size;
}

bool FailNextAllocationPending() {
    return g_failSize.load() != 0;
}

void* operator new(size_t n) {
    return AllocateOrThrow(n);
}
void* operator new[](size_t n) {
    return AllocateOrThrow(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    return Allocate(n);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
