// The editing commands the main window dispatches to: the edit-row dialog,
// the row menu with insert and delete, the new-file dialog, and the Search
// and Replace dialog.
#pragma once

#include <windows.h>

#include <string>

#include "search/search_window.h"

namespace varnel {

// Edits row app().selectedRow (checked by the caller) in a modal dialog.
void showEditRowDialog(HWND owner);

// The table list's subclassing procedure (the row menu) and its installation,
// which keeps the list's own procedure in app().originalListProc.
LRESULT CALLBACK rowMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void subclassTableList(HWND list);

void insertRowAtSelection();
void deleteSelectedRows();

// The "Create new file" dialog, with app().newFileFieldCount boxes.
int showNewFileDialog(HWND owner);

// The "Search and Replace" dialog.
ReplaceDialogResult runReplaceDialog(HWND owner, const std::string& prompt);

}  // namespace varnel
