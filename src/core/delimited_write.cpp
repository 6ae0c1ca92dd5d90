#include "core/delimited_write.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace varnel {
namespace {

constexpr size_t kBufferSize = 1 << 20;

// Copies `length` bytes to `w`, writing each double quote twice; returns
// the new end. Eight bytes at a time while none of them is a quote.
char* copyDoublingQuotes(char* w, const char* p, size_t length) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    constexpr uint64_t kQuotes = kOnes * '"';
    const char* end = p + length;
    while (end - p >= 8) {
        uint64_t block;
        std::memcpy(&block, p, 8);
        const uint64_t x = block ^ kQuotes;
        if (((x - kOnes) & ~x & kHighs) == 0) {
            std::memcpy(w, &block, 8);
            w += 8;
            p += 8;
            continue;
        }
        for (const char* stop = p + 8; p < stop; ++p) {
            *w++ = *p;
            if (*p == '"') *w++ = '"';
        }
    }
    for (; p < end; ++p) {
        *w++ = *p;
        if (*p == '"') *w++ = '"';
    }
    return w;
}

// Collects output in a large buffer and hands it to the file in big writes.
class LineWriter {
public:
    LineWriter(OutputFile& out, char delimiter)
        : out_(out), buffer_(new char[kBufferSize]), delimiter_(delimiter), quoted_(delimiter == ',') {}

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
                w = copyDoublingQuotes(w, text.data(), text.size());
                *w++ = '"';
            } else if (!text.empty()) {
                std::memcpy(w, text.data(), text.size());
                w += text.size();
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
        writer.line(fields, [&](int32_t k) { return std::string_view(table.fieldNames[k - 1]); });
        const std::span<const RowHandle> handles = table.rowHandles();
        if (rows) {
            for (size_t i = 0; i < rows->size() && !writer.failed(); ++i) {
                const RowHandle h = handles[static_cast<size_t>((*rows)[i] - 1)];
                writer.line(fields, [&](int32_t k) { return table.cellOfHandle(h, k); });
            }
        } else {
            // Rows of a sorted table lie anywhere in memory: ask for them
            // some rows ahead.
            constexpr size_t kAhead = 12;
            const size_t n = handles.size();
            for (size_t i = 0; i < n && !writer.failed(); ++i) {
                if (i + 2 * kAhead < n) table.prefetchRowSpans(handles[i + 2 * kAhead]);
                if (i + kAhead < n) table.prefetchRowCells(handles[i + kAhead]);
                const RowHandle h = handles[i];
                writer.line(fields, [&](int32_t k) { return table.cellOfHandle(h, k); });
            }
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
