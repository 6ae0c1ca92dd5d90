// The table list's row menu, insert and delete on the real window.
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

std::vector<std::vector<std::string>> numberedRows(int count) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 1; r <= count; ++r) {
        std::string name("r");
        name += std::to_string(r);
        rows.push_back({name, "x"});
    }
    return rows;
}

// What the open popup menu showed, read from inside its modal loop.
struct SeenMenu {
    std::vector<std::string> items;
    std::vector<int> ids;
    POINT at{-1, -1};
};
SeenMenu g_seen;
std::vector<WPARAM> g_keys;  // pressed in the menu; none: the menu is dismissed

void CALLBACK readMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        g_seen.items.push_back(text);
        g_seen.ids.push_back(static_cast<int>(GetMenuItemID(menu, i)));
    }
    const RECT r = windowRect(popup);
    g_seen.at = {r.left, r.top};
    if (g_keys.empty()) {
        EndMenu();
        return;
    }
    for (WPARAM key : g_keys) {
        PostMessageA(popup, WM_KEYDOWN, key, 0);
        PostMessageA(popup, WM_KEYUP, key, 0xC0000000);
    }
}

LRESULT openRowMenu(std::vector<WPARAM> keys) {
    g_seen = SeenMenu{};
    g_keys = std::move(keys);
    SetTimer(nullptr, 0, 50, readMenu);
    HWND list = control(IDC_TABLE_LIST);
    return SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
}

int halfToEven(long twice) {
    long x = twice / 2;  // screen coordinates here are positive
    if ((twice & 1) && (x & 1)) ++x;
    return static_cast<int>(x);
}

}  // namespace

UI_TEST(row_menu_items_and_placement) {
    showTable({"Name", "Value"}, numberedRows(5));
    const RECT list = windowRect(control(IDC_TABLE_LIST));

    SetCursorPos(list.left + 30, list.top + 40);
    CHECK_EQ(static_cast<int>(openRowMenu({})), 1);
    CHECK_EQ(g_seen.items, (std::vector<std::string>{"Edit entry", "Insert new row here", "Delete this row"}));
    CHECK_EQ(g_seen.ids, (std::vector<int>{3004, 3001, 3003}));
    CHECK_EQ(static_cast<int>(g_seen.at.x), static_cast<int>(list.left + 30));
    CHECK_EQ(static_cast<int>(g_seen.at.y), static_cast<int>(list.top + 40));

    // With the cursor outside the list (the context-menu key), the menu opens
    // at the middle of the list's bottom edge.
    SetCursorPos(list.right + 5, list.top - 30);
    openRowMenu({});
    CHECK_EQ(static_cast<int>(g_seen.at.x), halfToEven(list.left + list.right));
    CHECK_EQ(static_cast<int>(g_seen.at.y), static_cast<int>(list.bottom));
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 5);

    // No menu while another command waits in a message box.
    SetCursorPos(list.left + 30, list.top + 40);
    {
        CommandScope running(context());
        CHECK_EQ(static_cast<int>(openRowMenu({})), 1);
    }
    CHECK(g_seen.items.empty());
}

UI_TEST(row_menu_choice_reaches_the_main_window) {
    showTable({"Name", "Value"}, numberedRows(3));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {1});
    const RECT r = windowRect(list);
    SetCursorPos(r.left + 30, r.top + 40);
    openRowMenu({VK_DOWN, VK_DOWN, VK_RETURN});  // "Insert new row here"
    CHECK(waitUntil([&] { return listCount(list) == 4; }));
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"r1", "New Item", "r2", "r3"}));
}

UI_TEST(insert_goes_above_the_first_selected_row_and_keeps_the_selection) {
    showTable({"Name", "Value"}, numberedRows(10));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {2, 6});
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    CHECK_EQ(context().table.rowCount(), 11);
    CHECK_EQ(listCount(list), 11);
    const std::vector<std::string> names = listColumn(list, 0);
    CHECK_EQ(names,
             (std::vector<std::string>{"r1", "r2", "New Item", "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10"}));
    CHECK_EQ(listText(list, 2, 1), "");
    CHECK_EQ(listText(list, 3, 1), "x");
    CHECK_EQ(selectedItems(list), (std::vector<int>{3, 7}));
    CHECK_EQ(titleCount(), "(11)");

    // Again and again: every other row stays intact.
    for (int i = 0; i < 20; ++i) SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    CHECK_EQ(listCount(list), 31);
    CHECK_EQ(listText(list, 23, 0), "r3");
    CHECK_EQ(listText(list, 30, 0), "r10");
    CHECK_EQ(selectedItems(list), (std::vector<int>{23, 27}));
    CHECK_EQ(titleCount(), "(31)");

    // Nothing selected: nothing happens.
    selectItems(list, {});
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    CHECK_EQ(listCount(list), 31);
}

