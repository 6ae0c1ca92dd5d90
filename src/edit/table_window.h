// What the table commands need of the window: its dialogs and message boxes,
// the file dialogs and file access, and telling the list what changed. The
// Windows program implements it on the real controls; tests pass a scripted
// fake.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/delimited_read.h"
#include "core/file_access.h"
#include "core/file_kind.h"
#include "edit/row_change.h"
#include "search/search_window.h"

namespace varnel {

// The import dialog's data: the first line, its kind and its number of
// fields (a check box each). Load hands the options to `load`, which loads
// the table and says whether the dialog is done (false: it stays open).
struct ImportDialogInput {
    std::string_view firstLine;
    FileKind kind = FileKind::Csv;
    int32_t fieldCount = 0;
    std::function<bool(const ImportOptions&)> load;
};

// The new-file dialog's data: the number of name boxes it opens with, and
// what Create Now does with the boxes' texts (false: the dialog stays open).
struct NewFileDialogInput {
    int boxes = 3;
    std::function<bool(const std::vector<std::string>&)> create;
};

// The edit dialog's data: the row (for the caption), and each field's name
// and text. The views stay valid while the dialog is open: no other command
// runs meanwhile.
struct EditRowInput {
    int32_t row = 0;
    std::vector<std::string_view> names;
    std::vector<std::string_view> cells;
};

class TableWindow : public SearchWindow {
public:
    // The open-file and save-file dialogs: the chosen path, empty when cancelled.
    virtual std::string askFileToLoad() = 0;
    virtual std::string askFileToSave(const std::string& proposedName) = 0;
    // Whether `path` names a plain file (not a folder, hidden or system file).
    virtual bool fileIsThere(const std::string& path) = 0;
    virtual FileSystem& files() = 0;
    // The bytes of memory a new table may take.
    virtual uint64_t memoryAvailable() = 0;
    // The width in pixels of a text in the table list's font.
    virtual double textWidth(std::string_view text) = 0;

    // The dialogs: nothing when cancelled. The import and new-file dialogs
    // return what their callback accepted; the edit dialog, the boxes the
    // user changed.
    virtual std::optional<ImportOptions> runImportDialog(const ImportDialogInput& input) = 0;
    virtual std::optional<std::vector<std::string>> runNewFileDialog(const NewFileDialogInput& input) = 0;
    virtual std::optional<std::vector<FieldEdit>> runEditRowDialog(const EditRowInput& input) = 0;

    // What changed, for the list and the title. A new table: new columns,
    // the "in" selector, the rows and the title. The rows in a new order or
    // fewer of them: shown again, none selected. One row more at `item`: the
    // items from there move down, their selection, focus and mark with them.
    // One row's cells changed. The selection changed.
    virtual void showNewTable() = 0;
    virtual void showRows() = 0;
    virtual void showRowInserted(int32_t item) = 0;
    virtual void showRowChanged(int32_t item) = 0;
    virtual void showSelection() = 0;

    // Long work starts and ends (the window shows that it works).
    virtual void beginWork() = 0;
    virtual void endWork() = 0;
};

// Marks long work for its lifetime.
class WorkScope {
public:
    explicit WorkScope(TableWindow& window) : window_(window) { window_.beginWork(); }
    ~WorkScope() { window_.endWork(); }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    TableWindow& window_;
};

}  // namespace varnel
