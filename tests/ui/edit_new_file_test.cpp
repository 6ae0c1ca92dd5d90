// The "Create new file" dialog on the real window: reached from Load for a
// missing file, its layout, Add and Delete, the no-name error, Create Now.
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"
#include "edit/table_commands.h"
#include "ui/win32_table_window.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

// The new-file dialog with `boxes` name boxes, as Load opens it for a
// missing file.
void openNewFileDialog(int boxes) {
    Win32TableWindow window(context());
    defineNewFileCommand(context(), window, boxes);
}

void send(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string outerSize(HWND window) {
    const RECT r = windowRect(window);
    return std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::string buttonsAt(HWND dialog) {
    std::string out;
    for (int id : {IDC_NEW_ADD_FIELD, IDC_NEW_DELETE_FIELD, IDC_NEW_CREATE, IDC_NEW_CANCEL}) out += place(GetDlgItem(dialog, id)) + ";";
    return out;
}

std::string expectedButtons(int y) {
    const std::string ys = std::to_string(y);
    return "112," + ys + " 104x24;224," + ys + " 104x24;336," + ys + " 80x24;424," + ys + " 72x24;";
}

int boxCount(HWND dialog) {
    int count = 0;
    for (HWND c : children(dialog)) count += className(c) == "Edit" ? 1 : 0;
    return count;
}

}  // namespace

UI_TEST(new_file_from_load_makes_a_one_row_table_of_the_named_fields) {
    startMainWindow();
    const std::string path = testFolder() + "fresh.csv";
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND box) {
        CHECK_EQ(windowText(box), "New File");
        pressButton(box, IDYES);
    });
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Create new file");
        CHECK_EQ(clientSize(dialog), "508x124");
        CHECK_EQ(offsetFromMain(dialog), "50,50");
        CHECK(!IsWindowEnabled(mainWindow()));
        CHECK_EQ(styleOf(dialog) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
        CHECK_EQ(childIds(dialog),
                 (std::vector<int>{5201, 5101, 5202, 5102, 5203, 5103, IDC_NEW_ADD_FIELD, IDC_NEW_DELETE_FIELD, IDC_NEW_CREATE, IDC_NEW_CANCEL}));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 1)), "Name of field 1:");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 3)), "Name of field 3:");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 2)), "8,32 96x24");
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 2)) & (SS_TYPEMASK | SS_CENTERIMAGE),
                 static_cast<DWORD>(SS_RIGHT | SS_CENTERIMAGE));
        HWND box = GetDlgItem(dialog, IDC_NEW_NAME_BASE + 3);
        CHECK_EQ(place(box), "112,56 384x24");
        CHECK_EQ(windowText(box), "");
        CHECK_EQ(styleOf(box) & (WS_TABSTOP | ES_AUTOHSCROLL), static_cast<DWORD>(WS_TABSTOP | ES_AUTOHSCROLL));
        CHECK(exStyleOf(box) & WS_EX_CLIENTEDGE);
        CHECK_EQ(buttonsAt(dialog), expectedButtons(88));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_ADD_FIELD)), "Add Another Field");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD)), "Delete Last Field");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_CREATE)), "Create Now");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_CANCEL)), "Cancel");
        const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_NEW_CREATE)) & (button | BS_DEFPUSHBUTTON), button);
        CHECK(IsWindowEnabled(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD)));

        // Enter and Escape do nothing.
        send(dialog, IDOK);
        send(dialog, IDCANCEL);
        CHECK(IsWindow(dialog));

        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 1), "a");
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 3), "  c  ");
        pressButton(dialog, IDC_NEW_CREATE);
    });
    click(IDC_LOAD_BUTTON);

    const TableDocument& table = context().table;
    CHECK_EQ(table.fieldNames(), (std::vector<std::string>{"a", "c"}));
    CHECK_EQ(table.rowCount(), 1);
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listColumnCount(list), 2);
    CHECK_EQ(listHeader(list, 0), "a");
    CHECK_EQ(listHeader(list, 1), "c");
    CHECK_EQ(listColumn(list, 0), std::vector<std::string>{"New Item"});
    CHECK_EQ(listText(list, 0, 1), "");
    CHECK_EQ(windowText(mainWindow()), "Varnel: " + path + " (1)");
    HWND combo = control(IDC_FIELD_COMBO);
    CHECK_EQ(static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)), 3);
    CHECK_EQ(static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)), 0);
    CHECK_EQ(windowText(combo), "All");
    CHECK(IsWindowEnabled(mainWindow()));
    // Weights: the name's width plus 40, the minimum its width plus 20.
    const ColumnLayout& columns = context().columns;
    for (int k = 0; k < 2; ++k) {
        CHECK(columns.minWidth[k] > 20);
        CHECK_EQ(columns.weight[k], columns.minWidth[k] + 20);
    }
    CHECK_EQ(columns.totalWeight, columns.weight[0] + columns.weight[1]);
    const int width0 = listColumnWidth(list, 0);

    // The new table takes inserted rows like any other.
    for (int i = 0; i < 3; ++i) {
        selectItems(list, {0});
        SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0);
    }
    CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"New Item", "New Item", "New Item", "New Item"}));
    CHECK_EQ(titleCount(), "(4)");

    // The same names again give the same widths: the total is the new table's alone.
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 1), "a");
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 2), "c");
        pressButton(dialog, IDC_NEW_CREATE);
    });
    openNewFileDialog(2);
    CHECK_EQ(listColumnWidth(control(IDC_TABLE_LIST), 0), width0);
    CHECK_EQ(titleCount(), "(1)");
}

