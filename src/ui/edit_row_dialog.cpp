// The "Edit item #" dialog: one box per field of the row being edited.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "edit/row_change.h"
#include "ui/control_ids.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/edit_commands.h"
#include "ui/table_view.h"

namespace varnel {
namespace {

// Fields past this many get no label and box; their cells stay as they are.
constexpr int32_t kMaxEditFields = 1300;
static_assert(24 * kMaxEditFields + 50 <= kMaxDialogClientHeight);

struct EditRowSession {
    HWND owner = nullptr;
    int32_t row = 0;
    // The box of field i at index i - 1, one for each pair of label and box
    // made: fewer than the fields when the row has more than the dialog
    // takes, or when the system had no window left. Label and box ids
    // overlap beyond 100 fields, so boxes are never looked up by id.
    std::vector<HWND> boxes;
    HWND savedFocus = nullptr;
    // Save Changes or Cancel could not be made: the dialog ends at once.
    bool noRoom = false;
};

// 24 pixels per field plus `base`, kept within int for any field count.
int rowsTall(int32_t fields, int base) {
    return static_cast<int>(std::min<int64_t>(int64_t{24} * fields + base, INT_MAX));
}

// Added to the caption when some fields have no box.
std::string fieldsWithoutBoxNote(int32_t fields, int32_t boxes) {
    if (boxes == 0) return " (no room for its " + formatCount(fields) + " fields: nothing can be changed)";
    return " (first " + formatCount(boxes) + " of " + formatCount(fields) + " fields; the rest stay as they are)";
}

void createControls(HWND dialog, EditRowSession& s) {
    const TableDocument& table = app().table;
    const int32_t n = table.fieldCount();
    const int32_t wanted = std::min(n, kMaxEditFields);
    // Sized before the controls exist: moving a window that holds thousands
    // of them costs as much again.
    placeDialog(dialog, s.owner, 507, rowsTall(wanted, 50));
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    const int buttonY = rowsTall(wanted, 16);
    HWND save = addControl(dialog, "BUTTON", "Save Changes", button, 0, IDC_EDIT_SAVE, 304, buttonY, 112, 24);
    HWND cancel = addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_EDIT_CANCEL, 424, buttonY, 72, 24);
    if (!save || !cancel) {
        s.noRoom = true;
        return;
    }
    s.boxes.reserve(static_cast<size_t>(wanted));
    for (int32_t i = 1; i <= wanted; ++i) {
        const int y = rowsTall(i - 1, 8);
        const std::string label = shownText(table.fieldNames[i - 1]) + ":";
        // Out of window objects (a very wide table): every further control
        // would fail as well. A label without its box goes again.
        // SS_NOPREFIX: an "&" in a name is shown, not taken as an access key.
        HWND name = addControl(dialog, "STATIC", label.c_str(),
                               WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                               IDC_EDIT_LABEL_BASE + i, 8, y, 128, 24);
        if (!name) break;
        const std::string text(table.cell(s.row, i));
        HWND box =
            addControl(dialog, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                       WS_EX_CLIENTEDGE, IDC_EDIT_FIELD_BASE + i, 144, y, 352, 24);
        if (!box) {
            DestroyWindow(name);
            break;
        }
        // No length limit: the box's default would let nothing be typed
        // into a cell of more than 30,000 bytes.
        SendMessageA(box, EM_LIMITTEXT, 0, 0);
        // Some edit controls count the creation text as a change: start unchanged.
        SendMessageA(box, EM_SETMODIFY, FALSE, 0);
        s.boxes.push_back(box);
    }
    const int32_t boxes = static_cast<int32_t>(s.boxes.size());
    if (boxes < wanted) {
        moveControl(save, 304, rowsTall(boxes, 16));
        moveControl(cancel, 424, rowsTall(boxes, 16));
        placeDialog(dialog, s.owner, 507, rowsTall(boxes, 50));
    }
    if (boxes < n) setText(dialog, getText(dialog) + fieldsWithoutBoxNote(n, boxes));
}

// Writes the boxes the user changed into the row and redraws its list item
// (the list takes its texts from the table).
void saveChanges(const EditRowSession& s) {
    std::vector<FieldEdit> edits;
    for (size_t k = 0; k < s.boxes.size(); ++k) {
        HWND box = s.boxes[k];
        if (SendMessageA(box, EM_GETMODIFY, 0, 0)) edits.push_back({static_cast<int32_t>(k + 1), getText(box)});
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
            if (s->noRoom) EndDialog(dialog, 0);
            return 0;
        case WM_PAINT:
            skipPaintingOffScreen(dialog);
            return 0;
        case WM_MOVE:
        case WM_DISPLAYCHANGE:
            repaintDialog(dialog);
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
    const INT_PTR ended =
        runModalDialog(owner, caption.c_str(), kDialogStyle, editRowDialogProc, reinterpret_cast<LPARAM>(&session));
    // Its windows are gone now, so the message has room to be shown.
    if (ended == -1 || session.noRoom)
        messageBox("The edit dialog could not be shown: the system has no room for more windows.", "Error",
                   kErrorBoxFlags);
}

}  // namespace varnel
