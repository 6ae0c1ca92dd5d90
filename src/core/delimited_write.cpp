#include "core/delimited_write.h"

#include <cstring>
#include <new>

namespace varnel {
namespace {

constexpr size_t kBufferSize = 1 << 20;

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
        for (int32_t k = 1; k <= count && !failed_; ++k) {
            if (k > 1) put(delimiter_);
            field(textOf(k));
        }
        put('\r');
        put('\n');
    }

    bool finish() {
        flush();
        return !failed_;
    }

private:
    void field(std::string_view text) {
        if (!quoted_) {
            append(text.data(), text.size());
            return;
        }
        put('"');
        const char* p = text.data();
        const char* end = p + text.size();
        // A quote inside the text is written twice.
        while (const char* q = p < end ? static_cast<const char*>(std::memchr(p, '"', end - p)) : nullptr) {
            append(p, static_cast<size_t>(q - p) + 1);
            put('"');
            p = q + 1;
        }
        append(p, static_cast<size_t>(end - p));
        put('"');
    }

    void put(char c) {
        if (used_ == kBufferSize) flush();
        buffer_[used_++] = c;
    }

    void append(const char* data, size_t length) {
        if (length <= kBufferSize - used_) {
            std::memcpy(buffer_.get() + used_, data, length);
            used_ += length;
            return;
        }
        flush();
        if (length >= kBufferSize) {
            if (!failed_ && !out_.write(data, length, error_)) failed_ = true;
            return;
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

WriteResult writeTable(const TableDocument& table, const std::string& path, char delimiter,
                       const std::vector<int32_t>* rows, FileSystem& fs) {
    try {
        std::string error;
        std::unique_ptr<OutputFile> out = fs.openReplace(path, error);
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
            for (size_t i = 0; i < handles.size() && !writer.failed(); ++i) {
                const RowHandle h = handles[i];
                writer.line(fields, [&](int32_t k) { return table.cellOfHandle(h, k); });
            }
        }
        if (!writer.finish()) return {false, writer.error()};
        if (!out->commit(error)) return {false, error};
        return {};
    } catch (const std::bad_alloc&) {
        return {false, path + ": not enough memory to write the file."};
    }
}

}  // namespace varnel
