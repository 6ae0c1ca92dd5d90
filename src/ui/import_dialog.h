// The import dialog: where the field names come from, whether the first line
// is data, and which fields to import.
#pragma once

#include <windows.h>

namespace varnel {

// Decides the file kind from the name and first line, then runs the dialog
// over `owner`. Its Load imports the file and shows the new table; Cancel
// (or a system close) leaves everything as it was.
void runImportDialog(HWND owner);

}  // namespace varnel
