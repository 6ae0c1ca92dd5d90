// The table list's selection on the real window, driven by real input from a
// scattered selection (rows 2, 5 and 9 of 20): clicks with Shift and Ctrl,
// the keys, a right click with the row menu, typing, and the commands that
// move rows. After each step the list's own answers, the program's count,
// Re-Save's question and the rows painted as selected all agree.
#include <algorithm>

#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

constexpr int kRows = 40;

// Row r's first field starts with the r-th letter, so that typing a letter
// finds exactly one row.
std::vector<std::vector<std::string>> lettersTable() {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < kRows; ++r) rows.push_back({std::string(1, static_cast<char>('a' + r)) + "-row", "x"});
    return rows;
}

HWND theList() { return control(IDC_TABLE_LIST); }

POINT rowPoint(HWND list, int item) {
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    return {row.left + 20, (row.top + row.bottom) / 2};
}

void setKeys(bool shift, bool ctrl) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
}

// A left click on `item` (or at `point`), with the modifier keys held.
void clickAt(POINT at, bool shift = false, bool ctrl = false) {
    HWND list = theList();
    setKeys(shift, ctrl);
    const WPARAM keys = (shift ? MK_SHIFT : 0) | (ctrl ? MK_CONTROL : 0);
    SendMessageA(list, WM_LBUTTONDOWN, keys | MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(list, WM_LBUTTONUP, keys, MAKELPARAM(at.x, at.y));
    setKeys(false, false);
    pumpMessages();
}
void clickRow(int item, bool shift = false, bool ctrl = false) { clickAt(rowPoint(theList(), item), shift, ctrl); }

void key(WPARAM vk, bool shift = false, bool ctrl = false) {
    setKeys(shift, ctrl);
    SendMessageA(theList(), WM_KEYDOWN, vk, 1);
    SendMessageA(theList(), WM_KEYUP, vk, 0xC0000001);
    setKeys(false, false);
    pumpMessages();
}

// A right click on `item`; the row menu that opens is closed, or its
// `choice`-th entry (1-based) is chosen.
int g_menuChoice = 0;
void CALLBACK answerMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup) return;
    if (g_menuChoice == 0) {
        EndMenu();
        return;
    }
    for (int i = 0; i < g_menuChoice; ++i) {
        PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(popup, WM_KEYUP, VK_DOWN, 0xC0000000);
    }
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}
void rightClick(int item, int choice = 0) {
    HWND list = theList();
    const POINT at = rowPoint(list, item);
    g_menuChoice = choice;
    SetTimer(nullptr, 0, 60, answerMenu);
    // The list follows the mouse until the button comes up.
    PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    pumpMessages();
}

std::vector<int> byItemState(HWND list) {
    std::vector<int> items;
    for (int i = 0; i < listCount(list); ++i)
        if (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED)
            items.push_back(i);
    return items;
}

// The visible rows painted in the selection colour, read off the screen.
std::vector<int> paintedSelected(HWND list) {
    SetFocus(list);
    UpdateWindow(list);
    // The window's picture reaches the display when the program next waits
    // for messages, at most every 50 ms.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 80, QS_ALLINPUT);
    pumpMessages();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    std::vector<int> items;
    HDC screen = GetDC(nullptr);
    for (int i = top; i < std::min(top + perPage, listCount(list)); ++i) {
        RECT row{};
        row.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&row));
        // Left of the text, clear of the grid lines.
        POINT at{row.left + 2, (row.top + row.bottom) / 2};
        ClientToScreen(list, &at);
        if (GetPixel(screen, at.x, at.y) == highlight) items.push_back(i);
    }
    ReleaseDC(nullptr, screen);
    return items;
}

std::vector<int> visiblePart(const std::vector<int>& items, HWND list) {
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    std::vector<int> out;
    for (int i : items)
        if (i >= top && i < top + perPage && i < listCount(list)) out.push_back(i);
    return out;
}

// The number Re-Save asks about (1 when it asks nothing: all rows are saved).
int saveQuestionCount() {
    int asked = 1;
    onOptionalDialog([](HWND box) { return isMessageBox(box) && windowText(box) == "Warning"; },
                     [&asked](HWND box) {
                         const std::string text = boxText(box);
                         asked = std::atoi(text.c_str() + std::string("Would you like to save only the ").size());
                         pressButton(box, IDNO);
                     });
    onDialog([](HWND dialog) { pressButton(dialog, IDCANCEL); });
    uitest::click(IDC_RESAVE_BUTTON);
    return asked;
}

int focusedItem(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}
int markItem(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0)); }

