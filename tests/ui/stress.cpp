// The stress run (--stress FILE, from `make stress`): a big table through the
// real window, step by step as a user drives it: the open-file dialog and
// the import dialog's Load, a click on a column header, three searches,
// select all by keyboard and the Delete key, and the close.
//
// Each step prints one line: its name from column 1, two or more spaces, the
// seconds, " s" and the memory. A step ends only when the program has nothing
// left to do (no posted message, input, paint or timer waiting). The checks
// run after the timed part of each step and are exact; the last line reads
// "stress: passed" only when every check held.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/text.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace varnel;

namespace uitest {
namespace {

int g_problems = 0;

void require(bool condition, const std::string& what) {
    if (condition) return;
    ++g_problems;
    std::printf("  PROBLEM: %s\n", what.c_str());
}

void note(const std::string& what) { std::printf("  %s\n", what.c_str()); }

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS memoryNow() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return memory;
}

// The highest working set and committed private memory seen during the
// running step, sampled by a thread of its own (the
// system's peaks only ever grow over the whole run, and Wine keeps no peak
// of the private memory at all).
std::atomic<SIZE_T> g_stepPeakWorkingSet{0};
std::atomic<SIZE_T> g_stepPeakPrivate{0};
std::atomic<SIZE_T> g_runPeakWorkingSet{0};
std::atomic<SIZE_T> g_runPeakPrivate{0};

void raise(std::atomic<SIZE_T>& peak, SIZE_T value) {
    SIZE_T seen = peak.load();
    while (value > seen && !peak.compare_exchange_weak(seen, value)) {
    }
}

void sample() {
    const PROCESS_MEMORY_COUNTERS memory = memoryNow();
    raise(g_stepPeakWorkingSet, memory.WorkingSetSize);
    raise(g_stepPeakPrivate, memory.PagefileUsage);
    raise(g_runPeakWorkingSet, memory.WorkingSetSize);
    raise(g_runPeakPrivate, memory.PagefileUsage);
}

// Every 10 ms: a memory query reads the process's whole memory map under
// Wine, which costs the program noticeably when done more often.
DWORD WINAPI sampleMemory(void*) {
    for (;;) {
        sample();
        Sleep(10);
    }
}

// Processes everything the program has waiting, until nothing is left: no
// posted or sent message, input, paint or due timer, and nothing new from
// the display.
void settle() {
    for (;;) {
        pumpMessages();
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT) == WAIT_TIMEOUT &&
            HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0)
            return;
    }
}

// Time of the running step: the clock stops for the checks in between.
class StepClock {
public:
    void start() {
        const PROCESS_MEMORY_COUNTERS memory = memoryNow();
        g_stepPeakWorkingSet = memory.WorkingSetSize;
        g_stepPeakPrivate = memory.PagefileUsage;
        elapsed_ = 0;
        resume();
    }
    void pause() { elapsed_ += GetTickCount64() - from_; }
    void resume() { from_ = GetTickCount64(); }
    // Stops the clock and prints the step's line.
    void report(const char* step) {
        pause();
        sample();
        const PROCESS_MEMORY_COUNTERS memory = memoryNow();
        std::printf("%-32s  %.2f s   working set %.1f MB, step peak %.1f MB;  private %.1f MB, step peak %.1f MB\n",
                    step, static_cast<double>(elapsed_) / 1000.0, megabytes(memory.WorkingSetSize),
                    megabytes(g_stepPeakWorkingSet.load()), megabytes(memory.PagefileUsage),
                    megabytes(g_stepPeakPrivate.load()));
    }

private:
    ULONGLONG from_ = 0;
    ULONGLONG elapsed_ = 0;
};

// A number from the generator's meta file ("key": 123), or -1.
long long metaNumber(const std::string& meta, const std::string& key) {
    const size_t at = meta.find("\"" + key + "\"");
    if (at == std::string::npos) return -1;
    const size_t colon = meta.find(':', at);
    if (colon == std::string::npos) return -1;
    return std::atoll(meta.c_str() + colon + 1);
}

int selectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

bool isSelected(HWND list, int item) {
    return (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

// Whether item `item` lies wholly inside the list's client area, below the header.
bool fullyVisible(HWND list, int item) {
    RECT row{};
    row.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row))) return false;
    RECT client{};
    GetClientRect(list, &client);
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    return row.top >= header.bottom - header.top && row.bottom <= client.bottom;
}