UI_TEST(new_file_without_names_shows_the_error_and_stays_open) {
    showTable({"keep"}, {{"row"}});
    const std::string title = windowText(mainWindow());
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 1), "   ");
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 2), " ");
        // Create Now runs here, and with it the error box answered below.
        send(dialog, IDC_NEW_CREATE);
        CHECK(IsWindow(dialog));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 1)), "   ");
        CHECK_EQ(context().table.fieldNames(), std::vector<std::string>{"keep"});
        pressButton(dialog, IDC_NEW_CANCEL);
    });
    onDialog([](HWND box) {
        CHECK_EQ(windowText(box), "Error");
        CHECK_EQ(boxText(box),
                 "You need to name your fields. Any unnamed fields will be ignored, and, thus, I have ignored them "
                 "all. This is no good.");
        CHECK(exStyleOf(box) & WS_EX_TOPMOST);  // system modal
        CHECK(GetDlgItem(box, IDOK) != nullptr);
        pressButton(box, IDOK);
    });
    // The dialog becomes active again once the box has gone.
    onOptionalDialog([](HWND d) { return windowText(d) == "Create new file"; }, [](HWND) {});
    openNewFileDialog(3);
    CHECK_EQ(context().table.fieldNames(), std::vector<std::string>{"keep"});
    CHECK_EQ(listText(control(IDC_TABLE_LIST), 0, 0), "row");
    CHECK_EQ(windowText(mainWindow()), title);
}

UI_TEST(new_file_boxes_grow_and_shrink_within_1_to_99) {
    showTable({"keep"}, {{"row"}});
    onDialog([](HWND dialog) {
        send(dialog, IDC_NEW_ADD_FIELD);
        CHECK_EQ(boxCount(dialog), 4);
        CHECK_EQ(place(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 4)), "112,80 384x24");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 4)), "8,80 96x24");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 4)), "Name of field 4:");
        CHECK_EQ(buttonsAt(dialog), expectedButtons(112));
        CHECK_EQ(outerSize(dialog), "508x172");
        CHECK_EQ(offsetFromMain(dialog), "50,50");
        // A box added later comes after the buttons in the tab order.
        CHECK_EQ(childIds(dialog),
                 (std::vector<int>{5201, 5101, 5202, 5102, 5203, 5103, IDC_NEW_ADD_FIELD, IDC_NEW_DELETE_FIELD, IDC_NEW_CREATE, IDC_NEW_CANCEL, 5204, 5104}));

        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 2), "kept");
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 4), "lost");
        SetFocus(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD));
        for (int i = 0; i < 3; ++i) send(dialog, IDC_NEW_DELETE_FIELD);
        CHECK(GetFocus() == GetDlgItem(dialog, IDC_NEW_ADD_FIELD));
        CHECK_EQ(boxCount(dialog), 1);
        CHECK(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 2) == nullptr && GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 2) == nullptr);
        CHECK(!IsWindowEnabled(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD)));
        CHECK_EQ(buttonsAt(dialog), expectedButtons(40));
        CHECK_EQ(outerSize(dialog), "508x100");
        send(dialog, IDC_NEW_DELETE_FIELD);  // one box: nothing happens
        CHECK_EQ(boxCount(dialog), 1);
        CHECK_EQ(boxCount(dialog), 1);

        send(dialog, IDC_NEW_ADD_FIELD);
        CHECK(IsWindowEnabled(GetDlgItem(dialog, IDC_NEW_DELETE_FIELD)));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 2)), "");  // the text of a deleted box is gone
        for (int i = 0; i < 97; ++i) send(dialog, IDC_NEW_ADD_FIELD);
        CHECK_EQ(boxCount(dialog), 99);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_NEW_LABEL_BASE + 99)), "Name of field 99:");
        send(dialog, IDC_NEW_ADD_FIELD);  // 99 boxes: nothing happens
        CHECK_EQ(boxCount(dialog), 99);
        CHECK_EQ(boxCount(dialog), 99);
        CHECK(GetDlgItem(dialog, 5300) == nullptr);
        CHECK_EQ(buttonsAt(dialog), expectedButtons(24 * 99 + 16));
        CHECK_EQ(outerSize(dialog), "508x" + std::to_string(24 * 99 + 76));

        // Focus memory across a deactivation.
        SetFocus(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 50));
        SendMessageA(dialog, WM_NCACTIVATE, FALSE, 0);
        SetFocus(GetDlgItem(dialog, IDC_NEW_ADD_FIELD));
        SendMessageA(dialog, WM_NCACTIVATE, TRUE, 0);
        CHECK(GetFocus() == GetDlgItem(dialog, IDC_NEW_NAME_BASE + 50));

        // The system close ends the dialog as Cancel does.
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    openNewFileDialog(3);
    CHECK_EQ(context().table.fieldNames(), std::vector<std::string>{"keep"});
    CHECK_EQ(listText(control(IDC_TABLE_LIST), 0, 0), "row");
    CHECK(IsWindowEnabled(mainWindow()));
}

UI_TEST(new_file_count_is_kept_within_1_to_99_at_opening) {
    showTable({"keep"}, {{"row"}});
    for (int start : {0, 150}) {
        onDialog([start](HWND dialog) {
            CHECK_EQ(boxCount(dialog), start == 0 ? 1 : 99);
            CHECK_EQ(clientSize(dialog), start == 0 ? "508x76" : "508x" + std::to_string(24 * 99 + 52));
            pressButton(dialog, IDC_NEW_CANCEL);
        });
        openNewFileDialog(start);
    }
}
