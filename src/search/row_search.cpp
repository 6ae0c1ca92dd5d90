#include "search/row_search.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/text.h"
#include "search/query.h"
#include "search/replace.h"
#include "search/row_match.h"

namespace varnel {
namespace {

void applyFieldRestriction(const TableDocument& table, SearchState& state, const std::string& selector) {
    if (selector == kAllFieldsItem) {
        state.searchField = 0;
    } else {
        const auto& names = table.fieldNames();
        const auto it = std::find(names.begin(), names.end(), selector);
        if (it != names.end()) state.searchField = static_cast<int32_t>(it - names.begin()) + 1;
    }
    // A field kept from a wider table no longer exists: search all fields.
    if (state.searchField < 0 || state.searchField > table.fieldCount()) state.searchField = 0;
}

// One bit per row handle: whether that row matches. The handles are visited
// in the order their cells lie in memory; after a sort the table order jumps
// all over a big table, and reading it that way costs several times more.
std::vector<uint64_t> matchingHandles(const TableDocument& table, const CompiledQuery& query, int32_t field) {
    const size_t handles = table.handleCount();
    std::vector<uint64_t> bits((handles + 63) / 64, 0);
    RowMatcher matcher(table, query, field);
    for (size_t h = 0; h < handles; ++h)
        if (matcher.matches(static_cast<RowHandle>(h))) bits[h >> 6] |= uint64_t{1} << (h & 63);
    return bits;
}

bool hasBit(const std::vector<uint64_t>& bits, RowHandle h) { return (bits[h >> 6] >> (h & 63)) & 1; }

}  // namespace

std::string rowSubject(const TableDocument& table, int32_t row, int32_t field) {
    if (field != 0) return std::string(table.cell(row, field));
    return allFieldsSubject(table, table.rowHandles()[static_cast<size_t>(row - 1)]);
}

void runSearch(TableDocument& table, const SearchRequest& request, SearchState& state, SearchWindow& window) {
    applyFieldRestriction(table, state, request.selector);
    if (trimSpaces(request.typed).empty()) return;
    state.searchQuery = normaliseQuery(request.typed);
    state.replaceText.clear();
    if (state.replaceMode && runReplacePreamble(table, state, window) == PreambleEnd::EndCommand) return;

    int64_t found = 0;
    if (!state.searchQuery.empty()) {
        const CompiledQuery query = compileQuery(state.searchQuery);
        const bool replacing = !state.replaceText.empty();
        // A plain search tests every row first, in memory order. A
        // replacement may move cells while it goes, so it tests each row
        // when it gets there.
        const std::vector<uint64_t> matched =
            replacing ? std::vector<uint64_t>{} : matchingHandles(table, query, state.searchField);
        RowMatcher matcher(table, query, state.searchField);
        int64_t changedRows = 0;
        bool changed = false;  // in the row at hand
        try {
            const int32_t rows = table.rowCount();
            for (int32_t row = 1; row <= rows; ++row) {
                const RowHandle handle = table.rowHandles()[static_cast<size_t>(row - 1)];
                if (replacing ? !matcher.matches(handle) : !hasBit(matched, handle)) {
                    window.selectItem(row - 1, false);
                    continue;
                }
                if (replacing) {
                    changed = false;
                    const RowReplaceEnd end = replaceInRow(table, state, window, row, changed);
                    changedRows += changed;
                    changed = false;
                    if (end == RowReplaceEnd::Cancelled) {
                        window.repaintSearchBox();
                        return;
                    }
                }
                window.selectItem(row - 1, true);
                window.ensureVisible(row - 1);
                ++found;
            }
        } catch (const std::bad_alloc&) {
            if (!replacing) throw;
            // As after Cancel in a confirmation: the rows done stay changed
            // and selected, the row at hand and those after it keep their
            // selection.
            changedRows += changed;
            window.repaintSearchBox();
            window.messageBox("Not enough memory to finish the replacement: " + formatCount(changedRows) +
                                  (changedRows == 1 ? " row was" : " rows were") + " changed.",
                              "Error", BoxKind::Stop);
            return;
        }
    }
    window.repaintSearchBox();
    if (found == 0) window.messageBox("Nothing matching your search was found", "Error", BoxKind::Stop);
}

int64_t countMatchingRows(const TableDocument& table, std::string_view typed) {
    if (trimSpaces(typed).empty()) return 0;
    const CompiledQuery query = compileQuery(normaliseQuery(typed));
    if (query.empty()) return 0;
    const std::vector<uint64_t> matched = matchingHandles(table, query, 0);
    int64_t count = 0;
    for (RowHandle handle : table.rowHandles()) count += hasBit(matched, handle);
    return count;
}

}  // namespace varnel