#define EXPECT_SELECTION(...) expectSelection(__LINE__, __VA_ARGS__)
void expectSelection(int line, const std::vector<int>& expected, int focus, int mark) {
    HWND list = theList();
    const std::string at = " (line " + std::to_string(line) + ")";
    CHECK_EQ(selectedItems(list), expected);
    CHECK_EQ(static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)), static_cast<int>(expected.size()));
    CHECK_EQ(byItemState(list), expected);
    CHECK_EQ(context().selection.items(), expected);
    CHECK_EQ(paintedSelected(list), visiblePart(expected, list));
    CHECK_EQ(focusedItem(list), focus);
    CHECK_EQ(markItem(list), mark);
    const int asked = saveQuestionCount();
    const int wanted = expected.size() > 1 ? static_cast<int>(expected.size()) : 1;
    CHECK_EQ(asked, wanted);
    if (!(selectedItems(list) == expected)) fail(__FILE__, line, "the selection differs" + at);
}

// Rows 2, 5 and 9 selected by a click and two Ctrl+clicks: focus and mark
// on the last.
void startScattered() {
    showTable({"Name", "Other"}, lettersTable());
    clickRow(1);
    clickRow(4, false, true);
    clickRow(8, false, true);
    EXPECT_SELECTION({1, 4, 8}, 8, 8);
}

}  // namespace

