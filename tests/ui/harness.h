// A small test runner for the real window under Wine: a case registry,
// checks that record failures and go on, scripted answers to modal dialogs
// and message boxes, and helpers that read the window's real state.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/app_context.h"

namespace uitest {

using TestFunction = void (*)();
struct Registrar {
    Registrar(const char* name, TestFunction function);
};

#define UI_TEST(name)                                              \
    static void name();                                            \
    static const uitest::Registrar name##_registrar(#name, name); \
    static void name()

void fail(const char* file, int line, const std::string& message);

inline std::string show(const std::string& v) { return "\"" + v + "\""; }
inline std::string show(const char* v) { return show(std::string(v)); }
inline std::string show(std::string_view v) { return show(std::string(v)); }
inline std::string show(bool v) { return v ? "true" : "false"; }
template <typename T>
std::string show(const T& v) {
    return std::to_string(v);
}
template <typename T>
std::string show(const std::vector<T>& values) {
    std::string out = "{";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + show(values[i]);
    return out + "}";
}

#define CHECK(cond)                                                               \
    do {                                                                          \
        if (!(cond)) uitest::fail(__FILE__, __LINE__, "CHECK(" #cond ") failed"); \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                         \
    do {                                                                                                   \
        const auto& check_a_ = (actual);                                                                   \
        const auto& check_e_ = (expected);                                                                 \
        if (!(check_a_ == check_e_))                                                                       \
            uitest::fail(__FILE__, __LINE__,                                                               \
                         std::string(#actual) + " is " + uitest::show(check_a_) + ", expected " +          \
                             uitest::show(check_e_));                                                      \
    } while (0)

// ---- Scripted answers to modal windows ------------------------------------
// When a dialog or message box becomes active, the next step runs inside its
// modal loop (shortly after, from a timer). A step may test whether it is
// meant for that window; optional steps that do not match are skipped.
using DialogAction = std::function<void(HWND dialog)>;
using DialogMatch = std::function<bool(HWND dialog)>;
void onDialog(DialogAction action);
void onOptionalDialog(DialogMatch match, DialogAction action);
// Required steps not yet used.
int pendingDialogSteps();

// ---- Too many windows -----------------------------------------------------
// Emulates the system's quota of window objects, which Wine lacks: from now
// on, at most `count` more windows of this thread may exist (a window made
// now and destroyed later makes room again); further ones are refused, as
// Windows refuses a process past its quota. The limit is lifted by -1, by
// the end of each test, or after `refusals` windows have been refused (so
// that what comes after a failed dialog, a message box for one, has room).
void limitNewWindows(int count, int refusals = INT_MAX);

// ---- Reading and driving windows ------------------------------------------
std::string windowText(HWND window);
std::string className(HWND window);
std::string boxText(HWND box);  // the text of a message box
bool isMessageBox(HWND dialog);
void pressButton(HWND dialog, int id);           // posts the click: the modal loop handles it
void answerFileDialog(HWND dialog, const std::string& path);  // types the name, presses OK
HWND mainWindow();
HWND findWindow(const std::string& caption);  // a top-level window of this program, by its caption
HWND control(int id);  // a control of the main window
void click(int id);    // a main window button, by BM_CLICK (runs the command to its end)
RECT clientRectOf(HWND child);  // in the parent's client coordinates
RECT windowRect(HWND window);
int listCount(HWND list);
std::string listText(HWND list, int item, int column);
std::vector<std::string> listColumn(HWND list, int column);
std::vector<int> selectedItems(HWND list);
int listColumnCount(HWND list);
int listColumnWidth(HWND list, int column);
std::string listHeader(HWND list, int column);
void selectItems(HWND list, const std::vector<int>& items);  // replaces the selection
void notifyColumnClick(int column);
void pumpMessages();
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 3000);

// Starts a fresh main window with a fresh context.
HWND startMainWindow();
// The context of the current main window.
varnel::AppContext& context();

// ---- Files ----------------------------------------------------------------
std::string testFolder();  // an empty folder for this run, with a trailing backslash
// Posts a real left click on the middle of a column header of the list.
void postHeaderClick(HWND list, int column);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// Prints load and search figures for a big table, the dialogs of a wide
// one, a long first line and a table too large (the --bench option); `part`
// "rows", "wide", "line" or "tall" runs only that part.
int runBench(const std::string& part);
// Drives a big table file through the window step by step (the --stress option).
int runStress(const std::string& path);

}  // namespace uitest
