// Dialogs built in code: an in-memory template with no items (caption, style,
// "MS Sans Serif" 8 point), then controls created at pixel positions of the
// client area. Every size and position in this program is in pixels.
#pragma once

#include <windows.h>

#include <vector>

namespace varnel {

// WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | DS_NOFAILCREATE
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | DS_NOFAILCREATE;

// Runs a modal dialog (owner disabled while it runs). The procedure gets
// WM_INITDIALOG with `param`; it creates its controls there and calls
// placeDialog. Returns the EndDialog result.
INT_PTR runModalDialog(HWND owner, const char* caption, DWORD style, DLGPROC proc, LPARAM param);

// Gives the dialog a client area of width x height pixels, its top-left corner
// 50, 50 pixels from the owner's client origin (in screen terms).
void placeDialog(HWND dialog, HWND owner, int clientWidth, int clientHeight);

// The in-memory template of an empty dialog: caption, style and the
// "MS Sans Serif" 8 point font (DS_SETFONT is always added).
std::vector<WORD> buildDialogTemplate(const char* caption, DWORD style, DWORD exStyle);

// Moves a window to x, y (unless SWP_NOMOVE is in flags) and gives it a
// client area of exactly clientWidth x clientHeight pixels.
void setClientSize(HWND window, int x, int y, int clientWidth, int clientHeight, UINT flags);

// Focus memory on WM_NCACTIVATE: deactivation (wParam 0) keeps the focused
// control in `saved`; the next activation gives it the focus back.
void rememberFocus(HWND& saved, WPARAM wParam);

// Creates a child control with the dialog's font. The text shows as given,
// whatever byte it begins with and however long it is.
HWND addControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int id, int x,
                int y, int width, int height);

}  // namespace varnel
