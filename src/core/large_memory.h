// Big, long-lived blocks: a loaded file's bytes, the cell spans and row
// handles, the sort's keys.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace varnel {

// Advice for such a block: where the system offers large pages, ask for
// them, so that filling the block takes far fewer page faults. Only a hint;
// does nothing elsewhere.
void adviseLargeBlock(void* data, size_t bytes);

// Throws std::bad_alloc when a block of `bytes` bytes is refused on purpose
// (see refuseLargeBlocksFrom); the allocation itself may still fail after.
void checkLargeBlock(size_t bytes);

// Failure injection for tests: from now on every block of `bytes` or more
// is refused as if the memory could not be had. SIZE_MAX refuses none.
void refuseLargeBlocksFrom(size_t bytes);

// The allocator of the table's growing arrays (cell spans, row handles), so
// that their growth can be refused in tests like the file's buffer.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        checkLargeBlock(n * sizeof(T));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) noexcept { std::allocator<T>().deallocate(p, n); }
    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace varnel
