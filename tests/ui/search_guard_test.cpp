// Search on the real list, and the guard that keeps a second command from
// starting while one waits in a message box or dialog.
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

void loadFile(const std::string& name, const std::string& bytes) {
    const std::string path = testFolder() + name;
    writeFile(path, bytes);
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    click(IDC_LOAD_BUTTON);
}

void search(const std::string& text) {
    SetWindowTextA(control(IDC_SEARCH_TEXT), text.c_str());
    click(IDC_SEARCH_BUTTON);
}

void expectNothingFound() {
    onDialog([](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        CHECK_EQ(boxText(box), "Nothing matching your search was found");
        pressButton(box, IDOK);
    });
}

int topIndex(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }

}  // namespace

UI_TEST(search_selects_the_matching_rows_or_reports_nothing_found) {
    startMainWindow();
    // Before any file: nothing found.
    expectNothingFound();
    search("anything");

    loadFile("search.csv", "name,city\r\nAnn,Paris\r\nBob,Rome\r\nCyd,Oslo\r\nDee,paris\r\n");
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {1});
    search("PARIS or oslo");
    CHECK_EQ(selectedItems(list), (std::vector<int>{0, 2, 3}));
    CHECK_EQ(windowText(control(IDC_SEARCH_TEXT)), "PARIS or oslo");

    // Only the city field: "ann" is in no city.
    SendMessageA(control(IDC_FIELD_COMBO), CB_SETCURSEL, 2, 0);
    expectNothingFound();
    search("ann");
    CHECK(selectedItems(list).empty());
    SendMessageA(control(IDC_FIELD_COMBO), CB_SETCURSEL, 1, 0);
    search("ann");
    CHECK_EQ(selectedItems(list), (std::vector<int>{0}));

    // A blank query does nothing at all.
    search("   ");
    CHECK_EQ(selectedItems(list), (std::vector<int>{0}));
}

UI_TEST(search_leaves_the_list_scrolled_as_single_steps_would) {
    startMainWindow();
    std::string bytes = "id,tag\r\n";
    for (int i = 1; i <= 3000; ++i)
        bytes += std::to_string(i) + "," + (i % 7 == 0 ? "seven" : (i == 5 || i == 50 ? "hit" : "no")) + "\r\n";
    loadFile("many.csv", bytes);
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listCount(list), 3000);
    const int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    CHECK(perPage > 2 && perPage < 40);

    search("seven");
    const std::vector<int> selected = selectedItems(list);
    CHECK_EQ(selected.size(), size_t{3000 / 7});
    CHECK_EQ(static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)), 3000 / 7);
    CHECK_EQ(topIndex(list), 2996 - perPage + 1 - 1);  // item 2995 (row 2996) at the bottom
    CHECK_EQ(listText(list, 2995, 0), "2996");

    // From the bottom of the list, matches at items 4 and 49: the first
    // brings item 4 to the top, the second item 49 to the bottom.
    SendMessageA(list, LVM_ENSUREVISIBLE, 2999, FALSE);
    search("hit");
    CHECK_EQ(selectedItems(list), (std::vector<int>{4, 49}));
    CHECK_EQ(topIndex(list), 49 - perPage + 1);
}

UI_TEST(double_click_edits_the_first_selected_row_only_when_it_exists) {
    startMainWindow();
    NMHDR click{control(IDC_TABLE_LIST), static_cast<UINT_PTR>(IDC_TABLE_LIST), static_cast<UINT>(NM_DBLCLK)};
    selectItems(control(IDC_TABLE_LIST), {2});
    // A welcome row: no table row to edit, no dialog.
    SendMessageA(mainWindow(), WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&click));

    loadFile("edit.csv", "a,b\r\n1,2\r\n3,4\r\n5,6\r\n");
    selectItems(control(IDC_TABLE_LIST), {2, 1});
    onDialog([](HWND d) {
        CHECK_EQ(windowText(d), "Edit item #2");
        pressButton(d, IDC_EDIT_CANCEL);
    });
    SendMessageA(mainWindow(), WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&click));
}

