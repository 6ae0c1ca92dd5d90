// Memory running out inside a command: for each command, allocation 1, 2, 3
// and so on fails in turn. Every time the failure is reported naming what
// failed, and the table, the list, the selection and the title agree: the
// command was done whole or not at all.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "allocation_failures.h"
#include "core/text.h"
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;
using namespace edittest;

namespace {

// What the user sees and what the table holds.
struct Shown {
    std::vector<std::string> cells;  // names, then rows, as the table holds them
    std::vector<std::string> items;  // the same as the list shows them
    std::string title;
    std::vector<int32_t> selected;

    bool operator==(const Shown&) const = default;
};

Shown shown() {
    Shown s;
    const TableDocument& table = context().table;
    HWND list = control(IDC_TABLE_LIST);
    for (const std::string& name : table.fieldNames()) s.cells.push_back(name);
    for (int32_t r = 1; r <= table.rowCount(); ++r)
        for (int32_t f = 1; f <= table.fieldCount(); ++f) s.cells.emplace_back(table.cell(r, f));
    for (int c = 0; c < listColumnCount(list); ++c) s.items.push_back(listHeader(list, c));
    for (int i = 0; i < listCount(list); ++i)
        for (int c = 0; c < listColumnCount(list); ++c) s.items.push_back(listText(list, i, c));
    s.title = windowText(mainWindow());
    s.selected = context().selection.items();
    return s;
}

// The list shows the table exactly, and the selection and title fit it.
void checkAgrees(const std::string& what, long n) {
    const TableDocument& table = context().table;
    HWND list = control(IDC_TABLE_LIST);
    const std::string at = what + ", allocation " + std::to_string(n);
    if (listCount(list) != table.rowCount()) fail(__FILE__, __LINE__, at + ": the list's rows differ from the table's");
    if (listColumnCount(list) != table.fieldCount())
        fail(__FILE__, __LINE__, at + ": the list's columns differ from the table's");
    for (int32_t r = 1; r <= table.rowCount() && r <= listCount(list); ++r)
        for (int32_t f = 1; f <= table.fieldCount() && f <= listColumnCount(list); ++f)
            if (listText(list, r - 1, f - 1) != std::string(table.cell(r, f)))
                fail(__FILE__, __LINE__, at + ": item " + std::to_string(r - 1) + " shows another text");
    if (context().selection.size() != table.rowCount())
        fail(__FILE__, __LINE__, at + ": the selection does not fit the rows");
    // The file name may already be the one just chosen; the count is the table's.
    const std::string title = windowText(mainWindow());
    const std::string count = " (" + formatCount(table.rowCount()) + ")";
    if (title.size() < count.size() || title.compare(title.size() - count.size(), count.size(), count) != 0)
        fail(__FILE__, __LINE__, at + ": the title reads " + title);
}

std::string g_path;        // what the file dialogs are answered with
std::string g_reported;    // the failure box's text

// Answers whatever window a command opens: file dialogs with g_path, the
// import dialog with Load, the edit dialog with a changed box, the new-file
// dialog with two names, questions with Yes, and the failure box with OK.
void answerAny(HWND dialog) {
    const std::string caption = windowText(dialog);
    if (GetDlgItem(dialog, 1148)) {
        answerFileDialog(dialog, g_path);
    } else if (caption.rfind("Import ", 0) == 0) {
        pressButton(dialog, IDC_IMPORT_LOAD);
    } else if (caption.rfind("Edit item #", 0) == 0) {
        typeInto(GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 2), "changed");
        pressButton(dialog, IDC_EDIT_SAVE);
    } else if (caption == "Search and Replace") {
        typeInto(GetDlgItem(dialog, IDC_REPLACE_TEXT), "0");
        pressButton(dialog, IDC_REPLACE_GO);
    } else if (caption == "Create new file") {
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 1), "id");
        typeInto(GetDlgItem(dialog, IDC_NEW_NAME_BASE + 3), "note");
        pressButton(dialog, IDC_NEW_CREATE);
    } else if (isMessageBox(dialog)) {
        const std::string text = boxText(dialog);
        if (text.rfind("Not enough memory", 0) == 0 || text.rfind("Could not", 0) == 0 ||
            text.find("too large") != std::string::npos)
            g_reported = text;
        pressButton(dialog, GetDlgItem(dialog, IDYES) ? IDYES : IDOK);
    } else {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
}

// Runs `command` with every window it opens answered; with `failing`, the
// allocation of that number in the program fails.
void runAnswered(const std::function<void()>& command, long failing = 0) {
    for (int i = 0; i < 12; ++i) onOptionalDialog([](HWND) { return true; }, answerAny);
    if (failing > 0) failAllocation(failing);
    command();
    pumpMessages();
    stopFailingAllocations();
    clearDialogSteps();
}

int g_partial = 0;  // replacements seen stopped part-way

// Whether `after` is a replacement stopped part-way as `report` says: the
// rows it went through are done and selected, the row at hand may be done
// in part and keeps its selection, the rows after it are untouched, and the
// report counts the rows changed.
bool partialReplacement(const Shown& before, const Shown& done, const Shown& after, const std::string& report) {
    const std::string prefix = "Not enough memory to finish the replacement: ";
    if (report.rfind(prefix, 0) != 0) return false;
    const long said = std::atol(report.c_str() + prefix.size());
    const size_t fields = static_cast<size_t>(context().table.fieldCount());
    if (fields == 0 || after.cells.size() != before.cells.size() || after.cells.size() != done.cells.size() ||
        after.title != before.title)
        return false;
    std::vector<int32_t> changed, whole;
    for (size_t first = fields; first < after.cells.size(); first += fields) {
        const auto row = [&](const Shown& s) {
            return std::vector<std::string>(s.cells.begin() + static_cast<long>(first),
                                            s.cells.begin() + static_cast<long>(first + fields));
        };
        const int32_t item = static_cast<int32_t>(first / fields) - 1;
        if (row(after) == row(before)) continue;
        changed.push_back(item);
        if (row(after) == row(done)) whole.push_back(item);
    }
    if (static_cast<long>(changed.size()) != said) return false;
    const auto selected = [&](int32_t item) {
        return std::find(after.selected.begin(), after.selected.end(), item) != after.selected.end();
    };
    for (size_t k = 0; k + 1 < changed.size(); ++k)
        if (k >= whole.size() || whole[k] != changed[k] || !selected(changed[k])) return false;
    return true;
}

