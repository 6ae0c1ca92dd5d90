// The commands of the main window, on the session and a window interface:
// Load (with the import or the new-file definition), Re-Save, Search, the
// column sort, and the row menu's insert, delete and edit. Each does nothing while
// another command runs.
#pragma once

#include <cstdint>

#include "edit/table_session.h"
#include "edit/table_window.h"

namespace varnel {

// The open-file dialog, then, for a name that exists, the import dialog with
// the file's first line; for a name that does not, the question whether to
// define a new file and the new-file dialog. The chosen name becomes the
// table's file name at once, even when a later step is cancelled.
void loadCommand(TableSession& session, TableWindow& window);

// The new-file dialog with `boxes` name boxes; Create Now replaces the table
// by the named fields and one "New Item" row.
void defineNewFileCommand(TableSession& session, TableWindow& window, int boxes);

// Re-Save: all rows, or after the question only the selected ones when more
// than one is selected, to the file chosen in the save dialog.
void saveCommand(TableSession& session, TableWindow& window);

// Search (or Search+Replace) with what the window's boxes hold.
void searchCommand(TableSession& session, TableWindow& window, const SearchRequest& request);

// A click on the header of column `column` (1-based): the rows sorted by it.
void sortCommand(TableSession& session, TableWindow& window, int32_t column);

// A "New Item" row above the first selected row.
void insertRowCommand(TableSession& session, TableWindow& window);
// The selected rows deleted.
void deleteRowsCommand(TableSession& session, TableWindow& window);
// The edit dialog for the first selected row; the boxes changed there are
// written back.
void editRowCommand(TableSession& session, TableWindow& window);

// The list's columns for a table about to be shown: each at least as wide
// as its name plus 20 pixels, sharing the list by the table's column
// weights, or by the names' widths when the table has none.
ColumnLayout measureColumns(const TableDocument& table, TableWindow& window);

// The texts of the boxes shown for a failed read or save.
std::string readErrorText(const std::string& path, const ReadResult& failure);
std::string saveErrorText(const std::string& path, const std::string& reason);

}  // namespace varnel