UI_TEST(no_command_starts_while_another_waits_and_a_close_is_held) {
    HWND window = startMainWindow();
    loadFile("guard.csv", "name,n\r\nAnn,3\r\nBob,1\r\nCyd,2\r\n");
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {0, 1, 2});
    SetWindowTextA(control(IDC_SEARCH_TEXT), "zzz");

    onDialog([&](HWND box) {
        CHECK_EQ(boxText(box), "Would you like to save only the 3 selected entries?");
        CHECK(IsWindowEnabled(window));
        // Each of these would start a command (or open a dialog the script
        // does not expect, which fails the test).
        click(IDC_LOAD_BUTTON);
        click(IDC_SEARCH_BUTTON);
        click(IDC_RESAVE_BUTTON);
        notifyColumnClick(1);
        SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
        NMHDR dbl{list, static_cast<UINT_PTR>(IDC_TABLE_LIST), static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(window, WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&dbl));
        NMLVKEYDOWN key{};
        key.hdr = {list, static_cast<UINT_PTR>(IDC_TABLE_LIST), static_cast<UINT>(LVN_KEYDOWN)};
        key.wVKey = VK_DELETE;
        SendMessageA(window, WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&key));
        for (int id : {IDM_EDIT_ROW, IDM_INSERT_ROW, IDM_DELETE_ROW}) SendMessageA(window, WM_COMMAND, id, 0);
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(IsWindow(window));
        CHECK_EQ(context().search.replaceMode, false);
        CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"Ann", "Bob", "Cyd"}));
        CHECK_EQ(selectedItems(list), (std::vector<int>{0, 1, 2}));
        CHECK_EQ(context().table.rowCount(), 3);
        pressButton(box, IDNO);
    });
    onDialog([&](HWND dialog) {
        CHECK(IsWindow(window));
        pressButton(dialog, IDCANCEL);
    });
    click(IDC_RESAVE_BUTTON);
    // The close held during the command is carried out once it has ended.
    CHECK(waitUntil([&] { return !IsWindow(window); }));
}

UI_TEST(search_and_replace_mode_warns_about_several_terms_then_searches) {
    startMainWindow();
    loadFile("replace.csv", "name,city\r\nAnn,Paris\r\nBob,Rome\r\nCyd,Oslo\r\n");
    HWND list = control(IDC_TABLE_LIST);
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    CHECK_EQ(context().search.replaceMode, true);
    onDialog([](HWND box) {
        CHECK_EQ(windowText(box), "Warning");
        CHECK_EQ(boxText(box),
                 "You can't do a search and replace on multiple terms. Software will continue, but as a normal "
                 "search.");
        pressButton(box, IDOK);
    });
    search("rome oslo");
    CHECK_EQ(selectedItems(list), (std::vector<int>{1, 2}));
    CHECK_EQ(context().table.cell(2, 2), "Rome");
}

UI_TEST(selection_counts_are_grouped_in_the_resave_question) {
    startMainWindow();
    std::string bytes = "n\r\n";
    for (int i = 1; i <= 1500; ++i) bytes += std::to_string(i) + "\r\n";
    loadFile("count.csv", bytes);
    HWND list = control(IDC_TABLE_LIST);
    LVITEMA all{};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    onDialog([](HWND box) {
        CHECK_EQ(boxText(box), "Would you like to save only the 1,500 selected entries?");
        pressButton(box, IDYES);
    });
    onDialog([](HWND dialog) { pressButton(dialog, IDCANCEL); });
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(windowText(mainWindow()), "Varnel: " + testFolder() + "count.csv (1,500)");
}

UI_TEST(the_import_dialog_gives_the_focus_back_after_deactivation) {
    startMainWindow();
    const std::string path = testFolder() + "focus.csv";
    writeFile(path, "a,b\r\n1,2\r\n");
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND dialog) {
        HWND names = GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES);
        SetFocus(names);
        SendMessageA(dialog, WM_NCACTIVATE, FALSE, 0);
        SetFocus(GetDlgItem(dialog, IDC_IMPORT_LOAD));
        SendMessageA(dialog, WM_NCACTIVATE, TRUE, 0);
        CHECK(GetFocus() == names);
        pressButton(dialog, IDC_IMPORT_CANCEL);
    });
    click(IDC_LOAD_BUTTON);
}
