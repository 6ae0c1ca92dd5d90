#include "core/delimited_write.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel {
namespace {

constexpr size_t kBufferSize = 1 << 20;

inline uint64_t load8(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void store8(char* p, uint64_t v) { std::memcpy(p, &v, 8); }
inline uint32_t load4(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store4(char* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Whether a word holds a double quote byte.
inline bool quoteIn(uint64_t v) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t x = v ^ (kOnes * '"');
    return ((x - kOnes) & ~x & (kOnes * 0x80)) != 0;
}
inline bool quoteIn(uint32_t v) {
    constexpr uint32_t kOnes = 0x01010101u;
    const uint32_t x = v ^ (kOnes * '"');
    return ((x - kOnes) & ~x & (kOnes * 0x80)) != 0;
}

template <bool kQuoted>
char* copyBytes(char* w, const char* p, const char* end) {
    for (; p < end; ++p) {
        *w++ = *p;
        if (kQuoted && *p == '"') *w++ = '"';
    }
    return w;
}

// Copies a cell's `length` bytes to `w` and returns the new end; with
// kQuoted every double quote is written twice. It reads only the cell and
// writes only the copy, many bytes per step: a cell shorter than 16 bytes as
// two overlapping words, a longer one 16 bytes at a time and its tail as the
// last 16 bytes again. Byte by byte only around a quote.
template <bool kQuoted>
char* copyCell(char* w, const char* p, size_t length) {
    const char* const end = p + length;
    if (length >= 16) {
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi8('"');
        auto quotes = [&](__m128i v) { return kQuoted && _mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)) != 0; };
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (quotes(v)) {
                w = copyBytes<kQuoted>(w, p, p + 16);
            } else {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
                w += 16;
            }
            p += 16;
        }
        if (p == end) return w;
        // The last 16 bytes hold the tail; without a quote among them the
        // bytes before the tail were copied one for one, so writing all 16
        // again ends the copy.
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16));
        if (quotes(last)) return copyBytes<kQuoted>(w, p, end);
        const size_t tail = static_cast<size_t>(end - p);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w + tail - 16), last);
        return w + tail;
#else
        while (end - p >= 8) {
            const uint64_t v = load8(p);
            if (kQuoted && quoteIn(v)) {
                w = copyBytes<kQuoted>(w, p, p + 8);
            } else {
                store8(w, v);
                w += 8;
            }
            p += 8;
        }
        return copyBytes<kQuoted>(w, p, end);
#endif
    }
    if (length >= 8) {
#if defined(__SSE2__)
        // In vector registers, which also hold eight bytes on 32-bit builds.
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(end - 8));
        if (kQuoted) {
            const __m128i quote = _mm_set1_epi8('"');
            if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, quote), _mm_cmpeq_epi8(b, quote))) & 0xFF)
                return copyBytes<kQuoted>(w, p, end);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(w), a);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(w + length - 8), b);
#else
        const uint64_t a = load8(p), b = load8(end - 8);
        if (kQuoted && (quoteIn(a) || quoteIn(b))) return copyBytes<kQuoted>(w, p, end);
        store8(w, a);
        store8(w + length - 8, b);
#endif
        return w + length;
    }
    if (length >= 4) {
        const uint32_t a = load4(p), b = load4(end - 4);
        if (kQuoted && (quoteIn(a) || quoteIn(b))) return copyBytes<kQuoted>(w, p, end);
        store4(w, a);
        store4(w + length - 4, b);
        return w + length;
    }
    return copyBytes<kQuoted>(w, p, end);
}

