// Everything the Windows program keeps while it runs: the session the table
// commands work on (table, selection, search settings), the main window and
// the state of its list. Made at start-up and kept in the main window's
// user data, where the program and its tests find it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "edit/row_selection.h"
#include "edit/table_session.h"
#include "ui/control_ids.h"

namespace varnel {

// The table list's handling of the user's clicks and keys (list_selection.cpp).
struct ListInput {
    ClickMemory clicks;
    // While the list's own procedure runs with the selection callback off:
    // what it selected in its own record meanwhile, to be dropped again.
    bool quiet = false;
    std::vector<int32_t> listSelected;
    // The list handles a typed character (its search by first letters).
    bool typing = false;
    // The left button went down on the list and is still down, as the list
    // itself tracks it.
    bool leftDown = false;
    // A selection rectangle is dragged: the list keeps the selection in its
    // own record meanwhile.
    bool rectangle = false;
};

struct AppContext : TableSession {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    // The table list's own window procedure, under the row menu's.
    WNDPROC originalListProc = nullptr;
    // The control that had the focus when the main window was deactivated.
    HWND savedFocus = nullptr;
    ListInput listInput;
    // A close that came while a command waited: carried out after it.
    bool closeRequested = false;
};

// The context of the program that `window` (the main window, one of its
// controls or one of its dialogs) belongs to.
AppContext& contextOf(HWND window);
// Keeps `context` with its main window (from WM_INITDIALOG).
void attachContext(HWND mainWindow, AppContext& context);

HWND tableList(const AppContext& context);  // control 1009 of the main window

}  // namespace varnel
