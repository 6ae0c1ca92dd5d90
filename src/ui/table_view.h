// The table list as a picture of the table: columns, rows, the field
// selector and the window title.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "edit/table_session.h"

namespace varnel {

struct AppContext;
class TableDocument;

// Re-creates the table list for a new table (an owner-data list: item texts
// come from the table on demand), refills the field selector, sets the title.
// Takes no memory of its own, so that it cannot fail half-way.
void rebuildTableView(AppContext& context);
// Shows the current rows again in the same list (the welcome list is emptied).
void refillRows(AppContext& context);
// The field name chosen in the "in" selector, whole (the selector shows
// long names shortened), or the selector's text when no field is chosen.
std::string fieldSelectorName(const AppContext& context);
// "Varnel: <file> (<row count>)".
void updateTitle(const AppContext& context);
// The width of column `field` (1-based) for a window `windowWidth` wide.
int fitColumnWidth(const ColumnLayout& columns, int32_t field, int windowWidth);
// The width in pixels of `text` in the list's font.
double measureTextWidth(HWND list, std::string_view text);

// Answers the owner-data list's request for an item's text and state.
void fillDisplayInfo(const AppContext& context, NMLVDISPINFOA& info);
void fillDisplayInfo(const AppContext& context, NMLVDISPINFOW& info);

// Answers the owner-data list's search for an item by its text (typing in
// the list): the index of the first item from `find.iStart` whose first
// column matches, or -1.
int findListItem(const AppContext& context, const NMLVFINDITEMA& find);
int findListItem(const AppContext& context, const NMLVFINDITEMW& find);

// Makes list item `item` show its current cells again (owner-data lists keep
// no texts of their own).
void redrawListItem(HWND list, int32_t item);

// The list style of the main window's table list.
constexpr DWORD kTableListStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS;
constexpr DWORD kTableListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE;  // 0x61

}  // namespace varnel
