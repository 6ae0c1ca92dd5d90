// Names and cells shown exactly in the dialogs' controls: texts that begin
// with byte 0xFF (a creation text beginning so names a resource by number)
// and names holding "&" (which static texts and buttons read as an access
// key).
#include <string>
#include <vector>

#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

// "ÿ€", "R&D", "ÿÿz", "ÿ" in code page 1252.
const std::vector<std::string> kNames = {"\xFF\x80", "R&D", "\xFF\xFFz", "\xFF"};
const std::vector<std::string> kCells = {"\xFF\x80", "&x", "\xFF\xFF", "\xFF"};
const std::string kFirstLine = "\xFF\x80,R&D,\xFF\xFFz,\xFF";

std::wstring wideText(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

bool noPrefix(HWND control) { return (GetWindowLongPtrA(control, GWL_STYLE) & SS_NOPREFIX) != 0; }

std::vector<std::string> comboTexts(HWND combo) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
    }
    return texts;
}

void loadOddNames() {
    const std::string path = testFolder() + "odd-names.csv";
    writeFile(path, kFirstLine + "\r\n\xFF\x80,&x,\xFF\xFF,\xFF\r\n");
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND dialog) {
        HWND firstLine = GetDlgItem(dialog, IDC_IMPORT_FIRST_LINE_TEXT);
        CHECK_EQ(windowText(firstLine), kFirstLine);
        CHECK(noPrefix(firstLine));
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES)), kFirstLine);
        // A button has no style against access keys: its "&" is doubled.
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 1)), "Import field 1 (\xFF\x80)");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 2)), "Import field 2 (R&&D)");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 3)), "Import field 3 (\xFF\xFFz)");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 4)), "Import field 4 (\xFF)");
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
}

}  // namespace

UI_TEST(names_and_cells_beginning_with_0xff_or_holding_an_ampersand_show_exactly) {
    startMainWindow();
    loadOddNames();
    CHECK_EQ(context().table.fieldNames(), kNames);
    HWND list = control(IDC_TABLE_LIST);
    for (int c = 0; c < 4; ++c) {
        CHECK_EQ(listHeader(list, c), kNames[static_cast<size_t>(c)]);
        CHECK_EQ(listText(list, 0, c), kCells[static_cast<size_t>(c)]);
    }
    CHECK_EQ(comboTexts(control(IDC_FIELD_COMBO)), (std::vector<std::string>{"All", kNames[0], kNames[1], kNames[2],
                                                                             kNames[3]}));

    selectItems(list, {0});
    onDialog([](HWND dialog) {
        for (int i = 1; i <= 4; ++i) {
            HWND label = GetDlgItem(dialog, IDC_EDIT_LABEL_BASE + i);
            HWND box = GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + i);
            CHECK_EQ(windowText(label), kNames[static_cast<size_t>(i - 1)] + ":");
            CHECK(noPrefix(label));
            CHECK_EQ(windowText(box), kCells[static_cast<size_t>(i - 1)]);
            CHECK_EQ(static_cast<int>(SendMessageA(box, EM_GETMODIFY, 0, 0)), 0);
        }
        // As the user sees them: "ÿ€:" and "ÿ€", not a resource number.
        CHECK(wideText(GetDlgItem(dialog, IDC_EDIT_LABEL_BASE + 1)) == L"\u00FF\u20AC:");
        CHECK(wideText(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1)) == L"\u00FF\u20AC");
        CHECK(wideText(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3)) == L"\u00FF\u00FF");
        typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3), "\xFF\xFF\xFF");
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(std::string(context().table.cell(1, 3)), "\xFF\xFF\xFF");
    for (int f : {1, 2, 4}) CHECK_EQ(std::string(context().table.cell(1, f)), kCells[static_cast<size_t>(f - 1)]);
    CHECK_EQ(listText(list, 0, 2), "\xFF\xFF\xFF");

    // Opened again, the box holds what was saved.
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 3)), "\xFF\xFF\xFF");
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 1)), "\xFF\x80");
        pressButton(dialog, IDC_EDIT_CANCEL);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    CHECK_EQ(pendingDialogSteps(), 0);
}

// The Search and Replace prompt quotes the field's name: "R&D" stays so.
UI_TEST(the_replace_prompt_shows_a_field_name_with_an_ampersand) {
    startMainWindow();
    loadOddNames();
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    const struct {
        int comboIndex;
        std::string prompt;
    } cases[] = {
        {2, "Replace \"x\" in \"R&D\" field with:"},
        {1, "Replace \"x\" in \"\xFF\x80\" field with:"},
    };
    for (const auto& c : cases) {
        SendMessageA(control(IDC_FIELD_COMBO), CB_SETCURSEL, static_cast<WPARAM>(c.comboIndex), 0);
        onDialog([&c](HWND dialog) {
            HWND prompt = GetDlgItem(dialog, IDC_REPLACE_PROMPT);
            CHECK_EQ(windowText(prompt), c.prompt);
            CHECK(noPrefix(prompt));
            pressButton(dialog, IDC_REPLACE_CANCEL);  // Cancel: nothing is searched
        });
        SetWindowTextA(control(IDC_SEARCH_TEXT), "x");
        click(IDC_SEARCH_BUTTON);
        CHECK_EQ(pendingDialogSteps(), 0);
    }
}
