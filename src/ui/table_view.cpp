#include "ui/table_view.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <string>

#include "core/text.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/edit_commands.h"
#include "ui/handles.h"
#include "ui/list_selection.h"

namespace varnel {
namespace {

bool isOwnerData(HWND list) { return (GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDATA) != 0; }

// The text list item `item` shows in column `column`, or nothing when the
// item or column is outside the table.
std::string_view cellForItem(int item, int column) {
    const TableDocument& table = app().table;
    if (item < 0 || item >= table.rowCount() || column < 0 || column >= table.fieldCount()) return {};
    return table.cell(item + 1, column + 1);
}

void setRowCount(HWND list) {
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(app().table.rowCount()), 0);
}

}  // namespace

void fillDisplayInfo(NMLVDISPINFOA& info) {
    LVITEMA& item = info.item;
    fillSelectionState(item);
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::string_view text = cellForItem(item.iItem, item.iSubItem);
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), length, item.pszText);
    item.pszText[length] = '\0';
}

void fillDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    fillSelectionState(item);
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::string_view text = cellForItem(item.iItem, item.iSubItem);
    const int length = static_cast<int>(std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1)));
    const int got = length > 0 ? MultiByteToWideChar(CP_ACP, 0, text.data(), length, item.pszText, item.cchTextMax - 1)
                               : 0;
    item.pszText[got > 0 ? got : 0] = L'\0';
}

namespace {

// The first row from item `start` on (and, with `wrap`, from the top again)
// whose first field equals `text`, or begins with it when `partial`, letter
// case aside: how the list finds an item when the user types its first letters.
int findRow(int start, std::string_view text, bool partial, bool wrap) {
    const TableDocument& table = app().table;
    const int32_t rows = table.rowCount();
    if (rows <= 0 || table.fieldCount() < 1) return -1;
    if (start < 0 || start >= rows) start = 0;
    const std::string wanted = toLower(text);
    auto matches = [&](int32_t item) {
        const std::string_view cell = table.cell(item + 1, 1);
        if (partial ? cell.size() < wanted.size() : cell.size() != wanted.size()) return false;
        for (size_t i = 0; i < wanted.size(); ++i)
            if (lowerByte(static_cast<unsigned char>(cell[i])) != static_cast<unsigned char>(wanted[i])) return false;
        return true;
    };
    for (int32_t item = start; item < rows; ++item)
        if (matches(item)) return item;
    if (wrap)
        for (int32_t item = 0; item < start; ++item)
            if (matches(item)) return item;
    return -1;
}

}  // namespace

int findListItem(const NMLVFINDITEMA& find) {
    const LVFINDINFOA& info = find.lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
    return findRow(find.iStart, info.psz, (info.flags & LVFI_PARTIAL) != 0, (info.flags & LVFI_WRAP) != 0);
}

int findListItem(const NMLVFINDITEMW& find) {
    const LVFINDINFOW& info = find.lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, info.psz, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return -1;
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, info.psz, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes - 1));
    return findRow(find.iStart, text, (info.flags & LVFI_PARTIAL) != 0, (info.flags & LVFI_WRAP) != 0);
}

void redrawListItem(int32_t item) {
    HWND list = tableList();
    SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(item), static_cast<LPARAM>(item));
    UpdateWindow(list);
}

double measureTextWidth(std::string_view text) {
    HWND list = tableList();
    WindowDC dc(list);
    if (!dc.get()) return 0;
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    const int length = static_cast<int>(std::min(text.size(), static_cast<size_t>(INT_MAX)));
    if (!GetTextExtentPoint32A(dc.get(), text.data(), length, &size)) return 0;
    return size.cx;
}

int fitColumnWidth(int32_t field, int windowWidth) {
    const TableDocument& table = app().table;
    double width = std::floor((windowWidth - 35) * table.columnWeight[field - 1] / table.totalColumnWeight - 3);
    // A total weight of 0 (no weights set) leaves every column at its minimum.
    if (!std::isfinite(width)) width = 0;
    const double minimum = table.minColumnWidth[field - 1];
    if (minimum > width) width = std::nearbyint(minimum);
    return static_cast<int>(std::clamp(width, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

std::string fieldSelectorName() {
    HWND combo = GetDlgItem(app().mainWindow, IDC_FIELD_COMBO);
    const std::string shown = getText(combo);
    const TableDocument& table = app().table;
    const LRESULT chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (chosen >= 1 && chosen <= table.fieldCount()) {
        const std::string& name = table.fieldNames[static_cast<size_t>(chosen - 1)];
        if (shown == shownText(name)) return name;
    }
    return shown;
}

void updateTitle() {
    const TableDocument& table = app().table;
    setText(app().mainWindow,
            "Varnel: " + table.currentFileName + " (" + formatCount(table.rowCount()) + ")");
}

void rebuildTableView() {
    AppState& state = app();
    HWND window = state.mainWindow;
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;

    if (HWND old = tableList()) DestroyWindow(old);
    // Owner-data list: the rows are not copied into the control; it asks for
    // the texts it shows (LVN_GETDISPINFO) and keeps only the selection.
    HWND list = addControl(window, WC_LISTVIEWA, "", kTableListStyle | LVS_OWNERDATA, 0, IDC_TABLE_LIST, 8, 40,
                           width - 35, height - 90);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kTableListExStyle);
    subclassTableList(list);

    const TableDocument& table = state.table;
    // Each column insert repaints the list at once; under a dialog with many
    // controls (the import dialog of a wide file) that costs tens of
    // milliseconds a column. Paint once, after the last column.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int32_t k = 1; k <= table.fieldCount(); ++k) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = fitColumnWidth(k, width);
        std::string name = table.fieldNames[k - 1];
        column.pszText = name.data();
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(k - 1), reinterpret_cast<LPARAM>(&column));
    }
    setRowCount(list);
    attachSelection(list, table.rowCount());
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);

    HWND combo = GetDlgItem(window, IDC_FIELD_COMBO);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("All"));
    // A name too long for the box would be refused (and its item missing):
    // long names are shown shortened, and the item stands for its field.
    for (int32_t k = 1; k <= table.fieldCount(); ++k)
        SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(k),
                     reinterpret_cast<LPARAM>(shownText(table.fieldNames[k - 1]).c_str()));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    updateTitle();
}

void refillRows() {
    HWND list = tableList();
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const TableDocument& table = app().table;
    if (isOwnerData(list)) {
        setRowCount(list);
        app().selection.reset(table.rowCount());
        InvalidateRect(list, nullptr, TRUE);
        return;
    }
    // The welcome list holds its own items; a table shown there would have
    // no rows, but keep the general refill for any non-owner-data list.
    for (int32_t r = 1; r <= table.rowCount(); ++r) {
        for (int32_t f = 1; f <= table.fieldCount(); ++f) {
            std::string text(table.cell(r, f));
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = r - 1;
            item.iSubItem = f - 1;
            item.pszText = text.data();
            SendMessageA(list, f == 1 ? LVM_INSERTITEMA : LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
}

}  // namespace varnel
