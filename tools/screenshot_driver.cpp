// The driver behind `make screenshots`. It starts varnel.exe from the current
// folder and works it from outside, as a user would, through the steps the
// README's guide shows: load the customers sample, search, edit a row, search
// and replace with a confirmation, define a new file. At each step it takes a
// picture of the screen where the program's windows are and writes it as a
// BMP file into the folder named on the command line. Every step waits for
// the window it expects, found by its caption; when one does not come up the
// run stops with a message and exit code 1.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/handles.h"

namespace {

using namespace varnel;

// The name box of the system's file dialogs.
constexpr int kFileNameBox = 1148;

constexpr ULONGLONG kWaitMs = 15000;

struct DcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC dc) { DeleteDC(dc); }
};
struct BitmapTraits {
    static HBITMAP invalid() { return nullptr; }
    static void close(HBITMAP bitmap) { DeleteObject(bitmap); }
};
using UniqueDC = UniqueHandle<HDC, DcTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, BitmapTraits>;

UniqueKernelHandle g_program;
DWORD g_programId = 0;
std::string g_outFolder;
int g_pictures = 0;

[[noreturn]] void stop(const std::string& why) {
    std::printf("screenshots: %s\n", why.c_str());
    std::fflush(stdout);
    if (g_program) TerminateProcess(g_program.get(), 1);
    std::exit(1);
}

// A top-level window's caption, or a control's text. (GetWindowTextA gives
// only the caption kept by the system for another process's windows: nothing
// for an edit or combo box.)
std::string textOf(HWND window) {
    char text[1024] = "";
    if (GetParent(window)) {
        DWORD_PTR length = 0;
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                            &length);
    } else {
        GetWindowTextA(window, text, sizeof text);
    }
    return text;
}

// Polls until `done` holds; a step that never gets there stops the run.
void waitFor(const std::string& what, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + kWaitMs;
    while (!done()) {
        if (GetTickCount64() > end) stop("waited " + std::to_string(kWaitMs / 1000) + " s in vain for " + what);
        DWORD code = 0;
        if (GetExitCodeProcess(g_program.get(), &code) && code != STILL_ACTIVE)
            stop("the program ended (exit code " + std::to_string(code) + ") while waiting for " + what);
        Sleep(50);
    }
}

struct WindowSearch {
    const std::string& caption;
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != g_programId || !IsWindowVisible(window) || textOf(window) != search.caption) return TRUE;
    search.found = window;
    return FALSE;
}

// A visible top-level window of the program with exactly this caption.
HWND programWindow(const std::string& caption) {
    WindowSearch search{caption};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const std::string& caption) {
    HWND window = nullptr;
    waitFor("the window \"" + caption + "\" to come up", [&] { return (window = programWindow(caption)) != nullptr; });
    return window;
}

// Lets the program finish painting what the last step changed.
void settle() {
    WaitForInputIdle(g_program.get(), 2000);
    Sleep(400);
}

void clickButton(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void typeText(HWND window, int id, const std::string& text) {
    HWND box = GetDlgItem(window, id);
    if (!box) stop("the window \"" + textOf(window) + "\" has no control " + std::to_string(id));
    SetWindowTextA(box, text.c_str());
}

// Gives a control of the program the keyboard focus, as a click on it would
// (the list then shows its selection in the highlight colour).
void focusControl(HWND control) {
    const DWORD target = GetWindowThreadProcessId(control, nullptr);
    const DWORD self = GetCurrentThreadId();
    if (!AttachThreadInput(self, target, TRUE)) stop("could not reach the program's input");
    SetFocus(control);
    AttachThreadInput(self, target, FALSE);
}

void writeBmp(const std::string& path, int width, int height, const std::vector<char>& pixels) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    if (!out) stop("could not write " + path);
}

// A picture of the screen over the smallest rectangle holding these windows.
void takePicture(const std::string& name, std::initializer_list<HWND> windows) {
    settle();
    RECT area{};
    for (HWND window : windows) {
        RECT r{};
        GetWindowRect(window, &r);
        UnionRect(&area, &area, &r);
    }
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&area, &area, &screen);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) stop("nothing to take for " + name);

    WindowDC screenDc(nullptr);
    UniqueDC memory(CreateCompatibleDC(screenDc.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screenDc.get(), width, height));
    if (!memory || !bitmap) stop("no room for the picture " + name);
    {
        SelectedObject selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screenDc.get(), area.left, area.top, SRCCOPY))
            stop("could not copy the screen for " + name);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up rows, as a BMP file keeps them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<char> pixels(stride * static_cast<size_t>(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) !=
        height)
        stop("could not read the picture " + name);
    writeBmp(g_outFolder + name + ".bmp", width, height, pixels);
    ++g_pictures;
    std::printf("screenshots: %s (%dx%d)\n", name.c_str(), width, height);
}

std::vector<int> selectedItems(HWND list) {
    std::vector<int> items;
    int item = -1;
    while ((item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0)
        items.push_back(item);
    return items;
}

void startProgram(const std::string& folder) {
    const std::string exe = folder + "varnel.exe";
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) stop("no program at " + exe);
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &started))
        stop("could not start " + exe);
    CloseHandle(started.hThread);
    g_program.reset(started.hProcess);
    g_programId = started.dwProcessId;
}

