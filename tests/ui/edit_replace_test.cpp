// Search and Replace on the real window: the dialog, the confirmation boxes
// answered Yes, No and Cancel, and the ways out of the dialog.
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

void showPets() {
    showTable({"Name", "Other"}, {{"cat one", "x"}, {"two cat", "cat"}, {"cat three", "y"}, {"none", "z"}});
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
}

void searchFor(const std::string& text) {
    SetWindowTextA(control(IDC_SEARCH_TEXT), text.c_str());
    click(IDC_SEARCH_BUTTON);
}

void expectConfirmation(const std::string& text, int answer, std::function<void()> check = {}) {
    onDialog([=](HWND box) {
        CHECK_EQ(windowText(box), "Confirm changes");
        CHECK_EQ(boxText(box), text);
        CHECK(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL));
        if (check) check();
        pressButton(box, answer);
    });
}

std::vector<std::string> cells() {
    std::vector<std::string> out;
    const TableDocument& t = context().table;
    for (int32_t r = 1; r <= t.rowCount(); ++r)
        for (int32_t f = 1; f <= t.fieldCount(); ++f) out.emplace_back(t.cell(r, f));
    return out;
}

const std::vector<std::string> kUnchanged{"cat one", "x", "two cat", "cat", "cat three", "y", "none", "z"};

}  // namespace

UI_TEST(search_and_replace_with_confirmations_answered_yes_no_and_cancel) {
    showPets();
    CHECK_EQ(windowText(control(IDC_SEARCH_BUTTON)), "Search+Replace");
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {3});
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Search and Replace");
        CHECK_EQ(clientSize(dialog), "569x66");
        CHECK_EQ(offsetFromMain(dialog), "50,50");
        CHECK(!IsWindowEnabled(mainWindow()));
        CHECK_EQ(styleOf(dialog) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
        CHECK_EQ(childIds(dialog), (std::vector<int>{IDC_REPLACE_PROMPT, IDC_REPLACE_CONFIRM, IDC_REPLACE_TEXT, IDC_REPLACE_GO, IDC_REPLACE_CANCEL}));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_REPLACE_PROMPT)), "Replace \"cat\" in all fields with:");
        CHECK_EQ(className(GetDlgItem(dialog, IDC_REPLACE_PROMPT)), "Static");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_REPLACE_PROMPT)), "8,8 424x16");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_REPLACE_CONFIRM)), "Confirm changes");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_REPLACE_CONFIRM)), "440,8 424x16");
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_REPLACE_CONFIRM)) & (BS_TYPEMASK | WS_TABSTOP),
                 static_cast<DWORD>(BS_AUTOCHECKBOX | WS_TABSTOP));
        CHECK_EQ(static_cast<int>(SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_GETCHECK, 0, 0)), BST_UNCHECKED);
        HWND text = GetDlgItem(dialog, IDC_REPLACE_TEXT);
        CHECK_EQ(place(text), "8,32 424x24");
        CHECK_EQ(styleOf(text) & (WS_TABSTOP | ES_AUTOHSCROLL), static_cast<DWORD>(WS_TABSTOP | ES_AUTOHSCROLL));
        CHECK(exStyleOf(text) & WS_EX_CLIENTEDGE);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_REPLACE_GO)), "Go");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_REPLACE_GO)), "440,32 56x24");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_REPLACE_CANCEL)), "Cancel");
        CHECK_EQ(place(GetDlgItem(dialog, IDC_REPLACE_CANCEL)), "504,32 56x24");
        const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        CHECK_EQ(styleOf(GetDlgItem(dialog, IDC_REPLACE_GO)) & (button | BS_DEFPUSHBUTTON), button);

        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        CHECK(IsWindow(dialog));
        SetFocus(text);
        SendMessageA(dialog, WM_NCACTIVATE, FALSE, 0);
        SetFocus(GetDlgItem(dialog, IDC_REPLACE_GO));
        SendMessageA(dialog, WM_NCACTIVATE, TRUE, 0);
        CHECK(GetFocus() == text);

        typeInto(text, "Dog");
        SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_CLICK, 0, 0);
        pressButton(dialog, IDC_REPLACE_GO);
    });
    expectConfirmation("In row 1/4, would you like to replace \"cat one\" with \"Dog one\"?", IDYES);
    // The answer Yes shows at once in the list.
    expectConfirmation("In row 2/4, would you like to replace \"two cat\" with \"two Dog\"?", IDNO,
                       [list] { CHECK_EQ(listText(list, 0, 0), "Dog one"); });
    expectConfirmation("In row 3/4, would you like to replace \"cat three\" with \"Dog three\"?", IDCANCEL);
    searchFor("Cat");

    CHECK_EQ(cells(), (std::vector<std::string>{"Dog one", "x", "two cat", "cat", "cat three", "y", "none", "z"}));
    CHECK_EQ(listText(list, 0, 0), "Dog one");
    // Rows 1 and 2 were done; row 3 was being asked about and row 4 never
    // visited, so both keep their earlier state.
    CHECK_EQ(selectedItems(list), (std::vector<int>{0, 1, 3}));
    CHECK_EQ(context().search.confirmChanges, true);
}

UI_TEST(search_and_replace_dialog_cancel_close_and_empty_go) {
    showPets();
    HWND list = control(IDC_TABLE_LIST);
    selectItems(list, {3});

    // Cancel: nothing searched, nothing selected, nothing said.
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_REPLACE_TEXT), "dog");
        pressButton(dialog, IDC_REPLACE_CANCEL);
    });
    searchFor("cat");
    CHECK_EQ(cells(), kUnchanged);
    CHECK_EQ(selectedItems(list), std::vector<int>{3});

    // The system close: a plain search.
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_REPLACE_TEXT), "dog");
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    searchFor("cat");
    CHECK_EQ(cells(), kUnchanged);
    CHECK_EQ(selectedItems(list), (std::vector<int>{0, 1, 2}));

    // Go with no replacement, in one field: a plain search of that field.
    SendMessageA(control(IDC_FIELD_COMBO), CB_SETCURSEL, 2, 0);
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_REPLACE_PROMPT)), "Replace \"cat\" in \"Other\" field with:");
        pressButton(dialog, IDC_REPLACE_GO);
    });
    searchFor("CAT");
    CHECK_EQ(cells(), kUnchanged);
    CHECK_EQ(selectedItems(list), std::vector<int>{1});

    // Go without confirmation replaces every occurrence in that field.
    onDialog([](HWND dialog) {
        typeInto(GetDlgItem(dialog, IDC_REPLACE_TEXT), " cats ");
        pressButton(dialog, IDC_REPLACE_GO);
    });
    searchFor("cat");
    CHECK_EQ(std::string(context().table.cell(2, 2)), " cats ");
    CHECK_EQ(listText(list, 1, 1), " cats ");
    CHECK_EQ(std::string(context().table.cell(2, 1)), "two cat");
}
