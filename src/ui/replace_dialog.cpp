// The "Search and Replace" dialog: the replacement text and whether every
// change is to be confirmed.
#include <windows.h>

#include <optional>
#include <string>

#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/dialogs.h"

namespace varnel {
namespace {

class ReplaceDialog final : public DialogSession {
public:
    explicit ReplaceDialog(const std::string& prompt) : prompt_(prompt) {}
    // Go: the replacement and whether to confirm each change. Any other way
    // out but Cancel: "closed", and the command goes on as a plain search.
    std::optional<ReplaceDialogResult> answer = ReplaceDialogResult{};

private:
    void create(HWND dialog) override;
    void clicked(HWND dialog, int id) override;

    const std::string& prompt_;
};

void ReplaceDialog::create(HWND dialog) {
    placeDialog(dialog, owner(), 569, 66);
    // The prompt quotes the query and a field name: "&" in them is text.
    addControl(dialog, "STATIC", prompt_.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, IDC_REPLACE_PROMPT,
               8, 8, 424, 16);
    addControl(dialog, "BUTTON", "Confirm changes", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
               IDC_REPLACE_CONFIRM, 440, 8, 424, 16);
    addControl(dialog, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
               IDC_REPLACE_TEXT, 8, 32, 424, 24);
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    addControl(dialog, "BUTTON", "Go", button, 0, IDC_REPLACE_GO, 440, 32, 56, 24);
    addControl(dialog, "BUTTON", "Cancel", button, 0, IDC_REPLACE_CANCEL, 504, 32, 56, 24);
}

void ReplaceDialog::clicked(HWND dialog, int id) {
    if (id == IDC_REPLACE_GO) {
        answer = ReplaceDialogResult{ReplaceDialogResult::Ending::Go, getText(GetDlgItem(dialog, IDC_REPLACE_TEXT)),
                                     isChecked(dialog, IDC_REPLACE_CONFIRM)};
        EndDialog(dialog, 0);
    }
    if (id == IDC_REPLACE_CANCEL) {
        answer.reset();
        EndDialog(dialog, 0);
    }
}

}  // namespace

std::optional<ReplaceDialogResult> runReplaceDialog(HWND owner, const std::string& prompt) {
    ReplaceDialog dialog(prompt);
    dialog.run(owner, "Search and Replace");
    return dialog.answer;
}

}  // namespace varnel
