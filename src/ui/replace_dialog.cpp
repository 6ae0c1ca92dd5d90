// The "Search and Replace" dialog: the replacement text and whether every
// change is to be confirmed.
#include <windows.h>

#include <string>

#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/edit_commands.h"

namespace varnel {
namespace {

enum : int {
    IDC_REPLACE_PROMPT = 4001,
    IDC_REPLACE_TEXT = 4002,
    IDC_REPLACE_GO = 4003,
    IDC_REPLACE_CANCEL = 4004,
    IDC_REPLACE_CONFIRM = 4007,
};

struct ReplaceSession {
    HWND owner = nullptr;
    const std::string* prompt = nullptr;
    ReplaceDialogResult result;
    HWND savedFocus = nullptr;
};

void createControls(HWND dialog, const ReplaceSession& s) {
    placeDialog(dialog, s.owner, 569, 66);
    // The prompt quotes the query and a field name: "&" in them is text.
    addControl(dialog, "STATIC", s.prompt->c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
               IDC_REPLACE_PROMPT, 8, 8, 424, 16);
    addControl(dialog, "BUTTON", "Confirm changes", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
               IDC_REPLACE_CONFIRM, 440, 8, 424, 16);
    addControl(dialog, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
               IDC_REPLACE_TEXT, 8, 32, 424, 24);
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    addControl(dialog, "BUTTON", "Go", button, 0, IDC_REPLACE_GO, 440, 32, 56, 24);
    addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_REPLACE_CANCEL, 504, 32, 56, 24);
}

INT_PTR CALLBACK replaceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* s = reinterpret_cast<ReplaceSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            s = reinterpret_cast<ReplaceSession*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            createControls(dialog, *s);
            return 0;
        case WM_NCACTIVATE:
            if (!s) return 0;
            rememberFocus(s->savedFocus, wParam);
            return 0;
        case WM_COMMAND:
            // Enter and Escape arrive as ids 1 and 2, which match nothing here.
            if (!s || HIWORD(wParam) > 1) return 0;
            switch (LOWORD(wParam)) {
            case IDC_REPLACE_GO:
                s->result.text = getText(GetDlgItem(dialog, IDC_REPLACE_TEXT));
                s->result.confirm = SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_GETCHECK, 0, 0) == BST_CHECKED;
                s->result.ending = ReplaceDialogResult::Ending::Go;
                EndDialog(dialog, 0);
                break;
            case IDC_REPLACE_CANCEL:
                s->result.ending = ReplaceDialogResult::Ending::Cancel;
                EndDialog(dialog, 0);
                break;
            }
            return 0;
        case WM_CLOSE:
            // Any other way out leaves the result as "closed": the command
            // goes on as a plain search.
            EndDialog(dialog, 0);
            return 0;
        }
    } catch (...) {
        EndDialog(dialog, 0);
    }
    return 0;
}

}  // namespace

ReplaceDialogResult runReplaceDialog(HWND owner, const std::string& prompt) {
    ReplaceSession session;
    session.owner = owner;
    session.prompt = &prompt;
    runModalDialog(owner, "Search and Replace", kDialogStyle, replaceDialogProc, reinterpret_cast<LPARAM>(&session));
    return session.result;
}

}  // namespace varnel
