// Odd input on the real window: very wide first lines, empty files, long
// cells, and closes that arrive while a dialog is open.
#include <string>

#include "harness.h"
#include "ui/app_state.h"

using namespace uitest;
using namespace varnel;

namespace {

constexpr int kLoad = 1020;
constexpr int kFieldBase = 1100;

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
        CHECK_EQ(windowText(GetDlgItem(dialog, kFieldBase + 1)), "Import field 1 (f1)");
        CHECK_EQ(windowText(GetDlgItem(dialog, kFieldBase + kFields)), "Import field 2000 (f2000)");
        CHECK(IsDlgButtonChecked(dialog, kFieldBase + kFields) == BST_CHECKED);
        CHECK_EQ(clientRectOf(GetDlgItem(dialog, kLoad)).top, 120L + 16 * kFields);
        CheckDlgButton(dialog, kFieldBase + 2, BST_UNCHECKED);
        pressButton(dialog, kLoad);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(app().table.fieldCount(), kFields - 1);
    CHECK_EQ(windowText(window), "Varnel: " + path + " (1)");
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(listColumnCount(list), kFields - 1);
    CHECK_EQ(listHeader(list, 1), "f3");
    CHECK_EQ(listText(list, 0, kFields - 2), "f2000");
    CHECK_EQ(static_cast<int>(SendMessageA(control(IDC_FIELD_COMBO), CB_GETCOUNT, 0, 0)), kFields);
}
