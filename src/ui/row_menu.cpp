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
#include "ui/list_selection.h"
#include "ui/table_view.h"
#include "ui/wait_cursor.h"

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
    LRESULT result = 0;
    if (handleSelectionMessage(window, message, wParam, lParam, result)) return result;
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
    RowSelection& selection = app().selection;
    const int32_t first = selection.next(-1);
    if (first < 0) return;
    const int32_t row = first + 1;
    const int focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (!insertNewItemRow(table, row)) return;
    {
        // The new row is unselected; the rows below it keep their selection,
        // focus and mark one place further down.
        RedrawPause pause(list);
        SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(table.rowCount()), LVSICF_NOSCROLL);
        selection.insertAt(row - 1);
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
    WaitCursor working;
    std::vector<int32_t> rows = app().selection.items();
    for (int32_t& item : rows) ++item;
    const int32_t first = deleteRowSet(table, std::move(rows));
    if (first == 0) return;
    refillRows();
    if (first - 1 < table.rowCount()) SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first - 1), FALSE);
    updateTitle();
}

}  // namespace varnel
