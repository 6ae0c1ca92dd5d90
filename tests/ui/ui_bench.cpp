// Figures for big tables on the real window: load and search times of a
// 1,000,000-row file, the dialogs of a very wide one, a first line of 100 MB
// and a table too large by its cells (run with --bench [rows|wide|line|tall];
// not part of the test run).
#include <cstdio>

#include "core/delimited_read.h"
#include "harness.h"
#include "ui/app_context.h"
#include "ui/dialogs.h"
#include "ui/system_memory.h"
#include "ui/table_view.h"
#include "ui/win32_file_system.h"

using namespace uitest;
using namespace varnel;

namespace uitest {
namespace {

double secondsSince(ULONGLONG start) { return static_cast<double>(GetTickCount64() - start) / 1000.0; }

}  // namespace

namespace {

void benchRows() {
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
        pressButton(dialog, IDC_IMPORT_LOAD);
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
        SetWindowTextA(GetDlgItem(dialog, IDC_REPLACE_TEXT), "Bergen");
        start = GetTickCount64();
        pressButton(dialog, IDC_REPLACE_GO);
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
}

// The time from the open-file dialog's OK to the import dialog waiting for
// input (shown and painted), then from its Load (or Cancel) to the table
// shown. `boxes` tells how many field boxes the dialog made.
struct ImportTimes {
    double dialogShown = 0;
    double closed = 0;
    int boxes = 0;
};

ImportTimes timeImport(const std::string& path, int button) {
    ImportTimes t;
    ULONGLONG start = 0;
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, path);
        start = GetTickCount64();
    });
    onDialog([&, button](HWND dialog) {
        t.dialogShown = secondsSince(start);
        while (GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 1 + t.boxes)) ++t.boxes;
        start = GetTickCount64();
        pressButton(dialog, button);
    });
    click(IDC_LOAD_BUTTON);
    pumpMessages();
    t.closed = secondsSince(start);
    return t;
}

