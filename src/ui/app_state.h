// The application-wide record of the Windows program: the one table, the
// search state and the window state. Only src/ui touches it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/table_document.h"
#include "edit/row_selection.h"
#include "search/row_search.h"
#include "ui/control_ids.h"

namespace varnel {

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    WNDPROC originalListProc = nullptr;
    HWND savedFocus = nullptr;
    int32_t selectedRow = 0;
    int newFileFieldCount = 0;
    TableDocument table;
    // The table list's selection (list item i is row i + 1), and what the
    // list remembers between clicks.
    RowSelection selection;
    ClickMemory clicks;
    SearchState search;
    // Set while a command waits in a message box or dialog: every other
    // command (and the close) is refused meanwhile.
    bool commandRunning = false;
    bool closeRequested = false;
};

AppState& app();

// Marks a command as running for its lifetime; `entered()` is false when
// another command was already running (the caller then does nothing).
class CommandScope {
public:
    CommandScope();
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
    bool entered() const { return entered_; }

private:
    bool entered_;
};

HWND tableList();  // control 1009 of the main window

}  // namespace varnel