UI_TEST(selection_by_clicks_from_a_scattered_selection) {
    startScattered();
    clickRow(12);
    EXPECT_SELECTION({12}, 12, 12);

    startScattered();
    clickRow(4, false, true);  // Ctrl toggles off, then on again
    EXPECT_SELECTION({1, 8}, 4, 4);
    clickRow(4, false, true);
    EXPECT_SELECTION({1, 4, 8}, 4, 4);

    startScattered();
    clickRow(11, true);  // Shift: the range from the mark
    EXPECT_SELECTION({8, 9, 10, 11}, 11, 8);
    clickRow(6, true);
    EXPECT_SELECTION({6, 7, 8}, 6, 8);
    clickRow(10, true, true);  // Ctrl+Shift adds the range and moves the mark
    EXPECT_SELECTION({6, 7, 8, 9, 10}, 10, 10);

    startScattered();
    clickRow(4);  // a plain click on a selected row: it alone stays
    EXPECT_SELECTION({4}, 4, 4);

    // Below the last row: nothing selected.
    showTable({"Name", "Other"}, {{"a", "x"}, {"b", "x"}, {"c", "x"}});
    clickRow(0);
    clickRow(2, false, true);
    EXPECT_SELECTION({0, 2}, 2, 2);
    RECT last{};
    last.left = LVIR_BOUNDS;
    SendMessageA(theList(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
    clickAt({last.left + 20, last.bottom + 30});
    EXPECT_SELECTION({}, 2, 2);
}

UI_TEST(selection_by_keys_from_a_scattered_selection) {
    HWND list;
    startScattered();
    list = theList();
    const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    CHECK(perPage > 5 && perPage < kRows);
    key(VK_DOWN);
    EXPECT_SELECTION({9}, 9, 9);
    key(VK_UP, true);
    key(VK_UP, true);
    EXPECT_SELECTION({7, 8, 9}, 7, 9);

    startScattered();
    key(VK_DOWN, false, true);  // Ctrl moves the focus only
    EXPECT_SELECTION({1, 4, 8}, 9, 8);
    key(VK_SPACE, false, true);  // Ctrl+Space selects the focused row
    EXPECT_SELECTION({1, 4, 8, 9}, 9, 9);
    key(VK_SPACE, false, true);
    EXPECT_SELECTION({1, 4, 8}, 9, 9);

    startScattered();
    key(VK_HOME);
    EXPECT_SELECTION({0}, 0, 0);
    key(VK_END, true);
    std::vector<int> all(kRows);
    for (int i = 0; i < kRows; ++i) all[static_cast<size_t>(i)] = i;
    EXPECT_SELECTION(all, kRows - 1, 0);

    startScattered();
    key(VK_NEXT);  // to the last fully visible row, then a page further
    EXPECT_SELECTION({perPage - 1}, perPage - 1, perPage - 1);
    key(VK_NEXT, true);
    std::vector<int> range;
    for (int i = perPage - 1; i <= std::min(2 * perPage - 2, kRows - 1); ++i) range.push_back(i);
    EXPECT_SELECTION(range, range.back(), perPage - 1);
    key(VK_END);
    EXPECT_SELECTION({kRows - 1}, kRows - 1, kRows - 1);

    startScattered();
    SendMessageA(list = theList(), WM_CHAR, 'm', 1);  // typing a first letter
    pumpMessages();
    EXPECT_SELECTION({12}, 12, 12);
}

UI_TEST(selection_by_right_click_and_the_row_menu) {
    startScattered();
    rightClick(4);  // on a selected row: the selection stays
    EXPECT_SELECTION({1, 4, 8}, 4, 8);
    rightClick(12);  // on another row: it alone is selected
    EXPECT_SELECTION({12}, 12, 12);

    startScattered();
    rightClick(12, 3);  // "Delete this row" deletes exactly that row
    pumpMessages();
    CHECK_EQ(context().table.rowCount(), kRows - 1);
    CHECK_EQ(listText(theList(), 12, 0), "n-row");
    CHECK_EQ(listText(theList(), 11, 0), "l-row");
    EXPECT_SELECTION({}, -1, -1);
}

UI_TEST(selection_after_search_insert_delete_and_sort) {
    startScattered();
    HWND list = theList();
    // A search touches neither the focus nor the mark.
    SetWindowTextA(control(IDC_SEARCH_TEXT), "c-row or q-row");
    uitest::click(IDC_SEARCH_BUTTON);
    pumpMessages();
    EXPECT_SELECTION({2, 16}, 8, 8);
    clickRow(11, true);
    EXPECT_SELECTION({8, 9, 10, 11}, 11, 8);

    // An insert at the first selected row moves the selection, focus and
    // mark one row down.
    startScattered();
    SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    pumpMessages();
    CHECK_EQ(listText(list = theList(), 1, 0), "New Item");
    EXPECT_SELECTION({2, 5, 9}, 9, 9);
    clickRow(12, true);
    EXPECT_SELECTION({9, 10, 11, 12}, 12, 9);

    // A delete and a sort show the rows again with nothing selected, and no
    // mark: Shift+click selects the clicked row alone.
    startScattered();
    SendMessageA(mainWindow(), WM_COMMAND, IDM_DELETE_ROW, 0);
    pumpMessages();
    EXPECT_SELECTION({}, -1, -1);
    clickRow(5, true);
    EXPECT_SELECTION({5}, 5, 5);

    startScattered();
    postHeaderClick(theList(), 1);
    pumpMessages();
    EXPECT_SELECTION({}, -1, -1);
    clickRow(3, true);
    EXPECT_SELECTION({3}, 3, 3);
}

UI_TEST(selection_while_a_replace_confirmation_waits) {
    startScattered();
    HWND list = theList();
    // Rows 1, 4, 7, ... hold a "y" in the second field.
    for (int r = 1; r <= kRows; r += 3) context().table.setCell(r, 2, "y");
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    SetWindowTextA(control(IDC_SEARCH_TEXT), "y");
    onDialog([](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_REPLACE_TEXT), "z");
        SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_CLICK, 0, 0);
        pressButton(dialog, IDC_REPLACE_GO);
    });
    onDialog([list](HWND box) {
        CHECK_EQ(selectedItems(list), (std::vector<int>{1, 4, 8}));
        pressButton(box, IDYES);
    });
    // At the second match (row 4): row 1 is done and selected, rows 2 and 3
    // are final and not; row 4 and later rows are as before; row 4 shows.
    onDialog([list](HWND box) {
        CHECK_EQ(boxText(box), "In row 4/40, would you like to replace \"y\" with \"z\"?");
        CHECK_EQ(selectedItems(list), (std::vector<int>{0, 4, 8}));
        CHECK_EQ(paintedSelected(list), visiblePart({0, 4, 8}, list));
        const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
        const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
        CHECK(top <= 3 && 3 < top + perPage);
        pressButton(box, IDCANCEL);
    });
    uitest::click(IDC_SEARCH_BUTTON);
    pumpMessages();
    // Cancel leaves row 4 and the later rows as they were.
    EXPECT_SELECTION({0, 4, 8}, 8, 8);
    CHECK_EQ(std::string(context().table.cell(1, 2)), "z");
    CHECK_EQ(std::string(context().table.cell(4, 2)), "y");
}

// A drag from below the rows draws a selection rectangle: the rows it
// covers are selected; a second one with Ctrl held adds to them.
UI_TEST(selection_by_a_rectangle_dragged_from_below_the_rows) {
    showTable({"Name", "Other"}, {{"a", "x"}, {"b", "x"}, {"c", "x"}, {"d", "x"}});
    HWND list = theList();
    clickRow(3);
    RECT second{}, last{};
    second.left = last.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    SendMessageA(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&last));
    const POINT from{last.left + 40, last.bottom + 20};
    const POINT to{last.left + 60, (second.top + second.bottom) / 2};
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    for (int step = 1; step <= 4; ++step)
        SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON,
                     MAKELPARAM(from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    pumpMessages();
    EXPECT_SELECTION({1, 2, 3}, 3, 3);
    clickRow(0);
    EXPECT_SELECTION({0}, 0, 0);
}
