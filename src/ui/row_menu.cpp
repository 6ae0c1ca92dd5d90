#include "ui/row_menu.h"

#include <commctrl.h>

#include "edit/row_menu_point.h"
#include "ui/app_context.h"
#include "ui/commands.h"
#include "ui/handles.h"
#include "ui/list_selection.h"

namespace varnel {
namespace {

void showRowMenu(const AppContext& context, HWND list) {
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
    TrackPopupMenu(menu.get(), 0, at.x, at.y, 0, context.mainWindow, nullptr);
}

LRESULT CALLBACK rowMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    AppContext& context = contextOf(window);
    LRESULT result = 0;
    if (handleSelectionMessage(context, window, message, wParam, lParam, result)) return result;
    if (message == WM_CONTEXTMENU) {
        // While a command waits in a message box the main window still takes
        // input, but none of the menu's commands could run: show no menu.
        // The menu runs a message loop of its own; a close arriving there
        // would destroy the list under this very call, so it is held too.
        try {
            CommandScope scope(context);
            if (scope.entered()) showRowMenu(context, window);
        } catch (...) {
        }
        finishCommand(context);
        return 1;
    }
    return CallWindowProcA(context.originalListProc, window, message, wParam, lParam);
}

}  // namespace

void subclassTableList(AppContext& context, HWND list) {
    context.originalListProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&rowMenuProc)));
}

}  // namespace varnel
