// The program's dialogs, each a function with its data in and its result
// out: nothing when it was cancelled.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/table_window.h"

namespace varnel {

// The import dialog, with a check box for each field of the first line (as
// many as the system can place). Load hands the options to input.load, and
// the dialog ends when that loaded the table: its options are the result.
std::optional<ImportOptions> runImportDialog(HWND owner, const ImportDialogInput& input);
// The dialog has a check box for each of the first kMaxFieldBoxes fields;
// further fields are always imported, and the dialog says so.
constexpr int32_t kMaxFieldBoxes = 2000;
// Another number of boxes (tests and the bench; the dialog is then as tall
// as its boxes need, as far as the system places them).
void setMostFieldBoxes(int32_t boxes);

// "Create new file": name boxes, and Create Now handing their texts to
// input.create; the dialog ends when that made the table.
std::optional<std::vector<std::string>> runNewFileDialog(HWND owner, const NewFileDialogInput& input);

// "Edit item #": a label and a box for each field of the row; Save Changes
// gives the boxes the user changed.
std::optional<std::vector<FieldEdit>> runEditRowDialog(HWND owner, const EditRowInput& input);

// "Search and Replace": the replacement and whether every change is to be
// confirmed (Go), or closed without either (a plain search follows).
std::optional<ReplaceDialogResult> runReplaceDialog(HWND owner, const std::string& prompt);

}  // namespace varnel
