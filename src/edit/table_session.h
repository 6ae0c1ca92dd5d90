// What the table commands work on: the one table, the selection of its rows,
// the search settings, and whether a command is running. The Windows program
// makes one at start-up and keeps it with its main window; tests make their
// own.
#pragma once

#include <vector>

#include "core/table_document.h"
#include "edit/row_selection.h"
#include "search/row_search.h"

namespace varnel {

// How the list lays out the table's columns, in pixels; index k - 1 for
// field k. Measured when a table is about to be shown and kept beside it.
struct ColumnLayout {
    std::vector<double> minWidth;
    std::vector<double> weight;
    double totalWeight = 0;
};

struct TableSession {
    TableDocument table;
    ColumnLayout columns;
    // List item i is row i + 1.
    RowSelection selection;
    SearchState search;
    // Set while a command runs, also while it waits in a message box or a
    // dialog: no other command starts meanwhile.
    bool commandRunning = false;
};

// Marks a command as running for its lifetime; entered() is false when
// another command was running already (the caller then does nothing).
class CommandScope {
public:
    explicit CommandScope(TableSession& session) : session_(session), entered_(!session.commandRunning) {
        session_.commandRunning = true;
    }
    ~CommandScope() {
        if (entered_) session_.commandRunning = false;
    }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
    bool entered() const { return entered_; }

private:
    TableSession& session_;
    bool entered_;
};

}  // namespace varnel
