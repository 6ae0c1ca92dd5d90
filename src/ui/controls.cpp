#include "ui/controls.h"

#include <vector>

#include "ui/wait_cursor.h"

namespace varnel {

std::string getText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void setText(HWND window, const std::string& text) { SetWindowTextA(window, text.c_str()); }

std::string getItemText(HWND dialog, int id) { return getText(GetDlgItem(dialog, id)); }

void setItemText(HWND dialog, int id, const std::string& text) { setText(GetDlgItem(dialog, id), text); }

std::string doubledAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(c);
        if (c == '&') out.push_back('&');
    }
    return out;
}

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void setChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void moveControl(HWND control, int x, int y) {
    SetWindowPos(control, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void sizeControl(HWND control, int width, int height) {
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT boxFlags(BoxKind kind) {
    switch (kind) {
    case BoxKind::Stop:
        return MB_ICONHAND | MB_SYSTEMMODAL;  // 0x1010
    case BoxKind::Question:
        return MB_YESNO | MB_SYSTEMMODAL;  // 0x1004
    case BoxKind::Information:
        return MB_ICONINFORMATION;  // 0x40
    case BoxKind::Confirm:
        return MB_YESNOCANCEL | MB_ICONQUESTION;  // 0x23
    }
    return MB_OK;
}

BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
    WaitCursorPause userCursor;
    return static_cast<BoxAnswer>(MessageBoxA(nullptr, text.c_str(), caption.c_str(), boxFlags(kind)));
}

std::string programFolder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0) return {};
        if (got < path.size()) {
            std::string full(path.data(), got);
            const size_t slash = full.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}

std::string systemErrorText(DWORD code) {
    char* buffer = nullptr;
    const DWORD got = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = got && buffer ? std::string(buffer, got) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "System error " + std::to_string(code);
    return text;
}

}  // namespace varnel
