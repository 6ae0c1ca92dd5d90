// A scripted stand-in for the main window: it records every call in order and
// answers message boxes and the replace dialog from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/table_document.h"
#include "search/row_search.h"
#include "search/search_window.h"

namespace varnel {

inline std::string boxKindName(BoxKind kind) {
    switch (kind) {
    case BoxKind::Stop: return "stop";
    case BoxKind::Question: return "question";
    case BoxKind::Information: return "information";
    case BoxKind::Confirm: return "confirm";
    }
    return "?";
}

// What the scripted windows share: every call recorded in order, the list
// calls of the search, and message boxes answered from a script.
template <typename Window>
class RecordingWindow : public Window {
public:
    std::vector<std::string> calls;
    std::deque<BoxAnswer> answers;  // message boxes; none left: OK
    // Runs inside every message box and dialog, before it answers.
    std::function<void()> whileModal;

    void ensureVisible(int32_t item) override { calls.push_back("visible " + std::to_string(item)); }
    void setItemText(int32_t item, int32_t column, const std::string& text) override {
        calls.push_back("text " + std::to_string(item) + "/" + std::to_string(column) + " " + text);
    }
    void repaintSearchBox() override { calls.push_back("repaint"); }
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) override {
        calls.push_back("box " + caption + " " + boxKindName(kind) + ": " + text);
        modal();
        if (answers.empty()) return BoxAnswer::Ok;
        const BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

protected:
    void modal() {
        if (whileModal) whileModal();
    }
};

class FakeSearchWindow : public RecordingWindow<SearchWindow> {
public:
    std::string selector = "All";
    std::string typed;
    std::vector<bool> selected;  // the list's selection, item by item
    std::deque<ReplaceDialogResult> dialogs;

    // What the window's boxes hold when the search starts.
    SearchRequest request() const { return {typed, selector}; }
    void selectItem(int32_t item, bool on) override {
        calls.push_back((on ? "select " : "deselect ") + std::to_string(item));
        if (item >= 0 && static_cast<size_t>(item) < selected.size()) selected[static_cast<size_t>(item)] = on;
        else ADD_FAILURE() << "item " << item << " out of range";
    }
    ReplaceDialogResult runReplaceDialog(const std::string& prompt) override {
        calls.push_back("dialog: " + prompt);
        modal();
        if (dialogs.empty()) {
            ADD_FAILURE() << "unscripted replace dialog";
            return {};
        }
        ReplaceDialogResult r = dialogs.front();
        dialogs.pop_front();
        return r;
    }

    std::vector<std::string> actions() const { return calls; }
    std::string selection() const {
        std::string s;
        for (bool b : selected) s += b ? '1' : '0';
        return s;
    }
};

inline ReplaceDialogResult go(std::string text, bool confirm = false) {
    return {ReplaceDialogResult::Ending::Go, std::move(text), confirm};
}
inline ReplaceDialogResult cancelDialog() { return {ReplaceDialogResult::Ending::Cancel, {}, false}; }
inline ReplaceDialogResult closeDialog() { return {ReplaceDialogResult::Ending::Closed, {}, false}; }

inline TableDocument makeTable(std::vector<std::string> names,
                               std::initializer_list<std::initializer_list<std::string_view>> rows) {
    TableDocument t;
    std::vector<int32_t> sources;
    for (size_t k = 0; k < names.size(); ++k) sources.push_back(static_cast<int32_t>(k) + 1);
    t.replaceTable(std::move(names), std::move(sources));
    for (auto r : rows) t.appendRow(r);
    return t;
}

inline std::string column(const TableDocument& t, int32_t field) {
    std::string s;
    for (int32_t r = 1; r <= t.rowCount(); ++r) s += std::string(t.cell(r, field)) + (r < t.rowCount() ? "|" : "");
    return s;
}

inline const char* const kNothingFound = "box Error stop: Nothing matching your search was found";

}  // namespace varnel
