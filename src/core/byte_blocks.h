// Bytes many at a time for the loops that touch every byte of a table (the
// reader's split, the search, the sort keys, the writer): a block of bytes
// becomes a bit mask of the places that hold one of a few values. SSE2 where
// the compiler has it (every x86-64 build and the 32-bit release), a plain
// loop elsewhere. None of this calls the C library per block: in some
// runtimes memchr and memcpy are byte loops behind a call.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel::blocks {

// A mask holds one bit per byte of a block: 64 bytes where registers have
// 64 bits, 32 on 32-bit builds.
using Mask = std::conditional_t<(sizeof(void*) >= 8), uint64_t, uint32_t>;
constexpr size_t kBytes = 8 * sizeof(Mask);

inline unsigned lowestBit(Mask m) { return static_cast<unsigned>(std::countr_zero(m)); }

// Finds where a block holds one of up to three byte values (repeat a value
// for fewer).
class ByteTrio {
public:
    ByteTrio(char a, char b, char c)
#if defined(__SSE2__)
        : a_(_mm_set1_epi8(a)), b_(_mm_set1_epi8(b)), c_(_mm_set1_epi8(c)) {
    }
#else
        : a_(a), b_(b), c_(c) {
    }
#endif

    // Bit i is set where p[i] is one of the three; reads kBytes bytes from p.
    Mask mask(const char* p) const {
        Mask m = 0;
#if defined(__SSE2__)
        for (size_t i = 0; i < kBytes; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a_), _mm_cmpeq_epi8(v, b_)), _mm_cmpeq_epi8(v, c_));
            m |= static_cast<Mask>(static_cast<uint32_t>(_mm_movemask_epi8(hit))) << i;
        }
#else
        for (size_t i = 0; i < kBytes; ++i)
            if (p[i] == a_ || p[i] == b_ || p[i] == c_) m |= Mask{1} << i;
#endif
        return m;
    }

    // The same for the first `size` bytes of p (size below kBytes), looked at
    // through a copy so that nothing past them is read.
    Mask maskShort(const char* p, size_t size) const {
        char block[kBytes] = {};
        for (size_t i = 0; i < size; ++i) block[i] = p[i];
        return mask(block) & ((Mask{1} << size) - 1);
    }

private:
#if defined(__SSE2__)
    __m128i a_, b_, c_;
#else
    char a_, b_, c_;
#endif
};

// Finds, from a position on, the next byte of the data that is one of up to
// three values. It keeps the mask of one block, so the next stop after the
// last one usually costs a shift and a count of trailing zeros.
class StopFinder {
public:
    StopFinder(const char* begin, const char* end, char a, char b, char c) : end_(end), trio_(a, b, c) {
        load(begin);
    }

    // The first stop at or after p (p never goes back), or the end.
    const char* next(const char* p) {
        const size_t offset = static_cast<size_t>(p - base_);
        if (offset < kBytes) {
            const Mask m = bits_ >> offset;
            if (m) return p + lowestBit(m);
        }
        return nextInLaterBlocks(p);
    }

private:
    const char* nextInLaterBlocks(const char* p) {
        if (static_cast<size_t>(p - base_) >= kBytes) {
            load(p);
            if (bits_) return p + lowestBit(bits_);
        }
        while (static_cast<size_t>(end_ - base_) > kBytes) {
            load(base_ + kBytes);
            if (bits_) return base_ + lowestBit(bits_);
        }
        return end_;
    }

    void load(const char* at) {
        base_ = at;
        const size_t left = static_cast<size_t>(end_ - at);
        if (left >= kBytes)
            bits_ = trio_.mask(at);
        else
            bits_ = left ? trio_.maskShort(at, left) : 0;
    }

    const char* base_ = nullptr;
    const char* end_;
    ByteTrio trio_;
    Mask bits_ = 0;
};

}  // namespace varnel::blocks
