// The "Edit item #" dialog on the real window: its layout, Save Changes,
// Cancel, the system close, Enter and Escape, focus memory, wide rows.
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

void openEditDialog() { SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0); }

// Presses Enter and Escape in a box as the keyboard would; a moment later
// checks that the dialog is still open and cancels it.
HWND g_keyDialog = nullptr;
bool g_openAfterKeys = false;

void CALLBACK checkAfterKeys(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_openAfterKeys = IsWindow(g_keyDialog) != FALSE;
    if (g_openAfterKeys) pressButton(g_keyDialog, IDC_EDIT_CANCEL);
}

void pressEnterAndEscape(HWND dialog, HWND box) {
    g_keyDialog = dialog;
    g_openAfterKeys = false;
    SetFocus(box);
    for (WPARAM key : {static_cast<WPARAM>(VK_RETURN), static_cast<WPARAM>(VK_ESCAPE)}) {
        PostMessageA(box, WM_KEYDOWN, key, 1);
        PostMessageA(box, WM_KEYUP, key, 0xC0000001);
    }
    SetTimer(nullptr, 0, 100, checkAfterKeys);
}

std::string numbered(const char* prefix, size_t k) {
    std::string text(prefix);
    text += std::to_string(k);
    return text;
}

}  // namespace

UI_TEST(edit_dialog_layout_and_save_writes_only_changed_boxes) {
    const std::string withNul("x\0y", 3);
    showTable({"Name", "Town", "Note"}, {{"r1", "t1", "n1"}, {"r2", "t2", "n2"}, {"r3", withNul, "n3"}});
    selectItems(tableList(context()), {2});
    CHECK_EQ(context().table.cell(3, 2).size(), size_t{3});
    bool shown = false;
    onDialog([&](HWND dialog) {
        shown = true;
        CHECK_EQ(windowText(dialog), "Edit item #3");
        CHECK_EQ(clientSize(dialog), "507x122");
        CHECK_EQ(offsetFromMain(dialog), "50,50");
        CHECK(!IsWindowEnabled(mainWindow()));
        CHECK_EQ(styleOf(dialog) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
        CHECK_EQ(childIds(dialog), (std::vector<int>{IDC_EDIT_SAVE, IDC_EDIT_CANCEL, IDC_EDIT_LABEL_BASE + 1, IDC_EDIT_FIELD_BASE + 1,
                                                IDC_EDIT_LABEL_BASE + 2, IDC_EDIT_FIELD_BASE + 2, IDC_EDIT_LABEL_BASE + 3,
                                                IDC_EDIT_FIELD_BASE + 3}));
        const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_EDIT_SAVE)), "Save Changes");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_EDIT_SAVE)), "304,88 112x24");
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_EDIT_SAVE)) & (button | BS_DEFPUSHBUTTON), button);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_EDIT_CANCEL)), "Cancel");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_EDIT_CANCEL)), "424,88 72x24");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_EDIT_LABEL_BASE + 2)), "Town:");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_EDIT_LABEL_BASE + 2)), "8,32 128x24");
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_EDIT_LABEL_BASE + 2)) & (SS_TYPEMASK | SS_CENTERIMAGE),
                 static_cast<DWORD>(SS_RIGHT | SS_CENTERIMAGE));
        HWND town = GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 2);
        CHECK_EQ(className(town), "Edit");
        CHECK_EQ(windowText(town), "x");  // a box cannot show past a NUL byte
        CHECK_EQ(static_cast<int>(SendMessageA(town, EM_GETMODIFY, 0, 0)), 0);
        CHECK_EQ(static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1), EM_GETMODIFY, 0, 0)), 0);
        CHECK_EQ(place(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1)), "144,8 352x24");
        CHECK_EQ(styleOf(town) & (WS_TABSTOP | ES_AUTOHSCROLL | ES_MULTILINE),
                 static_cast<DWORD>(WS_TABSTOP | ES_AUTOHSCROLL));
        CHECK(exStyleOf(town) & WS_EX_CLIENTEDGE);

        // Enter and Escape (ids 1 and 2) and clicks of other codes do nothing.
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_EDIT_SAVE, 5), 0);
        CHECK(IsWindow(dialog));

        // Focus memory across a deactivation.
        SetFocus(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3));
        SendMessageA(dialog, WM_NCACTIVATE, FALSE, 0);
        SetFocus(GetDlgItem(dialog, IDC_EDIT_SAVE));
        SendMessageA(dialog, WM_NCACTIVATE, TRUE, 0);
        CHECK(GetFocus() == GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3));

        typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1), "");
        typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3), "a, \"new\" note ");
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    openEditDialog();
    CHECK(shown);
    CHECK(IsWindowEnabled(mainWindow()));
    const TableDocument& table = context().table;
    CHECK_EQ(std::string(table.cell(3, 1)), "");
    CHECK_EQ(std::string(table.cell(3, 2)), withNul);  // untouched box: the cell keeps its NUL byte
    CHECK_EQ(std::string(table.cell(3, 3)), "a, \"new\" note ");
    CHECK_EQ(listText(tableList(context()), 2, 0), "");
    CHECK_EQ(listText(tableList(context()), 2, 2), "a, \"new\" note ");
    CHECK_EQ(listText(tableList(context()), 1, 2), "n2");
    CHECK_EQ(selectedItems(tableList(context())), std::vector<int>{2});
    CHECK_EQ(titleCount(), "(3)");
}