UI_TEST(delete_removes_exactly_the_selected_rows) {
    showTable({"Name", "Value"}, {{"r1", "a"}, {"r2", "b"}, {"", "c"}, {"r4", "d"}, {"r5", "e"}});
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {1, 3});
    // The Delete key in the list.
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    PostMessageA(list, WM_KEYUP, VK_DELETE, 0xC0000000);
    CHECK(waitUntil([&] { return listCount(list) == 3; }));
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"r1", "", "r5"}));
    CHECK_EQ(listColumn(list, 1), (std::vector<std::string>{"a", "c", "e"}));
    CHECK_EQ(context().table.rowCount(), 3);
    CHECK(selectedItems(list).empty());
    CHECK_EQ(titleCount(), "(3)");

    // Backspace deletes too.
    selectItems(list, {0});
    PostMessageA(list, WM_KEYDOWN, VK_BACK, 0);
    PostMessageA(list, WM_KEYUP, VK_BACK, 0xC0000000);
    CHECK(waitUntil([&] { return listCount(list) == 2; }));
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"", "r5"}));
    CHECK_EQ(titleCount(), "(2)");
}

UI_TEST(delete_scrolls_to_the_first_deleted_place) {
    showTable({"Name", "Value"}, numberedRows(300));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {150, 151, 299});
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    SendMessageA(mainWindow(), WM_COMMAND, IDM_DELETE_ROW, 0);
    CHECK_EQ(listCount(list), 297);
    CHECK_EQ(listText(list, 150, 0), "r153");
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    CHECK(top <= 150 && 150 < top + perPage);
    CHECK_EQ(titleCount(), "(297)");
}

UI_TEST(select_all_and_delete_leaves_an_empty_table) {
    showTable({"Name", "Value"}, numberedRows(5));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {0, 1, 2, 3, 4});
    SendMessageA(mainWindow(), WM_COMMAND, IDM_DELETE_ROW, 0);
    CHECK_EQ(listCount(list), 0);
    CHECK_EQ(context().table.rowCount(), 0);
    CHECK_EQ(listColumnCount(list), 2);
    CHECK_EQ(titleCount(), "(0)");
    // Insert and delete then find nothing to work on.
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    SendMessageA(mainWindow(), WM_COMMAND, IDM_DELETE_ROW, 0);
    CHECK_EQ(listCount(list), 0);
    CHECK_EQ(titleCount(), "(0)");
}

UI_TEST(insert_moves_runs_of_selected_rows_and_a_whole_selection) {
    showTable({"Name", "Value"}, numberedRows(2000));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {2, 3, 4, 8, 1999});
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    CHECK_EQ(selectedItems(list), (std::vector<int>{3, 4, 5, 9, 2000}));
    CHECK_EQ(listText(list, 2, 0), "New Item");
    CHECK_EQ(listText(list, 2000, 0), "r2000");

    LVITEMA all{};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    CHECK_EQ(listCount(list), 2002);
    CHECK_EQ(static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)), 2001);
    CHECK_EQ(static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)), 1);
    CHECK_EQ(listText(list, 0, 0), "New Item");
    CHECK_EQ(listText(list, 1, 0), "r1");
    CHECK_EQ(titleCount(), "(2,002)");
}

UI_TEST(right_click_on_a_row_selects_it_and_opens_the_menu_at_the_cursor) {
    showTable({"Name", "Value"}, numberedRows(5));
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {0});
    RECT item{};
    item.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    POINT at{item.left + 20, (item.top + item.bottom) / 2};
    POINT screen = at;
    ClientToScreen(list, &screen);
    SetCursorPos(screen.x, screen.y);

    g_seen = SeenMenu{};
    g_keys.clear();
    SetTimer(nullptr, 0, 50, readMenu);
    PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    CHECK(waitUntil([] { return !g_seen.items.empty(); }));
    CHECK_EQ(g_seen.items.size(), size_t{3});
    CHECK_EQ(static_cast<int>(g_seen.at.x), static_cast<int>(screen.x));
    CHECK_EQ(static_cast<int>(g_seen.at.y), static_cast<int>(screen.y));
    CHECK_EQ(selectedItems(list), std::vector<int>{2});
}

namespace {
void CALLBACK endMenuAfterClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_seen.items.push_back(IsWindow(control(IDC_TABLE_LIST)) ? "list alive" : "list gone");
    EndMenu();
}

void CALLBACK closeDuringMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageA(mainWindow(), WM_CLOSE, 0, 0);
    // Let the menu's own loop see the close before it ends.
    SetTimer(nullptr, 0, 100, endMenuAfterClose);
}
}  // namespace

// A close that arrives while the menu is open would destroy the list inside
// its own context-menu handling; it waits until the menu has closed.
UI_TEST(a_close_during_the_row_menu_is_held_until_it_closes) {
    showTable({"Name", "Value"}, numberedRows(3));
    HWND window = mainWindow();
    HWND list = control(IDC_TABLE_LIST);
    const RECT r = windowRect(list);
    SetCursorPos(r.left + 30, r.top + 40);
    g_seen = SeenMenu{};
    SetTimer(nullptr, 0, 50, closeDuringMenu);
    CHECK_EQ(static_cast<int>(SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1))),
             1);
    CHECK_EQ(g_seen.items, (std::vector<std::string>{"list alive"}));
    CHECK(IsWindow(list));
    CHECK(waitUntil([&] { return !IsWindow(window); }));
}
