// The "Edit item #" dialog: one box per field of the row being edited.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/dialogs.h"

namespace varnel {
namespace {

// Fields past this many get no label and box; their cells stay as they are.
constexpr int32_t kMaxEditFields = 1300;
static_assert(24 * kMaxEditFields + 50 <= kMaxDialogClientHeight);

// 24 pixels per field plus `base`, kept within int for any field count.
int rowsTall(int32_t fields, int base) {
    return static_cast<int>(std::min<int64_t>(int64_t{24} * fields + base, INT_MAX));
}

// Added to the caption when some fields have no box.
std::string fieldsWithoutBoxNote(int32_t fields, int32_t boxes) {
    if (boxes == 0) return " (no room for its " + formatCount(fields) + " fields: nothing can be changed)";
    return " (first " + formatCount(boxes) + " of " + formatCount(fields) + " fields; the rest stay as they are)";
}

class EditRowDialog final : public DialogSession {
public:
    explicit EditRowDialog(const EditRowInput& input) : input_(input) {}
    std::optional<std::vector<FieldEdit>> saved;
    // Save Changes or Cancel could not be made: the dialog ended at once.
    bool noRoom = false;

private:
    void create(HWND dialog) override;
    void clicked(HWND dialog, int id) override;
    bool other(HWND dialog, UINT message, WPARAM, LPARAM) override;

    const EditRowInput& input_;
    // The box of field i at index i - 1, one for each pair of label and box
    // made: fewer than the fields when the row has more than the dialog
    // takes, or when the system had no window left. Label and box ids
    // overlap beyond 100 fields, so boxes are never looked up by id.
    std::vector<HWND> boxes_;
};

void EditRowDialog::create(HWND dialog) {
    const int32_t n = static_cast<int32_t>(input_.cells.size());
    const int32_t wanted = std::min(n, kMaxEditFields);
    // Sized before the controls exist: moving a window that holds thousands
    // of them costs as much again.
    placeDialog(dialog, owner(), 507, rowsTall(wanted, 50));
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    const int buttonY = rowsTall(wanted, 16);
    HWND save = addControl(dialog, "BUTTON", "Save Changes", button, 0, IDC_EDIT_SAVE, 304, buttonY, 112, 24);
    HWND cancel = addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_EDIT_CANCEL, 424, buttonY, 72, 24);
    if (!save || !cancel) {
        noRoom = true;
        EndDialog(dialog, 0);
        return;
    }
    boxes_.reserve(static_cast<size_t>(wanted));
    for (int32_t i = 1; i <= wanted; ++i) {
        const int y = rowsTall(i - 1, 8);
        const std::string label = shownText(input_.names[static_cast<size_t>(i - 1)]) + ":";
        // Out of window objects (a very wide table): every further control
        // would fail as well. A label without its box goes again.
        // SS_NOPREFIX: an "&" in a name is shown, not taken as an access key.
        HWND name = addControl(dialog, "STATIC", label.c_str(),
                               WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                               IDC_EDIT_LABEL_BASE + i, 8, y, 128, 24);
        if (!name) break;
        const std::string text(input_.cells[static_cast<size_t>(i - 1)]);
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
        boxes_.push_back(box);
    }
    const int32_t boxes = static_cast<int32_t>(boxes_.size());
    if (boxes < wanted) {
        moveControl(save, 304, rowsTall(boxes, 16));
        moveControl(cancel, 424, rowsTall(boxes, 16));
        placeDialog(dialog, owner(), 507, rowsTall(boxes, 50));
    }
    if (boxes < n) setText(dialog, getText(dialog) + fieldsWithoutBoxNote(n, boxes));
}

void EditRowDialog::clicked(HWND dialog, int id) {
    if (id == IDC_EDIT_SAVE) {
        // Only the boxes the user changed: a box cannot hold every byte a
        // cell can (NUL), so an untouched one is never written back.
        std::vector<FieldEdit> edits;
        for (size_t k = 0; k < boxes_.size(); ++k)
            if (SendMessageA(boxes_[k], EM_GETMODIFY, 0, 0))
                edits.push_back({static_cast<int32_t>(k + 1), getText(boxes_[k])});
        saved = std::move(edits);
        EndDialog(dialog, 0);
    }
    if (id == IDC_EDIT_CANCEL) EndDialog(dialog, 0);
}

bool EditRowDialog::other(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_PAINT) skipPaintingOffScreen(dialog);
    if (message == WM_MOVE || message == WM_DISPLAYCHANGE) repaintDialog(dialog);
    return false;
}

}  // namespace

std::optional<std::vector<FieldEdit>> runEditRowDialog(HWND owner, const EditRowInput& input) {
    EditRowDialog dialog(input);
    const std::string caption = "Edit item #" + formatCount(input.row);
    const INT_PTR ended = dialog.run(owner, caption.c_str());
    // Its windows are gone now, so the message has room to be shown.
    if (ended == -1 || dialog.noRoom)
        messageBox("The edit dialog could not be shown: the system has no room for more windows.", "Error",
                   BoxKind::Stop);
    return dialog.saved;
}

}  // namespace varnel
