// The one in-memory table: field names, rows of cell texts, and the state of
// the file it came from. Rows and fields are numbered from 1.
//
// Cells cost 8 bytes each beside their bytes: a loaded table keeps the file's
// bytes in one buffer and every cell is an (offset, length) pair into it.
// Texts set later go to separate chunks. A row is a 4-byte handle to its block
// of cell spans, so moving rows (sort, insert, delete) never touches cells.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_kind.h"
#include "core/large_memory.h"
#include "core/prefetch.h"

namespace varnel {

struct CellSpan {
    uint32_t offset = 0;
    uint32_t length = 0;
};

using RowHandle = uint32_t;

class TableDocument {
public:
    // Each field's share of the list's width: its cells' average length,
    // 5 to 100 (100 with no rows); index k - 1 for field k. A table defined
    // by names has no cells to weigh yet: all 0.
    std::vector<double> columnWeight;
    double totalColumnWeight = 0;

    // The file state: set by the Load command and the import dialog only.
    std::string currentFileName;
    FileKind fileKind = FileKind::None;
    std::string firstLine;
    int32_t firstLineFieldCount = 0;

    TableDocument() = default;
    TableDocument(const TableDocument&) = delete;
    TableDocument& operator=(const TableDocument&) = delete;
    TableDocument(TableDocument&&) noexcept = default;
    TableDocument& operator=(TableDocument&&) noexcept = default;

    int32_t fieldCount() const { return static_cast<int32_t>(names_.size()); }
    // The names, index k - 1 for field k; their number is each row's number
    // of cells, so only replaceTable changes it.
    const std::vector<std::string>& fieldNames() const { return names_; }
    const std::string& fieldName(int32_t field) const { return names_[static_cast<size_t>(field - 1)]; }
    // The field of the file each table field was read from (1-based).
    const std::vector<int32_t>& sourceFieldIndex() const { return sources_; }
    int32_t rowCount() const { return static_cast<int32_t>(rows_.size()); }

    // Discards every row and per-field value and makes a table of these fields
    // with no rows. columnWeight is sized and zeroed.
    void replaceTable(std::vector<std::string> names, std::vector<int32_t> sources);

    // Adds a row after the last one; takes fieldCount() texts (missing ones
    // are empty, extra ones ignored). The texts are copied.
    void appendRow(std::span<const std::string_view> cells);
    void appendRow(std::initializer_list<std::string_view> cells) {
        appendRow(std::span<const std::string_view>(cells.begin(), cells.size()));
    }

    std::string_view cell(int32_t row, int32_t field) const {
        return spanText(spans_[blockStart(rows_[row - 1]) + (field - 1)]);
    }
    void setCell(int32_t row, int32_t field, std::string_view text);

    // Rows row..rowCount move one place down; the new row's cells are empty.
    void insertRowBefore(int32_t row);
    void deleteRow(int32_t row);
    // Deletes many rows in one pass; rows must be ascending and in range.
    void deleteRows(std::span<const int32_t> ascendingRows);
    void exchangeRows(int32_t a, int32_t b) { std::swap(rows_[a - 1], rows_[b - 1]); }

    // Row handles in table order: the sort permutes them (whole rows move).
    std::span<RowHandle> rowHandles() { return rows_; }
    std::span<const RowHandle> rowHandles() const { return rows_; }
    std::string_view cellOfHandle(RowHandle handle, int32_t field) const {
        return spanText(spans_[blockStart(handle) + (field - 1)]);
    }
    // Row handles run from 0 to handleCount() - 1, in the order the blocks
    // of cell spans lie in memory (rows deleted since the last compaction
    // still count). Visiting them in that order reads memory front to back,
    // whatever order the rows are in.
    size_t handleCount() const { return names_.empty() ? 0 : spans_.size() / names_.size(); }

