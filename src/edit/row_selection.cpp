#include "edit/row_selection.h"

#include <algorithm>
#include <bit>

namespace varnel {
namespace {

constexpr uint64_t kAll = ~uint64_t{0};

// Bits first..last (0..63, first <= last) of one word.
uint64_t bitsBetween(int first, int last) {
    const uint64_t upTo = last == 63 ? kAll : (uint64_t{1} << (last + 1)) - 1;
    return upTo & (kAll << first);
}

// The range selected by Shift: from the mark to `item`; with no mark the
// item becomes the mark and is selected alone.
void groupSelect(RowSelection& selection, SelectionCursor& cursor, int32_t item) {
    if (cursor.mark < 0 || cursor.mark >= selection.size()) cursor.mark = item;
    selection.setAll(false);
    selection.selectRange(cursor.mark, item);
    cursor.focus = item;
}

void selectOnly(RowSelection& selection, SelectionCursor& cursor, int32_t item) {
    selection.setAll(false);
    selection.set(item, true);
    cursor.focus = item;
    cursor.mark = item;
}

}  // namespace

void RowSelection::reset(int32_t count) {
    size_ = std::max(count, 0);
    count_ = 0;
    words_.assign((static_cast<size_t>(size_) + 63) / 64, 0);
}

void RowSelection::set(int32_t item, bool selected) {
    if (item < 0 || item >= size_) return;
    uint64_t& word = words_[static_cast<size_t>(item) >> 6];
    const uint64_t bit = uint64_t{1} << (item & 63);
    if (((word & bit) != 0) == selected) return;
    word ^= bit;
    count_ += selected ? 1 : -1;
}

void RowSelection::setAll(bool selected) {
    std::fill(words_.begin(), words_.end(), selected ? kAll : 0);
    clearTail();
    count_ = selected ? size_ : 0;
}

void RowSelection::clearTail() {
    if (size_ % 64) words_.back() &= bitsBetween(0, size_ % 64 - 1);
}

void RowSelection::selectRange(int32_t first, int32_t last) {
    if (first > last) std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, size_ - 1);
    if (first > last) return;
    const size_t a = static_cast<size_t>(first) >> 6;
    const size_t b = static_cast<size_t>(last) >> 6;
    for (size_t w = a; w <= b; ++w) {
        const uint64_t bits = bitsBetween(w == a ? first & 63 : 0, w == b ? last & 63 : 63);
        count_ += std::popcount(bits & ~words_[w]);
        words_[w] |= bits;
    }
}

int32_t RowSelection::next(int32_t after) const {
    const int32_t from = std::max(after + 1, 0);
    if (from >= size_) return -1;
    size_t w = static_cast<size_t>(from) >> 6;
    uint64_t bits = words_[w] & (kAll << (from & 63));
    while (bits == 0) {
        if (++w == words_.size()) return -1;
        bits = words_[w];
    }
    return static_cast<int32_t>(w * 64 + static_cast<size_t>(std::countr_zero(bits)));
}

std::vector<int32_t> RowSelection::items() const {
    std::vector<int32_t> out;
    out.reserve(static_cast<size_t>(count_));
    for (size_t w = 0; w < words_.size(); ++w)
        for (uint64_t bits = words_[w]; bits; bits &= bits - 1)
            out.push_back(static_cast<int32_t>(w * 64 + static_cast<size_t>(std::countr_zero(bits))));
    return out;
}

void RowSelection::insertAt(int32_t item) {
    item = std::clamp(item, 0, size_);
    ++size_;
    if (words_.size() * 64 < static_cast<size_t>(size_)) words_.push_back(0);
    // Shift every bit from `item` on one place up, the highest word first.
    const size_t first = static_cast<size_t>(item) >> 6;
    for (size_t w = words_.size() - 1; w > first; --w) words_[w] = (words_[w] << 1) | (words_[w - 1] >> 63);
    const uint64_t keep = (item & 63) ? bitsBetween(0, (item & 63) - 1) : 0;
    words_[first] = (words_[first] & keep) | ((words_[first] & ~keep) << 1);
    clearTail();
}

