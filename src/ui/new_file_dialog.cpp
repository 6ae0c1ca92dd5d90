// The "Create new file" dialog: one box per field name, boxes added and
// removed by two buttons, and "Create Now" making the one-row table.
#include <windows.h>

#include <string>
#include <vector>

#include "edit/new_table.h"
#include "ui/control_ids.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/edit_commands.h"
#include "ui/table_view.h"

namespace varnel {
namespace {

constexpr int kMinBoxes = 1;
constexpr int kMaxBoxes = 99;

struct NewFileSession {
    HWND owner = nullptr;
    HWND savedFocus = nullptr;
};

int rowTop(int i) { return 24 * (i - 1) + 8; }
int buttonTop(int n) { return 24 * n + 16; }

void addNameBox(HWND dialog, int i) {
    addControl(dialog, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
               IDC_NEW_NAME_BASE + i, 112, rowTop(i), 384, 24);
    const std::string label = "Name of field " + std::to_string(i) + ":";
    addControl(dialog, "STATIC", label.c_str(), WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, 0,
               IDC_NEW_LABEL_BASE + i, 8, rowTop(i), 96, 24);
}

void createControls(HWND dialog, const NewFileSession& s) {
    const int n = app().newFileFieldCount;
    placeDialog(dialog, s.owner, 508, 24 * n + 52);
    for (int i = 1; i <= n; ++i) addNameBox(dialog, i);
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    const int y = buttonTop(n);
    addControl(dialog, "BUTTON", "Add Another Field", button, 0, IDC_NEW_ADD_FIELD, 112, y, 104, 24);
    addControl(dialog, "BUTTON", "Delete Last Field", button, 0, IDC_NEW_DELETE_FIELD, 224, y, 104, 24);
    addControl(dialog, "BUTTON", "Create Now", button, 0, IDC_NEW_CREATE, 336, y, 80, 24);
    addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_NEW_CANCEL, 424, y, 72, 24);
}

// After a box is added or removed: the buttons follow the last box and the
// dialog's outer size follows the number of boxes.
void fitToBoxes(HWND dialog) {
    const int n = app().newFileFieldCount;
    const struct {
        int id;
        int x;
    } buttons[] = {{IDC_NEW_ADD_FIELD, 112}, {IDC_NEW_DELETE_FIELD, 224}, {IDC_NEW_CREATE, 336}, {IDC_NEW_CANCEL, 424}};
    for (const auto& b : buttons)
        SetWindowPos(GetDlgItem(dialog, b.id), nullptr, b.x, buttonTop(n), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(dialog, nullptr, 0, 0, 508, 24 * n + 76, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void addField(HWND dialog) {
    int& n = app().newFileFieldCount;
    if (n >= kMaxBoxes) return;
    ++n;
    addNameBox(dialog, n);
    fitToBoxes(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD), TRUE);
}

void deleteLastField(HWND dialog) {
    int& n = app().newFileFieldCount;
    if (n <= kMinBoxes) return;
    DestroyWindow(GetDlgItem(dialog, IDC_NEW_NAME_BASE + n));
    DestroyWindow(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + n));
    --n;
    fitToBoxes(dialog);
    if (n == kMinBoxes) {
        HWND button = GetDlgItem(dialog, IDC_NEW_DELETE_FIELD);
        // A disabled button cannot keep the focus: hand it to its neighbour.
        if (GetFocus() == button)
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_NEW_ADD_FIELD)), TRUE);
        EnableWindow(button, FALSE);
    }
}

// "Create Now": false, with the error shown, when no box holds a name.
bool createNewTable(HWND dialog) {
    std::vector<std::string> texts;
    for (int i = 1; i <= app().newFileFieldCount; ++i)
        texts.push_back(getText(GetDlgItem(dialog, IDC_NEW_NAME_BASE + i)));
    if (!defineNewTable(app().table, collectFieldNames(texts), measureTextWidth)) {
        messageBox(std::string(kNoFieldNamesMessage), "Error", kErrorBoxFlags);
        return false;
    }
    rebuildTableView();
    return true;
}

INT_PTR CALLBACK newFileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* s = reinterpret_cast<NewFileSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            s = reinterpret_cast<NewFileSession*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            createControls(dialog, *s);
            return 0;
        case WM_NCACTIVATE:
            if (!s) return 0;
            rememberFocus(s->savedFocus, wParam);
            return 0;
        case WM_COMMAND:
            // Enter and Escape arrive as ids 1 and 2, which match nothing here.
            if (HIWORD(wParam) > 1) return 0;
            switch (LOWORD(wParam)) {
            case IDC_NEW_ADD_FIELD: addField(dialog); break;
            case IDC_NEW_DELETE_FIELD: deleteLastField(dialog); break;
            case IDC_NEW_CREATE:
                if (createNewTable(dialog)) EndDialog(dialog, 0);
                break;
            case IDC_NEW_CANCEL: EndDialog(dialog, 0); break;
            }
            return 0;
        case WM_CLOSE:
            // The dialog manager would turn the close into IDCANCEL, which
            // this dialog ignores: end it here as Cancel does.
            EndDialog(dialog, 0);
            return 0;
        }
    } catch (...) {
        EndDialog(dialog, 0);
    }
    return 0;
}

}  // namespace

int showNewFileDialog(HWND owner) {
    int& n = app().newFileFieldCount;
    if (n < kMinBoxes) n = kMinBoxes;
    if (n > kMaxBoxes) n = kMaxBoxes;
    NewFileSession session;
    session.owner = owner;
    runModalDialog(owner, "Create new file", kDialogStyle, newFileDialogProc, reinterpret_cast<LPARAM>(&session));
    return 0;
}

}  // namespace varnel
