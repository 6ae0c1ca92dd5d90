// Small helpers over plain, non-owning control handles.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "search/search_window.h"

namespace varnel {

std::string getText(HWND window);
void setText(HWND window, const std::string& text);
std::string getItemText(HWND dialog, int id);
void setItemText(HWND dialog, int id, const std::string& text);
// A button reads "&" as the mark of an underlined access key and has no
// style to turn that off: each "&" doubled shows as one.
std::string doubledAmpersands(std::string_view text);
bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, bool checked);

// Places a child at x, y of its parent's client area (size kept), or sizes it
// (position kept).
void moveControl(HWND control, int x, int y);
void sizeControl(HWND control, int width, int height);

// A message box without owner window; returns the button pressed.
// A message box without owner, with the buttons and icon of its kind.
BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind);

// The folder that holds the program's executable, without a trailing backslash.
std::string programFolder();

// The system's text for an error code, without the trailing line end.
std::string systemErrorText(DWORD code);

}  // namespace varnel
