// Re-Save that cannot be carried out: the target held open by another
// program, a read-only target, and a write that fails part-way, also where
// the target has to be written in place. Each is reported with the file's
// name, never as saved, and the file that was there stays byte for byte (or,
// where even that fails, a copy of it is kept and named), with no file of
// the save's own left behind.
#include <cstdint>
#include <functional>
#include <memory>

#include "core/file_fixtures.h"
#include "failure_files.h"
#include "harness.h"
#include "ui/app_context.h"
#include "ui/win32_file_system.h"

using namespace uitest;
using namespace varnel;
using namespace failtest;

namespace {

const char* const kOldBytes = "\"old\",\"file\"\r\n\"kept\",\"as is\"\r\n";

// Answers the save dialog with `path` and the dialog's own question about
// replacing an existing file with Yes.
void answerSaveDialog(const std::string& path) {
    onDialog([path](HWND dialog) { answerFileDialog(dialog, path); });
    onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                     [](HWND box) { pressButton(box, IDYES); });
}

void loadPeople() {
    const std::string source = testFolder() + "save-source.csv";
    writeFile(source, "name,city\r\nAnn,Paris\r\nBob,Rome\r\n");
    loadThroughDialogs(source);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 2);
}

// Puts a test file system in the commands' way for one scope.
class StandIn {
public:
    explicit StandIn(FileSystem& fs) { setFileSystemStandIn(&fs); }
    ~StandIn() { setFileSystemStandIn(nullptr); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
};

}  // namespace

