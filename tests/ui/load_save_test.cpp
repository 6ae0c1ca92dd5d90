// Load through the real open-file and import dialogs, the table view, the
// column sort, Re-Save with the bytes written, and the read and save errors.
#include <cmath>

#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

const char* const kPeople =
    "name,city,age\r\n"
    "Ann,Paris,34\r\n"
    "Bob,\"Rome, IT\",7\r\n"
    "Cyd,Oslo,120\r\n";

std::string peopleFile() {
    const std::string path = testFolder() + "people.csv";
    writeFile(path, kPeople);
    return path;
}

// Loads `path` through the two dialogs; `adjust` changes the import dialog's
// controls before Load is pressed.
void loadThroughDialogs(const std::string& path, std::function<void(HWND)> adjust = {}) {
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([adjust](HWND dialog) {
        if (adjust) adjust(dialog);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
}

// Answers the save dialog with `path`, and the question the file dialog may
// ask about creating or replacing the file with Yes.
void answerSaveDialog(const std::string& path) {
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                     [](HWND box) { pressButton(box, IDYES); });
}

void expectBox(const std::string& caption, const std::string& text, int button = IDOK) {
    onDialog([=](HWND box) {
        CHECK_EQ(windowText(box), caption);
        CHECK_EQ(boxText(box), text);
        pressButton(box, button);
    });
}

int expectedWidth(int field, int windowWidth) {
    // The weights are the table's; the minimum is the name's width plus 20.
    const TableDocument& t = context().table;
    const ColumnLayout& c = context().columns;
    CHECK_EQ(c.weight[field - 1], t.columnWeight[field - 1]);
    CHECK(c.minWidth[field - 1] > 20);
    double w = std::floor((windowWidth - 35) * t.columnWeight[field - 1] / t.totalColumnWeight - 3);
    if (c.minWidth[field - 1] > w) w = std::nearbyint(c.minWidth[field - 1]);
    return static_cast<int>(w);
}

std::vector<std::string> comboItems() {
    std::vector<std::string> items;
    HWND combo = control(IDC_FIELD_COMBO);
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::vector<std::string> headers() {
    std::vector<std::string> names;
    HWND list = control(IDC_TABLE_LIST);
    for (int i = 0; i < listColumnCount(list); ++i) names.push_back(listHeader(list, i));
    return names;
}

}  // namespace

UI_TEST(load_csv_with_names_from_the_first_line) {
    HWND window = startMainWindow();
    const std::string path = peopleFile();
    const RECT main = windowRect(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);

    onDialog([&](HWND dialog) {
        const RECT r = windowRect(dialog);
        CHECK_EQ(r.left, main.left + 30);
        CHECK_EQ(r.top, main.top + 30);
        CHECK_EQ(windowText(dialog), "Please select a CSV file to load");
        answerFileDialog(dialog, path);
    });
    onDialog([&](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        CHECK(!IsWindowEnabled(window));
        RECT client{};
        GetClientRect(dialog, &client);
        CHECK_EQ(client.right, 476L);
        CHECK_EQ(client.bottom, 153L + 16 * 3);
        const RECT outer = windowRect(dialog);
        CHECK_EQ(outer.left, origin.x + 50);
        CHECK_EQ(outer.top, origin.y + 50);
        CHECK(!(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_SYSMENU));
        CHECK(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0);
        CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_NAMES_FROM_FIRST) == BST_CHECKED);
        CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_NAMES_MANUAL) == BST_UNCHECKED);
        CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_FIRST_IS_DATA) == BST_UNCHECKED);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIRST_LINE_TEXT)), "name,city,age");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES)), "name,city,age");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 1)), "Import field 1 (name)");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 3)), "Import field 3 (age)");
        for (int i = 1; i <= 3; ++i) CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_FIELD_BASE + i) == BST_CHECKED);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 3)).top, 96L + 48);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_LOAD)).top, 120L + 48);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_LOAD)).left, 328L);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_CANCEL)).left, 400L);
        // Enter and Escape do nothing.
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        CHECK(IsWindowVisible(dialog));
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);

    CHECK_EQ(windowText(window), "Varnel: " + path + " (3)");
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(headers(), (std::vector<std::string>{"name", "city", "age"}));
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"Ann", "Bob", "Cyd"}));
    CHECK_EQ(listColumn(list, 1), (std::vector<std::string>{"Paris", "Rome, IT", "Oslo"}));
    CHECK_EQ(listText(list, 2, 2), "120");
    const RECT outer = windowRect(window);
    const int w = outer.right - outer.left;
    for (int k = 1; k <= 3; ++k) CHECK_EQ(listColumnWidth(list, k - 1), expectedWidth(k, w));
    const RECT r = clientRectOf(list);
    CHECK_EQ(r.left, 8L);
    CHECK_EQ(r.top, 40L);
    CHECK_EQ(r.right - r.left, static_cast<LONG>(w - 35));
    CHECK(GetWindowLongPtrA(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
    CHECK_EQ(static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)) & 0x61u, 0x61u);
    CHECK_EQ(comboItems(), (std::vector<std::string>{"All", "name", "city", "age"}));
    CHECK_EQ(static_cast<int>(SendMessageA(control(IDC_FIELD_COMBO), CB_GETCURSEL, 0, 0)), 0);
    CHECK(IsWindowEnabled(window));

    // Widths follow a resize, from the same weights.
    SetWindowPos(window, nullptr, 0, 0, 1200, 600, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    for (int k = 1; k <= 3; ++k) CHECK_EQ(listColumnWidth(list, k - 1), expectedWidth(k, 1200));
}

