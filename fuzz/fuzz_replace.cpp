// Search and replace over arbitrary cells, terms and replacements: never more
// than 100 replacements in a row, rows that do not match are untouched, and
// without confirmations every matching row ends as a literal left-to-right
// replacement of the term would leave it.
#include <map>
#include <string>
#include <vector>

#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "search/query.h"
#include "search/row_search.h"

using namespace varnel;
using varnel::fuzz::ByteSource;

namespace {

class ScriptedWindow : public SearchWindow {
public:
    ScriptedWindow(ByteSource& in, std::string replacement, bool confirm)
        : in_(in), replacement_(std::move(replacement)), confirm_(confirm) {}
    void selectItem(int32_t, bool) override {}
    void ensureVisible(int32_t) override {}
    void setItemText(int32_t item, int32_t, const std::string&) override { ++applied[item]; }
    void repaintSearchBox() override {}
    BoxAnswer messageBox(const std::string&, const std::string& caption, BoxKind) override {
        if (caption != "Confirm changes") return BoxAnswer::Ok;
        ++questions;
        switch (in_.byte() % 8) {
        case 0: cancelled = true; return BoxAnswer::Cancel;
        case 1: case 2: return BoxAnswer::No;
        default: return BoxAnswer::Yes;
        }
    }
    ReplaceDialogResult runReplaceDialog(const std::string&) override {
        ReplaceDialogResult r;
        r.ending = ReplaceDialogResult::Ending::Go;
        r.text = replacement_;
        r.confirm = confirm_;
        return r;
    }
    std::map<int32_t, int> applied;
    int questions = 0;
    bool cancelled = false;

private:
    ByteSource& in_;
    std::string replacement_;
    bool confirm_;
};

// Left-to-right replacement of every occurrence of `term` (lower case) in the
// lower-cased text, inserted text never searched again, `budget` at most.
std::string literalReplace(std::string_view text, const std::string& term, const std::string& repl, int& budget) {
    std::string out(text);
    size_t pos = 0;
    while (budget > 0) {
        size_t at = toLower(out).find(term, pos);
        if (at == std::string::npos) break;
        out = out.substr(0, at) + repl + out.substr(at + term.size());
        pos = at + repl.size();
        --budget;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const int32_t fields = 1 + in.byte() % 3;
    const int32_t rows = 1 + in.byte() % 8;
    const uint8_t fieldChoice = in.byte() % (fields + 1);
    const bool confirm = in.flag();
    const std::string typed = in.text(4);
    const std::string replacement = in.text(6);
    std::vector<std::string> names;
    std::vector<int32_t> sources;
    for (int32_t k = 1; k <= fields; ++k) {
        names.push_back("f" + std::to_string(k));
        sources.push_back(k);
    }
    TableDocument t;
    t.replaceTable(names, sources);
    for (int32_t r = 0; r < rows; ++r) {
        std::vector<std::string> cells;
        for (int32_t f = 0; f < fields; ++f) {
            std::string c = in.text(12);
            // Repeat the cell to reach the per-row limit now and then.
            if (!c.empty() && c[0] == '*') c = std::string(230, 'a');
            cells.push_back(c);
        }
        std::vector<std::string_view> views(cells.begin(), cells.end());
        t.appendRow(views);
    }
    std::vector<std::vector<std::string>> before(rows + 1, std::vector<std::string>(fields + 1));
    for (int32_t r = 1; r <= rows; ++r)
        for (int32_t f = 1; f <= fields; ++f) before[r][f] = std::string(t.cell(r, f));

    SearchState state;
    state.replaceMode = true;
    const std::string selector = fieldChoice == 0 ? kAllFieldsItem : names[fieldChoice - 1];
    ScriptedWindow window(in, replacement, confirm);
    runSearch(t, {typed, selector}, state, window);

    const std::string query = normaliseQuery(typed);
    const bool replacing = !replacement.empty() && !query.empty() && query.find(' ') == std::string::npos &&
                           query[0] != '!' && !trimSpaces(typed).empty();
    for (auto& [item, count] : window.applied) {
        FUZZ_CHECK(replacing);
        FUZZ_CHECK(count <= 100);
        FUZZ_CHECK(item >= 0 && item < rows);
    }
    for (int32_t r = 1; r <= rows; ++r) {
        std::string subject;
        if (fieldChoice == 0)
            for (int32_t f = 1; f <= fields; ++f) subject += " " + before[r][f];
        else
            subject = before[r][fieldChoice];
        const bool matched = !query.empty() && matchesQuery(subject, query);
        if (!matched || !replacing) {
            for (int32_t f = 1; f <= fields; ++f) FUZZ_CHECK(t.cell(r, f) == before[r][f]);
            continue;
        }
        if (confirm) continue;
        int budget = 100;
        for (int32_t f = 1; f <= fields; ++f) {
            if (fieldChoice != 0 && f != fieldChoice) {
                FUZZ_CHECK(t.cell(r, f) == before[r][f]);
                continue;
            }
            FUZZ_CHECK(t.cell(r, f) == literalReplace(before[r][f], query, replacement, budget));
        }
    }
    return 0;
}
