// The Search button: the search logic on the real controls.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "search/row_search.h"
#include "ui/app_state.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/edit_commands.h"
#include "ui/list_selection.h"
#include "ui/wait_cursor.h"

namespace varnel {
namespace {

// The window side of a search. The selection is the program's own set,
// which the list paints from; the scroll to the matches and the redrawing of
// replaced rows are collected and applied in one go whenever the user is
// about to see the list (before every message box or dialog, and at the
// end). The list then ends in exactly the state the single steps would have
// left: the same selection and the same first visible item.
class Win32SearchWindow final : public SearchWindow {
public:
    Win32SearchWindow() : list_(tableList()) {}
    ~Win32SearchWindow() override { flush(); }
    Win32SearchWindow(const Win32SearchWindow&) = delete;
    Win32SearchWindow& operator=(const Win32SearchWindow&) = delete;

    std::string fieldSelectorText() override { return getItemText(app().mainWindow, IDC_FIELD_COMBO); }
    std::string searchText() override { return getItemText(app().mainWindow, IDC_SEARCH_TEXT); }

    void selectItem(int32_t item, bool selected) override {
        app().selection.set(item, selected);
        selectionChanged_ = true;
    }

    void ensureVisible(int32_t item) override {
        if (!scrollPending_) {
            top_ = static_cast<int32_t>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
            perPage_ = std::max(1, static_cast<int>(SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0)));
            scrollPending_ = true;
        }
        // What a scroll that makes `item` fully visible does to the first
        // visible item: the least movement up or down.
        if (item < top_)
            top_ = item;
        else if (item >= top_ + perPage_)
            top_ = item - perPage_ + 1;
    }

    void setItemText(int32_t item, int32_t, const std::string&) override {
        // The cell is already in the table; the owner-data list shows it once
        // the item is redrawn, which is done with the other pending changes.
        if (dirtyFirst_ < 0 || item < dirtyFirst_) dirtyFirst_ = item;
        if (item > dirtyLast_) dirtyLast_ = item;
    }

    void repaintSearchBox() override {
        flush();
        RedrawWindow(GetDlgItem(app().mainWindow, IDC_SEARCH_TEXT), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    BoxAnswer messageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        flush();
        return static_cast<BoxAnswer>(varnel::messageBox(text, caption, flags));
    }

    ReplaceDialogResult runReplaceDialog(const std::string& prompt) override {
        flush();
        return varnel::runReplaceDialog(app().mainWindow, prompt);
    }

    void flush() {
        if (selectionChanged_) showSelection();
        selectionChanged_ = false;
        flushScroll();
        if (dirtyFirst_ >= 0) {
            // Only the rows on show need painting again: the list invalidates
            // the items of a redraw one by one, even those out of sight.
            const int32_t top = static_cast<int32_t>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
            const int32_t shown = static_cast<int32_t>(SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0));
            const int32_t first = std::max(dirtyFirst_, top);
            const int32_t last = std::min(dirtyLast_, top + shown);
            if (first <= last)
                SendMessageA(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
            UpdateWindow(list_);
            dirtyFirst_ = dirtyLast_ = -1;
        }
    }

private:
    void flushScroll() {
        if (!scrollPending_) return;
        scrollPending_ = false;
        const int32_t current = static_cast<int32_t>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
        // Scrolling up brings an item to the top, scrolling down to the bottom.
        if (top_ < current)
            SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top_), FALSE);
        else if (top_ > current)
            SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top_ + perPage_ - 1), FALSE);
        UpdateWindow(list_);
    }

    HWND list_ = nullptr;
    bool selectionChanged_ = false;
    bool scrollPending_ = false;
    int32_t top_ = 0;
    int perPage_ = 1;
    int32_t dirtyFirst_ = -1;
    int32_t dirtyLast_ = -1;
};

}  // namespace

void searchCommand() {
    CommandScope scope;
    if (!scope.entered()) return;
    WaitCursor working;
    Win32SearchWindow window;
    runSearch(app().table, app().search, window);
    window.flush();
}

}  // namespace varnel
