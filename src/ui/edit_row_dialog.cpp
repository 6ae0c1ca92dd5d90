// The "Edit item #" dialog: one box per field of the row being edited.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "edit/row_change.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/edit_commands.h"
#include "ui/table_view.h"

namespace varnel {
namespace {

enum : int {
    IDC_EDIT_SAVE = 2001,
    IDC_EDIT_CANCEL = 2002,
    IDC_EDIT_LABEL_BASE = 2003,
    IDC_EDIT_FIELD_BASE = 2103,
};

struct EditRowSession {
    HWND owner = nullptr;
    int32_t row = 0;
    // The box of field i at index i - 1. Label and box ids overlap beyond
    // 100 fields, so boxes are never looked up by id. A box the system could
    // not create is null and its cell is left alone.
    std::vector<HWND> boxes;
    HWND savedFocus = nullptr;
};

// 24 pixels per field plus `base`, kept within int for any field count.
int rowsTall(int32_t fields, int base) {
    return static_cast<int>(std::min<int64_t>(int64_t{24} * fields + base, INT_MAX));
}

void createControls(HWND dialog, EditRowSession& s) {
    const TableDocument& table = app().table;
    const int n = table.fieldCount();
    placeDialog(dialog, s.owner, 507, rowsTall(n, 50));
    const int buttonY = rowsTall(n, 16);
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    addControl(dialog, "BUTTON", "Save Changes", button, 0, IDC_EDIT_SAVE, 304, buttonY, 112, 24);
    addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_EDIT_CANCEL, 424, buttonY, 72, 24);
    s.boxes.assign(static_cast<size_t>(n), nullptr);
    for (int i = 1; i <= n; ++i) {
        const int y = rowsTall(i - 1, 8);
        const std::string label = table.fieldNames[i - 1] + ":";
        // Out of window objects (a very wide table): every further control
        // would fail as well; the fields without a box keep their cells.
        // SS_NOPREFIX: an "&" in a name is shown, not taken as an access key.
        if (!addControl(dialog, "STATIC", label.c_str(),
                        WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0, IDC_EDIT_LABEL_BASE + i,
                        8, y, 128, 24))
            break;
        const std::string text(table.cell(s.row, i));
        s.boxes[i - 1] =
            addControl(dialog, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                       WS_EX_CLIENTEDGE, IDC_EDIT_FIELD_BASE + i, 144, y, 352, 24);
        HWND box = s.boxes[i - 1];
        if (!box) break;
        // No length limit: the box's default would let nothing be typed
        // into a cell of more than 30,000 bytes.
        SendMessageA(box, EM_LIMITTEXT, 0, 0);
        // Some edit controls count the creation text as a change: start unchanged.
        SendMessageA(box, EM_SETMODIFY, FALSE, 0);
    }
}

// Writes the boxes the user changed into the row and redraws its list item
// (the list takes its texts from the table).
void saveChanges(const EditRowSession& s) {
    std::vector<FieldEdit> edits;
    for (size_t k = 0; k < s.boxes.size(); ++k) {
        HWND box = s.boxes[k];
        if (box && SendMessageA(box, EM_GETMODIFY, 0, 0)) edits.push_back({static_cast<int32_t>(k + 1), getText(box)});
    }
    if (applyFieldEdits(app().table, s.row, edits).empty()) return;
    redrawListItem(s.row - 1);
}

INT_PTR CALLBACK editRowDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* s = reinterpret_cast<EditRowSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            s = reinterpret_cast<EditRowSession*>(lParam);
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
            case IDC_EDIT_SAVE:
                saveChanges(*s);
                EndDialog(dialog, 0);
                break;
            case IDC_EDIT_CANCEL: EndDialog(dialog, 0); break;
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

// The caller holds the command scope for as long as the dialog is open.
void showEditRowDialog(HWND owner) {
    const int32_t row = app().selectedRow;
    if (row < 1 || row > app().table.rowCount()) return;
    EditRowSession session;
    session.owner = owner;
    session.row = row;
    const std::string caption = "Edit item #" + formatCount(row);
    runModalDialog(owner, caption.c_str(), kDialogStyle, editRowDialogProc, reinterpret_cast<LPARAM>(&session));
}

}  // namespace varnel
