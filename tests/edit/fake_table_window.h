// A scripted stand-in for the table window: it records every call in order,
// answers message boxes, file dialogs and the program's dialogs from a
// script, and keeps files in memory.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/file_fixtures.h"
#include "edit/table_window.h"
#include "search/fake_search_window.h"

namespace varnel {

class FakeTableWindow : public RecordingWindow<TableWindow> {
public:
    std::deque<std::string> filesToLoad;   // the open dialog; none left: cancelled
    std::deque<std::string> filesToSave;   // the save dialog; none left: cancelled
    std::set<std::string> plainFiles;      // what fileIsThere finds
    testing::MemoryFileSystem disk;
    uint64_t memory = uint64_t{1} << 40;
    // The import dialog presses Load with each of these in turn while its
    // callback keeps it open; none left: Cancel.
    std::deque<ImportOptions> importPresses;
    ImportDialogInput lastImport;
    // The new-file dialog presses Create Now with each of these in turn.
    std::deque<std::vector<std::string>> createPresses;
    int lastNewFileBoxes = 0;
    // The edit dialog: the changed boxes, or nothing (Cancel).
    std::deque<std::optional<std::vector<FieldEdit>>> editAnswers;
    EditRowInput lastEdit;
    // The replace dialog; none left: closed.
    std::deque<ReplaceDialogResult> replaceAnswers;
    int working = 0;

    void selectItem(int32_t item, bool on) override {
        calls.push_back((on ? "select " : "deselect ") + std::to_string(item));
    }
    ReplaceDialogResult runReplaceDialog(const std::string& prompt) override {
        calls.push_back("replace dialog: " + prompt);
        modal();
        if (replaceAnswers.empty()) return {};
        ReplaceDialogResult answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }

    std::string askFileToLoad() override {
        calls.push_back("open dialog");
        modal();
        return next(filesToLoad);
    }
    std::string askFileToSave(const std::string& proposedName) override {
        calls.push_back("save dialog: " + proposedName);
        modal();
        return next(filesToSave);
    }
    bool fileIsThere(const std::string& path) override { return plainFiles.count(path) != 0; }
    FileSystem& files() override { return disk; }
    uint64_t memoryAvailable() override { return memory; }
    double textWidth(std::string_view text) override { return 6.0 * static_cast<double>(text.size()); }

    std::optional<ImportOptions> runImportDialog(const ImportDialogInput& input) override {
        calls.push_back("import dialog: " + std::string(input.firstLine) + " (" +
                        std::to_string(input.fieldCount) + " fields)");
        lastImport = input;
        modal();
        while (!importPresses.empty()) {
            ImportOptions options = importPresses.front();
            importPresses.pop_front();
            calls.push_back("import Load");
            if (input.load(options)) return options;
        }
        calls.push_back("import Cancel");
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> runNewFileDialog(const NewFileDialogInput& input) override {
        calls.push_back("new-file dialog: " + std::to_string(input.boxes) + " boxes");
        lastNewFileBoxes = input.boxes;
        modal();
        while (!createPresses.empty()) {
            std::vector<std::string> texts = createPresses.front();
            createPresses.pop_front();
            calls.push_back("Create Now");
            if (input.create(texts)) return texts;
        }
        calls.push_back("new-file Cancel");
        return std::nullopt;
    }
    std::optional<std::vector<FieldEdit>> runEditRowDialog(const EditRowInput& input) override {
        calls.push_back("edit dialog: row " + std::to_string(input.row));
        lastEdit = input;
        modal();
        if (editAnswers.empty()) return std::nullopt;
        std::optional<std::vector<FieldEdit>> answer = editAnswers.front();
        editAnswers.pop_front();
        return answer;
    }

    void showNewTable() override { calls.push_back("show new table"); }
    void showRows() override { calls.push_back("show rows"); }
    void showRowInserted(int32_t item) override { calls.push_back("show inserted " + std::to_string(item)); }
    void showRowChanged(int32_t item) override { calls.push_back("show changed " + std::to_string(item)); }
    void showSelection() override { calls.push_back("show selection"); }
    void beginWork() override { ++working; }
    void endWork() override {
        --working;
        if (working < 0) ADD_FAILURE() << "work ended more often than it began";
    }

private:
    static std::string next(std::deque<std::string>& queue) {
        if (queue.empty()) return {};
        std::string s = queue.front();
        queue.pop_front();
        return s;
    }
};

}  // namespace varnel
