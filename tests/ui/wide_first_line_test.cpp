// First lines too wide for a box per field, and dialogs that run out of
// windows. A process gets a limited number of window objects (Wine has no
// such limit, and its window server fails near 32,700 windows), and no
// window is placed lower than 32,767 pixels: the import dialog makes at most
// 2,000 field boxes and the edit dialog 1,300 pairs of label and box. The
// hook of limitNewWindows refuses windows as the system would past its
// quota. Whatever the count, Load and Cancel are there, the dialog says
// which fields have no box, those fields are imported, and the edit dialog
// writes back only fields that have a box.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "edit_fixture.h"
#include "failure_files.h"
#include "core/text.h"
#include "harness.h"
#include "ui/app_context.h"
#include "ui/dialogs.h"

using namespace uitest;
using namespace varnel;

namespace {

constexpr int kMaxEditFields = 1300;

std::string wideLine(int fields, const char* prefix) {
    std::string line;
    line.reserve(static_cast<size_t>(fields) * 8);
    for (int i = 1; i <= fields; ++i) {
        if (i > 1) line += ',';
        line += prefix;
        line += std::to_string(i);
    }
    return line;
}

// The number of field boxes the dialog shows, counted by id from 1101 up.
int fieldBoxCount(HWND dialog) {
    int count = 0;
    while (GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + count + 1)) ++count;
    return count;
}

std::vector<int> lastChildIds(HWND dialog, size_t count) {
    const std::vector<int> ids = edittest::childIds(dialog);
    return std::vector<int>(ids.end() - static_cast<std::ptrdiff_t>(std::min(count, ids.size())), ids.end());
}

LONG clientHeight(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r.bottom;
}

// What an import dialog with `boxes` boxes for a line of `fields` fields
// must show: the boxes, the note in place of the first line, Load and Cancel
// below the last box and last in the tab order, a client area that ends
// under them.
void checkBoxesAndNote(HWND dialog, int fields, int boxes) {
    CHECK_EQ(fieldBoxCount(dialog), boxes);
    const std::string note = windowText(GetDlgItem(dialog, IDC_IMPORT_FIRST_LINE_TEXT));
    if (boxes == 0)
        CHECK_EQ(note, formatCount(fields) + " fields, all imported: no room was left for their boxes.");
    else if (boxes < fields)
        CHECK_EQ(note, formatCount(fields) + " fields: boxes for the first " + formatCount(boxes) +
                           " below; the other " + formatCount(fields - boxes) + " are imported too.");
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_LOAD)).top, 120L + 16 * boxes);
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_LOAD)).left, 328L);
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_CANCEL)).top, 120L + 16 * boxes);
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_IMPORT_CANCEL)).left, 400L);
    CHECK_EQ(lastChildIds(dialog, 3), (std::vector<int>{boxes > 0 ? IDC_IMPORT_FIELD_BASE + boxes : IDC_IMPORT_FIRST_IS_DATA, IDC_IMPORT_LOAD, IDC_IMPORT_CANCEL}));
    CHECK_EQ(clientHeight(dialog), 153L + 16 * boxes);
    CHECK(IsWindowVisible(GetDlgItem(dialog, IDC_IMPORT_LOAD)) && IsWindowVisible(GetDlgItem(dialog, IDC_IMPORT_CANCEL)));
}

// The note fits its box: every word of it can be read.
void checkNoteFits(HWND dialog) {
    HWND note = GetDlgItem(dialog, IDC_IMPORT_FIRST_LINE_TEXT);
    const std::string text = windowText(note);
    HDC dc = GetDC(note);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(note, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(note, dc);
    CHECK(size.cx <= clientRectOf(note).right - clientRectOf(note).left);
}

}  // namespace

// Windows' default quota of window objects for a process, less what the
// main window and the system's own windows of the program hold.
constexpr int kWindowsLeftUnderQuota = 10000 - 50;

// 20,000 fields under the quota: 2,000 boxes, a note that says so, and every
// field loaded (the boxes' choices for the first 2,000, all of the others).
UI_TEST(wide_first_line_of_20000_fields_gets_2000_boxes_and_loads_every_field) {
    startMainWindow();
    constexpr int kFields = 20000;
    const std::string path = testFolder() + "wide20000.csv";
    writeFile(path, wideLine(kFields, "f") + "\r\n" + wideLine(kFields, "v") + "\r\n");
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, path);
        limitNewWindows(kWindowsLeftUnderQuota);
    });
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        checkBoxesAndNote(dialog, kFields, kMaxFieldBoxes);
        checkNoteFits(dialog);
        CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + kMaxFieldBoxes)), "Import field 2000 (f2000)");
        CHECK(IsDlgButtonChecked(dialog, IDC_IMPORT_FIELD_BASE + kMaxFieldBoxes) == BST_CHECKED);
        CHECK_EQ(static_cast<size_t>(GetWindowTextLengthA(GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES))),
                 wideLine(kFields, "f").size());
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 2, BST_UNCHECKED);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    const TableDocument& table = context().table;
    CHECK_EQ(table.fieldCount(), kFields - 1);
    CHECK_EQ(table.rowCount(), 1);
    if (table.fieldCount() == kFields - 1) {
        CHECK_EQ(table.fieldNames()[1], "f3");
        CHECK_EQ(table.fieldNames()[kMaxFieldBoxes - 1], "f2001");
        CHECK_EQ(table.fieldNames()[kFields - 2], "f20000");
        CHECK_EQ(table.cell(1, kFields - 1), "v20000");
    }
    CHECK_EQ(listColumnCount(control(IDC_TABLE_LIST)), kFields - 1);
}

