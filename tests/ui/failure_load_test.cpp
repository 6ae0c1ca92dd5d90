// Load of a file that cannot be read: held open by another program, a folder
// typed as the name, and a file that disappears while the import dialog is
// up. A failed read is reported with the file's name; the table, the list
// and the title stay as they were.
#include <windows.h>
#include <commdlg.h>

#include "failure_files.h"
#include "harness.h"
#include "ui/app_state.h"

using namespace uitest;
using namespace varnel;
using namespace failtest;

namespace {

// Loads a small table and returns what the window shows with it.
std::vector<std::string> loadOldTable() {
    const std::string path = testFolder() + "load-old.csv";
    writeFile(path, "name,city\r\nAnn,Paris\r\nBob,Rome\r\nCyd,Oslo\r\n");
    loadThroughDialogs(path);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 3);
    return shownState();
}

// A folder name in the open-file dialog: looked at a little after OK.
HWND g_openDialog = nullptr;
bool g_dialogStayed = false;
std::string g_dialogFolder;

void CALLBACK lookAtOpenDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_dialogStayed = IsWindow(g_openDialog) && IsWindowVisible(g_openDialog);
    if (!g_dialogStayed) return;
    char folder[MAX_PATH] = "";
    SendMessageA(g_openDialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    g_dialogFolder = folder;
    pressButton(g_openDialog, IDCANCEL);
}

}  // namespace

UI_TEST(failure_load_of_a_held_file_or_one_that_disappears_keeps_the_table) {
    startMainWindow();
    const std::vector<std::string> before = loadOldTable();

    // Held open without sharing: the first line cannot be read.
    const std::string held = testFolder() + "load-held.csv";
    writeFile(held, "p,q\r\n1,2\r\n");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(holder != INVALID_HANDLE_VALUE);
    onDialog([held](HWND dialog) { answerFileDialog(dialog, held); });
    expectFileError(held);
    click(IDC_LOAD_BUTTON);
    CloseHandle(holder);
    CHECK_EQ(shownState(), before);
    CHECK_EQ(app().table.rowCount(), 3);

    // Gone between the open-file dialog and the import dialog's Load: the
    // import reports it and the dialog stays for the user to cancel.
    const std::string gone = testFolder() + "load-gone.csv";
    writeFile(gone, "x,y,z\r\n1,2,3\r\n4,5,6\r\n");
    onDialog([gone](HWND dialog) { answerFileDialog(dialog, gone); });
    onDialog([gone](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        CHECK(DeleteFileA(gone.c_str()));
        pressButton(dialog, 1020);
    });
    expectFileError(gone);
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        pressButton(dialog, 1021);
    });
    click(IDC_LOAD_BUTTON);
    CHECK(!fileExists(gone));
    CHECK_EQ(shownState(), before);
    CHECK_EQ(app().table.rowCount(), 3);
    CHECK_EQ(app().table.fieldCount(), 2);
    CHECK_EQ(app().table.currentFileName, gone);
}

UI_TEST(failure_load_of_a_folder_name_changes_nothing) {
    startMainWindow();
    const std::vector<std::string> before = loadOldTable();
    const std::string folder = caseFolder("load-folder.csv");
    writeFile(folder + "inside.csv", "a\r\n1\r\n");

    g_openDialog = nullptr;
    g_dialogStayed = false;
    g_dialogFolder.clear();
    bool asked = false;
    onDialog([&](HWND dialog) {
        g_openDialog = dialog;
        answerFileDialog(dialog, folder.substr(0, folder.size() - 1));
        SetTimer(nullptr, 0, 500, lookAtOpenDialog);
    });
    // Should the dialog hand the folder over, it counts as a missing file.
    onOptionalDialog([](HWND box) { return isMessageBox(box) && windowText(box) == "New File"; },
                     [&](HWND box) {
                         asked = true;
                         pressButton(box, IDNO);
                     });
    click(IDC_LOAD_BUTTON);
    CHECK(waitUntil([&] { return g_openDialog == nullptr || !IsWindow(g_openDialog); }));
    // Wine's dialog, like Windows', goes into the folder and stays open.
    CHECK(g_dialogStayed || asked);
    if (g_dialogStayed) {
        CHECK_EQ(g_dialogFolder + "\\", folder);
        CHECK_EQ(app().table.currentFileName, "");
    } else {
        CHECK_EQ(app().table.currentFileName, folder.substr(0, folder.size() - 1));
    }
    CHECK_EQ(shownState(), before);
    CHECK_EQ(app().table.rowCount(), 3);
}