void keySelect(RowSelection& selection, SelectionCursor& cursor, int32_t target, bool shift, bool ctrl, bool space) {
    if (target < 0 || target >= selection.size()) return;
    if (!shift && !ctrl) {
        selectOnly(selection, cursor, target);
    } else if (shift) {
        groupSelect(selection, cursor, target);
    } else {
        if (space) {
            const bool now = !selection.contains(target);
            selection.set(target, now);
            if (now) cursor.mark = target;
        }
        cursor.focus = target;
    }
}

int32_t navigationTarget(NavigationKey key, int32_t focus, int32_t count, int32_t top, int32_t perPage) {
    switch (key) {
    case NavigationKey::Home:
        return count > 0 ? 0 : -1;
    case NavigationKey::End:
        return count > 0 ? count - 1 : -1;
    case NavigationKey::Up:
        return focus >= 0 ? focus - 1 : -1;
    case NavigationKey::Down:
        // From the last item this names no item; from none, the first.
        return focus >= -1 && focus < count ? focus + 1 : -1;
    case NavigationKey::PageUp: {
        const int32_t target = focus == top ? top - perPage + 1 : top;
        return std::max(target, 0);
    }
    case NavigationKey::PageDown: {
        const int32_t target = focus == top + perPage - 1 ? focus + perPage - 1 : top + perPage - 1;
        return std::min(target, count - 1);
    }
    case NavigationKey::Space:
        return focus;
    }
    return -1;
}

int32_t navigate(RowSelection& selection, SelectionCursor& cursor, NavigationKey key, bool shift, bool ctrl,
                 int32_t top, int32_t perPage) {
    const int32_t target = navigationTarget(key, cursor.focus, selection.size(), top, perPage);
    const bool space = key == NavigationKey::Space;
    if (target == -1 || (target == cursor.focus && !space)) return -1;
    if (target < 0 || target >= selection.size()) return -1;
    keySelect(selection, cursor, target, shift, ctrl, space);
    return target;
}

void clickSelect(RowSelection& selection, SelectionCursor& cursor, ClickMemory& memory, int32_t item, bool shift,
                 bool ctrl) {
    if (item < 0 || item >= selection.size()) {
        if (!shift && !ctrl) selection.setAll(false);
        return;
    }
    if (ctrl && shift) {
        if (memory.groupSelect)
            selection.selectRange(cursor.mark < 0 ? item : cursor.mark, item);
        else
            selection.set(item, true);
        cursor.focus = item;
        cursor.mark = item;
    } else if (ctrl) {
        memory.groupSelect = !selection.contains(item);
        selection.set(item, memory.groupSelect);
        cursor.focus = item;
        cursor.mark = item;
    } else if (shift) {
        groupSelect(selection, cursor, item);
    } else if (selection.contains(item)) {
        memory.pendingSingle = item;
        cursor.focus = item;
    } else {
        selectOnly(selection, cursor, item);
    }
}

void dragOver(ClickMemory& memory, int32_t item) {
    if (memory.pendingSingle != item) memory.pendingSingle = -1;
}

void releaseSelect(RowSelection& selection, SelectionCursor& cursor, ClickMemory& memory, int32_t item) {
    if (item >= 0 && item == memory.pendingSingle) selectOnly(selection, cursor, item);
    memory.pendingSingle = -1;
}

void rightClickSelect(RowSelection& selection, SelectionCursor& cursor, int32_t item, bool shift, bool ctrl) {
    if (item < 0 || item >= selection.size()) {
        selection.setAll(false);
        return;
    }
    cursor.focus = item;
    if (!shift && !ctrl && !selection.contains(item)) selectOnly(selection, cursor, item);
}

}  // namespace varnel