UI_TEST(edit_dialog_cancel_and_close_write_nothing) {
    showTable({"Name", "Town"}, {{"r1", "t1"}, {"r2", "t2"}});
    selectItems(tableList(context()), {1});
    for (bool useClose : {false, true}) {
        onDialog([&](HWND dialog) {
            CHECK_EQ(windowText(dialog), "Edit item #2");
            CHECK_EQ(clientSize(dialog), "507x98");
            typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1), "changed");
            typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 2), "");
            if (useClose)
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                pressButton(dialog, IDC_EDIT_CANCEL);
        });
        openEditDialog();
        CHECK_EQ(std::string(context().table.cell(2, 1)), "r2");
        CHECK_EQ(std::string(context().table.cell(2, 2)), "t2");
        CHECK_EQ(listText(tableList(context()), 1, 0), "r2");
        CHECK(IsWindowEnabled(mainWindow()));
    }
}

UI_TEST(edit_dialog_stays_open_on_enter_and_escape_keys) {
    showTable({"Name", "Town"}, {{"r1", "t1"}});
    selectItems(tableList(context()), {0});
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1), "typed");
        pressEnterAndEscape(dialog, GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1));
    });
    openEditDialog();
    CHECK(g_openAfterKeys);
    CHECK_EQ(std::string(context().table.cell(1, 1)), "r1");
}

UI_TEST(edit_dialog_caption_groups_the_row_number) {
    std::vector<std::vector<std::string>> rows(1234, std::vector<std::string>{"x"});
    showTable({"Only"}, rows);
    selectItems(tableList(context()), {1233});
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Edit item #1,234");
        CHECK_EQ(clientSize(dialog), "507x74");
        pressButton(dialog, IDC_EDIT_CANCEL);
    });
    openEditDialog();
}

UI_TEST(edit_dialog_saves_a_150_field_row_exactly) {
    std::vector<std::string> names, cells;
    for (int k = 1; k <= 150; ++k) {
        names.push_back(numbered("f", k));
        cells.push_back(numbered("c", k));
    }
    showTable(names, {cells, cells});
    selectItems(tableList(context()), {1});
    onDialog([](HWND dialog) {
        CHECK_EQ(clientSize(dialog), std::to_string(507) + "x" + std::to_string(24 * 150 + 50));
        // Boxes and labels in tab order: every field's box follows its label.
        std::vector<HWND> boxes;
        for (HWND c : children(dialog))
            if (className(c) == "Edit") boxes.push_back(c);
        CHECK_EQ(boxes.size(), size_t{150});
        for (size_t k = 0; k < boxes.size(); ++k) {
            CHECK_EQ(GetDlgCtrlID(boxes[k]), static_cast<int>(IDC_EDIT_FIELD_BASE + 1 + k));
            typeInto(boxes[k], numbered("v", k + 1));
        }
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    openEditDialog();
    bool exact = true;
    for (int k = 1; k <= 150; ++k) {
        exact = exact && context().table.cell(2, k) == numbered("v", k);
        exact = exact && context().table.cell(1, k) == numbered("c", k);
    }
    CHECK(exact);
    CHECK_EQ(listText(tableList(context()), 1, 100), "v101");
    CHECK_EQ(listText(tableList(context()), 1, 149), "v150");
}
