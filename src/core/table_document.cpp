#include "core/table_document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "core/large_memory.h"

namespace varnel {
namespace {
constexpr uint32_t kChunkSize = 1u << 20;
}

void TableDocument::replaceTable(std::vector<std::string> names, std::vector<int32_t> sources) {
    const size_t n = names.size();
    names_ = std::move(names);
    sources_ = std::move(sources);
    sources_.resize(n, 0);
    columnWeight.assign(n, 0.0);
    totalColumnWeight = 0;
    rows_.clear();
    rows_.shrink_to_fit();
    spans_.clear();
    spans_.shrink_to_fit();
    base_.reset();
    baseSize_ = 0;
    chunks_.clear();
    nextOffset_ = 0;
    garbage_ = 0;
}

void TableDocument::adoptBuffer(std::unique_ptr<char[]> bytes, size_t size) {
    if (size > storageLimit_) throw std::length_error("table buffer too large");
    if (!rows_.empty() || !chunks_.empty()) throw std::logic_error("adoptBuffer on a filled table");
    base_ = std::move(bytes);
    baseSize_ = static_cast<uint32_t>(size);
    nextOffset_ = size;
}

void TableDocument::reserveRows(size_t rows) {
    rows_.reserve(rows);
    spans_.reserve(rows * names_.size());
    adviseLargeBlock(rows_.data(), rows_.capacity() * sizeof(RowHandle));
    adviseLargeBlock(spans_.data(), spans_.capacity() * sizeof(CellSpan));
}

void TableDocument::checkRoomForRow() const {
    if (rows_.size() >= static_cast<size_t>(rowLimit_)) throw std::length_error("too many rows");
}

RowHandle TableDocument::newBlock() {
    checkRoomForRow();
    const size_t blocks = names_.empty() ? 0 : spans_.size() / names_.size();
    if (blocks >= 0xFFFFFFFFull) throw std::length_error("too many rows");
    spans_.resize(spans_.size() + names_.size());
    return static_cast<RowHandle>(blocks);
}

void TableDocument::appendRowSpans(const CellSpan* spans) {
    const size_t n = names_.size();
    const size_t blocks = n ? spans_.size() / n : rows_.size();
    checkRoomForRow();
    if (blocks >= 0xFFFFFFFFull) throw std::length_error("too many rows");
    spans_.insert(spans_.end(), spans, spans + n);
    rows_.push_back(static_cast<RowHandle>(blocks));
}

void TableDocument::appendRowsSpans(const CellSpan* spans, size_t rows) {
    const size_t n = names_.size();
    const size_t blocks = n ? spans_.size() / n : rows_.size();
    if (rows > static_cast<size_t>(rowLimit_) - rows_.size()) throw std::length_error("too many rows");
    if (rows > 0xFFFFFFFFull - blocks) throw std::length_error("too many rows");
    // Room for the handles first: a failure leaves the table as it was.
    if (rows_.capacity() - rows_.size() < rows) rows_.reserve(std::max(rows_.size() + rows, 2 * rows_.capacity()));
    spans_.insert(spans_.end(), spans, spans + rows * n);
    for (size_t r = 0; r < rows; ++r) rows_.push_back(static_cast<RowHandle>(blocks + r));
}

void TableDocument::appendRow(std::span<const std::string_view> cells) {
    checkRoomForRow();
    const size_t n = names_.size();
    const size_t given = std::min(n, cells.size());
    // The row's texts go to storage in one piece. Stored one by one, a later
    // text could compact the storage while the earlier ones' spans are not
    // yet in the table, leaving them pointing at freed bytes. They are joined
    // first because they may point into this very table.
    size_t total = 0;
    for (size_t k = 0; k < given; ++k) {
        if (cells[k].size() > SIZE_MAX - total) throw std::length_error("row too large");
        total += cells[k].size();
    }
    std::string joined;
    joined.reserve(total);
    for (size_t k = 0; k < given; ++k) joined.append(cells[k]);
    // Store first: a failure leaves the table as it was.
    const CellSpan whole = store(joined);
    std::vector<CellSpan> spans(n);
    uint32_t at = whole.offset;
    for (size_t k = 0; k < given; ++k) {
        if (cells[k].empty()) continue;
        const uint32_t length = static_cast<uint32_t>(cells[k].size());
        spans[k] = {at, length};
        at += length;
    }
    appendRowSpans(spans.data());
}

void TableDocument::setCell(int32_t row, int32_t field, std::string_view text) {
    CellSpan& slot = spans_[blockStart(rows_[row - 1]) + (field - 1)];
    if (text.size() <= slot.length) {
        // Cells never share bytes, so a text that fits overwrites in place.
        char* at = bytesAt(slot.offset);
        if (!text.empty()) std::memmove(at, text.data(), text.size());
        garbage_ += slot.length - text.size();
        slot.length = static_cast<uint32_t>(text.size());
        if (slot.length == 0) slot.offset = 0;
        return;
    }
    // The text may point into this table: copy it before storage moves.
    std::string copy(text);
    const uint32_t oldLength = slot.length;
    CellSpan fresh = store(copy);
    // store() may have compacted: find the slot again.
    CellSpan& again = spans_[blockStart(rows_[row - 1]) + (field - 1)];
    garbage_ += oldLength;
    again = fresh;
}

void TableDocument::insertRowBefore(int32_t row) {
    RowHandle h = newBlock();
    rows_.insert(rows_.begin() + (row - 1), h);
}

void TableDocument::deleteRow(int32_t row) {
    const int32_t one[] = {row};
    deleteRows(one);
}

void TableDocument::deleteRows(std::span<const int32_t> ascendingRows) {
    if (ascendingRows.empty()) return;
    size_t out = static_cast<size_t>(ascendingRows.front() - 1);
    size_t next = 0;
    for (size_t in = out; in < rows_.size(); ++in) {
        if (next < ascendingRows.size() && static_cast<size_t>(ascendingRows[next] - 1) == in) {
            ++next;
            continue;
        }
        rows_[out++] = rows_[in];
    }
    rows_.resize(out);
    if (rows_.empty()) {
        // Nothing refers to the cells any more: give their memory back.
        spans_.clear();
        spans_.shrink_to_fit();
        base_.reset();
        baseSize_ = 0;
        chunks_.clear();
        nextOffset_ = 0;
        garbage_ = 0;
    }
}

size_t TableDocument::storageBytes() const {
    size_t total = baseSize_;
    for (const Chunk& c : chunks_) total += c.capacity;
    return total;
}

std::string_view TableDocument::chunkText(const CellSpan& s) const {
    auto it = std::upper_bound(chunks_.begin(), chunks_.end(), static_cast<uint64_t>(s.offset),
                               [](uint64_t off, const Chunk& c) { return off < c.start; });
    const Chunk& c = *(it - 1);
    return {c.data.get() + (s.offset - c.start), s.length};
}

char* TableDocument::bytesAt(uint32_t offset) {
    if (offset < baseSize_) return base_.get() + offset;
    if (chunks_.empty()) return nullptr;
    auto it = std::upper_bound(chunks_.begin(), chunks_.end(), static_cast<uint64_t>(offset),
                               [](uint64_t off, const Chunk& c) { return off < c.start; });
    if (it == chunks_.begin()) return nullptr;
    Chunk& c = *(it - 1);
    return c.data.get() + (offset - c.start);
}

CellSpan TableDocument::store(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > storageLimit_) throw std::length_error("cell too large");
    const uint32_t len = static_cast<uint32_t>(text.size());
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < len) {
        uint64_t capacity = std::max<uint64_t>(kChunkSize, len);
        if (nextOffset_ + capacity > storageLimit_) {
            compact();
            capacity = std::min<uint64_t>(std::max<uint64_t>(kChunkSize, len), storageLimit_ - nextOffset_);
            if (capacity < len) throw std::length_error("table too large");
        }
        Chunk c;
        c.start = nextOffset_;
        c.data.reset(new char[capacity]);
        c.capacity = static_cast<uint32_t>(capacity);
        nextOffset_ += capacity;
        chunks_.push_back(std::move(c));
    }
    Chunk& c = chunks_.back();
    std::memcpy(c.data.get() + c.used, text.data(), len);
    CellSpan s{static_cast<uint32_t>(c.start + c.used), len};
    c.used += len;
    return s;
}

