// Commands that arrive while a replacement waits in its dialog or for its
// confirmation: a Load click, a real click on a column header, the Delete key
// and a close are posted to the window. None of them starts; the replacement
// goes on to its end, and the held close follows it.
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

void expectConfirmation(const std::string& text, std::function<void(HWND)> action) {
    onDialog([text, action](HWND box) {
        CHECK_EQ(windowText(box), "Confirm changes");
        CHECK_EQ(boxText(box), text);
        action(box);
    });
}

}  // namespace

UI_TEST(failure_reentry_under_a_replace_confirmation_is_ignored) {
    edittest::showTable({"Name", "Rank"}, {{"cat one", "3"}, {"dog", "1"}, {"two cat", "2"}, {"cat three", "4"}});
    HWND window = mainWindow();
    HWND list = control(IDC_TABLE_LIST);
    SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    CHECK_EQ(context().search.replaceMode, true);
    SetWindowTextA(control(IDC_SEARCH_TEXT), "cat");

    onDialog([&](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Search and Replace");
        edittest::typeInto(GetDlgItem(dialog, IDC_REPLACE_TEXT), "Cow");
        SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_CLICK, 0, 0);
        // The dialog disables the main window, but posted messages still
        // reach it.
        PostMessageA(control(IDC_LOAD_BUTTON), BM_CLICK, 0, 0);
        postHeaderClick(list, 1);
        PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
        pressButton(dialog, IDC_REPLACE_GO);
    });
    expectConfirmation("In row 1/4, would you like to replace \"cat one\" with \"Cow one\"?", [&](HWND box) {
        CHECK(IsWindowEnabled(window));
        // Posted, so that each arrives through the box's own message loop,
        // before the answer posted after them.
        PostMessageA(control(IDC_LOAD_BUTTON), BM_CLICK, 0, 0);
        postHeaderClick(list, 1);
        PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
        PostMessageA(list, WM_KEYDOWN, VK_BACK, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
        pressButton(box, IDYES);
    });
    expectConfirmation("In row 3/4, would you like to replace \"two cat\" with \"two Cow\"?", [&](HWND box) {
        // Nothing of the above happened: no sort, no deletion, no close.
        CHECK(IsWindow(window));
        CHECK_EQ(listCount(list), 4);
        CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"Cow one", "dog", "two cat", "cat three"}));
        CHECK_EQ(context().table.rowCount(), 4);
        pressButton(box, IDNO);
    });
    expectConfirmation("In row 4/4, would you like to replace \"cat three\" with \"Cow three\"?", [&](HWND box) {
        CHECK(IsWindow(window));
        pressButton(box, IDYES);
    });
    click(IDC_SEARCH_BUTTON);

    // The replacement ran to its end.
    const TableDocument& table = context().table;
    CHECK_EQ(table.rowCount(), 4);
    CHECK_EQ(std::string(table.cell(1, 1)), "Cow one");
    CHECK_EQ(std::string(table.cell(3, 1)), "two cat");
    CHECK_EQ(std::string(table.cell(4, 1)), "Cow three");
    CHECK_EQ(std::string(table.cell(2, 2)), "1");
    if (IsWindow(window)) {
        CHECK_EQ(listColumn(list, 0), (std::vector<std::string>{"Cow one", "dog", "two cat", "Cow three"}));
        CHECK_EQ(selectedItems(list), (std::vector<int>{0, 2, 3}));
    }
    // The close that arrived meanwhile is carried out now.
    CHECK(waitUntil([&] { return !IsWindow(window); }));
}
