#include "search/replace.h"

#include <algorithm>

#include "core/text.h"

namespace varnel {
namespace {

constexpr int kMaxReplacementsPerRow = 100;

}  // namespace

std::string replaceAt(std::string_view text, std::string_view replacement, size_t position, size_t length) {
    const size_t head = position > 0 ? std::min(position - 1, text.size()) : 0;
    const size_t tailStart = std::min(head + length, text.size());
    std::string out;
    out.reserve(head + replacement.size() + (text.size() - tailStart));
    out.append(text.substr(0, head));
    out.append(replacement);
    out.append(text.substr(tailStart));
    return out;
}

std::string replacePrompt(const TableDocument& table, const SearchState& state) {
    std::string prompt = "Replace \"" + state.searchQuery + "\" in ";
    if (state.searchField == 0)
        prompt += "all fields with:";
    else
        prompt += "\"" + table.fieldName(state.searchField) + "\" field with:";
    return prompt;
}

PreambleEnd runReplacePreamble(const TableDocument& table, SearchState& state, SearchWindow& window) {
    if (state.searchQuery.find(' ') != std::string::npos) {
        window.messageBox(
            "You can't do a search and replace on multiple terms. Software will continue, but as a normal search.",
            "Warning", BoxKind::Stop);
        return PreambleEnd::PlainSearch;
    }
    if (state.searchQuery.starts_with('!')) {
        window.messageBox(
            "You can't do a search and replace on negative queries. Software will continue, but as a normal search.",
            "Warning", BoxKind::Stop);
        return PreambleEnd::PlainSearch;
    }
    ReplaceDialogResult result = window.runReplaceDialog(replacePrompt(table, state));
    switch (result.ending) {
    case ReplaceDialogResult::Ending::Go:
        state.confirmChanges = result.confirm;
        state.replaceText = std::move(result.text);
        break;
    case ReplaceDialogResult::Ending::Cancel:
        state.searchQuery.clear();
        state.replaceText.clear();
        break;
    case ReplaceDialogResult::Ending::Closed:
        break;
    }
    if (state.searchQuery.empty()) return PreambleEnd::EndCommand;
    return state.replaceText.empty() ? PreambleEnd::PlainSearch : PreambleEnd::Replace;
}

RowReplaceEnd replaceInRow(TableDocument& table, const SearchState& state, SearchWindow& window, int32_t row,
                           bool& changed) {
    const std::string& query = state.searchQuery;
    const std::string& replacement = state.replaceText;
    if (query.empty() || replacement.empty()) return RowReplaceEnd::Done;
    // The lower-cased field is kept beside the field and spliced the same way,
    // so positions found in it stay valid in the stored text.
    const std::string loweredReplacement = toLower(replacement);
    const int32_t firstField = state.searchField == 0 ? 1 : state.searchField;
    const int32_t lastField = state.searchField == 0 ? table.fieldCount() : state.searchField;
    int applied = 0;
    for (int32_t field = firstField; field <= lastField; ++field) {
        std::string text(table.cell(row, field));
        std::string lowered = toLower(text);
        size_t from = 0;
        for (;;) {
            const size_t found = lowered.find(query, from);
            if (found == std::string::npos) break;
            std::string newText = replaceAt(text, replacement, found + 1, query.size());
            if (state.confirmChanges) {
                window.ensureVisible(row - 1);
                const BoxAnswer answer = window.messageBox(
                    "In row " + formatCount(row) + "/" + formatCount(table.rowCount()) +
                        ", would you like to replace \"" + text + "\" with \"" + newText + "\"?",
                    "Confirm changes", BoxKind::Confirm);
                if (answer == BoxAnswer::No) return RowReplaceEnd::Done;
                // Escape or closing the box reads as Cancel.
                if (answer != BoxAnswer::Yes) return RowReplaceEnd::Cancelled;
            }
            table.setCell(row, field, newText);
            changed = true;
            window.setItemText(row - 1, field - 1, newText);
            if (++applied == kMaxReplacementsPerRow) return RowReplaceEnd::Done;
            lowered = replaceAt(lowered, loweredReplacement, found + 1, query.size());
            text = std::move(newText);
            // Go on after the inserted text: it is never searched again.
            from = found + replacement.size();
        }
    }
    return RowReplaceEnd::Done;
}

}  // namespace varnel
