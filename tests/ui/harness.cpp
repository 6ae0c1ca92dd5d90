#include "harness.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "ui/app_context.h"
#include "ui/main_window.h"

namespace uitest {
namespace {

struct TestCase {
    const char* name;
    TestFunction function;
};

std::vector<TestCase>& registry() {
    static std::vector<TestCase> cases;
    return cases;
}

struct Step {
    DialogMatch match;
    DialogAction action;
    bool optional = false;
};

std::deque<Step> g_steps;
int g_failures = 0;  // failures in the running case
HWND g_armedDialog = nullptr;
UINT_PTR g_timer = 0;
std::atomic<const char*> g_runningTest{nullptr};
std::atomic<ULONGLONG> g_testStart{0};
std::atomic<int> g_passed{0};
std::atomic<int> g_failed{0};
constexpr ULONGLONG kTestTimeLimitMs = 60000;

void closeUnexpected(HWND dialog) {
    for (int id : {IDCANCEL, IDNO, IDOK}) {
        if (GetDlgItem(dialog, id)) {
            pressButton(dialog, id);
            return;
        }
    }
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

void CALLBACK stepTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (id == g_timer) g_timer = 0;
    HWND dialog = g_armedDialog;
    g_armedDialog = nullptr;
    if (!dialog || !IsWindow(dialog)) return;
    while (!g_steps.empty() && g_steps.front().optional && !g_steps.front().match(dialog)) g_steps.pop_front();
    if (g_steps.empty() || (g_steps.front().match && !g_steps.front().match(dialog))) {
        fail(__FILE__, __LINE__,
             "unexpected window \"" + windowText(dialog) + "\"" +
                 (isMessageBox(dialog) ? " saying \"" + boxText(dialog) + "\"" : std::string()));
        closeUnexpected(dialog);
        return;
    }
    Step step = std::move(g_steps.front());
    g_steps.pop_front();
    step.action(dialog);
}

// The emulated window quota: windows made while it is set, still alive.
bool g_windowQuotaSet = false;
size_t g_windowQuota = 0;
int g_refusalsLeft = 0;
std::set<HWND> g_quotaWindows;

LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (g_windowQuotaSet && code == HCBT_CREATEWND) {
        if (g_quotaWindows.size() >= g_windowQuota) {
            if (--g_refusalsLeft <= 0) g_windowQuotaSet = false;
            return 1;  // refused: CreateWindowEx fails
        }
        g_quotaWindows.insert(reinterpret_cast<HWND>(wParam));
    }
    if (code == HCBT_DESTROYWND) g_quotaWindows.erase(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (window != uitest::context().mainWindow && className(window) == "#32770") {
            g_armedDialog = window;
            if (g_timer) KillTimer(nullptr, g_timer);
            g_timer = SetTimer(nullptr, 0, 40, stepTimer);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI watchdog(void*) {
    for (;;) {
        Sleep(500);
        const char* name = g_runningTest.load();
        if (name && GetTickCount64() - g_testStart.load() > kTestTimeLimitMs) {
            std::printf("FAILED %s: still running after %llu s; the run is stopped\n", name,
                        static_cast<unsigned long long>(kTestTimeLimitMs / 1000));
            std::printf("%d passed, %d failed\n", g_passed.load(), g_failed.load() + 1);
            std::fflush(stdout);
            ExitProcess(3);
        }
    }
}

}  // namespace

Registrar::Registrar(const char* name, TestFunction function) { registry().push_back({name, function}); }

void fail(const char* file, int line, const std::string& message) {
    ++g_failures;
    const char* base = std::strrchr(file, '/');
    std::printf("  %s:%d: %s\n", base ? base + 1 : file, line, message.c_str());
    std::fflush(stdout);
}

void limitNewWindows(int count, int refusals) {
    g_windowQuotaSet = count >= 0;
    g_windowQuota = count >= 0 ? static_cast<size_t>(count) : 0;
    g_refusalsLeft = refusals;
    g_quotaWindows.clear();
}

void onDialog(DialogAction action) { g_steps.push_back({nullptr, std::move(action), false}); }

void onOptionalDialog(DialogMatch match, DialogAction action) {
    g_steps.push_back({std::move(match), std::move(action), true});
}

int pendingDialogSteps() {
    int count = 0;
    for (const Step& s : g_steps) count += s.optional ? 0 : 1;
    return count;
}

std::string windowText(HWND window) {
    std::string text(static_cast<size_t>(std::max(GetWindowTextLengthA(window), 0)) + 1, '\0');
    const int got = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string boxText(HWND box) { return windowText(GetDlgItem(box, 0xFFFF)); }

bool isMessageBox(HWND dialog) { return GetDlgItem(dialog, 0xFFFF) != nullptr; }

void pressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answerFileDialog(HWND dialog, const std::string& path) {
    SetWindowTextA(GetDlgItem(dialog, 1148), path.c_str());
    pressButton(dialog, IDOK);
}

HWND mainWindow() { return context().mainWindow; }

HWND findWindow(const std::string& caption) { return FindWindowA(nullptr, caption.c_str()); }

HWND control(int id) { return GetDlgItem(mainWindow(), id); }

void click(int id) { SendMessageA(control(id), BM_CLICK, 0, 0); }

RECT windowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT clientRectOf(HWND child) {
    RECT r = windowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int listCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string listText(HWND list, int item, int column) {
    char text[1024] = "";
    LVITEMA lv{};
    lv.iSubItem = column;
    lv.pszText = text;
    lv.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    return text;
}

std::vector<std::string> listColumn(HWND list, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < listCount(list); ++i) texts.push_back(listText(list, i, column));
    return texts;
}

std::vector<int> selectedItems(HWND list) {
    std::vector<int> items;
    int i = -1;
    while ((i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0)
        items.push_back(i);
    return items;
}

int listColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

int listColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::string listHeader(HWND list, int column) {
    char text[512] = "";
    LVCOLUMNA lv{};
    lv.mask = LVCF_TEXT;
    lv.pszText = text;
    lv.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lv));
    return text;
}

void selectItems(HWND list, const std::vector<int>& items) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED;
    for (int i : items) SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&state));
}