UI_TEST(load_with_manual_names_first_line_as_data_and_chosen_fields) {
    HWND window = startMainWindow();
    const std::string path = peopleFile();
    loadThroughDialogs(path, [](HWND dialog) {
        CheckRadioButton(dialog, IDC_IMPORT_NAMES_FROM_FIRST, IDC_IMPORT_NAMES_MANUAL, IDC_IMPORT_NAMES_MANUAL);
        SetWindowTextA(GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES), "who,where,years");
        CheckDlgButton(dialog, IDC_IMPORT_FIRST_IS_DATA, BST_CHECKED);
    });
    CHECK_EQ(windowText(window), "Varnel: " + path + " (4)");
    CHECK_EQ(headers(), (std::vector<std::string>{"who", "where", "years"}));
    CHECK_EQ(listColumn(control(IDC_TABLE_LIST), 0), (std::vector<std::string>{"name", "Ann", "Bob", "Cyd"}));

    // Only field 2, names from the first line.
    loadThroughDialogs(path, [](HWND dialog) {
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 1, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 3, BST_UNCHECKED);
    });
    CHECK_EQ(headers(), (std::vector<std::string>{"city"}));
    CHECK_EQ(listColumn(control(IDC_TABLE_LIST), 0), (std::vector<std::string>{"Paris", "Rome, IT", "Oslo"}));
    CHECK_EQ(comboItems(), (std::vector<std::string>{"All", "city"}));
}

UI_TEST(import_needs_one_field_and_cancel_or_close_keeps_the_old_table) {
    HWND window = startMainWindow();
    const std::string path = peopleFile();
    loadThroughDialogs(path);
    const std::string title = windowText(window);

    const std::string other = testFolder() + "other.psv";
    writeFile(other, "x|y\r\n1|2\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, other); });
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import PSV File");
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 1, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 2, BST_UNCHECKED);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    expectBox("Error", "You must specify at least one field to include!");
    onDialog([](HWND dialog) {
        CHECK(IsWindowVisible(dialog));
        pressButton(dialog, IDC_IMPORT_CANCEL);  // Cancel
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(windowText(window), title);
    CHECK_EQ(headers(), (std::vector<std::string>{"name", "city", "age"}));
    CHECK_EQ(context().table.currentFileName, other);

    // Alt+F4 in the import dialog acts as Cancel.
    onDialog([&](HWND dialog) { answerFileDialog(dialog, other); });
    onDialog([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(windowText(window), title);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 3);

    // A cancelled open-file dialog empties the file name only.
    onDialog([](HWND dialog) { pressButton(dialog, IDCANCEL); });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(context().table.currentFileName, "");
    CHECK_EQ(windowText(window), title);
}

UI_TEST(a_missing_file_offers_a_new_file) {
    HWND window = startMainWindow();
    const std::string path = testFolder() + "nothing-here.csv";
    const std::string hidden = testFolder() + "hidden.csv";
    writeFile(hidden, "a,b\r\n");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    for (const std::string& name : {path, hidden}) {
        onDialog([name](HWND dialog) { answerFileDialog(dialog, name); });
        expectBox("New File", "Would you like to create and define a new file called \"" + name + "\"?", IDNO);
        click(IDC_LOAD_BUTTON);
        CHECK_EQ(context().table.currentFileName, name);
        CHECK_EQ(windowText(window), "Varnel");
    }
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    expectBox("New File", "Would you like to create and define a new file called \"" + path + "\"?", IDYES);
    int boxes = 0;
    onDialog([&boxes](HWND d) {
        CHECK_EQ(windowText(d), "Create new file");
        for (int i = 1; GetDlgItem(d, IDC_NEW_NAME_BASE + i); ++i) boxes = i;
        pressButton(d, IDC_NEW_CANCEL);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(boxes, 3);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

UI_TEST(a_file_that_cannot_be_read_is_reported_and_the_table_stays) {
    HWND window = startMainWindow();
    const std::string path = peopleFile();
    loadThroughDialogs(path);
    const std::string title = windowText(window);

    const std::string locked = testFolder() + "locked.csv";
    writeFile(locked, "p,q\r\n1,2\r\n");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(holder != INVALID_HANDLE_VALUE);
    std::string text;
    onDialog([&](HWND dialog) { answerFileDialog(dialog, locked); });
    onDialog([&](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        text = boxText(box);
        pressButton(box, IDOK);
    });
    click(IDC_LOAD_BUTTON);
    CHECK(text.find(locked) != std::string::npos);
    CHECK(text.find("could not be read") != std::string::npos);
    CHECK(text.size() > text.find(":\n\n") + 6);  // the system's reason follows
    CHECK_EQ(windowText(window), title);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 3);
    CHECK_EQ(context().table.currentFileName, locked);

    // The same when the file gets locked while the import dialog is open.
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        CloseHandle(holder);
        holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    onDialog([&](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        CHECK(boxText(box).find(path) != std::string::npos);
        pressButton(box, IDOK);
    });
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(windowText(window), title);
    CloseHandle(holder);

    // Another program that only reads the file, sharing it, does not stop it.
    holder = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    loadThroughDialogs(locked);
    CHECK_EQ(windowText(window), "Varnel: " + locked + " (1)");
    CloseHandle(holder);
}

UI_TEST(a_column_click_sorts_and_refills) {
    startMainWindow();
    // The welcome column: nothing to sort, the list is emptied.
    notifyColumnClick(0);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 0);

    loadThroughDialogs(peopleFile());
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {1});
    // A real click on the header of the third column (age, numeric).
    postHeaderClick(list, 2);
    CHECK(waitUntil([&] { return listText(list, 0, 0) == "Bob"; }));
    CHECK_EQ(listColumn(list, 2), (std::vector<std::string>{"7", "34", "120"}));
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"Bob", "Ann", "Cyd"}));
    CHECK(selectedItems(list).empty());
    notifyColumnClick(1);
    CHECK_EQ(listColumn(list, 1), (std::vector<std::string>{"Oslo", "Paris", "Rome, IT"}));
}