UI_TEST(failure_save_to_a_held_or_read_only_file_keeps_it) {
    startMainWindow();
    loadPeople();
    struct Case {
        const char* name;
        std::function<HANDLE(const std::string&)> hold;  // returns a handle to close afterwards, or null
    };
    const Case cases[] = {
        {"held-open",
         [](const std::string& path) {
             HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             CHECK(h != INVALID_HANDLE_VALUE);
             return h;
         }},
        {"read-only",
         [](const std::string& path) {
             CHECK(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
             return HANDLE{nullptr};
         }},
    };
    for (const Case& c : cases) {
        const std::string folder = caseFolder(std::string("save-") + c.name);
        const std::string target = folder + "target.csv";
        writeFile(target, kOldBytes);
        HANDLE held = c.hold(target);
        answerSaveDialog(target);
        expectFileError(target);
        click(IDC_RESAVE_BUTTON);
        if (held && held != INVALID_HANDLE_VALUE) CloseHandle(held);
        CHECK_EQ(pendingDialogSteps(), 0);
        CHECK_EQ(readFile(target), std::string(kOldBytes));
        CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
        if (std::string(c.name) == "read-only") {
            CHECK(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY);
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    // Nothing of the table or its file state changed on the way.
    CHECK_EQ(windowText(mainWindow()), "Varnel: " + testFolder() + "save-source.csv (2)");
}

UI_TEST(failure_save_that_fails_part_way_keeps_the_old_file) {
    startMainWindow();
    // More than one write buffer of rows, so that a failure can come after
    // a full buffer has gone out.
    const std::string source = testFolder() + "save-big.csv";
    std::string bytes = "id,text\r\n";
    for (int i = 1; i <= 40000; ++i) bytes += std::to_string(i) + ",a row of some forty bytes of text\r\n";
    writeFile(source, bytes);
    loadThroughDialogs(source);
    CHECK_EQ(listCount(control(IDC_TABLE_LIST)), 40000);

    const std::string folder = caseFolder("save-part-way");
    const std::string existing = folder + "existing.csv";
    const std::string fresh = folder + "fresh.csv";
    for (uint64_t failAfter : {uint64_t{0}, uint64_t{5}, (uint64_t{1} << 20) + 17}) {
        for (const std::string& target : {existing, fresh}) {
            if (target == existing) writeFile(target, kOldBytes);
            varnel::testing::FailingOutputFileSystem failing(win32FileSystem(), failAfter);
            StandIn standIn(failing);
            answerSaveDialog(target);
            std::string text;
            expectFileError(target, &text);
            click(IDC_RESAVE_BUTTON);
            CHECK(text.find("No space left on device") != std::string::npos);
            if (target == existing) CHECK_EQ(readFile(target), std::string(kOldBytes));
            CHECK_EQ(folderNames(folder), std::vector<std::string>{"existing.csv"});
        }
    }

    // With the file system whole again the same save goes through.
    answerSaveDialog(existing);
    onDialog([](HWND box) {
        CHECK_EQ(boxText(box), "File has been saved.");
        pressButton(box, IDOK);
    });
    click(IDC_RESAVE_BUTTON);
    const std::string start = "\"id\",\"text\"\r\n\"1\",\"a row of some";
    CHECK_EQ(readFile(existing).substr(0, start.size()), start);
    CHECK_EQ(folderNames(folder), std::vector<std::string>{"existing.csv"});
}

namespace {

// Passes everything to the Win32 file system, but just before the written
// file replaces its target, another program opens the target without
// sharing (and keeps it open until `release`).
class LockBeforeReplace : public FileSystem {
public:
    explicit LockBeforeReplace(FileSystem& inner) : inner_(inner) {}
    ~LockBeforeReplace() override { release(); }
    void release() {
        if (holder_ != INVALID_HANDLE_VALUE) CloseHandle(holder_);
        holder_ = INVALID_HANDLE_VALUE;
    }

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        return inner_.openRead(path, error);
    }
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        std::unique_ptr<OutputFile> out = inner_.openReplace(path, error);
        if (!out) return nullptr;
        return std::make_unique<Output>(std::move(out), path, holder_);
    }

private:
    class Output : public OutputFile {
    public:
        Output(std::unique_ptr<OutputFile> inner, std::string path, HANDLE& holder)
            : inner_(std::move(inner)), path_(std::move(path)), holder_(holder) {}
        bool write(const char* data, size_t length, std::string& error) override {
            return inner_->write(data, length, error);
        }
        bool commit(std::string& error) override {
            holder_ = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            CHECK(holder_ != INVALID_HANDLE_VALUE);
            return inner_->commit(error);
        }
        bool abandon(std::string& error) override { return inner_->abandon(error); }

    private:
        std::unique_ptr<OutputFile> inner_;
        std::string path_;
        HANDLE& holder_;
    };

    FileSystem& inner_;
    HANDLE holder_ = INVALID_HANDLE_VALUE;
};

}  // namespace

UI_TEST(failure_save_to_a_file_locked_just_before_the_replace_keeps_it) {
    startMainWindow();
    loadPeople();
    const std::string folder = caseFolder("save-locked-late");
    const std::string target = folder + "target.csv";
    writeFile(target, kOldBytes);
    {
        LockBeforeReplace locking(win32FileSystem());
        StandIn standIn(locking);
        answerSaveDialog(target);
        expectFileError(target);
        click(IDC_RESAVE_BUTTON);
        locking.release();
    }
    CHECK_EQ(readFile(target), std::string(kOldBytes));
    CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
}

namespace {

// The system's temporary folder (TMP) for one scope.
class TemporaryFolderSetting {
public:
    explicit TemporaryFolderSetting(const std::string& folder) {
        char old[MAX_PATH + 1] = "";
        const DWORD length = GetEnvironmentVariableA("TMP", old, sizeof old);
        if (length > 0 && length < sizeof old) saved_ = old;
        had_ = length > 0;
        SetEnvironmentVariableA("TMP", folder.c_str());
    }
    ~TemporaryFolderSetting() { SetEnvironmentVariableA("TMP", had_ ? saved_.c_str() : nullptr); }
    TemporaryFolderSetting(const TemporaryFolderSetting&) = delete;
    TemporaryFolderSetting& operator=(const TemporaryFolderSetting&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

// As in a folder that takes no new file: every target is written in place.
std::unique_ptr<FileSystem> inPlaceFileSystem() { return makeWin32FileSystem({.temporaryFileBesideTarget = false}); }

const char* const kSavedPeople = "\"name\",\"city\"\r\n\"Ann\",\"Paris\"\r\n\"Bob\",\"Rome\"\r\n";

}  // namespace

// Written in place, the old file is copied to the temporary folder first; a
// write that fails puts it back and removes the copy, a save that goes
// through removes the copy, and a new file that fails leaves nothing.
UI_TEST(failure_save_written_in_place_puts_the_old_file_back) {
    startMainWindow();
    loadPeople();
    const std::string folder = caseFolder("save-in-place");
    const std::string scratch = caseFolder("save-in-place-temp");
    const std::string target = folder + "target.csv";
    TemporaryFolderSetting tmp(scratch);
    const std::unique_ptr<FileSystem> inPlace = inPlaceFileSystem();
    for (uint64_t failAfter : {uint64_t{0}, uint64_t{5}, uint64_t{40}}) {
        writeFile(target, kOldBytes);
        varnel::testing::FailingOutputFileSystem failing(*inPlace, failAfter);
        std::vector<std::string> copies;
        std::string copied;
        failing.onFailure = [&] {
            copies = folderNames(scratch);
            if (copies.size() == 1) copied = readFile(scratch + copies[0]);
        };
        StandIn standIn(failing);
        answerSaveDialog(target);
        std::string text;
        expectFileError(target, &text);
        click(IDC_RESAVE_BUTTON);
        CHECK(text.find("No space left on device") != std::string::npos);
        CHECK_EQ(copies.size(), size_t{1});
        CHECK_EQ(copied, std::string(kOldBytes));
        CHECK_EQ(readFile(target), std::string(kOldBytes));
        CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
        CHECK_EQ(folderNames(scratch), std::vector<std::string>{});
    }
    {
        varnel::testing::FailingOutputFileSystem failing(*inPlace, 5);
        StandIn standIn(failing);
        answerSaveDialog(folder + "fresh.csv");
        expectFileError(folder + "fresh.csv");
        click(IDC_RESAVE_BUTTON);
        CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
    }
    {
        StandIn standIn(*inPlace);
        answerSaveDialog(target);
        onDialog([](HWND box) {
            CHECK_EQ(boxText(box), "File has been saved.");
            pressButton(box, IDOK);
        });
        click(IDC_RESAVE_BUTTON);
    }
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(readFile(target), std::string(kSavedPeople));
    CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
    CHECK_EQ(folderNames(scratch), std::vector<std::string>{});
}

// Where no copy can be made (the temporary folder does not exist), a target
// that could only be written in place is not touched: the save is refused
// with the reason.
UI_TEST(failure_save_in_place_without_a_copy_is_refused) {
    startMainWindow();
    loadPeople();
    const std::string folder = caseFolder("save-in-place-no-copy");
    const std::string target = folder + "target.csv";
    writeFile(target, kOldBytes);
    const std::string missing = folder + "no such folder\\";
    TemporaryFolderSetting tmp(missing);
    const std::unique_ptr<FileSystem> inPlace = inPlaceFileSystem();
    StandIn standIn(*inPlace);
    answerSaveDialog(target);
    std::string text;
    expectFileError(target, &text);
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK(text.find("temporary folder \"" + missing + "\"") != std::string::npos);
    CHECK(text.find("left as it was") != std::string::npos);
    CHECK_EQ(readFile(target), std::string(kOldBytes));
    CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
}

// When the old content cannot be put back (another program holds the copy
// open), the copy is kept and the error box names it.
UI_TEST(failure_save_in_place_that_cannot_put_the_old_file_back_names_the_copy) {
    startMainWindow();
    loadPeople();
    const std::string folder = caseFolder("save-in-place-kept");
    const std::string scratch = caseFolder("save-in-place-kept-temp");
    const std::string target = folder + "target.csv";
    writeFile(target, kOldBytes);
    TemporaryFolderSetting tmp(scratch);
    const std::unique_ptr<FileSystem> inPlace = inPlaceFileSystem();
    varnel::testing::FailingOutputFileSystem failing(*inPlace, 5);
    std::string copy;
    HANDLE holder = INVALID_HANDLE_VALUE;
    failing.onFailure = [&] {
        const std::vector<std::string> copies = folderNames(scratch);
        CHECK_EQ(copies.size(), size_t{1});
        if (copies.empty()) return;
        copy = scratch + copies[0];
        holder = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK(holder != INVALID_HANDLE_VALUE);
    };
    {
        StandIn standIn(failing);
        answerSaveDialog(target);
        std::string text;
        expectFileError(target, &text);
        click(IDC_RESAVE_BUTTON);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        CHECK_EQ(pendingDialogSteps(), 0);
        CHECK(text.find("No space left on device") != std::string::npos);
        CHECK(text.find("could not be put back") != std::string::npos);
        CHECK(!copy.empty() && text.find("\"" + copy + "\"") != std::string::npos);
    }
    CHECK_EQ(readFile(copy), std::string(kOldBytes));
    CHECK_EQ(folderNames(folder), std::vector<std::string>{"target.csv"});
    DeleteFileA(copy.c_str());
}
