#include "core/large_memory.h"

#include <atomic>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace varnel {
namespace {
std::atomic<size_t> gRefusedFrom{static_cast<size_t>(-1)};
}

void checkLargeBlock(size_t bytes) {
    if (bytes >= gRefusedFrom.load(std::memory_order_relaxed)) throw std::bad_alloc();
}

void refuseLargeBlocksFrom(size_t bytes) { gRefusedFrom.store(bytes, std::memory_order_relaxed); }

void adviseLargeBlock(void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
    // Only whole 2 MiB pieces inside the block can become large pages.
    constexpr uintptr_t kLarge = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kLarge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace varnel
