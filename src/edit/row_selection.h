// The rows selected in the table list, kept by the program: one bit per list
// item. The list only shows it (it asks for an item's state as it paints),
// so a search that selects a million scattered rows, or a select-all, costs
// what the rows cost and not what the list's own bookkeeping would.
//
// Also the list's rules for changing the selection from the keyboard and the
// mouse, so that the program applies them itself: a click, Shift+click,
// Ctrl+click, a right click, the arrow, Home, End and page keys, Space and a
// typed first letter select exactly what the list would select.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnel {

class RowSelection {
public:
    // Items 0..count-1, none selected.
    void reset(int32_t count);
    int32_t size() const { return size_; }
    int32_t count() const { return count_; }
    bool contains(int32_t item) const {
        return item >= 0 && item < size_ && (words_[static_cast<size_t>(item) >> 6] >> (item & 63) & 1) != 0;
    }
    // Items outside 0..size-1 are ignored.
    void set(int32_t item, bool selected);
    void setAll(bool selected);
    // Selects the items between first and last (either order, both included).
    void selectRange(int32_t first, int32_t last);
    // The first selected item after `after` (-1 to start), or -1.
    int32_t next(int32_t after) const;
    // The selected items in ascending order.
    std::vector<int32_t> items() const;
    // A new, unselected item takes place `item`; the items from there move
    // one place down.
    void insertAt(int32_t item);

private:
    void clearTail();

    std::vector<uint64_t> words_;
    int32_t size_ = 0;
    int32_t count_ = 0;
};

// The focused item and the selection mark (the anchor of Shift selections);
// -1 when there is none.
struct SelectionCursor {
    int32_t focus = -1;
    int32_t mark = -1;
};

// State the list keeps between clicks.
struct ClickMemory {
    // Whether the last Ctrl+click selected its item: then Ctrl+Shift+click
    // adds the range from the mark, else only the clicked item.
    bool groupSelect = true;
    // A plain click on a selected item leaves the selection until the button
    // is released over the same item, which then becomes the only one.
    int32_t pendingSingle = -1;
};

// Keyboard selection of item `target` (0 <= target < size): with no
// modifier it becomes the only selected item and the mark; with Shift the
// range from the mark is selected; with Ctrl alone the focus moves, and
// Space toggles the item. The focus always moves to `target`.
void keySelect(RowSelection& selection, SelectionCursor& cursor, int32_t target, bool shift, bool ctrl, bool space);

enum class NavigationKey { Home, End, Up, Down, PageUp, PageDown, Space };

// The item a navigation key goes to, or -1 (nothing happens): `top` is the
// first visible item and `perPage` the number of fully visible ones.
int32_t navigationTarget(NavigationKey key, int32_t focus, int32_t count, int32_t top, int32_t perPage);

// The whole key: the target and, where the list would act, keySelect.
// Returns the target the list acts on (to make visible), or -1.
int32_t navigate(RowSelection& selection, SelectionCursor& cursor, NavigationKey key, bool shift, bool ctrl,
                 int32_t top, int32_t perPage);

// The left button goes down on item `item`, or below the rows (-1).
void clickSelect(RowSelection& selection, SelectionCursor& cursor, ClickMemory& memory, int32_t item, bool shift,
                 bool ctrl);
// The mouse moves with the left button down over item `item` (or -1).
void dragOver(ClickMemory& memory, int32_t item);
// The left button is released over item `item` (or -1).
void releaseSelect(RowSelection& selection, SelectionCursor& cursor, ClickMemory& memory, int32_t item);
// The right button goes down on item `item`, or below the rows (-1).
void rightClickSelect(RowSelection& selection, SelectionCursor& cursor, int32_t item, bool shift, bool ctrl);

}  // namespace varnel