// 100,000 fields under the quota (the window server of Wine fell over at
// about 32,700 boxes): the same 2,000 boxes and a way out. Cancel keeps the
// table shown.
UI_TEST(wide_first_line_of_100000_fields_gets_2000_boxes_and_cancel) {
    startMainWindow();
    const std::vector<std::string> before = failtest::shownState();
    constexpr int kFields = 100000;
    const std::string path = testFolder() + "wide100000.csv";
    writeFile(path, wideLine(kFields, "f") + "\r\n");
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, path);
        limitNewWindows(kWindowsLeftUnderQuota);
    });
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        checkBoxesAndNote(dialog, kFields, kMaxFieldBoxes);
        checkNoteFits(dialog);
        pressButton(dialog, IDC_IMPORT_CANCEL);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(failtest::shownState(), before);
}

// Windows refused past a small quota: fewer boxes, still Load and Cancel
// below them and a note; Load imports every field without a box. With no
// room even for the buttons the dialog does not stay, and says why.
UI_TEST(wide_first_line_when_the_system_refuses_windows) {
    startMainWindow();
    constexpr int kFields = 120;
    const std::string path = testFolder() + "refused.csv";
    writeFile(path, wideLine(kFields, "f") + "\r\n" + wideLine(kFields, "v") + "\r\n");

    // Room for the dialog, its seven other controls and a few boxes.
    int boxes = 0;
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, path);
        limitNewWindows(30);
    });
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        boxes = fieldBoxCount(dialog);
        CHECK(boxes > 0 && boxes < kFields);
        checkBoxesAndNote(dialog, kFields, boxes);
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 1, BST_UNCHECKED);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    const TableDocument& table = context().table;
    CHECK_EQ(table.fieldCount(), kFields - 1);
    if (table.fieldCount() == kFields - 1) {
        CHECK_EQ(table.fieldNames()[0], "f2");
        CHECK_EQ(table.fieldNames()[kFields - 2], "f120");
        CHECK_EQ(table.cell(1, kFields - 1), "v120");
    }

    // Every box refused: all fields are imported, and the note says so.
    onDialog([&](HWND dialog) {
        answerFileDialog(dialog, path);
        limitNewWindows(8);
    });
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        checkBoxesAndNote(dialog, kFields, 0);
        checkNoteFits(dialog);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(context().table.fieldCount(), kFields);

    // No room for Load or Cancel: no dialog stays, and a message says why
    // once its windows are gone.
    const std::vector<std::string> before = failtest::shownState();
    for (int room : {6, 7}) {
        onDialog([&, room](HWND dialog) {
            answerFileDialog(dialog, path);
            limitNewWindows(room, 1);
        });
        onDialog([](HWND box) {
            CHECK(isMessageBox(box));
            CHECK_EQ(windowText(box), "Error");
            CHECK(failtest::hasStopIconOnTop(box));
            CHECK_EQ(boxText(box), "The import dialog could not be shown: the system has no room for more windows.");
            CHECK(findWindow("Import CSV File") == nullptr);
            pressButton(box, IDOK);
        });
        click(IDC_LOAD_BUTTON);
        CHECK_EQ(pendingDialogSteps(), 0);
        CHECK_EQ(failtest::shownState(), before);
        CHECK(IsWindowEnabled(mainWindow()));
    }
}