// Load: the open-file dialog answered with `path`.
void chooseFileToLoad(HWND main, const std::string& path) {
    clickButton(main, IDC_LOAD_BUTTON);
    HWND open = waitForWindow("Please select a CSV file to load");
    settle();
    typeText(open, kFileNameBox, path);
    clickButton(open, IDOK);
}

void search(HWND main, const std::string& typed) {
    SetWindowTextA(GetDlgItem(main, IDC_SEARCH_TEXT), typed.c_str());
    clickButton(main, IDC_SEARCH_BUTTON);
}

void run(const std::string& folder) {
    startProgram(folder);
    HWND main = waitForWindow("Varnel");
    takePicture("screenshot", {main});

    // The sample through the import dialog.
    const std::string sample = folder + "customers.csv";
    chooseFileToLoad(main, sample);
    HWND import = waitForWindow("Import CSV File");
    takePicture("guide-import", {main, import});
    clickButton(import, IDC_IMPORT_LOAD);
    const std::string loaded = "Varnel: " + sample + " (8)";
    waitFor("the title to read \"" + loaded + "\"", [&] { return textOf(main) == loaded; });

    // A search over all fields.
    HWND list = GetDlgItem(main, IDC_TABLE_LIST);  // each table gets a new list
    search(main, "italy spain");
    const std::vector<int> expected{1, 5, 7};
    waitFor("the search to select rows 2, 6 and 8", [&] { return selectedItems(list) == expected; });
    focusControl(list);
    takePicture("guide-search", {main});

    // The row menu's "Edit entry" on the first selected row.
    PostMessageA(main, WM_COMMAND, IDM_EDIT_ROW, 0);
    HWND edit = waitForWindow("Edit item #2");
    takePicture("guide-edit", {main, edit});
    clickButton(edit, IDC_EDIT_CANCEL);
    waitFor("the edit dialog to close", [&] { return !IsWindow(edit); });

    // Search+Replace in the country field, every change confirmed.
    HWND searchButton = GetDlgItem(main, IDC_SEARCH_BUTTON);
    PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(searchButton), MAKELPARAM(-1, -1));
    waitFor("the Search button to read \"Search+Replace\"", [&] { return textOf(searchButton) == "Search+Replace"; });
    HWND fields = GetDlgItem(main, IDC_FIELD_COMBO);
    SendMessageA(fields, CB_SETCURSEL, 3, 0);
    if (textOf(fields) != "country") stop("the \"in\" box shows \"" + textOf(fields) + "\", not \"country\"");
    search(main, "italy");
    HWND replace = waitForWindow("Search and Replace");
    typeText(replace, IDC_REPLACE_TEXT, "Italia");
    SendDlgItemMessageA(replace, IDC_REPLACE_CONFIRM, BM_SETCHECK, BST_CHECKED, 0);
    takePicture("guide-replace", {main, replace});
    clickButton(replace, IDC_REPLACE_GO);
    for (int row : {2, 8}) {
        HWND confirm = waitForWindow("Confirm changes");
        const std::string question = textOf(GetDlgItem(confirm, 0xFFFF));
        const std::string wanted = "In row " + std::to_string(row) + "/8, would you like to replace \"Italy\" with \"Italia\"?";
        if (question != wanted) stop("the confirmation asks \"" + question + "\", not \"" + wanted + "\"");
        if (row == 2) takePicture("guide-confirm", {main, confirm});
        clickButton(confirm, IDYES);
        waitFor("the confirmation to close", [&] { return !IsWindow(confirm); });
    }
    waitFor("the replaced rows 2 and 8 to be selected", [&] { return selectedItems(list) == std::vector<int>{1, 7}; });
    PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(searchButton), MAKELPARAM(-1, -1));
    waitFor("the Search button to read \"Search\"", [&] { return textOf(searchButton) == "Search"; });

    // Load with a name that does not exist: a new file.
    const std::string newFile = folder + "contacts.csv";
    if (GetFileAttributesA(newFile.c_str()) != INVALID_FILE_ATTRIBUTES) stop(newFile + " must not exist");
    chooseFileToLoad(main, newFile);
    HWND question = waitForWindow("New File");
    clickButton(question, IDYES);
    HWND define = waitForWindow("Create new file");
    const char* names[] = {"name", "phone", "e-mail"};
    for (int i = 0; i < 3; ++i) typeText(define, IDC_NEW_NAME_BASE + 1 + i, names[i]);
    takePicture("guide-new-file", {main, define});
    clickButton(define, IDC_NEW_CREATE);
    const std::string created = "Varnel: " + newFile + " (1)";
    waitFor("the title to read \"" + created + "\"", [&] { return textOf(main) == created; });

    // The close box: the program ends without asking.
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(g_program.get(), 10000) != WAIT_OBJECT_0) stop("the program did not end when closed");
    g_program.reset();
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::printf("usage: varnel_screenshots OUTPUT-FOLDER (run in the folder of varnel.exe)\n");
        return 2;
    }
    g_outFolder = argv[1];
    if (!g_outFolder.empty() && g_outFolder.back() != '\\') g_outFolder += '\\';
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string folder = current;
    if (folder.back() != '\\') folder += '\\';
    run(folder);
    std::printf("screenshots: %d pictures taken\n", g_pictures);
    return 0;
}
