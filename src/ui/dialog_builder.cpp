#include "ui/dialog_builder.h"

#include <cstring>
#include <string>
#include <vector>

#include "ui/handles.h"
#include "ui/wait_cursor.h"

namespace varnel {
namespace {

static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE is packed to 18 bytes");

void appendWide(std::vector<WORD>& words, const char* text) {
    const int count = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(count > 0 ? static_cast<size_t>(count) : 1, L'\0');
    if (count > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), count);
    for (wchar_t c : wide) words.push_back(static_cast<WORD>(c));
    if (wide.back() != L'\0') words.push_back(0);
}

}  // namespace

std::vector<WORD> buildDialogTemplate(const char* caption, DWORD style, DWORD exStyle) {
    DLGTEMPLATE header{};
    header.style = style | DS_SETFONT;
    header.dwExtendedStyle = exStyle;
    header.cdit = 0;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    std::memcpy(words.data(), &header, sizeof(DLGTEMPLATE));
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    appendWide(words, caption);
    words.push_back(8);  // point size of the font
    appendWide(words, "MS Sans Serif");
    return words;
}

INT_PTR runModalDialog(HWND owner, const char* caption, DWORD style, DLGPROC proc, LPARAM param) {
    const std::vector<WORD> dialogTemplate = buildDialogTemplate(caption, style, 0);
    WaitCursorPause userCursor;
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()),
                                   owner, proc, param);
}

INT_PTR DialogSession::run(HWND owner, const char* caption) {
    owner_ = owner;
    const INT_PTR ended = runModalDialog(owner, caption, kDialogStyle, procedure, reinterpret_cast<LPARAM>(this));
    if (failure_) std::rethrow_exception(failure_);
    return ended;
}

INT_PTR CALLBACK DialogSession::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<DialogSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        session = reinterpret_cast<DialogSession*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    }
    if (!session) return 0;
    try {
        switch (message) {
        case WM_INITDIALOG:
            session->create(dialog);
            return 0;
        case WM_NCACTIVATE:
            rememberFocus(session->savedFocus_, wParam);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) <= 1) session->clicked(dialog, LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            // The dialog manager would turn the close into IDCANCEL, which
            // stands for Escape here and does nothing.
            session->closed(dialog);
            return TRUE;
        default:
            return session->other(dialog, message, wParam, lParam) ? TRUE : 0;
        }
    } catch (...) {
        session->failure_ = std::current_exception();
        EndDialog(dialog, 0);
    }
    return 0;
}

void setClientSize(HWND window, int x, int y, int clientWidth, int clientHeight, UINT flags) {
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    SetWindowPos(window, nullptr, x, y, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame the system draws differs from the computed one, correct
    // by the measured difference so that the client area is exact.
    RECT client{};
    GetClientRect(window, &client);
    const int dx = clientWidth - (client.right - client.left);
    const int dy = clientHeight - (client.bottom - client.top);
    if (dx != 0 || dy != 0)
        SetWindowPos(window, nullptr, 0, 0, width + dx, height + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void placeDialog(HWND dialog, HWND owner, int clientWidth, int clientHeight) {
    POINT origin{0, 0};
    if (owner) ClientToScreen(owner, &origin);
    setClientSize(dialog, origin.x + 50, origin.y + 50, clientWidth, clientHeight, 0);
}

HWND addControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int id, int x,
                int y, int width, int height) {
    // Two creation texts do not come out as given, so they are set once the
    // control exists: one of 65,536 bytes or more is cut to its length modulo
    // 65,536 on some systems, and one that begins with byte 0xFF names a
    // resource by number (0xFF and the next two bytes), as in a dialog template.
    const bool setLater = text && (text[0] == '\xFF' || std::strlen(text) > 0xFFFF);
    HWND control = CreateWindowExA(exStyle, className, setLater ? "" : text, style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    if (!control) return nullptr;
    if (setLater) SetWindowTextA(control, text);
    SendMessageA(control, WM_SETFONT, SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
    return control;
}

void skipPaintingOffScreen(HWND dialog) {
    RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&screen), 2);
    RECT client{};
    GetClientRect(dialog, &client);
    RECT seen{};
    IntersectRect(&seen, &client, &screen);
    if (EqualRect(&seen, &client)) return;
    UniqueRegion unseen(CreateRectRgnIndirect(&client));
    UniqueRegion onScreen(CreateRectRgnIndirect(&seen));
    if (!unseen || !onScreen || CombineRgn(unseen.get(), unseen.get(), onScreen.get(), RGN_DIFF) == ERROR) return;
    RedrawWindow(dialog, nullptr, unseen.get(), RDW_VALIDATE | RDW_ALLCHILDREN);
}

void repaintDialog(HWND dialog) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void rememberFocus(HWND& saved, WPARAM wParam) {
    if (wParam == 0) {
        saved = GetFocus();
    } else if (saved) {
        SetFocus(saved);
        saved = nullptr;
    }
}

}  // namespace varnel
