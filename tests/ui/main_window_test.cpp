// The main window as it starts, its layout rule, its dispatch of the mode
// switch and its close.
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD style;
};

// Where each control sits when the window has its start size. Load and
// Re-Save follow the outer width W: x = W - 147 and W - 91.
void checkControl(const ExpectedControl& c) {
    HWND window = control(c.id);
    CHECK(window != nullptr);
    if (!window) return;
    const RECT r = clientRectOf(window);
    CHECK_EQ(std::to_string(c.id) + " " + className(window), std::to_string(c.id) + " " + c.className);
    CHECK_EQ(std::to_string(c.id) + " " + windowText(window), std::to_string(c.id) + " " + c.text);
    CHECK_EQ(std::to_string(c.id) + " at " + std::to_string(r.left) + "," + std::to_string(r.top),
             std::to_string(c.id) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
    CHECK_EQ(std::to_string(c.id) + " width " + std::to_string(r.right - r.left),
             std::to_string(c.id) + " width " + std::to_string(c.width));
    if (c.height >= 0)
        CHECK_EQ(std::to_string(c.id) + " height " + std::to_string(r.bottom - r.top),
                 std::to_string(c.id) + " height " + std::to_string(c.height));
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    CHECK_EQ(std::to_string(c.id) + " style " + std::to_string(style & c.style),
             std::to_string(c.id) + " style " + std::to_string(c.style));
}

}  // namespace

UI_TEST(code_page_is_1252) { CHECK_EQ(static_cast<int>(GetACP()), 1252); }

UI_TEST(start_up_layout_and_welcome_list) {
    HWND window = startMainWindow();
    CHECK(IsWindowVisible(window));
    CHECK(findWindow("Varnel") == window);
    RECT client{};
    GetClientRect(window, &client);
    CHECK_EQ(client.right, 803L);
    CHECK_EQ(client.bottom, 343L);

    const RECT outer = windowRect(window);
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CHECK_EQ(static_cast<int>(outer.left), static_cast<int>(work.left + (work.right - work.left - w) / 2));
    CHECK_EQ(static_cast<int>(outer.top), static_cast<int>(work.top + (work.bottom - work.top - h) / 2));

    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    const DWORD wanted = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPSIBLINGS;
    CHECK_EQ(style & wanted, wanted);
    CHECK(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    CHECK(SendMessageA(window, WM_GETICON, ICON_BIG, 0) != 0);

    const DWORD label = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE;
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    const ExpectedControl controls[] = {
        {IDC_SEARCH_LABEL, "Static", "Search for", 8, 8, 56, 20, label},
        {IDC_SEARCH_TEXT, "Edit", "", 72, 8, 200, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL},
        {IDC_FIELD_LABEL, "Static", "in", 272, 8, 24, 20, label},
        {IDC_FIELD_COMBO, "ComboBox", "", 296, 8, 184, -1,
         // The combo box hands WS_VSCROLL on to its drop-down list.
         WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT | CBS_HASSTRINGS},
        {IDC_SEARCH_BUTTON, "Button", "Search", 488, 8, 53, 20, button},
        {IDC_LOAD_BUTTON, "Button", "Load", w - 147, 8, 48, 20, button},
        {IDC_RESAVE_BUTTON, "Button", "Re-Save", w - 91, 8, 64, 20, button},
        {IDC_TABLE_LIST, "SysListView32", "", 8, 40, w - 35, h - 90,
         WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS},
    };
    for (const ExpectedControl& c : controls) checkControl(c);
    CHECK(GetWindowLongPtrA(control(IDC_SEARCH_TEXT), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    CHECK(!(GetWindowLongPtrA(control(IDC_TABLE_LIST), GWL_STYLE) & (LVS_SINGLESEL | WS_TABSTOP)));
    CHECK(!(GetWindowLongPtrA(control(IDC_FIELD_COMBO), GWL_STYLE) & WS_TABSTOP));
    CHECK(GetDlgItem(window, 1008) == nullptr);

    // Tab and z order follow the order of creation.
    std::vector<int> order;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(child));
    CHECK_EQ(order, (std::vector<int>{1002, 1001, 1003, 1004, 1005, 1006, 1007, 1009}));

    HWND combo = control(IDC_FIELD_COMBO);
    CHECK_EQ(static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)), 1);
    char item[32] = "";
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    CHECK_EQ(std::string(item), "All");
    CHECK_EQ(static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)), CB_ERR);

    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listColumnCount(list), 1);
    CHECK_EQ(listHeader(list, 0), "Awaiting something to do...");
    CHECK_EQ(listColumnWidth(list, 0), 700);
    const std::vector<std::string> rows = listColumn(list, 0);
    CHECK_EQ(rows.size(), size_t{6});
    if (rows.size() == 6) {
        CHECK_EQ(rows[0], "Load CSV file to seed table with values.");
        CHECK_EQ(rows[1], "");
        CHECK(!rows[2].empty() && !rows[3].empty() && !rows[5].empty());
        CHECK_EQ(rows[4], "");
    }
    const DWORD ex = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    CHECK_EQ(ex & 0x61u, 0x61u);
}

