// Shared set-up for the editing tests: a table shown in the real window,
// typing into boxes, and reading a dialog's controls in tab order.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "ui/app_context.h"
#include "ui/table_view.h"

namespace edittest {

// Starts a fresh main window showing a table of these fields and rows.
inline void showTable(const std::vector<std::string>& names, const std::vector<std::vector<std::string>>& rows) {
    uitest::startMainWindow();
    varnel::TableDocument& table = uitest::context().table;
    std::vector<int32_t> sources;
    for (size_t k = 0; k < names.size(); ++k) sources.push_back(static_cast<int32_t>(k + 1));
    table.replaceTable(names, sources);
    for (const auto& row : rows) {
        std::vector<std::string_view> cells(row.begin(), row.end());
        table.appendRow(cells);
    }
    varnel::ColumnLayout& columns = uitest::context().columns;
    columns.minWidth.assign(names.size(), 0.0);
    columns.weight.assign(names.size(), 10.0);
    columns.totalWeight = 10.0 * static_cast<double>(names.size());
    table.currentFileName = "C:\\data\\table.csv";
    uitest::context().selection.reset(table.rowCount());
    varnel::rebuildTableView(uitest::context());
    uitest::pumpMessages();
}

// Types `text` over the whole content of an edit box, as the keyboard would
// (so the box counts as changed).
inline void typeInto(HWND box, const std::string& text) {
    SendMessageA(box, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(box, WM_CHAR, VK_BACK, 1);
    for (char c : text) SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// A dialog's controls in tab order.
inline std::vector<HWND> children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

inline std::vector<int> childIds(HWND dialog) {
    std::vector<int> ids;
    for (HWND c : children(dialog)) ids.push_back(GetDlgCtrlID(c));
    return ids;
}

inline std::string describeRect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

inline std::string place(HWND control) { return describeRect(uitest::clientRectOf(control)); }

inline std::string clientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return std::to_string(r.right) + "x" + std::to_string(r.bottom);
}

// The dialog's top-left corner relative to the main window's client origin.
inline std::string offsetFromMain(HWND dialog) {
    POINT origin{0, 0};
    ClientToScreen(uitest::mainWindow(), &origin);
    const RECT r = uitest::windowRect(dialog);
    return std::to_string(r.left - origin.x) + "," + std::to_string(r.top - origin.y);
}

inline DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }
inline DWORD exStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)); }

inline std::string titleCount() {
    const std::string title = uitest::windowText(uitest::mainWindow());
    const size_t open = title.rfind('(');
    return open == std::string::npos ? title : title.substr(open);
}

}  // namespace edittest
