// Dialogs built in code: an in-memory template with no items (caption, style,
// "MS Sans Serif" 8 point), then controls created at pixel positions of the
// client area. Every size and position in this program is in pixels.
#pragma once

#include <windows.h>

#include <exception>
#include <vector>

namespace varnel {

// The system places no window lower than 32,767 pixels (a position further
// down is taken as 32,767, and Wine also cuts a window's height there). A
// dialog with a row of controls per field keeps its client area within this
// height, which leaves room for the tallest frame and caption; its controls
// then sit where they belong. A few thousand controls are also far within
// the 10,000 window objects Windows gives a process.
constexpr int kMaxDialogClientHeight = 32200;

// WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | DS_NOFAILCREATE
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | DS_NOFAILCREATE;

// Runs a modal dialog (owner disabled while it runs). The procedure gets
// WM_INITDIALOG with `param`; it creates its controls there and calls
// placeDialog. Returns the EndDialog result.
INT_PTR runModalDialog(HWND owner, const char* caption, DWORD style, DLGPROC proc, LPARAM param);

// What every dialog of the program does alike: the session object kept with
// the dialog, the focus kept while it is inactive, clicks taken only from
// buttons (Enter and Escape arrive as ids 1 and 2 and do nothing), the
// system close ending it, and no exception leaving its procedure: one that
// comes ends the dialog and is thrown again by run().
class DialogSession {
public:
    virtual ~DialogSession() = default;
    DialogSession() = default;
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // Runs the dialog modally over `owner`; returns the EndDialog result
    // (-1 when the system could not make it).
    INT_PTR run(HWND owner, const char* caption);

protected:
    HWND owner() const { return owner_; }
    // WM_INITDIALOG: the controls and the dialog's size.
    virtual void create(HWND dialog) = 0;
    // A button with this id was clicked.
    virtual void clicked(HWND dialog, int id) = 0;
    // The system close (Alt+F4): as Cancel unless said otherwise.
    virtual void closed(HWND dialog) { EndDialog(dialog, 0); }
    // Any other message; true when handled.
    virtual bool other(HWND, UINT, WPARAM, LPARAM) { return false; }

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    HWND owner_ = nullptr;
    HWND savedFocus_ = nullptr;
    std::exception_ptr failure_;
};

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

// A dialog with a control per field can be many screens tall, and the system
// sends every control its WM_PAINT, on the screen or not. Run on the
// dialog's own WM_PAINT, which comes before its controls': the part of the
// dialog outside the screen counts as painted, for the controls too. Run
// repaintDialog on WM_MOVE and WM_DISPLAYCHANGE, so that whatever comes into
// view then is painted.
void skipPaintingOffScreen(HWND dialog);
void repaintDialog(HWND dialog);

// Creates a child control with the dialog's font. The text shows as given,
// whatever byte it begins with and however long it is.
HWND addControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int id, int x,
                int y, int width, int height);

}  // namespace varnel