UI_TEST(resize_follows_the_window_and_springs_back_below_the_minimum) {
    HWND window = startMainWindow();
    SetWindowPos(window, nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    CHECK_EQ(clientRectOf(control(IDC_LOAD_BUTTON)).left, 900L - 147);
    CHECK_EQ(clientRectOf(control(IDC_RESAVE_BUTTON)).left, 900L - 91);
    RECT list = clientRectOf(control(IDC_TABLE_LIST));
    CHECK_EQ(list.right - list.left, 900L - 35);
    CHECK_EQ(list.bottom - list.top, 500L - 90);
    CHECK_EQ(clientRectOf(control(IDC_SEARCH_BUTTON)).left, 488L);
    CHECK_EQ(listColumnWidth(control(IDC_TABLE_LIST), 0), 700);

    SetWindowPos(window, nullptr, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    const RECT outer = windowRect(window);
    CHECK_EQ(outer.right - outer.left, 705L);
    CHECK_EQ(outer.bottom - outer.top, 213L);
    CHECK_EQ(clientRectOf(control(IDC_LOAD_BUTTON)).left, 705L - 147);
    list = clientRectOf(control(IDC_TABLE_LIST));
    CHECK_EQ(list.right - list.left, 705L - 35);
    CHECK_EQ(list.bottom - list.top, 213L - 90);

    SetWindowPos(window, nullptr, 0, 0, 1000, 150, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    const RECT tall = windowRect(window);
    CHECK_EQ(tall.right - tall.left, 1000L);
    CHECK_EQ(tall.bottom - tall.top, 213L);
}

UI_TEST(right_click_on_search_switches_the_mode) {
    startMainWindow();
    HWND button = control(IDC_SEARCH_BUTTON);
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), MAKELPARAM(500, 20));
    CHECK_EQ(windowText(button), "Search+Replace");
    RECT r = clientRectOf(button);
    CHECK_EQ(r.right - r.left, 99L);
    CHECK_EQ(context().search.replaceMode, true);
    // A right click elsewhere does nothing.
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_LOAD_BUTTON)), 0);
    CHECK_EQ(context().search.replaceMode, true);
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), MAKELPARAM(500, 20));
    CHECK_EQ(windowText(button), "Search");
    r = clientRectOf(button);
    CHECK_EQ(r.right - r.left, 53L);
    CHECK_EQ(r.bottom - r.top, 20L);
    CHECK_EQ(context().search.replaceMode, false);
}

UI_TEST(escape_and_enter_do_not_close_only_the_system_close_does) {
    HWND window = startMainWindow();
    SetFocus(control(IDC_SEARCH_TEXT));
    for (WPARAM key : {static_cast<WPARAM>(VK_ESCAPE), static_cast<WPARAM>(VK_RETURN)}) {
        PostMessageA(control(IDC_SEARCH_TEXT), WM_KEYDOWN, key, 0);
        PostMessageA(control(IDC_SEARCH_TEXT), WM_KEYUP, key, 0xC0000000);
        pumpMessages();
    }
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    pumpMessages();
    CHECK(IsWindow(window));
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(waitUntil([&] { return !IsWindow(window); }));
}

UI_TEST(focus_comes_back_after_deactivation) {
    HWND window = startMainWindow();
    SetFocus(control(IDC_SEARCH_TEXT));
    SendMessageA(window, WM_NCACTIVATE, FALSE, 0);
    CHECK(context().savedFocus == control(IDC_SEARCH_TEXT));
    SetFocus(control(IDC_LOAD_BUTTON));
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    CHECK(GetFocus() == control(IDC_SEARCH_TEXT));
    CHECK(context().savedFocus == nullptr);
}

UI_TEST(harness_answers_message_boxes) {
    std::string seen;
    onDialog([&](HWND box) {
        seen = windowText(box) + "/" + boxText(box);
        pressButton(box, IDNO);
    });
    const int answer = MessageBoxA(nullptr, "Question?", "Caption", MB_YESNO | MB_SYSTEMMODAL);
    CHECK_EQ(seen, "Caption/Question?");
    CHECK_EQ(answer, IDNO);
}
