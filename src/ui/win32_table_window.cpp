#include "ui/win32_table_window.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/file_dialogs.h"
#include "ui/handles.h"
#include "ui/list_selection.h"
#include "ui/system_memory.h"
#include "ui/table_view.h"
#include "ui/win32_file_system.h"

namespace varnel {
namespace {

// Suspends a window's redrawing for a scope and repaints it afterwards.
class RedrawPause {
public:
    explicit RedrawPause(HWND window) : window_(window) { SendMessageA(window_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND window_;
};

}  // namespace

Win32TableWindow::Win32TableWindow(AppContext& context) : context_(context) {}

Win32TableWindow::~Win32TableWindow() { flush(); }

void Win32TableWindow::selectItem(int32_t item, bool selected) {
    context_.selection.set(item, selected);
    selectionChanged_ = true;
}

void Win32TableWindow::ensureVisible(int32_t item) {
    // Called for every match: only the first asks the list (finding it is
    // a call into the window system), the rest is arithmetic.
    if (!scrollPending_) {
        HWND list = tableList(context_);
        top_ = static_cast<int32_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
        perPage_ = std::max(1, static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)));
        scrollPending_ = true;
    }
    // What a scroll that makes `item` fully visible does to the first
    // visible item: the least movement up or down.
    if (item < top_)
        top_ = item;
    else if (item >= top_ + perPage_)
        top_ = item - perPage_ + 1;
}

void Win32TableWindow::setItemText(int32_t item, int32_t, const std::string&) {
    // The cell is already in the table; the owner-data list shows it once
    // the item is redrawn, which is done with the other pending changes.
    if (dirtyFirst_ < 0 || item < dirtyFirst_) dirtyFirst_ = item;
    if (item > dirtyLast_) dirtyLast_ = item;
}

void Win32TableWindow::repaintSearchBox() {
    flush();
    RedrawWindow(GetDlgItem(context_.mainWindow, IDC_SEARCH_TEXT), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

BoxAnswer Win32TableWindow::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
    flush();
    return varnel::messageBox(text, caption, kind);
}

ReplaceDialogResult Win32TableWindow::runReplaceDialog(const std::string& prompt) {
    flush();
    const std::optional<ReplaceDialogResult> answer = varnel::runReplaceDialog(context_.mainWindow, prompt);
    return answer ? *answer : ReplaceDialogResult{ReplaceDialogResult::Ending::Cancel, {}, false};
}

std::string Win32TableWindow::askFileToLoad() { return varnel::askFileToLoad(context_.mainWindow); }

std::string Win32TableWindow::askFileToSave(const std::string& proposedName) {
    return varnel::askFileToSave(context_.mainWindow, proposedName);
}

// A file counts as there only when a directory search finds an entry of that
// name that is neither hidden, nor a system file, nor a folder.
bool Win32TableWindow::fileIsThere(const std::string& path) {
    WIN32_FIND_DATAA found{};
    UniqueFind search(FindFirstFileA(path.c_str(), &found));
    if (!search) return false;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
            return true;
    } while (FindNextFileA(search.get(), &found));
    return false;
}

FileSystem& Win32TableWindow::files() { return win32FileSystem(); }

uint64_t Win32TableWindow::memoryAvailable() { return memoryForNewTable(); }

double Win32TableWindow::textWidth(std::string_view text) { return measureTextWidth(tableList(context_), text); }

std::optional<ImportOptions> Win32TableWindow::runImportDialog(const ImportDialogInput& input) {
    flush();
    return varnel::runImportDialog(context_.mainWindow, input);
}

std::optional<std::vector<std::string>> Win32TableWindow::runNewFileDialog(const NewFileDialogInput& input) {
    flush();
    return varnel::runNewFileDialog(context_.mainWindow, input);
}

std::optional<std::vector<FieldEdit>> Win32TableWindow::runEditRowDialog(const EditRowInput& input) {
    flush();
    return varnel::runEditRowDialog(context_.mainWindow, input);
}

void Win32TableWindow::showNewTable() { rebuildTableView(context_); }

void Win32TableWindow::showRows() {
    refillRows(context_);
    updateTitle(context_);
}

void Win32TableWindow::showRowInserted(int32_t item) {
    HWND list = tableList(context_);
    const int focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    {
        // The owner-data list keeps its focus and mark by position.
        RedrawPause pause(list);
        SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(context_.table.rowCount()), LVSICF_NOSCROLL);
        if (focused >= item) {
            LVITEMA state{};
            state.stateMask = LVIS_FOCUSED;
            state.state = LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(focused + 1), reinterpret_cast<LPARAM>(&state));
        }
        if (mark >= item) SendMessageA(list, LVM_SETSELECTIONMARK, 0, mark + 1);
    }
    updateTitle(context_);
}

void Win32TableWindow::showRowChanged(int32_t item) { redrawListItem(tableList(context_), item); }

void Win32TableWindow::showSelection() { varnel::showSelection(context_); }

void Win32TableWindow::beginWork() {
    if (working_++ == 0) waitCursor_.emplace();
}

void Win32TableWindow::endWork() {
    // What the work changed on screen is shown before the cursor goes back.
    if (working_ == 1) flush();
    if (--working_ == 0) waitCursor_.reset();
}

void Win32TableWindow::flush() {
    HWND list = tableList(context_);
    if (selectionChanged_) varnel::showSelection(context_);
    selectionChanged_ = false;
    flushScroll();
    if (dirtyFirst_ >= 0) {
        // Only the rows on show need painting again: the list invalidates
        // the items of a redraw one by one, even those out of sight.
        const int32_t top = static_cast<int32_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
        const int32_t shown = static_cast<int32_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
        const int32_t first = std::max(dirtyFirst_, top);
        const int32_t last = std::min(dirtyLast_, top + shown);
        if (first <= last)
            SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
        UpdateWindow(list);
        dirtyFirst_ = dirtyLast_ = -1;
    }
}

void Win32TableWindow::flushScroll() {
    if (!scrollPending_) return;
    scrollPending_ = false;
    HWND list = tableList(context_);
    const int32_t current = static_cast<int32_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    // Scrolling up brings an item to the top, scrolling down to the bottom.
    if (top_ < current)
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top_), FALSE);
    else if (top_ > current)
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top_ + perPage_ - 1), FALSE);
    UpdateWindow(list);
}

}  // namespace varnel