UI_TEST(resave_all_rows_and_three_selected_rows) {
    startMainWindow();
    const std::string source = testFolder() + "five.csv";
    writeFile(source, "id,name\r\n1,a\r\n2,b\r\n3,\"c\"\"q\"\r\n4,d\r\n5,e\r\n");
    loadThroughDialogs(source);
    HWND list = control(IDC_TABLE_LIST);

    const std::string all = testFolder() + "all.csv";
    const RECT main = windowRect(mainWindow());
    onDialog([&](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Please select a CSV file to save");
        CHECK_EQ(windowRect(dialog).left, main.left + 30);
        CHECK_EQ(windowRect(dialog).top, main.top + 30);
        answerFileDialog(dialog, all);
    });
    onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                     [](HWND box) { pressButton(box, IDYES); });
    expectBox("Done", "File has been saved.");
    selectItems(list, {2});  // one selected row: all rows, no question
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(readFile(all), "\"id\",\"name\"\r\n\"1\",\"a\"\r\n\"2\",\"b\"\r\n\"3\",\"c\"\"q\"\r\n"
                            "\"4\",\"d\"\r\n\"5\",\"e\"\r\n");

    const std::string some = testFolder() + "some.tsv";
    selectItems(list, {4, 0, 2});
    expectBox("Warning", "Would you like to save only the 3 selected entries?", IDYES);
    answerSaveDialog(some);
    expectBox("Done", "File has been saved.");
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(readFile(some), "id\tname\r\n1\ta\r\n3\tc\"q\r\n5\te\r\n");
    // Nothing in the table's file state changes.
    CHECK_EQ(context().table.currentFileName, source);
    CHECK_EQ(windowText(mainWindow()), "Varnel: " + source + " (5)");

    // No: all rows.
    const std::string no = testFolder() + "no.psv";
    expectBox("Warning", "Would you like to save only the 3 selected entries?", IDNO);
    answerSaveDialog(no);
    expectBox("Done", "File has been saved.");
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(readFile(no), "id|name\r\n1|a\r\n2|b\r\n3|c\"q\r\n4|d\r\n5|e\r\n");
}

UI_TEST(a_failed_save_is_reported_and_the_old_file_stays) {
    startMainWindow();
    loadThroughDialogs(peopleFile());
    const std::string target = testFolder() + "readonly.csv";
    writeFile(target, "old bytes");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    answerSaveDialog(target);
    std::string text;
    onDialog([&](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        text = boxText(box);
        pressButton(box, IDOK);
    });
    click(IDC_RESAVE_BUTTON);
    CHECK(text.find(target) != std::string::npos);
    CHECK(text.find("could not be saved") != std::string::npos);
    CHECK(text.size() > text.find(":\n\n") + 6);
    CHECK_EQ(readFile(target), "old bytes");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held open by another program.
    HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    answerSaveDialog(target);
    onDialog([&](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        CHECK(boxText(box).find(target) != std::string::npos);
        pressButton(box, IDOK);
    });
    click(IDC_RESAVE_BUTTON);
    CloseHandle(holder);
    CHECK_EQ(readFile(target), "old bytes");

    // Once free, the file is replaced, keeping its attributes, and no
    // temporary file is left beside it.
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
    answerSaveDialog(target);
    expectBox("Done", "File has been saved.");
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(readFile(target).substr(0, 21), "\"name\",\"city\",\"age\"\r\n");
    CHECK(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((testFolder() + "vrn*").c_str(), &found);
    CHECK(search == INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}
