#include "ui/table_view.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <string>

#include "core/text.h"
#include "ui/app_context.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/handles.h"
#include "ui/list_selection.h"
#include "ui/row_menu.h"

namespace varnel {
namespace {

bool isOwnerData(HWND list) { return (GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDATA) != 0; }

// The text list item `item` shows in column `column`, or nothing when the
// item or column is outside the table.
std::string_view cellForItem(const TableDocument& table, int item, int column) {
    if (item < 0 || item >= table.rowCount() || column < 0 || column >= table.fieldCount()) return {};
    return table.cell(item + 1, column + 1);
}

void setRowCount(HWND list, const TableDocument& table) {
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(table.rowCount()), 0);
}

// A text as a one-line control shows it (see shownText), without taking
// memory: a name of up to kMaxShownTextBytes as it is, a longer one cut
// into `buffer` with "..." after it.
const char* shownName(const std::string& name, char (&buffer)[kMaxShownTextBytes + 1]) {
    if (name.size() <= kMaxShownTextBytes) return name.c_str();
    constexpr size_t kept = kMaxShownTextBytes - 3;
    name.copy(buffer, kept);
    std::copy_n("...", 4, buffer + kept);
    return buffer;
}

}  // namespace

void fillDisplayInfo(const AppContext& context, NMLVDISPINFOA& info) {
    LVITEMA& item = info.item;
    fillSelectionState(context, item);
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::string_view text = cellForItem(context.table, item.iItem, item.iSubItem);
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), length, item.pszText);
    item.pszText[length] = '\0';
}

void fillDisplayInfo(const AppContext& context, NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    fillSelectionState(context, item);
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::string_view text = cellForItem(context.table, item.iItem, item.iSubItem);
    const int length = static_cast<int>(std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1)));
    const int got = length > 0 ? MultiByteToWideChar(CP_ACP, 0, text.data(), length, item.pszText, item.cchTextMax - 1)
                               : 0;
    item.pszText[got > 0 ? got : 0] = L'\0';
}

namespace {

// The first row from item `start` on (and, with `wrap`, from the top again)
// whose first field equals `text`, or begins with it when `partial`, letter
// case aside: how the list finds an item when the user types its first letters.
int findRow(const TableDocument& table, int start, std::string_view text, bool partial, bool wrap) {
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

int findListItem(const AppContext& context, const NMLVFINDITEMA& find) {
    const LVFINDINFOA& info = find.lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
    return findRow(context.table, find.iStart, info.psz, (info.flags & LVFI_PARTIAL) != 0, (info.flags & LVFI_WRAP) != 0);
}

int findListItem(const AppContext& context, const NMLVFINDITEMW& find) {
    const LVFINDINFOW& info = find.lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, info.psz, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return -1;
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, info.psz, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes - 1));
    return findRow(context.table, find.iStart, text, (info.flags & LVFI_PARTIAL) != 0, (info.flags & LVFI_WRAP) != 0);
}

void redrawListItem(HWND list, int32_t item) {
    SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(item), static_cast<LPARAM>(item));
    UpdateWindow(list);
}

double measureTextWidth(HWND list, std::string_view text) {
    WindowDC dc(list);
    if (!dc.get()) return 0;
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    const int length = static_cast<int>(std::min(text.size(), static_cast<size_t>(INT_MAX)));
    if (!GetTextExtentPoint32A(dc.get(), text.data(), length, &size)) return 0;
    return size.cx;
}

int fitColumnWidth(const ColumnLayout& columns, int32_t field, int windowWidth) {
    const size_t k = static_cast<size_t>(field - 1);
    if (field < 1 || k >= columns.weight.size() || k >= columns.minWidth.size()) return 0;
    double width = std::floor((windowWidth - 35) * columns.weight[k] / columns.totalWeight - 3);
    // A total weight of 0 leaves every column at its minimum.
    if (!std::isfinite(width)) width = 0;
    const double minimum = columns.minWidth[k];
    if (minimum > width) width = std::nearbyint(minimum);
    return static_cast<int>(std::clamp(width, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

std::string fieldSelectorName(const AppContext& context) {
    HWND combo = GetDlgItem(context.mainWindow, IDC_FIELD_COMBO);
    const std::string shown = getText(combo);
    const TableDocument& table = context.table;
    const LRESULT chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (chosen >= 1 && chosen <= table.fieldCount()) {
        const std::string& name = table.fieldName(static_cast<int32_t>(chosen));
        if (shown == shownText(name)) return name;
    }
    return shown;
}

// Shown after every change of the table, so built without taking memory:
// it cannot fail half-way.
void updateTitle(const AppContext& context) {
    const TableDocument& table = context.table;
    char count[32];
    char* end = count + sizeof count;
    char* p = end;
    *--p = '\0';
    uint64_t n = static_cast<uint64_t>(std::max(table.rowCount(), 0));
    for (int digits = 0; digits == 0 || n > 0; ++digits) {
        if (digits > 0 && digits % 3 == 0) *--p = ',';
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    constexpr size_t kPathRoom = 32768;
    char title[kPathRoom + 64];
    const std::string& file = table.currentFileName;
    const size_t fileBytes = std::min(file.size(), kPathRoom);
    char* w = std::copy_n("Varnel: ", 8, title);
    w = std::copy_n(file.data(), fileBytes, w);
    *w++ = ' ';
    *w++ = '(';
    w = std::copy(p, end - 1, w);
    *w++ = ')';
    *w = '\0';
    SetWindowTextA(context.mainWindow, title);
}

void rebuildTableView(AppContext& context) {
    HWND window = context.mainWindow;
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;

    if (HWND old = tableList(context)) DestroyWindow(old);
    // Owner-data list: the rows are not copied into the control; it asks for
    // the texts it shows (LVN_GETDISPINFO) and keeps only the selection.
    HWND list = addControl(window, WC_LISTVIEWA, "", kTableListStyle | LVS_OWNERDATA, 0, IDC_TABLE_LIST, 8, 40,
                           width - 35, height - 90);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kTableListExStyle);
    subclassTableList(context, list);

    const TableDocument& table = context.table;
    // Each column insert repaints the list at once; under a dialog with many
    // controls (the import dialog of a wide file) that costs tens of
    // milliseconds a column. Paint once, after the last column.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int32_t k = 1; k <= table.fieldCount(); ++k) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = fitColumnWidth(context.columns, k, width);
        // The list copies the text and never writes to it.
        column.pszText = const_cast<char*>(table.fieldName(k).c_str());
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(k - 1), reinterpret_cast<LPARAM>(&column));
    }
    setRowCount(list, table);
    attachSelection(context, list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);

    HWND combo = GetDlgItem(window, IDC_FIELD_COMBO);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(kAllFieldsItem));
    // A name too long for the box would be refused (and its item missing):
    // long names are shown shortened, and the item stands for its field.
    char shortened[kMaxShownTextBytes + 1];
    for (int32_t k = 1; k <= table.fieldCount(); ++k)
        SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(k),
                     reinterpret_cast<LPARAM>(shownName(table.fieldName(k), shortened)));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    updateTitle(context);
}

void refillRows(AppContext& context) {
    HWND list = tableList(context);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    // The welcome list holds its own items, and is only emptied.
    if (!isOwnerData(list)) return;
    setRowCount(list, context.table);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace varnel
