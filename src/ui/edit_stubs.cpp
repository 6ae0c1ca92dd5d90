// Placeholders for the editing commands until they are built: each does nothing.
#include "ui/edit_commands.h"

#include "ui/app_state.h"

namespace varnel {

void showEditRowDialog(HWND) {}

LRESULT CALLBACK rowMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(app().originalListProc, window, message, wParam, lParam);
}

void subclassTableList(HWND) {}

void insertRowAtSelection() {}

void deleteSelectedRows() {}

int showNewFileDialog(HWND) { return 0; }

ReplaceDialogResult runReplaceDialog(HWND, const std::string&) { return {}; }

}  // namespace varnel