    // Hints for loops that visit rows out of order (writing a sorted table):
    // ask for a row's cell spans, and later for its cells' bytes, ahead of use.
    void prefetchRowSpans(RowHandle handle) const {
        const CellSpan* s = spans_.data() + blockStart(handle);
        prefetchLine(s);
        prefetchLine(s + names_.size() - 1);
    }
    void prefetchRowCells(RowHandle handle) const {
        // Cells read from a file lie one after another: fetch the lines from
        // the first cell's start to the last cell's end (at most four).
        const size_t n = names_.size();
        if (n == 0) return;
        const CellSpan* s = spans_.data() + blockStart(handle);
        const CellSpan& last = s[n - 1];
        if (s[0].offset >= baseSize_ || last.offset >= baseSize_ || last.offset < s[0].offset) return;
        const char* from = base_.get() + s[0].offset;
        const char* to = base_.get() + last.offset + last.length;
        prefetchLine(from);
        if (to - from > 64) prefetchLine(from + 64);
        if (to - from > 128) prefetchLine(from + 128);
        prefetchLine(to - 1);
    }

    // Loading fast path: the table adopts a buffer of bytes (usually the whole
    // file) and rows are appended as spans into it. Call after replaceTable.
    void adoptBuffer(std::unique_ptr<char[]> bytes, size_t size);
    char* bufferData() { return base_.get(); }
    const char* bufferData() const { return base_.get(); }
    size_t bufferSize() const { return baseSize_; }
    // For loops that read cells where they lie: a row's fieldCount() spans.
    // A span whose offset is below bufferSize() points into bufferData();
    // read any other one through cellOfHandle.
    const CellSpan* spansOfHandle(RowHandle handle) const { return spans_.data() + blockStart(handle); }
    void reserveRows(size_t rows);
    // fieldCount() spans, each inside the adopted buffer.
    void appendRowSpans(const CellSpan* spans);
    // `rows` rows of fieldCount() spans each, one row after the other.
    void appendRowsSpans(const CellSpan* spans, size_t rows);

    // Bytes held for cells (buffer and chunks), for memory reports.
    size_t storageBytes() const;

    // Largest buffer a table can address (offsets are 32-bit).
    static constexpr uint64_t kMaxStorage = 0xFFFFFFFFull;
    // Lowers the storage the table may address below kMaxStorage, so that
    // tests reach the compaction with small texts.
    void limitStorage(uint64_t bytes) { storageLimit_ = bytes < kMaxStorage ? bytes : kMaxStorage; }

    // Row numbers are 32-bit signed; one below the largest, so that no loop
    // up to the row count steps past it. Adding a row beyond throws
    // std::length_error. Tests lower the limit.
    static constexpr int32_t kMaxRows = INT32_MAX - 1;
    void limitRows(int32_t rows) { rowLimit_ = rows < kMaxRows ? rows : kMaxRows; }

private:
    struct Chunk {
        uint64_t start = 0;  // offset of data[0] in the table's offset space
        std::unique_ptr<char[]> data;
        uint32_t capacity = 0;
        uint32_t used = 0;
    };

    size_t blockStart(RowHandle h) const { return static_cast<size_t>(h) * names_.size(); }
    std::string_view spanText(const CellSpan& s) const {
        if (s.length == 0) return {};
        if (s.offset < baseSize_) return {base_.get() + s.offset, s.length};
        return chunkText(s);
    }
    std::string_view chunkText(const CellSpan& s) const;
    char* bytesAt(uint32_t offset);
    CellSpan store(std::string_view text);
    void compact();
    RowHandle newBlock();
    void checkRoomForRow() const;

    std::vector<std::string> names_;
    std::vector<int32_t> sources_;
    std::vector<RowHandle, LargeBlockAllocator<RowHandle>> rows_;
    std::vector<CellSpan, LargeBlockAllocator<CellSpan>> spans_;
    std::unique_ptr<char[]> base_;
    uint32_t baseSize_ = 0;
    std::vector<Chunk> chunks_;
    uint64_t nextOffset_ = 0;  // first offset not yet used
    uint64_t garbage_ = 0;     // bytes no cell refers to any more
    uint64_t storageLimit_ = kMaxStorage;
    int32_t rowLimit_ = kMaxRows;
};

}  // namespace varnel
