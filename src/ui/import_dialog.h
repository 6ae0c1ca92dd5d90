// The import dialog: where the field names come from, whether the first line
// is data, and which fields to import.
#pragma once

#include <windows.h>

#include <cstdint>

namespace varnel {

// Decides the file kind from the name and first line, then runs the dialog
// over `owner`. Its Load imports the file and shows the new table; Cancel
// (or a system close) leaves everything as it was.
void runImportDialog(HWND owner);

// The dialog has a check box for each of the first kMaxFieldBoxes fields;
// further fields are always imported, and the dialog says so.
constexpr int32_t kMaxFieldBoxes = 2000;
// Another number of boxes (tests and the bench; the dialog is then as tall
// as its boxes need, as far as the system places them).
void setMostFieldBoxes(int32_t boxes);

}  // namespace varnel
