#include "ui/app_state.h"

namespace varnel {

AppState& app() {
    static AppState state;
    return state;
}

CommandScope::CommandScope() : entered_(!app().commandRunning) {
    if (entered_) app().commandRunning = true;
}

CommandScope::~CommandScope() {
    if (!entered_) return;
    AppState& state = app();
    state.commandRunning = false;
    // A close that arrived while the command waited is carried out now, after
    // the command has left every dialog and message box.
    if (state.closeRequested) {
        state.closeRequested = false;
        if (state.mainWindow) PostMessageA(state.mainWindow, WM_CLOSE, 0, 0);
    }
}

HWND tableList() { return GetDlgItem(app().mainWindow, IDC_TABLE_LIST); }

}  // namespace varnel
