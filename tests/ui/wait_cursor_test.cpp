// The wait cursor: shown while a load, sort, search, replace, delete or save
// works, never while one of their boxes or dialogs waits for the user, and
// the cursor from before is back afterwards, also after a failure.
#include <memory>

#include "core/file_access.h"
#include "failure_files.h"
#include "harness.h"
#include "ui/app_context.h"
#include "ui/win32_file_system.h"

using namespace uitest;
using namespace varnel;

namespace {

HCURSOR waitCursor() { return LoadCursorA(nullptr, IDC_WAIT); }
HCURSOR arrow() { return LoadCursorA(nullptr, IDC_ARROW); }

// What the cursor was each time the program worked on the table list or
// on a file during a command.
int g_seenWorking = 0;
int g_seenWaiting = 0;
void seeCursor() {
    ++g_seenWorking;
    if (GetCursor() == waitCursor()) ++g_seenWaiting;
}

LRESULT CALLBACK watchList(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    // The list's own messages that the commands send while they work, and
    // the search box's repaint at the end of every search.
    if (code == HC_ACTION && sent->hwnd == control(IDC_TABLE_LIST) &&
        (sent->message == LVM_DELETEALLITEMS || sent->message == LVM_INSERTCOLUMNA ||
         sent->message == LVM_SETITEMCOUNT || sent->message == LVM_GETTOPINDEX))
        seeCursor();
    if (code == HC_ACTION && sent->hwnd == control(IDC_SEARCH_TEXT) && sent->message == WM_PAINT) seeCursor();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// File access that notes the cursor at every write and read.
class WatchedFiles final : public FileSystem {
public:
    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        seeCursor();
        return inner_->openRead(path, error);
    }
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        seeCursor();
        return inner_->openReplace(path, error);
    }

private:
    std::unique_ptr<FileSystem> inner_ = makeWin32FileSystem({});
};

// Runs a command with the arrow as the cursor before it; afterwards the
// arrow is back and the work was seen under the wait cursor.
void expectWaitDuring(const char* what, const std::function<void()>& command) {
    SetCursor(arrow());
    g_seenWorking = g_seenWaiting = 0;
    command();
    pumpMessages();
    if (g_seenWorking == 0 || g_seenWaiting != g_seenWorking)
        fail(__FILE__, __LINE__,
             std::string(what) + ": " + std::to_string(g_seenWaiting) + " of " + std::to_string(g_seenWorking) +
                 " steps of work under the wait cursor");
    if (GetCursor() != arrow()) fail(__FILE__, __LINE__, std::string(what) + ": the cursor is not back");
}

// A box or dialog of a command: the user's cursor, not the wait cursor.
DialogAction notWaiting(DialogAction then) {
    return [then](HWND dialog) {
        if (GetCursor() == waitCursor()) fail(__FILE__, __LINE__, "the wait cursor over \"" + windowText(dialog) + "\"");
        then(dialog);
    };
}

}  // namespace

UI_TEST(wait_cursor_while_commands_work_and_not_while_they_ask) {
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchList, nullptr, GetCurrentThreadId());
    WatchedFiles files;
    setFileSystemStandIn(&files);
    startMainWindow();
    const std::string folder = failtest::caseFolder("wait-cursor");
    const std::string path = folder + "pets.csv";
    writeFile(path, "name,kind\r\ncat one,cat\r\ndog,dog\r\ncat two,cat\r\n");

    expectWaitDuring("load", [&] {
        onDialog(notWaiting([&](HWND dialog) { answerFileDialog(dialog, path); }));
        onDialog(notWaiting([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); }));
        click(IDC_LOAD_BUTTON);
    });
    CHECK_EQ(context().table.rowCount(), 3);

    expectWaitDuring("sort", [] {
        postHeaderClick(control(IDC_TABLE_LIST), 0);
        pumpMessages();
    });

    expectWaitDuring("search", [] {
        SetWindowTextA(control(IDC_SEARCH_TEXT), "cat");
        click(IDC_SEARCH_BUTTON);
    });
    expectWaitDuring("search that finds nothing", [] {
        SetWindowTextA(control(IDC_SEARCH_TEXT), "zebra");
        onDialog(notWaiting([](HWND box) { pressButton(box, IDOK); }));
        click(IDC_SEARCH_BUTTON);
    });

    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);
    expectWaitDuring("replace", [] {
        SetWindowTextA(control(IDC_SEARCH_TEXT), "cat");
        onDialog(notWaiting([](HWND dialog) {
            SetWindowTextA(GetDlgItem(dialog, IDC_REPLACE_TEXT), "lion");
            SendDlgItemMessageA(dialog, IDC_REPLACE_CONFIRM, BM_CLICK, 0, 0);
            pressButton(dialog, IDC_REPLACE_GO);
        }));
        onDialog(notWaiting([](HWND box) { pressButton(box, IDYES); }));
        onDialog(notWaiting([](HWND box) { pressButton(box, IDNO); }));
        for (int more = 0; more < 4; ++more)
            onOptionalDialog([](HWND box) { return windowText(box) == "Confirm changes"; },
                             notWaiting([](HWND box) { pressButton(box, IDYES); }));
        click(IDC_SEARCH_BUTTON);
    });
    SendMessageA(mainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(IDC_SEARCH_BUTTON)), 0);

    expectWaitDuring("save", [&] {
        selectItems(control(IDC_TABLE_LIST), {0, 1});
        onDialog(notWaiting([](HWND box) { pressButton(box, IDNO); }));  // all rows
        onDialog(notWaiting([&](HWND dialog) { answerFileDialog(dialog, folder + "saved.csv"); }));
        onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                         notWaiting([](HWND box) { pressButton(box, IDYES); }));
        onDialog(notWaiting([](HWND box) { pressButton(box, IDOK); }));  // "File has been saved."
        click(IDC_RESAVE_BUTTON);
    });
    CHECK(fileExists(folder + "saved.csv"));

    // A save that fails: the error box shows the user's cursor, and the
    // arrow is back afterwards.
    const std::string locked = folder + "locked.csv";
    writeFile(locked, "x");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    expectWaitDuring("failed save", [&] {
        selectItems(control(IDC_TABLE_LIST), {});
        onDialog(notWaiting([&](HWND dialog) { answerFileDialog(dialog, locked); }));
        onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                         notWaiting([](HWND box) { pressButton(box, IDYES); }));
        onDialog(notWaiting([](HWND box) {
            CHECK(boxText(box).find("could not be saved") != std::string::npos);
            pressButton(box, IDOK);
        }));
        click(IDC_RESAVE_BUTTON);
    });
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);

    expectWaitDuring("delete", [] {
        selectItems(control(IDC_TABLE_LIST), {1});
        PostMessageA(control(IDC_TABLE_LIST), WM_KEYDOWN, VK_DELETE, 1);
        pumpMessages();
    });
    CHECK_EQ(context().table.rowCount(), 2);

    setFileSystemStandIn(nullptr);
    UnhookWindowsHookEx(hook);
}
