// The stress run (--stress FILE, from `make stress`): a big table through the
// real window, step by step as a user would drive it: the open-file dialog
// and the import dialog's Load, a click on a column header, searches that
// select many rows and every row, and the Delete key on every row. Each step
// prints its time and the process's memory; the run ends non-zero when a
// step leaves the window in a wrong state.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <string>

#include "harness.h"
#include "ui/app_state.h"

using namespace varnel;

namespace uitest {
namespace {

int g_problems = 0;

void require(bool condition, const std::string& what) {
    if (condition) return;
    ++g_problems;
    std::printf("  PROBLEM: %s\n", what.c_str());
}

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS memoryNow() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return memory;
}

// The highest working set and committed private memory seen during the
// running step, sampled every few milliseconds by a thread of its own (the
// system's peaks only ever grow over the whole run).
std::atomic<SIZE_T> g_stepPeakWorkingSet{0};
std::atomic<SIZE_T> g_stepPeakPrivate{0};
std::atomic<SIZE_T> g_runPeakPrivate{0};

void raise(std::atomic<SIZE_T>& peak, SIZE_T value) {
    SIZE_T seen = peak.load();
    while (value > seen && !peak.compare_exchange_weak(seen, value)) {
    }
}

DWORD WINAPI sampleMemory(void*) {
    for (;;) {
        const PROCESS_MEMORY_COUNTERS memory = memoryNow();
        raise(g_stepPeakWorkingSet, memory.WorkingSetSize);
        raise(g_stepPeakPrivate, memory.PagefileUsage);
        raise(g_runPeakPrivate, memory.PagefileUsage);
        Sleep(2);
    }
}

ULONGLONG startStep() {
    const PROCESS_MEMORY_COUNTERS memory = memoryNow();
    g_stepPeakWorkingSet = memory.WorkingSetSize;
    g_stepPeakPrivate = memory.PagefileUsage;
    return GetTickCount64();
}

// One line per step: wall time, then the working set and the committed
// private memory at its end and at their highest during the step. (Wine
// keeps no peak of the private memory: PeakPagefileUsage reads as the
// current value, so the sampled peaks are the ones to go by.)
void report(const char* step, ULONGLONG startTick) {
    const double seconds = static_cast<double>(GetTickCount64() - startTick) / 1000.0;
    const PROCESS_MEMORY_COUNTERS memory = memoryNow();
    raise(g_stepPeakWorkingSet, memory.WorkingSetSize);
    raise(g_stepPeakPrivate, memory.PagefileUsage);
    std::printf("%-30s %7.2f s   working set %6.1f MB, step peak %6.1f   private %6.1f MB, step peak %6.1f\n", step,
                seconds, megabytes(memory.WorkingSetSize), megabytes(g_stepPeakWorkingSet.load()),
                megabytes(memory.PagefileUsage), megabytes(g_stepPeakPrivate.load()));
}

int selectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void search(const char* query, ULONGLONG& start) {
    SetWindowTextA(control(IDC_SEARCH_TEXT), query);
    start = startStep();
    click(IDC_SEARCH_BUTTON);
    pumpMessages();
}

}  // namespace

int runStress(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file)) {
        std::printf("stress: no table file \"%s\"\n", path.c_str());
        return 2;
    }
    const double size = (static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow) / 1e6;
    std::printf("stress: %s, %.1f MB\n", path.c_str(), size);
    if (HANDLE sampler = CreateThread(nullptr, 0, sampleMemory, nullptr, 0, nullptr)) CloseHandle(sampler);
    report("start", startStep());

    HWND window = startMainWindow();
    ULONGLONG start = startStep();
    ULONGLONG pressed = 0;
    int dialogs = 0;
    onDialog([&](HWND dialog) {
        ++dialogs;
        answerFileDialog(dialog, path);
    });
    onDialog([&](HWND dialog) {
        ++dialogs;
        report("open dialog to import dialog", start);
        pressed = startStep();
        pressButton(dialog, 1020);
    });
    click(IDC_LOAD_BUTTON);
    pumpMessages();
    report("load (import dialog's Load)", pressed);
    HWND list = control(IDC_TABLE_LIST);
    const int rows = app().table.rowCount();
    require(dialogs == 2 && pendingDialogSteps() == 0, "the open-file and import dialogs were not both answered");
    require(rows > 0 && listCount(list) == rows, "the list shows " + std::to_string(listCount(list)) + " of " +
                                                     std::to_string(rows) + " rows");
    require(app().table.fieldCount() == 10 && listColumnCount(list) == 10, "ten columns expected");
    std::printf("  %d rows, title \"%s\"\n", rows, windowText(window).c_str());

    // Sort by the fifth column (name): many equal texts.
    start = startStep();
    postHeaderClick(list, 4);
    pumpMessages();
    report("sort by a column click (name)", start);
    bool ordered = true;
    std::string previous;
    for (int i = 0; i < 200 && i < rows; ++i) {
        const std::string name = lowered(listText(list, i, 4));
        if (name < previous) ordered = false;
        previous = name;
    }
    require(ordered, "the first 200 rows are not in name order after the column click");
    require(listCount(list) == rows, "the sort changed the row count");

    struct Query {
        const char* text;
        const char* step;
    };
    const Query queries[] = {
        {"needle", "search \"needle\" (some rows)"},
        {"shipped or pending", "search \"shipped or pending\""},
        {"-", "search \"-\" (every row)"},
    };
    for (const Query& q : queries) {
        search(q.text, start);
        report(q.step, start);
        const int selected = selectedCount(list);
        std::printf("  %d rows selected\n", selected);
        require(selected > 0, std::string("nothing selected by ") + q.text);
        if (q.text[0] == '-') require(selected == rows, "the search for \"-\" left rows unselected");
    }

    // Select all, as Ctrl+A does, and press Delete.
    start = startStep();
    LVITEMA all{};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    require(selectedCount(list) == rows, "select all left rows unselected");
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    pumpMessages();
    report("select all, Delete key", start);
    const std::string title = windowText(window);
    require(app().table.rowCount() == 0 && listCount(list) == 0, "rows are left after deleting every row");
    require(title.size() > 4 && title.substr(title.size() - 4) == " (0)", "the title reads \"" + title + "\"");
    std::printf("  title \"%s\"\n", title.c_str());

    start = startStep();
    DestroyWindow(window);
    pumpMessages();
    report("close the window", start);
    const PROCESS_MEMORY_COUNTERS memory = memoryNow();
    std::printf("run peaks: working set %.1f MB (system's figure), private %.1f MB (sampled)\n",
                megabytes(memory.PeakWorkingSetSize), megabytes(g_runPeakPrivate.load()));
    std::printf("stress: %s\n", g_problems == 0 ? "passed" : "FAILED");
    return g_problems == 0 ? 0 : 1;
}

}  // namespace uitest
