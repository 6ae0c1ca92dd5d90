// The open-file and save-file dialogs of Load and Re-Save, both placed 30, 30
// pixels from the main window's top-left corner.
#pragma once

#include <windows.h>

#include <string>

namespace varnel {

// The chosen full path, or the empty text when the dialog was cancelled.
std::string askFileToLoad(HWND owner);
std::string askFileToSave(HWND owner, const std::string& proposedName);

}  // namespace varnel