std::string g_file;  // the small table every command starts from

// A small table loaded through the real dialogs, rows 2 and 3 selected.
void startFromTable() {
    startMainWindow();
    g_path = g_file;
    runAnswered([] { click(IDC_LOAD_BUTTON); });
    selectItems(control(IDC_TABLE_LIST), {1, 2});
}

// Runs `command` once whole, then again with allocation 1, 2, ... failing,
// until it needs no more allocations than it got. A replacement may also
// stop part-way: the rows it changed are then whole (each as before or as
// done), selected, and as many as its report says. The file dialogs are
// answered with `path`; `reported` tells whether the box shown is the right
// report. A failure the command gets over (a capacity it only hoped for)
// may end in the whole result without a report. With `saves`, `path` holds
// old bytes before each run and afterwards either those or the whole save,
// and no temporary file is left beside it.
void sweep(const std::string& what, const std::function<bool(const std::string&)>& reported,
           const std::string& path, const std::function<void()>& command, bool saves = false) {
    const std::string old = "old bytes";
    startFromTable();
    g_path = path;
    if (saves) writeFile(path, old);
    runAnswered(command);
    const Shown done = shown();
    const std::string saved = saves ? readFile(path) : std::string();
    for (long n = 1;; ++n) {
        startFromTable();
        g_path = path;
        if (saves) writeFile(path, old);
        const Shown before = shown();
        g_reported.clear();
        runAnswered(command, n);
        if (!allocationFailed()) break;
        checkAgrees(what, n);
        if (saves) {
            const std::string bytes = readFile(path);
            if (bytes != old && bytes != saved)
                fail(__FILE__, __LINE__, what + ", allocation " + std::to_string(n) + ": the file holds part of a save");
            WIN32_FIND_DATAA found{};
            HANDLE search = FindFirstFileA((testFolder() + "vrn*").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                FindClose(search);
                fail(__FILE__, __LINE__, what + ", allocation " + std::to_string(n) + ": left " + found.cFileName);
                DeleteFileA((testFolder() + found.cFileName).c_str());
            }
        }
        const Shown after = shown();
        if (partialReplacement(before, done, after, g_reported)) {
            ++g_partial;
            continue;
        }
        if (!(after == before) && !(after == done))
            fail(__FILE__, __LINE__, what + ", allocation " + std::to_string(n) + ": half done");
        if (!reported(g_reported) && !(after == done && g_reported.empty()))
            fail(__FILE__, __LINE__, what + ", allocation " + std::to_string(n) + ": reported \"" + g_reported + "\"");
        if (n > 5000) {
            fail(__FILE__, __LINE__, what + ": no end");
            break;
        }
    }
}

void makeFile() {
    g_file = testFolder() + "sweep.csv";
    // Towns longer than a short string, so that replacing in them takes memory.
    writeFile(g_file, "name,town,n\r\nAnn,Paris,3\r\nBob,\"Rome, Lazio, Italy\",1\r\nCyd,Oslo in Norway,2\r\nDee,Lyon on the Rhone,4\r\n");
}

// The report of a command that names no file.
std::function<bool(const std::string&)> saying(const std::string& what) {
    return [text = "Not enough memory to " + what + "."](const std::string& box) { return box == text; };
}

// A load that runs out of memory says so, or refuses the file as too large
// when the memory for the table could not be had.
bool loadReport(const std::string& box) {
    return box.rfind("Not enough memory to load \"", 0) == 0 || box.find(" too large") != std::string::npos;
}

}  // namespace

UI_TEST(allocation_failures_while_loading_and_defining_a_file) {
    makeFile();
    sweep("load", loadReport, g_file, [] { click(IDC_LOAD_BUTTON); });
    sweep("new file", loadReport, testFolder() + "sweep-new.csv", [] { click(IDC_LOAD_BUTTON); });
}

UI_TEST(allocation_failures_while_searching_and_replacing) {
    makeFile();
    const auto typed = [] {
        SetWindowTextA(control(IDC_SEARCH_TEXT), "o");
        click(IDC_SEARCH_BUTTON);
    };
    sweep("search", saying("search the table"), {}, typed);
    g_partial = 0;
    sweep("replace", saying("search the table"), {}, [typed] {
        SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
        typed();
    });
    CHECK(g_partial > 0);
}

UI_TEST(allocation_failures_while_sorting_saving_and_changing_rows) {
    makeFile();
    sweep("sort", saying("sort the table"), {}, [] { notifyColumnClick(1); });
    sweep("insert", saying("insert a row"), {}, [] { SendMessageA(mainWindow(), WM_COMMAND, IDM_INSERT_ROW, 0); });
    sweep("delete", saying("delete the rows"), {}, [] { SendMessageA(mainWindow(), WM_COMMAND, IDM_DELETE_ROW, 0); });
    sweep("edit", saying("change the row"), {}, [] { SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0); });
    sweep("save", saying("save the table"), testFolder() + "sweep-saved.csv", [] { click(IDC_RESAVE_BUTTON); }, true);
}