bool containsLowered(std::string_view cell, std::string_view word) {
    if (cell.size() < word.size()) return false;
    for (size_t i = 0; i + word.size() <= cell.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && lowerByte(static_cast<unsigned char>(cell[i + k])) == word[k]) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

// Rows of the table with a cell that holds one of `words` (lower-case), and
// the last such row (0 when none): a plain loop, independent of the query code.
int countRowsHolding(const std::vector<std::string_view>& words, int& lastRow) {
    const TableDocument& table = context().table;
    int count = 0;
    lastRow = 0;
    for (int32_t r = 1; r <= table.rowCount(); ++r) {
        bool found = false;
        for (int32_t f = 1; f <= table.fieldCount() && !found; ++f)
            for (std::string_view w : words)
                if (containsLowered(table.cell(r, f), w)) {
                    found = true;
                    break;
                }
        if (found) {
            ++count;
            lastRow = r;
        }
    }
    return count;
}

// The text key of a row for a sort by column c: the lower-cased cells of c
// and the three columns after it (wrapping to column 1), joined.
std::string sortKeyOf(int32_t row, int32_t column) {
    const TableDocument& table = context().table;
    std::string key;
    int32_t c = column;
    for (int i = 0; i < 4; ++i) {
        key += toLower(table.cell(row, c));
        c = c % table.fieldCount() + 1;
    }
    return key;
}

// After the sort by column 5: every row's key is at most the next one's, and
// the ids of column 1 are still 1..N, each once (no row lost or doubled).
void checkSortedByName(HWND list, int rows) {
    const TableDocument& table = context().table;
    std::string previous;
    int outOfOrder = 0;
    std::vector<bool> seen(static_cast<size_t>(rows) + 1, false);
    int badIds = 0;
    for (int32_t r = 1; r <= table.rowCount(); ++r) {
        std::string key = sortKeyOf(r, 5);
        if (r > 1 && key < previous && ++outOfOrder == 1) note("row " + std::to_string(r) + " sorts before row " +
                                                               std::to_string(r - 1));
        previous = std::move(key);
        const long long id = std::atoll(std::string(table.cell(r, 1)).c_str());
        if (id < 1 || id > rows || seen[static_cast<size_t>(id)])
            ++badIds;
        else
            seen[static_cast<size_t>(id)] = true;
    }
    require(outOfOrder == 0, std::to_string(outOfOrder) + " rows out of name order after the column click");
    require(badIds == 0, std::to_string(badIds) + " rows lost or doubled by the sort");
    // The list shows the table's rows in table order.
    for (int item : {0, rows / 2, rows - 1})
        require(listText(list, item, 4) == std::string(table.cell(item + 1, 5)),
                "list item " + std::to_string(item) + " does not show table row " + std::to_string(item + 1));
}

void searchStep(HWND list, const char* query, const char* step, int expected, int lastMatch) {
    SetWindowTextA(control(IDC_SEARCH_TEXT), query);
    StepClock clock;
    clock.start();
    click(IDC_SEARCH_BUTTON);
    settle();
    clock.report(step);
    const int selected = selectedCount(list);
    note(std::to_string(selected) + " rows selected, " + std::to_string(expected) + " expected");
    require(selected == expected, std::string("the search for \"") + query + "\" selected " +
                                      std::to_string(selected) + " rows, not " + std::to_string(expected));
    if (lastMatch > 0) {
        require(isSelected(list, lastMatch - 1), "the last matching row is not selected");
        require(fullyVisible(list, lastMatch - 1), "the last matching row is not fully visible");
    }
}

void postKey(HWND list, WPARAM key, bool shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(list, WM_KEYDOWN, key, 1);
    PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    settle();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

}  // namespace

int runStress(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file)) {
        std::printf("stress: no table file \"%s\"\n", path.c_str());
        return 2;
    }
    std::ifstream metaFile(path + ".meta.json", std::ios::binary);
    std::stringstream metaText;
    metaText << metaFile.rdbuf();
    const long long metaRows = metaNumber(metaText.str(), "rows");
    const long long needleRows = metaNumber(metaText.str(), "needle_rows");
    if (metaRows < 0 || needleRows < 0) {
        std::printf("stress: no meta file \"%s.meta.json\" with rows and needle_rows\n", path.c_str());
        return 2;
    }
    const double size = (static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow) / 1e6;
    std::printf("stress: %s, %.1f MB, %lld rows, %s build\n", path.c_str(), size, metaRows,
                sizeof(void*) == 4 ? "i686" : "x86_64");
    if (HANDLE sampler = CreateThread(nullptr, 0, sampleMemory, nullptr, 0, nullptr)) CloseHandle(sampler);

    StepClock clock;
    clock.start();
    HWND window = startMainWindow();
    settle();
    clock.report("start");

    int dialogs = 0;
    clock.start();
    onDialog([&](HWND dialog) {
        ++dialogs;
        answerFileDialog(dialog, path);
    });
    onDialog([&](HWND dialog) {
        ++dialogs;
        settle();
        clock.report("open dialog to import dialog");
        clock.start();
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    click(IDC_LOAD_BUTTON);
    settle();
    clock.report("load (import dialog's Load)");
    HWND list = control(IDC_TABLE_LIST);
    const int rows = context().table.rowCount();
    require(dialogs == 2 && pendingDialogSteps() == 0, "the open-file and import dialogs were not both answered");
    require(rows == metaRows, "the table holds " + std::to_string(rows) + " rows, not " + std::to_string(metaRows));
    require(listCount(list) == rows, "the list shows " + std::to_string(listCount(list)) + " of " +
                                         std::to_string(rows) + " rows");
    require(context().table.fieldCount() == 10 && listColumnCount(list) == 10, "ten columns expected");
    const std::string path0 = context().table.currentFileName;
    require(windowText(window) == "Varnel: " + path0 + " (" + formatCount(rows) + ")",
            "the title reads \"" + windowText(window) + "\"");
    if (rows != metaRows || rows < 1) {
        std::printf("stress: FAILED\n");
        return 1;
    }

    // Sort by the fifth column (name): many equal texts.
    clock.start();
    postHeaderClick(list, 4);
    settle();
    clock.report("sort by a column click (name)");
    checkSortedByName(list, rows);
    require(listCount(list) == rows && selectedCount(list) == 0, "the sort left the list with other rows or a selection");

    int lastNeedle = 0;
    const int needleCount = countRowsHolding({"needle"}, lastNeedle);
    require(needleCount == needleRows, "the table holds " + std::to_string(needleCount) +
                                           " rows with the needle, the generator counted " +
                                           std::to_string(needleRows));
    searchStep(list, "needle", "search \"needle\" (some rows)", static_cast<int>(needleRows), lastNeedle);
    int lastShippedOrPending = 0;
    const int shippedOrPending = countRowsHolding({"shipped", "pending"}, lastShippedOrPending);
    searchStep(list, "shipped or pending", "search \"shipped or pending\"", shippedOrPending, lastShippedOrPending);
    searchStep(list, "-", "search \"-\" (every row)", rows, rows);

    // Select all as a user does, Home then Shift+End, and press Delete.
    clock.start();
    SetFocus(list);
    postKey(list, VK_HOME, false);
    postKey(list, VK_END, true);
    clock.pause();
    require(selectedCount(list) == rows, "Home, Shift+End selected " + std::to_string(selectedCount(list)) + " of " +
                                             std::to_string(rows) + " rows");
    clock.resume();
    postKey(list, VK_DELETE, false);
    clock.report("select all, Delete key");
    const std::string title = windowText(window);
    require(context().table.rowCount() == 0 && listCount(list) == 0, "rows are left after deleting every row");
    require(title == "Varnel: " + path0 + " (0)", "the title reads \"" + title + "\"");
    note("title \"" + title + "\"");

    clock.start();
    PostMessageA(window, WM_CLOSE, 0, 0);
    settle();
    clock.report("close the window");
    require(!IsWindow(window), "the window is still there after the close");
    std::printf("run peaks: working set %.1f MB, private %.1f MB (sampled)\n", megabytes(g_runPeakWorkingSet.load()),
                megabytes(g_runPeakPrivate.load()));
    std::printf("stress: %s\n", g_problems == 0 ? "passed" : "FAILED");
    return g_problems == 0 ? 0 : 1;
}

}  // namespace uitest
