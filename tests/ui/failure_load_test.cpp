// Load of a file that cannot be read: held open by another program, a folder
// typed as the name, a file that disappears while the import dialog is up, a
// read that fails part-way and a file too large to hold. A failed read is
// reported with the file's name; the table, the list and the title stay as
// they were.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/delimited_read.h"
#include "core/large_memory.h"
#include "failure_files.h"
#include "harness.h"
#include "ui/app_context.h"
#include "ui/system_memory.h"
#include "ui/win32_file_system.h"

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
    CHECK_EQ(context().table.rowCount(), 3);

    // Gone between the open-file dialog and the import dialog's Load: the
    // import reports it and the dialog stays for the user to cancel.
    const std::string gone = testFolder() + "load-gone.csv";
    writeFile(gone, "x,y,z\r\n1,2,3\r\n4,5,6\r\n");
    onDialog([gone](HWND dialog) { answerFileDialog(dialog, gone); });
    onDialog([gone](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        CHECK(DeleteFileA(gone.c_str()));
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    expectFileError(gone);
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        pressButton(dialog, IDC_IMPORT_CANCEL);
    });
    click(IDC_LOAD_BUTTON);
    CHECK(!fileExists(gone));
    CHECK_EQ(shownState(), before);
    CHECK_EQ(context().table.rowCount(), 3);
    CHECK_EQ(context().table.fieldCount(), 2);
    CHECK_EQ(context().table.currentFileName, gone);
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
        CHECK_EQ(context().table.currentFileName, "");
    } else {
        CHECK_EQ(context().table.currentFileName, folder.substr(0, folder.size() - 1));
    }
    CHECK_EQ(shownState(), before);
    CHECK_EQ(context().table.rowCount(), 3);
}

namespace {

// Passes everything to another file system, but every file read through it
// fails once more than `failAfter` bytes have been read.
class FailingReads : public FileSystem {
public:
    FailingReads(FileSystem& inner, uint64_t failAfter) : inner_(inner), failAfter_(failAfter) {}
    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        std::unique_ptr<InputFile> in = inner_.openRead(path, error);
        if (!in) return nullptr;
        return std::make_unique<Input>(std::move(in), failAfter_);
    }
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        return inner_.openReplace(path, error);
    }

private:
    class Input : public InputFile {
    public:
        Input(std::unique_ptr<InputFile> inner, uint64_t failAfter) : inner_(std::move(inner)), left_(failAfter) {}
        uint64_t size() const override { return inner_->size(); }
        bool read(char* dest, size_t capacity, size_t& got, std::string& error) override {
            got = 0;
            if (left_ == 0) {
                error = "The device is not ready.";
                return false;
            }
            if (!inner_->read(dest, static_cast<size_t>(std::min<uint64_t>(capacity, left_)), got, error)) return false;
            left_ -= got;
            return true;
        }

    private:
        std::unique_ptr<InputFile> inner_;
        uint64_t left_;
    };

    FileSystem& inner_;
    uint64_t failAfter_;
};

}  // namespace

UI_TEST(failure_load_when_a_read_fails_part_way_or_the_file_is_too_large) {
    startMainWindow();
    const std::vector<std::string> before = loadOldTable();
    const std::string path = testFolder() + "load-part-way.csv";
    std::string bytes = "id,text\r\n";
    for (int i = 1; i <= 30000; ++i) bytes += std::to_string(i) + ",some text for the row\r\n";
    writeFile(path, bytes);

    // At the first byte the first line cannot be read: no import dialog.
    // Later, the first line is read and the import's read fails, at once or
    // after whole pieces of the file.
    for (uint64_t failAfter : {uint64_t{0}, uint64_t{9}, uint64_t{100000}, uint64_t{bytes.size() - 3}}) {
        FailingReads failing(win32FileSystem(), failAfter);
        setFileSystemStandIn(&failing);
        onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
        if (failAfter > 0) onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
        std::string text;
        expectFileError(path, &text);
        if (failAfter > 0) onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
        click(IDC_LOAD_BUTTON);
        setFileSystemStandIn(nullptr);
        CHECK(text.find("The device is not ready.") != std::string::npos);
        CHECK_EQ(shownState(), before);
        CHECK_EQ(context().table.rowCount(), 3);
    }

    // Too large to hold: refused with the name, and the table stays.
    const uint64_t limit = maxReadableFileSize();
    setMaxReadableFileSize(bytes.size() - 1);
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    std::string text;
    expectFileError(path, &text);
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
    click(IDC_LOAD_BUTTON);
    setMaxReadableFileSize(limit);
    CHECK(text.find("too large") != std::string::npos);
    CHECK_EQ(shownState(), before);

    // No block for the file's bytes, then none for the cell spans (short
    // rows: the spans need more bytes than the file): refused the same way.
    const std::string shortRows = testFolder() + "short-rows.csv";
    std::string shortBytes = "a,b,c\r\n";
    for (int i = 0; i < 1000; ++i) shortBytes += "1,2,3\r\n";
    writeFile(shortRows, shortBytes);
    for (size_t refusedFrom : {shortBytes.size() + 1, shortBytes.size() + 2}) {
        refuseLargeBlocksFrom(refusedFrom);
        onDialog([shortRows](HWND dialog) { answerFileDialog(dialog, shortRows); });
        onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
        std::string refused;
        expectFileError(shortRows, &refused);
        onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
        click(IDC_LOAD_BUTTON);
        refuseLargeBlocksFrom(SIZE_MAX);
        CHECK(refused.find("too large") != std::string::npos);
        CHECK_EQ(shownState(), before);
    }

    // The same file loads once nothing is in the way.
    loadThroughDialogs(path);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 30000);
}

