#include "search/replace.h"

#include <gtest/gtest.h>

#include <new>

#include "search/fake_search_window.h"

namespace varnel {
namespace {

using Calls = std::vector<std::string>;

const char* const kMultipleWarning =
    "box Warning stop: You can't do a search and replace on multiple terms. Software will continue, but as a "
    "normal search.";
const char* const kNegativeWarning =
    "box Warning stop: You can't do a search and replace on negative queries. Software will continue, but as a "
    "normal search.";

FakeSearchWindow replaceWindow(const TableDocument& t, std::string typed, std::string selector = "All") {
    FakeSearchWindow w;
    w.typed = std::move(typed);
    w.selector = std::move(selector);
    w.selected.assign(static_cast<size_t>(t.rowCount()), false);
    return w;
}

SearchState replaceMode() {
    SearchState s;
    s.replaceMode = true;
    return s;
}

TEST(ReplaceAt, SplicesByOneBasedPosition) {
    const struct {
        const char* text;
        const char* replacement;
        size_t position, length;
        const char* result;
    } cases[] = {
        {"abcdef", "XY", 3, 2, "abXYef"}, {"abcdef", "XY", 1, 1, "XYbcdef"}, {"abc", "Z", 3, 1, "abZ"},
        {"abc", "Z", 3, 5, "abZ"},        {"abc", "Z", 4, 1, "abcZ"},        {"abc", "", 2, 1, "ac"},
        {"cat", "cats", 1, 3, "cats"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(replaceAt(c.text, c.replacement, c.position, c.length), c.result)
            << c.text << " at " << c.position << "+" << c.length;
}

TEST(SearchReplace, ReplacesEveryCaseOfTheTermInAllFields) {
    TableDocument t = makeTable({"a", "b", "c"}, {{"Cat", "dog", "the CAT sat"}, {"bird", "", ""}, {"x", "cAt", ""}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "CAT");
    w.dialogs = {go("Dog")};
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.actions(), (Calls{"dialog: Replace \"cat\" in all fields with:", "text 0/0 Dog", "text 0/2 the Dog sat",
                                  "select 0", "visible 0", "deselect 1", "text 2/1 Dog", "select 2", "visible 2",
                                  "repaint"}));
    EXPECT_EQ(column(t, 1), "Dog|bird|x");
    EXPECT_EQ(column(t, 2), "dog||Dog");
    EXPECT_EQ(column(t, 3), "the Dog sat||");
    EXPECT_EQ(w.selection(), "101");
    EXPECT_EQ(s.replaceText, "Dog");
    EXPECT_FALSE(s.confirmChanges);
}

TEST(SearchReplace, InsertedTextIsNeverSearchedAgain) {
    const struct {
        const char* cell;
        const char* typed;
        const char* replacement;
        const char* result;
        size_t changes;
    } cases[] = {
        {"cat cat cat", "cat", "cats", "cats cats cats", 3},
        {"cat cat cat", "cat", "Cat", "Cat Cat Cat", 3},
        {"aaaa", "aa", "a", "aa", 2},
        {"xCATcatx", "cat", " cat and dog ", "x cat and dog  cat and dog x", 2},
    };
    for (const auto& c : cases) {
        TableDocument t = makeTable({"a"}, {{c.cell}});
        SearchState s = replaceMode();
        FakeSearchWindow w = replaceWindow(t, c.typed);
        w.dialogs = {go(c.replacement)};
        runSearch(t, w.request(), s, w);
        EXPECT_EQ(t.cell(1, 1), c.result) << c.cell;
        EXPECT_EQ(w.actions().size(), c.changes + 4) << c.cell;  // dialog, changes, select, visible, repaint
    }
}

TEST(SearchReplace, AtMostOneHundredReplacementsInARow) {
    std::string many;
    for (int i = 0; i < 150; ++i) many += "ab.";
    std::string twice = many + "|" + many;
    TableDocument t = makeTable({"a", "b"}, {{many, "ab"}, {"ab", twice}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "ab");
    w.dialogs = {go("X")};
    runSearch(t, w.request(), s, w);
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "X.";
    for (int i = 0; i < 50; ++i) expected += "ab.";
    EXPECT_EQ(t.cell(1, 1), expected);
    EXPECT_EQ(t.cell(1, 2), "ab");  // the limit counts the whole row
    EXPECT_EQ(t.cell(2, 1), "X");
    EXPECT_EQ(t.cell(2, 2).substr(0, 99 * 2), expected.substr(0, 99 * 2));
    EXPECT_EQ(t.cell(2, 2).substr(99 * 2), "ab." + many.substr(0, 50 * 3 - 3) + "ab.|" + many);
    size_t texts = 0;
    for (const std::string& c : w.calls) texts += c.starts_with("text ");
    EXPECT_EQ(texts, 200u);
    EXPECT_EQ(w.selection(), "11");
}

TEST(SearchReplace, ConfirmationQuotesTheWholeFieldWithGroupedCounts) {
    TableDocument t = makeTable({"a", "b"}, {});
    for (int r = 1; r <= 1500; ++r) t.appendRow({r == 12 ? "a cat, a Cat" : "x", ""});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "cat");
    w.dialogs = {go("dog", true)};
    w.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
    runSearch(t, w.request(), s, w);
    const Calls actions = w.actions();
    const Calls expected = {
        "visible 11",
        "box Confirm changes confirm: In row 12/1,500, would you like to replace \"a cat, a Cat\" with \"a dog, a Cat\"?",
        "text 11/0 a dog, a Cat",
        "visible 11",
        "box Confirm changes confirm: In row 12/1,500, would you like to replace \"a dog, a Cat\" with \"a dog, a dog\"?",
        "text 11/0 a dog, a dog",
        "select 11",
        "visible 11",
    };
    ASSERT_GE(actions.size(), 13u + expected.size());
    EXPECT_EQ(Calls(actions.begin() + 12, actions.begin() + 12 + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_TRUE(s.confirmChanges);
    EXPECT_EQ(t.cell(12, 1), "a dog, a dog");
}

TEST(SearchReplace, NoLeavesTheRestOfTheRowAndGoesOnWithTheNextRow) {
    TableDocument t = makeTable({"a", "b"}, {{"cat", "cat"}, {"dog", ""}, {"big cat", ""}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "cat");
    w.dialogs = {go("cow", true)};
    w.answers = {BoxAnswer::No, BoxAnswer::Yes};
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.actions(), (Calls{"dialog: Replace \"cat\" in all fields with:", "visible 0",
                                  "box Confirm changes confirm: In row 1/3, would you like to replace \"cat\" with \"cow\"?",
                                  "select 0", "visible 0", "deselect 1", "visible 2",
                                  "box Confirm changes confirm: In row 3/3, would you like to replace \"big cat\" with "
                                  "\"big cow\"?",
                                  "text 2/0 big cow", "select 2", "visible 2", "repaint"}));
    EXPECT_EQ(column(t, 1), "cat|dog|big cow");
    EXPECT_EQ(column(t, 2), "cat||");
    EXPECT_EQ(w.selection(), "101");
}

TEST(SearchReplace, CancelInAConfirmationEndsTheCommandAtOnce) {
    for (BoxAnswer cancel : {BoxAnswer::Cancel, BoxAnswer::Ok}) {
        TableDocument t = makeTable({"a"}, {{"cat"}, {"dog"}, {"cat cat"}, {"cat"}, {"dog"}});
        SearchState s = replaceMode();
        FakeSearchWindow w = replaceWindow(t, "cat");
        w.selected = {false, true, false, false, true};
        w.dialogs = {go("cow", true)};
        w.answers = {BoxAnswer::Yes, BoxAnswer::Yes, cancel};
        runSearch(t, w.request(), s, w);
        EXPECT_EQ(w.actions(),
                  (Calls{"dialog: Replace \"cat\" in all fields with:", "visible 0",
                         "box Confirm changes confirm: In row 1/5, would you like to replace \"cat\" with \"cow\"?",
                         "text 0/0 cow", "select 0", "visible 0", "deselect 1", "visible 2",
                         "box Confirm changes confirm: In row 3/5, would you like to replace \"cat cat\" with \"cow cat\"?",
                         "text 2/0 cow cat", "visible 2",
                         "box Confirm changes confirm: In row 3/5, would you like to replace \"cow cat\" with \"cow cow\"?",
                         "repaint"}));
        // Applied changes stay; the row asked about and later rows keep their selection.
        EXPECT_EQ(column(t, 1), "cow|dog|cow cat|cat|dog");
        EXPECT_EQ(w.selection(), "10001");
    }
}

TEST(SearchReplace, RestrictedToTheChosenField) {
    TableDocument t = makeTable({"Name", "Note"}, {{"cat", "cat"}, {"dog", "cat"}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "Cat", "Name");
    w.dialogs = {go("cow")};
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.actions().front(), "dialog: Replace \"cat\" in \"Name\" field with:");
    EXPECT_EQ(column(t, 1), "cow|dog");
    EXPECT_EQ(column(t, 2), "cat|cat");
    EXPECT_EQ(w.selection(), "10");
}

TEST(SearchReplace, MultipleTermsAndNegativeQueriesWarnThenSearch) {
    const struct {
        const char* typed;
        const char* warning;
        const char* selection;
    } cases[] = {
        {"cat dog", kMultipleWarning, "110"},
        {"cat and dog", kMultipleWarning, "000"},
        {"not dog", kNegativeWarning, "101"},
        {"!", kNegativeWarning, "000"},
    };
    for (const auto& c : cases) {
        TableDocument t = makeTable({"a"}, {{"cat"}, {"dog"}, {"bird"}});
        SearchState s = replaceMode();
        FakeSearchWindow w = replaceWindow(t, c.typed);
        runSearch(t, w.request(), s, w);
        ASSERT_FALSE(w.actions().empty());
        EXPECT_EQ(w.actions().front(), c.warning) << c.typed;
        EXPECT_EQ(w.selection(), c.selection) << c.typed;
        const bool none = std::string(c.selection) == "000";
        EXPECT_EQ(w.actions().back() == kNothingFound, none) << c.typed;
        EXPECT_EQ(column(t, 1), "cat|dog|bird");
    }
}

TEST(SearchReplace, DialogEndings) {
    const struct {
        const char* name;
        const char* typed;
        ReplaceDialogResult dialog;
        const char* prompt;
        const char* queryAfter;
        bool searched;
        const char* cells;
    } cases[] = {
        {"Go", "Cat", go("cow"), "Replace \"cat\" in all fields with:", "cat", true, "cow|dog"},
        {"Go with nothing typed", "cat", go(""), "Replace \"cat\" in all fields with:", "cat", true, "cat|dog"},
        {"Cancel", "cat", cancelDialog(), "Replace \"cat\" in all fields with:", "", false, "cat|dog"},
        {"closed", "cat", closeDialog(), "Replace \"cat\" in all fields with:", "cat", true, "cat|dog"},
        // Only operator words: whichever way the dialog ends, nothing follows.
        {"operators only, Go", "not", go("cow"), "Replace \"\" in all fields with:", "", false, "cat|dog"},
        {"operators only, Cancel", "and or", cancelDialog(), "Replace \"\" in all fields with:", "", false, "cat|dog"},
        {"operators only, closed", "not", closeDialog(), "Replace \"\" in all fields with:", "", false, "cat|dog"},
    };
    for (const auto& c : cases) {
        TableDocument t = makeTable({"a"}, {{"cat"}, {"dog"}});
        SearchState s = replaceMode();
        FakeSearchWindow w = replaceWindow(t, c.typed);
        w.selected = {false, true};
        w.dialogs = {c.dialog};
        runSearch(t, w.request(), s, w);
        ASSERT_FALSE(w.actions().empty()) << c.name;
        EXPECT_EQ(w.actions().front(), std::string("dialog: ") + c.prompt) << c.name;
        EXPECT_EQ(s.searchQuery, c.queryAfter) << c.name;
        EXPECT_EQ(column(t, 1), c.cells) << c.name;
        if (c.searched) {
            EXPECT_EQ(w.selection(), "10") << c.name;
            EXPECT_EQ(w.actions().back(), "repaint") << c.name;
        } else {
            EXPECT_EQ(w.actions().size(), 1u) << c.name;  // no search, no message
            EXPECT_EQ(w.selection(), "01") << c.name;
        }
    }
}

TEST(SearchReplace, OneAndTermPassesTheDialogButMatchesNothing) {
    TableDocument t = makeTable({"a"}, {{"cat"}, {"dog"}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "and cat");
    w.dialogs = {go("cow")};
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.actions(), (Calls{"dialog: Replace \"&cat\" in all fields with:", "deselect 0", "deselect 1", "repaint",
                                  kNothingFound}));
    EXPECT_EQ(column(t, 1), "cat|dog");
}

TEST(SearchReplace, ReplacementIsNotReusedByTheNextCommand) {
    TableDocument t = makeTable({"a"}, {{"cat"}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "cat");
    w.dialogs = {go("cat!")};
    runSearch(t, w.request(), s, w);
    s.replaceMode = false;
    FakeSearchWindow plain = replaceWindow(t, "cat");
    runSearch(t, plain.request(), s, plain);
    EXPECT_EQ(t.cell(1, 1), "cat!");
    EXPECT_TRUE(s.replaceText.empty());
}

// Memory running out part-way through a replacement ends it as a Cancel
// would: the rows done stay changed and selected, the row at hand and those
// after it keep their selection, and a box says how many rows changed.
TEST(SearchReplace, RunningOutOfMemoryKeepsTheRowsDoneAndSaysHowMany) {
    TableDocument t = makeTable({"a"}, {{"cat"}, {"dog"}, {"cat cat"}, {"cat"}});
    SearchState s = replaceMode();
    FakeSearchWindow w = replaceWindow(t, "cat");
    w.selected = {false, true, false, true};
    w.dialogs = {go("cow", true)};
    w.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
    int boxes = 0;
    // The third confirmation cannot be shown.
    w.whileModal = [&] {
        if (w.calls.back().starts_with("box Confirm") && ++boxes == 3) throw std::bad_alloc();
    };
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(column(t, 1), "cow|dog|cow cat|cat");
    EXPECT_EQ(w.selection(), "1001");
    EXPECT_EQ(w.calls.end()[-2], "repaint");
    EXPECT_EQ(w.calls.back(), "box Error stop: Not enough memory to finish the replacement: 2 rows were changed.");

    // Before any change: nothing was changed, and one row reads as one.
    for (int failAt : {1, 2}) {
        TableDocument u = makeTable({"a"}, {{"cat"}, {"cat"}});
        SearchState us = replaceMode();
        FakeSearchWindow uw = replaceWindow(u, "cat");
        uw.dialogs = {go("cow", true)};
        uw.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
        int shown = 0;
        uw.whileModal = [&] {
            if (uw.calls.back().starts_with("box Confirm") && ++shown == failAt) throw std::bad_alloc();
        };
        runSearch(u, uw.request(), us, uw);
        EXPECT_EQ(uw.calls.back(), failAt == 1
                                       ? "box Error stop: Not enough memory to finish the replacement: 0 rows were changed."
                                       : "box Error stop: Not enough memory to finish the replacement: 1 row was changed.");
        EXPECT_EQ(uw.selection(), failAt == 1 ? "00" : "10");
    }
}

}  // namespace
}  // namespace varnel
