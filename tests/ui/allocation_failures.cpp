#include "allocation_failures.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace uitest {
namespace {

long g_countdown = 0;
bool g_failed = false;
int g_paused = 0;
DWORD g_thread = 0;

void* allocate(std::size_t size) {
    if (g_countdown > 0 && g_paused == 0 && GetCurrentThreadId() == g_thread && --g_countdown == 0) {
        g_failed = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void failAllocation(long n) {
    g_thread = GetCurrentThreadId();
    g_failed = false;
    g_countdown = n;
}

void stopFailingAllocations() { g_countdown = 0; }

bool allocationFailed() { return g_failed; }

AllocationPause::AllocationPause() { ++g_paused; }
AllocationPause::~AllocationPause() { --g_paused; }

}  // namespace uitest

void* operator new(std::size_t size) { return uitest::allocate(size); }
void* operator new[](std::size_t size) { return uitest::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return uitest::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return uitest::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