// A first line of over a megabyte: the one-line texts show its beginning (no
// one-line control shows more), the names box holds its first megabyte (a
// box takes seconds a megabyte under Wine, and the 32-bit program failed in
// it at 100 MB), and the rest of the line follows whatever the box holds.
UI_TEST(wide_first_line_of_over_a_megabyte_is_shown_cut_and_kept_whole) {
    startMainWindow();
    const std::string longName(1 << 20, 'n');
    const std::string line = "id," + longName + ",tail";
    const std::string path = testFolder() + "long-line.csv";
    writeFile(path, line + "\r\n1,2,3\r\n");
    const struct {
        bool manual;
        const char* typed;  // over the box's first two bytes, or nothing
        std::vector<std::string> names;
    } cases[] = {
        {false, nullptr, {"id", longName, "tail"}},
        {true, nullptr, {"id", longName, "tail"}},
        {true, "key", {"key", longName, "tail"}},
    };
    for (const auto& c : cases) {
        onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
        onDialog([&](HWND dialog) {
            CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIRST_LINE_TEXT)), shownText(line));
            CHECK_EQ(windowText(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + 2)), "Import field 2 (" + shownText(longName) + ")");
            HWND names = GetDlgItem(dialog, IDC_IMPORT_MANUAL_NAMES);
            CHECK_EQ(windowText(names), line.substr(0, 1 << 20));
            if (c.manual) CheckRadioButton(dialog, IDC_IMPORT_NAMES_FROM_FIRST, IDC_IMPORT_NAMES_MANUAL, IDC_IMPORT_NAMES_MANUAL);
            if (c.typed) {
                SendMessageA(names, EM_SETSEL, 0, 2);
                SendMessageA(names, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed));
            }
            pressButton(dialog, IDC_IMPORT_LOAD);
        });
        click(IDC_LOAD_BUTTON);
        CHECK_EQ(pendingDialogSteps(), 0);
        CHECK(context().table.fieldNames() == c.names);
        CHECK_EQ(context().table.cell(1, 3), "3");
    }
}

namespace {

// The number of distinct colours on the screen inside a control: a painted
// check box shows its text and box on the dialog's colour.
size_t coloursOnScreen(HWND control) {
    RECT r = windowRect(control);
    HDC screen = GetDC(nullptr);
    std::vector<COLORREF> seen;
    for (LONG y = r.top; y < r.bottom; y += 2)
        for (LONG x = r.left; x < r.right; x += 2) {
            const COLORREF c = GetPixel(screen, x, y);
            if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
        }
    ReleaseDC(nullptr, screen);
    return seen.size();
}

}  // namespace

// A dialog many screens tall paints what is on the screen (the rest is left
// unpainted until it comes into view): the first box and the last one on the
// screen show, and after the dialog moves up, so do the boxes that came in.
UI_TEST(wide_first_line_dialog_paints_what_is_on_the_screen) {
    startMainWindow();
    const std::string path = testFolder() + "tall.csv";
    writeFile(path, wideLine(300, "f") + "\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        const int screenBottom = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        int lastOnScreen = 0;
        for (int i = 1; i <= 300; ++i)
            if (windowRect(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + i)).bottom <= screenBottom) lastOnScreen = i;
        CHECK(lastOnScreen > 10 && lastOnScreen < 300);
        // The screen shows what was painted once Wine has passed it on.
        for (int i : {1, lastOnScreen})
            CHECK(waitUntil([&] { return coloursOnScreen(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + i)) >= 2; }));
        const RECT r = windowRect(dialog);
        SetWindowPos(dialog, nullptr, r.left, r.top - 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        CHECK(waitUntil([&] { return coloursOnScreen(GetDlgItem(dialog, IDC_IMPORT_FIELD_BASE + lastOnScreen + 8)) >= 2; }));
        pressButton(dialog, IDC_IMPORT_CANCEL);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
}

namespace {

// A one-row table of `fields` fields named n1, n2, ... holding c1, c2, ...
void showWideRow(int fields) {
    std::vector<std::string> names, cells;
    for (int i = 1; i <= fields; ++i) {
        names.push_back("n" + std::to_string(i));
        cells.push_back("c" + std::to_string(i));
    }
    edittest::showTable(names, {cells});
    selectItems(tableList(context()), {0});
}

void openEditDialog() { SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0); }

// What an edit dialog of `pairs` labels and boxes shows for a row of
// `fields` fields: the pairs in creation order after the buttons, the
// buttons below the last pair, the caption saying how many fields are shown.
void checkPairsAndCaption(HWND dialog, int fields, int pairs) {
    const std::vector<int> ids = edittest::childIds(dialog);
    CHECK_EQ(ids.size(), static_cast<size_t>(2 + 2 * pairs));
    if (ids.size() >= 2 && pairs > 0) {
        CHECK_EQ(ids[ids.size() - 2], IDC_EDIT_LABEL_BASE + pairs);
        CHECK_EQ(ids.back(), IDC_EDIT_FIELD_BASE + pairs);
    }
    const std::string caption = "Edit item #1";
    if (pairs < fields && pairs > 0)
        CHECK_EQ(windowText(dialog), caption + " (first " + formatCount(pairs) + " of " + formatCount(fields) +
                                         " fields; the rest stay as they are)");
    if (pairs == 0) CHECK_EQ(windowText(dialog), caption + " (no room for its " + formatCount(fields) +
                                                     " fields: nothing can be changed)");
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_EDIT_SAVE)).top, 16L + 24 * pairs);
    CHECK_EQ(clientRectOf(GetDlgItem(dialog, IDC_EDIT_CANCEL)).top, 16L + 24 * pairs);
    CHECK_EQ(clientHeight(dialog), 50L + 24 * pairs);
}

}  // namespace

