// Figures for big tables on the real window: load and search times of a
// 1,000,000-row file, and the dialogs of a very wide one (run with --bench;
// not part of the test run).
#include <cstdio>

#include "harness.h"
#include "ui/app_state.h"

using namespace uitest;
using namespace varnel;

namespace uitest {
namespace {

double secondsSince(ULONGLONG start) { return static_cast<double>(GetTickCount64() - start) / 1000.0; }

}  // namespace

int runBench() {
    const int rows = 1000000;
    const std::string path = testFolder() + "million.csv";
    std::string bytes = "id,name,city,amount\r\n";
    bytes.reserve(static_cast<size_t>(rows) * 32);
    const char* cities[] = {"Paris", "Rome", "Oslo", "Lyon", "Turin"};
    for (int i = 1; i <= rows; ++i)
        bytes += std::to_string(i) + ",name" + std::to_string(i % 977) + "," + cities[i % 5] + "," +
                 std::to_string((i * 37) % 10000) + "\r\n";
    writeFile(path, bytes);
    std::printf("file: %d rows, %.1f MB\n", rows, bytes.size() / 1e6);

    startMainWindow();
    ULONGLONG start = 0;
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        start = GetTickCount64();
        pressButton(dialog, 1020);
    });
    click(IDC_LOAD_BUTTON);
    pumpMessages();
    std::printf("load (import dialog's Load to table shown): %.2f s, %d list items\n",
                (GetTickCount64() - start) / 1000.0, listCount(control(IDC_TABLE_LIST)));

    HWND list = control(IDC_TABLE_LIST);
    SetWindowTextA(control(IDC_SEARCH_TEXT), "name");
    start = GetTickCount64();
    click(IDC_SEARCH_BUTTON);
    pumpMessages();
    double took = secondsSince(start);
    std::printf("search selecting every row: %.2f s, %d selected, top item %d\n", took,
                static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)),
                static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)));

    SetWindowTextA(control(IDC_SEARCH_TEXT), "oslo");
    start = GetTickCount64();
    click(IDC_SEARCH_BUTTON);
    pumpMessages();
    took = secondsSince(start);
    std::printf("search selecting one row in five: %.2f s, %d selected\n", took,
                static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)));

    // Search+Replace without confirmations over the same rows.
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    onDialog([&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, 4002), "Bergen");
        start = GetTickCount64();
        pressButton(dialog, 4003);
    });
    click(IDC_SEARCH_BUTTON);
    pumpMessages();
    took = secondsSince(start);
    std::printf("replace in one row in five, no confirmations: %.2f s, %d selected, row 2 now %s\n", took,
                static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)), listText(list, 1, 2).c_str());
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);

    start = GetTickCount64();
    notifyColumnClick(2);
    pumpMessages();
    std::printf("sort by city and refill: %.2f s\n", (GetTickCount64() - start) / 1000.0);
    DeleteFileA(path.c_str());

    // A first line of many fields: one check box in the import dialog, one
    // column, one selector item and one pair of edit-dialog controls each.
    const int fields = 5000;
    std::string line;
    for (int i = 1; i <= fields; ++i) {
        if (i > 1) line += ',';
        line += "field";
        line += std::to_string(i);
    }
    const std::string widePath = testFolder() + "wide.csv";
    writeFile(widePath, line + "\r\n" + line + "\r\n");
    startMainWindow();
    double dialogShown = 0;
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, widePath);
        start = GetTickCount64();
    });
    onDialog([&](HWND dialog) {
        dialogShown = (GetTickCount64() - start) / 1000.0;
        start = GetTickCount64();
        pressButton(dialog, 1020);
    });
    click(IDC_LOAD_BUTTON);
    pumpMessages();
    std::printf("%d-field first line: import dialog shown %.2f s, Load to table shown %.2f s, %d columns\n", fields,
                dialogShown, (GetTickCount64() - start) / 1000.0, listColumnCount(control(IDC_TABLE_LIST)));
    selectItems(control(IDC_TABLE_LIST), {0});
    double editShown = 0;
    start = GetTickCount64();
    onDialog([&](HWND dialog) {
        editShown = (GetTickCount64() - start) / 1000.0;
        pressButton(dialog, 2002);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    std::printf("%d-field row: edit dialog shown %.2f s\n", fields, editShown);
    DeleteFileA(widePath.c_str());
    return 0;
}

}  // namespace uitest
