// The "Create new file" dialog: one box per field name, boxes added and
// removed by two buttons, and "Create Now" handing the names on.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/dialogs.h"

namespace varnel {
namespace {

constexpr int kMinBoxes = 1;
constexpr int kMaxBoxes = 99;

int rowTop(int i) { return 24 * (i - 1) + 8; }
int buttonTop(int n) { return 24 * n + 16; }

class NewFileDialog final : public DialogSession {
public:
    explicit NewFileDialog(const NewFileDialogInput& input)
        : input_(input), boxes_(std::clamp(input.boxes, kMinBoxes, kMaxBoxes)) {}
    std::optional<std::vector<std::string>> created;

private:
    void create(HWND dialog) override;
    void clicked(HWND dialog, int id) override;
    void addNameBox(HWND dialog, int i);
    void fitToBoxes(HWND dialog);
    void addField(HWND dialog);
    void deleteLastField(HWND dialog);
    void createPressed(HWND dialog);

    const NewFileDialogInput& input_;
    int boxes_;
};

void NewFileDialog::addNameBox(HWND dialog, int i) {
    addControl(dialog, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
               IDC_NEW_NAME_BASE + i, 112, rowTop(i), 384, 24);
    const std::string label = "Name of field " + std::to_string(i) + ":";
    addControl(dialog, "STATIC", label.c_str(), WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, 0,
               IDC_NEW_LABEL_BASE + i, 8, rowTop(i), 96, 24);
}

void NewFileDialog::create(HWND dialog) {
    const int n = boxes_;
    placeDialog(dialog, owner(), 508, 24 * n + 52);
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
void NewFileDialog::fitToBoxes(HWND dialog) {
    const struct {
        int id;
        int x;
    } buttons[] = {{IDC_NEW_ADD_FIELD, 112}, {IDC_NEW_DELETE_FIELD, 224}, {IDC_NEW_CREATE, 336}, {IDC_NEW_CANCEL, 424}};
    for (const auto& b : buttons)
        SetWindowPos(GetDlgItem(dialog, b.id), nullptr, b.x, buttonTop(boxes_), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(dialog, nullptr, 0, 0, 508, 24 * boxes_ + 76, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NewFileDialog::addField(HWND dialog) {
    if (boxes_ >= kMaxBoxes) return;
    ++boxes_;
    addNameBox(dialog, boxes_);
    fitToBoxes(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD), TRUE);
}

void NewFileDialog::deleteLastField(HWND dialog) {
    if (boxes_ <= kMinBoxes) return;
    DestroyWindow(GetDlgItem(dialog, IDC_NEW_NAME_BASE + boxes_));
    DestroyWindow(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + boxes_));
    --boxes_;
    fitToBoxes(dialog);
    if (boxes_ == kMinBoxes) {
        HWND button = GetDlgItem(dialog, IDC_NEW_DELETE_FIELD);
        // A disabled button cannot keep the focus: hand it to its neighbour.
        if (GetFocus() == button)
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_NEW_ADD_FIELD)), TRUE);
        EnableWindow(button, FALSE);
    }
}

// "Create Now": the boxes' texts to input.create, which makes the table or
// says why not (the dialog then stays).
void NewFileDialog::createPressed(HWND dialog) {
    std::vector<std::string> texts;
    for (int i = 1; i <= boxes_; ++i) texts.push_back(getText(GetDlgItem(dialog, IDC_NEW_NAME_BASE + i)));
    if (!input_.create(texts)) return;
    created = std::move(texts);
    EndDialog(dialog, 0);
}

void NewFileDialog::clicked(HWND dialog, int id) {
    switch (id) {
    case IDC_NEW_ADD_FIELD: addField(dialog); break;
    case IDC_NEW_DELETE_FIELD: deleteLastField(dialog); break;
    case IDC_NEW_CREATE: createPressed(dialog); break;
    case IDC_NEW_CANCEL: EndDialog(dialog, 0); break;
    default: break;
    }
}

}  // namespace

std::optional<std::vector<std::string>> runNewFileDialog(HWND owner, const NewFileDialogInput& input) {
    NewFileDialog dialog(input);
    dialog.run(owner, "Create new file");
    return dialog.created;
}

}  // namespace varnel