void TableDocument::compact() {
    // Copy every live cell into one new buffer and drop the old storage.
    uint64_t live = 0;
    const size_t n = names_.size();
    for (RowHandle h : rows_)
        for (size_t k = 0; k < n; ++k) live += spans_[h * n + k].length;
    if (live > storageLimit_) throw std::length_error("table too large");
    std::unique_ptr<char[]> fresh(new char[live ? live : 1]);
    std::vector<CellSpan, LargeBlockAllocator<CellSpan>> freshSpans;
    freshSpans.reserve(rows_.size() * n);
    uint64_t at = 0;
    for (RowHandle& h : rows_) {
        const RowHandle nh = static_cast<RowHandle>(freshSpans.size() / (n ? n : 1));
        for (size_t k = 0; k < n; ++k) {
            std::string_view t = spanText(spans_[h * n + k]);
            CellSpan s{};
            if (!t.empty()) {
                std::memcpy(fresh.get() + at, t.data(), t.size());
                s = {static_cast<uint32_t>(at), static_cast<uint32_t>(t.size())};
                at += t.size();
            }
            freshSpans.push_back(s);
        }
        h = nh;
    }
    spans_ = std::move(freshSpans);
    base_ = std::move(fresh);
    baseSize_ = static_cast<uint32_t>(live);
    chunks_.clear();
    nextOffset_ = live;
    garbage_ = 0;
}

}  // namespace varnel