// A table too large by its cells (a 5 MB file of 1,000,000 rows under a
// first line of 5,000 fields needs 40 GB for them) is refused at once, before
// anything is allocated, by a message that counts its rows and fields and
// names the file once. The import dialog stays for other choices; the old
// table stays. A table loads when the room is exactly what it needs.
UI_TEST(failure_load_of_a_table_too_large_by_its_cells) {
    startMainWindow();
    const std::vector<std::string> before = loadOldTable();
    const std::string path = testFolder() + "tall5000.csv";
    std::string bytes;
    for (int i = 1; i <= 5000; ++i) bytes += (i > 1 ? ",f" : "f") + std::to_string(i);
    bytes += "\r\n";
    bytes.reserve(bytes.size() + 5000000);
    for (int r = 0; r < 1000000; ++r) bytes += "1,2\r\n";
    writeFile(path, bytes);

    // Room for the file and a few fields' cells, not for 5,000.
    limitMemoryForNewTable(uint64_t{1} << 30);
    ULONGLONG pressed = 0, refused = 0;
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([&](HWND dialog) {
        pressed = GetTickCount64();
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    onDialog([&](HWND box) {
        refused = GetTickCount64();
        CHECK(isMessageBox(box));
        CHECK_EQ(windowText(box), "Error");
        CHECK(hasStopIconOnTop(box));
        CHECK_EQ(boxText(box), "The file \"" + path + "\" holds 1,000,000 rows of 5,000 fields, too many to load.");
        pressButton(box, IDOK);
    });
    onDialog([](HWND dialog) {
        CHECK_EQ(windowText(dialog), "Import CSV File");
        // One field fewer: the fields counted are the ones chosen.
        CheckDlgButton(dialog, IDC_IMPORT_FIELD_BASE + 2, BST_UNCHECKED);
        pressButton(dialog, IDC_IMPORT_LOAD);
    });
    std::string stillTooMany;
    expectFileError(path, &stillTooMany);
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(stillTooMany, "The file \"" + path + "\" holds 1,000,000 rows of 4,999 fields, too many to load.");
    CHECK(refused - pressed < 5000);  // no allocation ran first
    CHECK_EQ(shownState(), before);

    // A small file whose cells do not fit the room the system has.
    const std::string small = testFolder() + "small-cells.csv";
    const std::string smallBytes = "a,b\r\n1,2\r\n3,4\r\n";
    writeFile(small, smallBytes);
    // The file, and for each of its 2 rows 2 cells of 8 bytes and a row of 4.
    const uint64_t needed = smallBytes.size() + 2 * (2 * 8 + 4);
    limitMemoryForNewTable(needed - 1);
    onDialog([small](HWND dialog) { answerFileDialog(dialog, small); });
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    std::string text;
    expectFileError(small, &text);
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_CANCEL); });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(text, "The file \"" + small + "\" holds 2 rows of 2 fields, too many to load.");
    CHECK_EQ(shownState(), before);
    limitMemoryForNewTable(needed);
    loadThroughDialogs(small);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 2);
    limitMemoryForNewTable(UINT64_MAX);
}
