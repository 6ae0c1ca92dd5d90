// The table list's row menu and the two commands that change the number of
// rows: insert a "New Item" row, delete the selected rows.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "edit/row_change.h"
#include "edit/row_menu_point.h"
#include "ui/app_state.h"
#include "ui/edit_commands.h"
#include "ui/handles.h"
#include "ui/table_view.h"

namespace varnel {
namespace {

// Suspends a window's redrawing for a scope and repaints it afterwards.
struct RedrawPause {
    HWND window;
    explicit RedrawPause(HWND w) : window(w) { SendMessageA(window, WM_SETREDRAW, FALSE, 0); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;
    ~RedrawPause() {
        SendMessageA(window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window, nullptr, TRUE);
    }
};

std::vector<int> selectedItems(HWND list) {
    std::vector<int> items;
    const LRESULT count = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    if (count <= 0) return items;
    items.reserve(static_cast<size_t>(count));
    int item = -1;
    while (static_cast<LRESULT>(items.size()) < count) {
        item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED));
        if (item < 0) break;
        items.push_back(item);
    }
    return items;
}

void setItemState(HWND list, int item, UINT state, UINT mask) {
    LVITEMA lv{};
    lv.stateMask = mask;
    lv.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

void showRowMenu(HWND list) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    InsertMenuA(menu.get(), static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_EDIT_ROW, "Edit entry");
    InsertMenuA(menu.get(), static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_INSERT_ROW, "Insert new row here");
    InsertMenuA(menu.get(), static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_DELETE_ROW, "Delete this row");
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT listRect{};
    GetWindowRect(list, &listRect);
    const MenuPoint at =
        rowMenuPoint({cursor.x, cursor.y}, {listRect.left, listRect.top, listRect.right, listRect.bottom});
    TrackPopupMenu(menu.get(), 0, at.x, at.y, 0, app().mainWindow, nullptr);
}

}  // namespace

LRESULT CALLBACK rowMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        // While a command waits in a message box the main window still takes
        // input, but none of the menu's commands could run: show no menu.
        // The menu runs a message loop of its own; a close arriving there
        // would destroy the list under this very call, so it is held too.
        try {
            CommandScope scope;
            if (scope.entered()) showRowMenu(window);
        } catch (...) {
        }
        return 1;
    }
    return CallWindowProcA(app().originalListProc, window, message, wParam, lParam);
}

void subclassTableList(HWND list) {
    app().originalListProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&rowMenuProc)));
}

// The dispatch holds the command scope around insert and delete.
void insertRowAtSelection() {
    HWND list = tableList();
    if (!list) return;
    TableDocument& table = app().table;
    const std::vector<int> selected = selectedItems(list);
    if (selected.empty()) return;
    const int32_t row = selected.front() + 1;
    const int focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (!insertNewItemRow(table, row)) return;
    {
        // The owner-data list keeps its selection by position, and every
        // selected item is at or below the new row: move them all one down.
        RedrawPause pause(list);
        SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(table.rowCount()), LVSICF_NOSCROLL);
        const LRESULT kept = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
        if (kept == static_cast<LRESULT>(selected.size())) {
            // Shifting a run of selected items by one changes only its ends.
            for (size_t first = 0; first < selected.size();) {
                size_t last = first;
                while (last + 1 < selected.size() && selected[last + 1] == selected[last] + 1) ++last;
                setItemState(list, selected[last] + 1, LVIS_SELECTED, LVIS_SELECTED);
                setItemState(list, selected[first], 0, LVIS_SELECTED);
                first = last + 1;
            }
        } else {
            setItemState(list, -1, 0, LVIS_SELECTED);
            for (int item : selected) setItemState(list, item + 1, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (focused >= row - 1) setItemState(list, focused + 1, LVIS_FOCUSED, LVIS_FOCUSED);
        if (mark >= row - 1) SendMessageA(list, LVM_SETSELECTIONMARK, 0, mark + 1);
    }
    updateTitle();
}

void deleteSelectedRows() {
    HWND list = tableList();
    if (!list) return;
    TableDocument& table = app().table;
    if (table.rowCount() == 0) return;
    std::vector<int32_t> rows;
    for (int item : selectedItems(list)) rows.push_back(item + 1);
    const int32_t first = deleteRowSet(table, std::move(rows));
    if (first == 0) return;
    refillRows();
    if (first - 1 < table.rowCount()) SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first - 1), FALSE);
    updateTitle();
}

}  // namespace varnel