void notifyColumnClick(int column) {
    // A click on a header: the list sends this notification to the main window.
    HWND list = control(varnel::IDC_TABLE_LIST);
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = varnel::IDC_TABLE_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(mainWindow(), WM_NOTIFY, varnel::IDC_TABLE_LIST, reinterpret_cast<LPARAM>(&click));
}

void pumpMessages() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (varnel::preTranslateMainWindowMessage(context(), message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        pumpMessages();
        if (condition()) return true;
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {
// The context of the window the running case works on; each case starts a
// fresh one with startMainWindow.
std::unique_ptr<varnel::AppContext> g_context = std::make_unique<varnel::AppContext>();
}  // namespace

varnel::AppContext& context() { return *g_context; }

HWND startMainWindow() {
    if (g_context->mainWindow && IsWindow(g_context->mainWindow)) DestroyWindow(g_context->mainWindow);
    pumpMessages();
    g_context = std::make_unique<varnel::AppContext>();
    HWND window = varnel::createMainWindow(*g_context);
    pumpMessages();
    return window;
}

std::string testFolder() {
    static std::string folder;
    if (folder.empty()) {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "varnel-ui-tests-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void postHeaderClick(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT item{};
    SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(header, WM_LBUTTONUP, 0, point);
}

}  // namespace uitest

int main(int argc, char** argv) {
    using namespace uitest;
    setvbuf(stdout, nullptr, _IONBF, 0);
    varnel::startProgram();
    HHOOK hook = SetWindowsHookExA(WH_CBT, cbtHook, nullptr, GetCurrentThreadId());
    HANDLE thread = CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);

    const std::string filter = argc > 1 ? argv[1] : "";
    if (filter == "--bench") return runBench(argc > 2 ? argv[2] : "");
    if (filter == "--stress") return runStress(argc > 2 ? argv[2] : "");
    const ULONGLONG runStart = GetTickCount64();
    for (const TestCase& test : registry()) {
        if (!filter.empty() && std::string(test.name).find(filter) == std::string::npos) continue;
        g_failures = 0;
        g_steps.clear();
        g_testStart = GetTickCount64();
        g_runningTest = test.name;
        try {
            test.function();
        } catch (const std::exception& e) {
            fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        } catch (...) {
            fail(__FILE__, __LINE__, "unknown exception");
        }
        if (pendingDialogSteps() > 0)
            fail(__FILE__, __LINE__, std::to_string(pendingDialogSteps()) + " expected dialog(s) never appeared");
        g_steps.clear();
        limitNewWindows(-1);
        if (mainWindow() && IsWindow(mainWindow())) DestroyWindow(mainWindow());
        pumpMessages();
        const ULONGLONG took = GetTickCount64() - g_testStart.load();
        g_runningTest = nullptr;
        if (g_failures == 0) {
            ++g_passed;
            std::printf("ok     %s (%llu ms)\n", test.name, static_cast<unsigned long long>(took));
        } else {
            ++g_failed;
            std::printf("FAILED %s (%llu ms)\n", test.name, static_cast<unsigned long long>(took));
        }
    }
    UnhookWindowsHookEx(hook);
    std::printf("UI tests took %.1f s\n", (GetTickCount64() - runStart) / 1000.0);
    std::printf("%d passed, %d failed\n", g_passed.load(), g_failed.load());
    return g_failed.load() == 0 && g_passed.load() > 0 ? 0 : 1;
}
