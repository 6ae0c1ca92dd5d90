// Odd input on the real window: very wide first lines, empty files, long
// cells, and closes that arrive while a dialog is open.
#include <string>

#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

std::string wideLine(int fields) {
    std::string line;
    for (int i = 1; i <= fields; ++i) {
        if (i > 1) line += ',';
        line += 'f';
        line += std::to_string(i);
    }
    return line;
}

}  // namespace

// A first line of thousands of fields gives as many check boxes and columns.
// Looking each box up by id, or cutting the line again for each box, made
// this take minutes; it must finish well inside the harness's time limit.
UI_TEST(a_first_line_of_thousands_of_fields_loads) {
    HWND window = startMainWindow();
    constexpr int kFields = 2000;
    const std::string line = wideLine(kFields);
    const std::string path = testFolder() + "wide.csv";
    writeFile(path, line + "\r\n" + line + "\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 1)), "Import field 1 (f1)");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + kFields)), "Import field 2000 (f2000)");
        CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_FIELD_BASE + kFields) == BST_CHECKED);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_LOAD)).top, 120L + 16 * kFields);
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 2, BST_UNCHECKED);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(context().table.fieldCount(), kFields - 1);
    CHECK_EQ(windowText(window), "Varnel: " + path + " (1)");
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listColumnCount(list), kFields - 1);
    CHECK_EQ(listHeader(list, 1), "f3");
    CHECK_EQ(listText(list, 0, kFields - 2), "f2000");
    CHECK_EQ(static_cast<int>(SendMessageA(control(IDC_FIELD_COMBO), CB_GETCOUNT, 0, 0)), kFields);
}

// An empty file offers one field with no name; it loads as a table of one
// nameless column and no rows, on which the row commands do nothing.
UI_TEST(an_empty_file_loads_as_one_nameless_field_and_no_rows) {
    HWND window = startMainWindow();
    const std::string path = testFolder() + "empty.csv";
    writeFile(path, "");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        RECT client{};
        GetClientRect(dialog, &client);
        CHECK_EQ(client.bottom, 153L + 16);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 1)), "Import field 1 ()");
        CHECK(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 2) == nullptr);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(windowText(window), "Varnel: " + path + " (0)");
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listColumnCount(list), 1);
    CHECK_EQ(listHeader(list, 0), "");
    CHECK_EQ(listCount(list), 0);
    // None of these opens anything (an unexpected box would fail the test).
    click(IDC_RESAVE_BUTTON);
    NMHDR dbl{list, static_cast<UINT_PTR>(IDC_TABLE_LIST), static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(window, WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&dbl));
    for (int id : {IDM_EDIT_ROW, IDM_INSERT_ROW, IDM_DELETE_ROW}) SendMessageA(window, WM_COMMAND, id, 0);
    notifyColumnClick(0);
    CHECK_EQ(listCount(list), 0);
    CHECK_EQ(windowText(window), "Varnel: " + path + " (0)");
}

// A cell far longer than the list shows is shown cut and kept whole in the
// table; the edit dialog's box holds all of it (a text of 64 KiB or more
// given at a control's creation came out cut) and saves it whole.
UI_TEST(a_very_long_cell_is_shown_cut_and_kept_whole) {
    startMainWindow();
    const std::string longCell(200000, 'x');
    const std::string path = testFolder() + "long.csv";
    writeFile(path, "a,b\r\n" + longCell + ",tail\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    click(IDC_LOAD_BUTTON);
    HWND list = control(IDC_TABLE_LIST);
    const std::string shown = listText(list, 0, 0);
    CHECK(!shown.empty() && shown.size() < longCell.size());
    CHECK_EQ(listText(list, 0, 1), "tail");

    selectItems(list, {0});
    onDialog([&](HWND dialog) {
        HWND first = GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1);
        CHECK_EQ(static_cast<size_t>(GetWindowTextLengthA(first)), longCell.size());
        CHECK(!SendMessageA(first, EM_GETMODIFY, 0, 0));
        // Typed at the end: the whole text with one more byte is stored.
        SendMessageA(first, EM_SETSEL, static_cast<WPARAM>(longCell.size()), static_cast<LPARAM>(longCell.size()));
        SendMessageA(first, WM_CHAR, 'y', 1);
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK(context().table.cell(1, 1) == longCell + "y");
    CHECK_EQ(context().table.cell(1, 2), "tail");
}

// Typing a letter in the list selects the first row whose first field begins
// with it, letter case aside, as the plain welcome list does (the table list
// must find its items through its owner).
UI_TEST(typing_in_the_list_selects_the_row_that_begins_so) {
    startMainWindow();
    HWND welcome = control(IDC_TABLE_LIST);
    SetFocus(welcome);
    SendMessageA(welcome, WM_CHAR, 'p', 1);
    CHECK_EQ(selectedItems(welcome), (std::vector<int>{5}));  // the postscript row

    const std::string path = testFolder() + "letters.csv";
    writeFile(path, "name\r\napple\r\nbanana\r\nCherry\r\ncat\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    click(IDC_LOAD_BUTTON);
    HWND list = control(IDC_TABLE_LIST);
    SetFocus(list);
    SendMessageA(list, WM_CHAR, 'c', 1);
    CHECK_EQ(selectedItems(list), (std::vector<int>{2}));
    SendMessageA(list, WM_CHAR, 'z', 1);
    Sleep(1100);  // the typed letters are taken as one text for a moment
    SendMessageA(list, WM_CHAR, 'b', 1);
    CHECK_EQ(selectedItems(list), (std::vector<int>{1}));
}
