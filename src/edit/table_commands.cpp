#include "edit/table_commands.h"

#include <algorithm>
#include <utility>

#include "core/delimited_write.h"
#include "core/row_sort.h"
#include "core/text.h"
#include "edit/new_table.h"

namespace varnel {
namespace {

constexpr const char* kNoFieldChosen = "You must specify at least one field to include!";

bool anyFieldImported(const ImportOptions& options) {
    return std::find(options.importField.begin(), options.importField.end(), true) != options.importField.end();
}

// Load in the import dialog: the new table is read beside the old one and
// takes its place only when everything it needs is there, so that a failure
// leaves the old table, list and title as they were.
bool importWithOptions(TableSession& session, TableWindow& window, ImportOptions options) {
    if (!anyFieldImported(options)) {
        window.messageBox(kNoFieldChosen, "Error", BoxKind::Stop);
        return false;
    }
    TableDocument& table = session.table;
    options.memoryAvailable = window.memoryAvailable();
    TableDocument fresh;
    RowSelection none;
    ReadResult result;
    {
        WorkScope working(window);
        fresh.currentFileName = table.currentFileName;
        fresh.fileKind = table.fileKind;
        fresh.firstLine = table.firstLine;
        fresh.firstLineFieldCount = table.firstLineFieldCount;
        result = importTable(fresh, options, window.files());
        if (result.ok) {
            none.reset(fresh.rowCount());
            ColumnLayout columns = measureColumns(fresh, window);
            std::swap(table, fresh);
            std::swap(session.selection, none);
            std::swap(session.columns, columns);
            window.showNewTable();
        }
    }
    if (!result.ok) window.messageBox(readErrorText(table.currentFileName, result), "Error", BoxKind::Stop);
    return result.ok;
}

bool createTable(TableSession& session, TableWindow& window, const std::vector<std::string>& boxTexts) {
    TableDocument fresh;
    fresh.currentFileName = session.table.currentFileName;
    fresh.fileKind = session.table.fileKind;
    fresh.firstLine = session.table.firstLine;
    fresh.firstLineFieldCount = session.table.firstLineFieldCount;
    if (!defineNewTable(fresh, collectFieldNames(boxTexts))) {
        window.messageBox(std::string(kNoFieldNamesMessage), "Error", BoxKind::Stop);
        return false;
    }
    RowSelection none;
    none.reset(fresh.rowCount());
    ColumnLayout columns = measureColumns(fresh, window);
    std::swap(session.table, fresh);
    std::swap(session.selection, none);
    std::swap(session.columns, columns);
    window.showNewTable();
    return true;
}

void defineNewFile(TableSession& session, TableWindow& window, int boxes) {
    NewFileDialogInput input;
    input.boxes = boxes;
    input.create = [&](const std::vector<std::string>& texts) { return createTable(session, window, texts); };
    window.runNewFileDialog(input);
}

}  // namespace

ColumnLayout measureColumns(const TableDocument& table, TableWindow& window) {
    ColumnLayout columns;
    const size_t fields = static_cast<size_t>(table.fieldCount());
    columns.minWidth.resize(fields);
    columns.weight.resize(fields);
    for (size_t k = 0; k < fields; ++k) {
        columns.minWidth[k] = 20 + window.textWidth(table.fieldNames()[k]);
        // A table without cells to weigh its columns by shares the list by
        // the names' widths.
        columns.weight[k] = table.totalColumnWeight > 0 ? table.columnWeight[k] : 20 + columns.minWidth[k];
        columns.totalWeight += columns.weight[k];
    }
    return columns;
}

std::string readErrorText(const std::string& path, const ReadResult& failure) {
    // A refusal as too large says it all, naming the file itself.
    if (failure.tooLarge) return failure.error;
    return "The file \"" + path + "\" could not be read:\n\n" + failure.error;
}

std::string saveErrorText(const std::string& path, const std::string& reason) {
    return "The file \"" + path + "\" could not be saved:\n\n" + reason;
}

void loadCommand(TableSession& session, TableWindow& window) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    TableDocument& table = session.table;
    table.currentFileName = window.askFileToLoad();
    const std::string path = table.currentFileName;
    if (path.empty()) return;

    if (!window.fileIsThere(path)) {
        if (window.messageBox("Would you like to create and define a new file called \"" + path + "\"?", "New File",
                              BoxKind::Question) == BoxAnswer::Yes)
            defineNewFile(session, window, 3);
        return;
    }