// 5,000 fields under the quota of window objects: 1,300 pairs, a caption
// that says so; Save writes the boxes changed and nothing else.
UI_TEST(edit_dialog_of_5000_fields_shows_1300_and_writes_only_those) {
    constexpr int kFields = 5000;
    showWideRow(kFields);
    limitNewWindows(kWindowsLeftUnderQuota);
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        checkPairsAndCaption(dialog, kFields, kMaxEditFields);
        edittest::typeInto(edittest::children(dialog)[2 + 2 * (kMaxEditFields - 1) + 1], "changed");
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    openEditDialog();
    CHECK_EQ(pendingDialogSteps(), 0);
    const TableDocument& table = context().table;
    CHECK_EQ(table.cell(1, kMaxEditFields), "changed");
    CHECK_EQ(table.cell(1, kMaxEditFields - 1), "c1299");
    CHECK_EQ(table.cell(1, kMaxEditFields + 1), "c1301");
    CHECK_EQ(table.cell(1, kFields), "c5000");
}

// Windows refused part-way (a label made, its box refused): no label stays
// without its box, the caption says how many are shown, Save writes only
// boxes; with every pair refused nothing can change, and with no room for
// the buttons the dialog does not stay and says why.
UI_TEST(edit_dialog_when_the_system_refuses_windows) {
    constexpr int kFields = 40;
    showWideRow(kFields);
    for (int room : {12, 13}) {  // the box of a pair refused, then its label
        int pairs = 0;
        limitNewWindows(room);
        onDialog([&](HWND dialog) {
            limitNewWindows(-1);
            pairs = static_cast<int>(edittest::children(dialog).size() - 2) / 2;
            CHECK(pairs > 0 && pairs < kFields);
            checkPairsAndCaption(dialog, kFields, pairs);
            const std::vector<HWND> controls = edittest::children(dialog);
            edittest::typeInto(controls.back(), "last shown");
            pressButton(dialog, IDC_EDIT_SAVE);
        });
        openEditDialog();
        CHECK_EQ(pendingDialogSteps(), 0);
        limitNewWindows(-1);
        const TableDocument& table = context().table;
        CHECK_EQ(table.cell(1, pairs), "last shown");
        CHECK_EQ(table.cell(1, pairs + 1), "c" + std::to_string(pairs + 1));
        CHECK_EQ(table.cell(1, kFields), "c40");
    }

    limitNewWindows(3);
    onDialog([&](HWND dialog) {
        limitNewWindows(-1);
        checkPairsAndCaption(dialog, kFields, 0);
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    openEditDialog();
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(context().table.cell(1, 1), "c1");

    for (int room : {1, 2}) {
        limitNewWindows(room, 1);
        onDialog([](HWND box) {
            CHECK(isMessageBox(box));
            CHECK_EQ(boxText(box), "The edit dialog could not be shown: the system has no room for more windows.");
            pressButton(box, IDOK);
        });
        openEditDialog();
        CHECK_EQ(pendingDialogSteps(), 0);
        CHECK(IsWindowEnabled(mainWindow()));
    }
}

// A field name of 100,000 bytes (too long for the "in" selector, which dropped
// such a name in the 32-bit program) is offered shortened; choosing it
// searches that field alone.
UI_TEST(wide_field_name_is_shortened_in_the_in_selector_and_searched) {
    startMainWindow();
    const std::string name(100000, 'w');
    const std::string path = testFolder() + "long-name.csv";
    writeFile(path, "id," + name + ",note\r\n1,apple,x\r\n2,pear,apple\r\n3,apple pie,y\r\n");
    failtest::loadThroughDialogs(path);
    HWND combo = control(IDC_FIELD_COMBO);
    CHECK_EQ(static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)), 4);
    // (Wine's combo box fails on CB_GETLBTEXTA for long items: the item is
    // read as the selector's text once chosen.)
    CHECK_EQ(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, 2, 0)), kMaxShownTextBytes);

    const struct {
        int chosen;
        std::string shown;
        std::vector<int> found;
    } cases[] = {{2, shownText(name), {0, 2}}, {3, "note", {1}}, {0, "All", {0, 1, 2}}};
    for (const auto& c : cases) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(c.chosen), 0);
        CHECK_EQ(windowText(combo), c.shown);
        SetWindowTextA(control(IDC_SEARCH_TEXT), "apple");
        click(IDC_SEARCH_BUTTON);
        CHECK_EQ(selectedItems(control(IDC_TABLE_LIST)), c.found);
        CHECK_EQ(context().search.searchField, c.chosen);
    }
}
