// Search and replace: the text operation, the checks and dialog that come
// before it, and the replacement in one matching row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/table_document.h"
#include "search/row_search.h"
#include "search/search_window.h"

namespace varnel {

// The first p - 1 bytes of text, the replacement, then the bytes from
// position p + n on (positions from 1).
std::string replaceAt(std::string_view text, std::string_view replacement, size_t position, size_t length);

// The line above the replacement box: Replace "q" in all fields with: or
// Replace "q" in "Name" field with:
std::string replacePrompt(const TableDocument& table, const SearchState& state);

// Before a Search+Replace: refuses multi-term and negative queries with a
// warning (the command goes on as a plain search), otherwise runs the dialog.
enum class PreambleEnd { PlainSearch, Replace, EndCommand };
PreambleEnd runReplacePreamble(const TableDocument& table, SearchState& state, SearchWindow& window);

// Replaces state.searchQuery by state.replaceText in row `row` (at most 100
// times), asking first when state.confirmChanges is set. Cancelled when the
// user cancelled a confirmation; replacements made before it stay. `changed`
// is set once a replacement is made, also when a later one throws.
enum class RowReplaceEnd { Done, Cancelled };
RowReplaceEnd replaceInRow(TableDocument& table, const SearchState& state, SearchWindow& window, int32_t row,
                           bool& changed);

}  // namespace varnel