    std::string firstLine;
    ReadResult result;
    {
        WorkScope working(window);
        result = readFirstLine(window.files(), path, firstLine);
    }
    if (!result.ok) {
        window.messageBox(readErrorText(path, result), "Error", BoxKind::Stop);
        return;
    }
    table.firstLine = std::move(firstLine);
    decideFileKind(table);
    ImportDialogInput input;
    input.firstLine = table.firstLine;
    input.kind = table.fileKind;
    input.fieldCount = table.firstLineFieldCount;
    input.load = [&](const ImportOptions& options) { return importWithOptions(session, window, options); };
    window.runImportDialog(input);
}

void defineNewFileCommand(TableSession& session, TableWindow& window, int boxes) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    defineNewFile(session, window, boxes);
}

void saveCommand(TableSession& session, TableWindow& window) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    const TableDocument& table = session.table;
    if (table.rowCount() == 0) return;
    const int32_t selected = session.selection.count();
    bool onlySelected = false;
    if (selected > 1)
        onlySelected = window.messageBox("Would you like to save only the " + formatCount(selected) +
                                             " selected entries?",
                                         "Warning", BoxKind::Question) == BoxAnswer::Yes;

    const std::string path = window.askFileToSave(table.currentFileName);
    if (path.empty()) return;

    WriteResult result;
    {
        WorkScope working(window);
        // The selected rows in ascending order, however they were selected.
        std::vector<int32_t> rows;
        if (onlySelected) {
            rows = session.selection.items();
            for (int32_t& item : rows) ++item;
        }
        result = writeTable(table, path, delimiterForName(path), onlySelected ? &rows : nullptr, window.files());
    }
    if (!result.ok) {
        window.messageBox(saveErrorText(path, result.error), "Error", BoxKind::Stop);
        return;
    }
    window.messageBox("File has been saved.", "Done", BoxKind::Information);
}

void searchCommand(TableSession& session, TableWindow& window, const SearchRequest& request) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    WorkScope working(window);
    runSearch(session.table, request, session.search, window);
}

void sortCommand(TableSession& session, TableWindow& window, int32_t column) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    TableDocument& table = session.table;
    WorkScope working(window);
    RowSelection none;
    none.reset(table.rowCount());
    // The welcome column has no table field behind it: there is nothing to sort.
    if (column >= 1 && column <= table.fieldCount()) {
        // Should the sort fail part-way (no memory), the rows go back to
        // the order they had.
        const std::vector<RowHandle> before(table.rowHandles().begin(), table.rowHandles().end());
        try {
            sortRowsByColumn(table, column);
        } catch (...) {
            std::copy(before.begin(), before.end(), table.rowHandles().begin());
            throw;
        }
    }
    std::swap(session.selection, none);
    window.showRows();
}

void insertRowCommand(TableSession& session, TableWindow& window) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    TableDocument& table = session.table;
    const int32_t first = session.selection.next(-1);
    if (first < 0) return;
    // The new row is unselected; the rows below it keep their selection one
    // place further down. Made first, so that nothing has changed when the
    // memory for it cannot be had.
    RowSelection moved = session.selection;
    moved.insertAt(first);
    if (!insertNewItemRow(table, first + 1)) return;
    std::swap(session.selection, moved);
    window.showRowInserted(first);
}

void deleteRowsCommand(TableSession& session, TableWindow& window) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    TableDocument& table = session.table;
    if (table.rowCount() == 0) return;
    WorkScope working(window);
    std::vector<int32_t> rows = session.selection.items();
    if (rows.empty()) return;
    for (int32_t& item : rows) ++item;
    RowSelection none;
    none.reset(table.rowCount() - static_cast<int32_t>(rows.size()));
    const int32_t first = deleteRowSet(table, std::move(rows));
    if (first == 0) return;
    std::swap(session.selection, none);
    window.showRows();
    if (first - 1 < table.rowCount()) window.ensureVisible(first - 1);
}

void editRowCommand(TableSession& session, TableWindow& window) {
    CommandScope scope(session);
    if (!scope.entered()) return;
    TableDocument& table = session.table;
    const int32_t row = session.selection.next(-1) + 1;
    if (row < 1 || row > table.rowCount()) return;
    EditRowInput input;
    input.row = row;
    input.names.assign(table.fieldNames().begin(), table.fieldNames().end());
    for (int32_t field = 1; field <= table.fieldCount(); ++field) input.cells.push_back(table.cell(row, field));
    const std::optional<std::vector<FieldEdit>> edits = window.runEditRowDialog(input);
    if (!edits || applyFieldEdits(table, row, *edits).empty()) return;
    window.showRowChanged(row - 1);
}

}  // namespace varnel
