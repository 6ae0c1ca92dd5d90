// The Search command: every row tested against the typed query, matches
// selected, the rest deselected; in Search+Replace mode, the replacement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/table_document.h"
#include "search/search_window.h"

namespace varnel {

struct SearchState {
    int searchMode = 0;   // 0 plain Search, 1 Search+Replace
    int32_t searchField = 0;  // 0 all fields, k only field k
    std::string searchQuery;  // normalised query of the last command
    std::string replaceText;
    int confirmChanges = 0;
};

// The text row `row` is tested as: with field 0, a space before every field's
// lower-cased text; else the one cell.
std::string rowSubject(const TableDocument& table, int32_t row, int32_t field);

// Runs the Search command. Returns false when it was refused because another
// search command is still running (nothing is touched then).
bool runSearch(TableDocument& table, SearchState& state, SearchWindow& window);

// True while a search command runs (inside its message boxes or dialog):
// other commands must not change the table or the search state meanwhile.
bool searchCommandRunning();

// The number of rows a query typed as `typed` matches over all fields
// (the bench driver's search).
int64_t countMatchingRows(const TableDocument& table, std::string_view typed);

}  // namespace varnel