// Collects output in a large buffer and hands it to the file in big writes.
class LineWriter {
public:
    LineWriter(OutputFile& out, char delimiter)
        : out_(out), buffer_(new char[kBufferSize]), delimiter_(delimiter), quoted_(quotesFieldsWith(delimiter)) {}

    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }

    // One line of `count` texts got by `textOf(k)`, k = 1..count.
    template <typename TextOf>
    void line(int32_t count, TextOf&& textOf) {
        for (int32_t k = 1; k <= count; ++k) {
            const std::string_view text = textOf(k);
            if (!fieldFits(text.size(), kBufferSize - used_)) {
                flush();
                if (!fieldFits(text.size(), kBufferSize)) {
                    longField(text, k == count);
                    continue;
                }
            }
            char* w = buffer_.get() + used_;
            if (quoted_) {
                *w++ = '"';
                w = copyCell<true>(w, text.data(), text.size());
                *w++ = '"';
            } else {
                w = copyCell<false>(w, text.data(), text.size());
            }
            if (k < count) {
                *w++ = delimiter_;
            } else {
                *w++ = '\r';
                *w++ = '\n';
            }
            used_ = static_cast<size_t>(w - buffer_.get());
        }
        if (count == 0) {
            if (kBufferSize - used_ < 2) flush();
            buffer_[used_++] = '\r';
            buffer_[used_++] = '\n';
        }
    }

    bool finish() {
        flush();
        return !failed_;
    }

private:
    // A field too long for the buffer, written in pieces; the buffer is empty.
    void longField(std::string_view text, bool lastField) {
        if (quoted_) put('"');
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            const char* q = quoted_ ? static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p))) : nullptr;
            const char* stop = q ? q + 1 : end;
            append(p, static_cast<size_t>(stop - p));
            if (q) put('"');
            p = stop;
        }
        if (quoted_) put('"');
        if (lastField) {
            put('\r');
            put('\n');
        } else {
            put(delimiter_);
        }
    }

    void put(char c) {
        if (used_ == kBufferSize) flush();
        buffer_[used_++] = c;
    }

    void append(const char* data, size_t length) {
        if (length == 0) return;  // an empty cell's view may hold no pointer at all
        if (length > kBufferSize - used_) {
            flush();
            if (length >= kBufferSize) {
                if (!failed_ && !out_.write(data, length, error_)) failed_ = true;
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, data, length);
        used_ += length;
    }

    void flush() {
        if (!failed_ && used_ > 0 && !out_.write(buffer_.get(), used_, error_)) failed_ = true;
        used_ = 0;
    }

    OutputFile& out_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    char delimiter_;
    bool quoted_;
    bool failed_ = false;
    std::string error_;
};

}  // namespace

bool fieldFits(size_t length, size_t room) { return room >= 4 && length <= (room - 4) / 2; }

namespace {

// A write that failed: the output is given up, and where the old content
// could not be put back, the error says so and where it is kept.
WriteResult abandoned(OutputFile& out, std::string error) {
    std::string restoreError;
    if (!out.abandon(restoreError)) error += "\n\n" + restoreError;
    return {false, error};
}

}  // namespace

WriteResult writeTable(const TableDocument& table, const std::string& path, char delimiter,
                       const std::vector<int32_t>* rows, FileSystem& fs) {
    std::unique_ptr<OutputFile> out;
    try {
        std::string error;
        out = fs.openReplace(path, error);
        if (!out) return {false, error};
        LineWriter writer(*out, delimiter);
        const int32_t fields = table.fieldCount();
        writer.line(fields, [&](int32_t k) { return std::string_view(table.fieldName(k)); });
        const std::span<const RowHandle> handles = table.rowHandles();
        // Rows of a sorted table lie anywhere in memory: ask for each row's
        // spans, and then for its bytes, some rows ahead.
        constexpr size_t kAhead = 12;
        const size_t n = rows ? rows->size() : handles.size();
        auto handleAt = [&](size_t i) { return rows ? handles[static_cast<size_t>((*rows)[i] - 1)] : handles[i]; };
        for (size_t i = 0; i < n && !writer.failed(); ++i) {
            if (i + 2 * kAhead < n) table.prefetchRowSpans(handleAt(i + 2 * kAhead));
            if (i + kAhead < n) table.prefetchRowCells(handleAt(i + kAhead));
            const RowHandle h = handleAt(i);
            writer.line(fields, [&](int32_t k) { return table.cellOfHandle(h, k); });
        }
        if (!writer.finish()) return abandoned(*out, writer.error());
        if (!out->commit(error)) return abandoned(*out, error);
        return {};
    } catch (const std::bad_alloc&) {
        const std::string error = path + ": not enough memory to write the file.";
        if (out) return abandoned(*out, error);
        return {false, error};
    }
}

}  // namespace varnel
