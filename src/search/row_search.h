// The Search command: every row tested against the typed query, matches
// selected, the rest deselected; in Search+Replace mode, the replacement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/table_document.h"
#include "search/search_window.h"

namespace varnel {

// The "in" selector's first item: search every field.
inline constexpr const char* kAllFieldsItem = "All";

struct SearchState {
    bool replaceMode = false;  // the button reads Search+Replace
    int32_t searchField = 0;   // 0 all fields, k only field k
    std::string searchQuery;   // normalised query of the last command
    std::string replaceText;
    bool confirmChanges = false;
};

// What the window holds when the search starts: the "Search for" box and the
// "in" selector's text (kAllFieldsItem or a field's name).
struct SearchRequest {
    std::string typed;
    std::string selector;
};

// The text row `row` is tested as: with field 0, a space before every field's
// lower-cased text; else the one cell.
std::string rowSubject(const TableDocument& table, int32_t row, int32_t field);

// Runs the Search command (in replace mode, Search+Replace). The caller
// keeps other commands out while it runs, also while it waits in a message
// box or the replace dialog. Memory running out during a replacement ends
// it with the rows done so far changed and selected, and a box saying how
// many were changed; elsewhere it leaves the selection as it was and
// throws std::bad_alloc.
void runSearch(TableDocument& table, const SearchRequest& request, SearchState& state, SearchWindow& window);

// The number of rows a query typed as `typed` matches over all fields
// (the bench driver's search).
int64_t countMatchingRows(const TableDocument& table, std::string_view typed);

}  // namespace varnel