void benchWide() {
    // A first line of many fields: one check box in the import dialog (up to
    // its most), one column, one selector item and one pair of edit-dialog
    // controls each (up to its most).
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
    const ImportTimes loaded = timeImport(widePath, IDC_IMPORT_LOAD);
    std::printf("%d-field first line: import dialog shown %.2f s (%d boxes), Load to table shown %.2f s, %d columns\n",
                fields, loaded.dialogShown, loaded.boxes, loaded.closed, listColumnCount(control(IDC_TABLE_LIST)));
    selectItems(control(IDC_TABLE_LIST), {0});
    double editShown = 0;
    size_t editControls = 0;
    const ULONGLONG start = GetTickCount64();
    onDialog([&](HWND dialog) {
        editShown = secondsSince(start);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++editControls;
        pressButton(dialog, IDC_EDIT_CANCEL);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    std::printf("%d-field row: edit dialog shown %.2f s (%zu controls)\n", fields, editShown, editControls);

    // The same dialog with a box for every field: the dialog's own cost per
    // box (its lower boxes then lie where the system places them).
    setMostFieldBoxes(fields);
    const ImportTimes everyBox = timeImport(widePath, IDC_IMPORT_CANCEL);
    setMostFieldBoxes(kMaxFieldBoxes);
    std::printf("%d-field first line with a box for every field: import dialog shown %.2f s (%d boxes)\n", fields,
                everyBox.dialogShown, everyBox.boxes);
    DeleteFileA(widePath.c_str());
}

// A first line of 100 MB with no line end, of one field or of a field
// every `fieldBytes`: the program's own reading, counting and cutting of
// the line, then what the controls cost.
void benchLongLine(size_t fieldBytes) {
    const size_t bytes = size_t{100} << 20;
    const std::string path = testFolder() + "line100.csv";
    {
        std::string line(bytes, 'x');
        for (size_t i = fieldBytes; i < bytes; i += fieldBytes) line[i] = ',';
        writeFile(path, line);
    }
    std::printf("first line of %zu MB, no line end:\n", bytes >> 20);
    TableDocument probe;
    probe.currentFileName = path;
    ULONGLONG start = GetTickCount64();
    readFirstLine(win32FileSystem(), path, probe.firstLine);
    const double read = secondsSince(start);
    start = GetTickCount64();
    decideFileKind(probe);
    const double counted = secondsSince(start);
    start = GetTickCount64();
    const std::vector<std::string> names = splitFields(probe.firstLine, probe.fileKind, kMaxFieldBoxes);
    std::printf("  the program's own: read %.2f s, fields counted %.2f s (%d), box names cut %.2f s\n", read, counted,
                probe.firstLineFieldCount, secondsSince(start));

    // What each control costs with the whole line, in a window of its own.
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 480, 120, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    struct Control {
        const char* what;
        const char* className;
        DWORD style;
        DWORD exStyle;
    } controls[] = {
        {"first-line text", "STATIC", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0},
        {"field box", "BUTTON", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0},
        {"names box", "EDIT", WS_CHILD | WS_VISIBLE | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    };
    // The 32-bit program runs out of memory in an edit box given the line
    // (Wine's layout of its text): the box is measured with 50 MB there.
    const std::string boxText = sizeof(void*) == 4 ? probe.firstLine.substr(0, size_t{50} << 20) : probe.firstLine;
    for (const Control& c : controls) {
        HWND control = CreateWindowExA(c.exStyle, c.className, "", c.style, 8, 8, 440, 24, window, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
        SendMessageA(control, EM_LIMITTEXT, 0, 0);
        start = GetTickCount64();
        const std::string& text = std::string(c.className) == "EDIT" ? boxText : probe.firstLine;
        SetWindowTextA(control, text.c_str());
        const double set = secondsSince(start);
        start = GetTickCount64();
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
        std::printf("  %s, %zu MB: text set %.2f s, painted %.2f s\n", c.what, text.size() >> 20, set,
                    secondsSince(start));
        DestroyWindow(control);
    }
    DestroyWindow(window);
    const std::string& longest = names.front();
    startMainWindow();
    start = GetTickCount64();
    const double width = measureTextWidth(tableList(context()), longest);
    std::printf("  width of a %zu-byte name %.2f s (%.0f pixels); of the whole line:", longest.size(),
                secondsSince(start), width);
    start = GetTickCount64();
    measureTextWidth(tableList(context()), probe.firstLine);
    std::printf(" %.2f s\n", secondsSince(start));
    probe = TableDocument();

    const ImportTimes t = timeImport(path, IDC_IMPORT_LOAD);
    std::printf("  import dialog shown %.2f s (%d boxes), Load to table shown %.2f s, %d columns\n", t.dialogShown,
                t.boxes, t.closed, listColumnCount(control(IDC_TABLE_LIST)));
    DeleteFileA(path.c_str());
}

// 1,000,000 rows under a first line of 5,000 fields: refused by what the
// cells would need (40 GB) against what the system can give.
void benchTallTable() {
    const std::string path = testFolder() + "tall5000.csv";
    std::string bytes;
    for (int i = 1; i <= 5000; ++i) bytes += (i > 1 ? ",f" : "f") + std::to_string(i);
    bytes += "\r\n";
    for (int r = 0; r < 1000000; ++r) bytes += "1,2\r\n";
    writeFile(path, bytes);
    startMainWindow();
    ULONGLONG start = 0;
    double refused = 0;
    std::string said;
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        start = GetTickCount64();
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    onOptionalDialog([](HWND box) { return isMessageBox(box); },
                     [&](HWND box) {
                         refused = secondsSince(start);
                         said = boxText(box);
                         pressButton(box, IDOK);
                     });
    onOptionalDialog([](HWND dialog) { return !isMessageBox(dialog); }, [](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
    click(IDC_LOAD_BUTTON);
    std::printf("%.1f MB file of 1,000,000 rows under 5,000 fields, %.1f GB for its cells, %.1f GB available: "
                "refused after %.2f s: %s\n",
                bytes.size() / 1e6, 1e6 * (5000 * 8 + 4) / 1e9, memoryForNewTable() / 1e9, refused, said.c_str());
    DeleteFileA(path.c_str());
}

}  // namespace

int runBench(const std::string& part) {
    if (part.empty() || part == "rows") benchRows();
    if (part.empty() || part == "wide") benchWide();
    if (part.empty() || part == "line") {
        benchLongLine(size_t{100} << 20);
        benchLongLine(4096);
    }
    if (part.empty() || part == "tall") benchTallTable();
    return 0;
}

}  // namespace uitest
