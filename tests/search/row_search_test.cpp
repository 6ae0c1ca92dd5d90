#include "search/row_search.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/row_sort.h"
#include "core/text.h"
#include "search/query.h"
#include "search/fake_search_window.h"

namespace varnel {
namespace {

using Calls = std::vector<std::string>;

FakeSearchWindow windowFor(const TableDocument& t, std::string typed, std::string selector = "All") {
    FakeSearchWindow w;
    w.typed = std::move(typed);
    w.selector = std::move(selector);
    w.selected.assign(static_cast<size_t>(t.rowCount()), false);
    return w;
}

TEST(RowSubject, SpaceBeforeEveryLoweredFieldOrTheOneCell) {
    TableDocument t = makeTable({"a", "b", "c"}, {{"Red", "Big Cat", ""}, {"", "", ""}});
    EXPECT_EQ(rowSubject(t, 1, 0), " red big cat ");
    EXPECT_EQ(rowSubject(t, 2, 0), "   ");
    EXPECT_EQ(rowSubject(t, 1, 2), "Big Cat");
    EXPECT_EQ(rowSubject(t, 1, 3), "");
    // Long cells and bytes above 127 go through the same lowering.
    t.setCell(2, 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{\xC9\xD7\xDE");
    EXPECT_EQ(rowSubject(t, 2, 0), " abcdefghijklmnopqrstuvwxyz@[`{\xE9\xD7\xFE  ");
}

TEST(RowSubject, FollowsTheSystemsLowerCaseTable) {
    LowerCaseTable custom = windows1252LowerCaseTable();
    custom['I'] = 0xFD;  // a code page whose capital I lowers to a dotless i
    setLowerCaseTable(custom);
    TableDocument t = makeTable({"a"}, {{"LONG ENOUGH TO FILL WORDS: IIII"}});
    const std::string subject = rowSubject(t, 1, 0);
    setLowerCaseTable(windows1252LowerCaseTable());
    EXPECT_EQ(subject, " long enough to f\xFDll words: \xFD\xFD\xFD\xFD");
}

TEST(RunSearch, SelectsMatchesDeselectsTheRestAndScrollsToEachMatch) {
    TableDocument t = makeTable({"name", "kind"}, {{"Tom", "Cat"}, {"Rex", "dog"}, {"Felix", "cat"}});
    SearchState s;
    FakeSearchWindow w = windowFor(t, "  CAT ");
    w.selected = {false, true, false};  // chosen by hand before the search
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.calls, (Calls{"select 0", "visible 0", "deselect 1", "select 2", "visible 2",
                              "repaint"}));
    EXPECT_EQ(w.selection(), "101");
    EXPECT_EQ(s.searchQuery, "cat");
    EXPECT_EQ(s.searchField, 0);
    EXPECT_EQ(column(t, 2), "Cat|dog|cat");
}

TEST(RunSearch, NothingFoundEndsWithTheErrorBox) {
    const struct {
        const char* name;
        int rows;
        const char* typed;
        Calls actions;
        const char* selection;
    } cases[] = {
        {"no match", 3, "bird", {"deselect 0", "deselect 1", "deselect 2", "repaint", kNothingFound}, "000"},
        // Only operator words: no item is touched, the old selection stays.
        {"operators only", 3, "not or AND", {"repaint", kNothingFound}, "110"},
        {"one AND term", 3, "and cat", {"deselect 0", "deselect 1", "deselect 2", "repaint", kNothingFound}, "000"},
        {"lone ! over all fields", 3, "!", {"deselect 0", "deselect 1", "deselect 2", "repaint", kNothingFound}, "000"},
        {"no rows", 0, "cat", {"repaint", kNothingFound}, ""},
    };
    for (const auto& c : cases) {
        TableDocument t = makeTable({"a", "b"}, {});
        for (int r = 0; r < c.rows; ++r) t.appendRow({"cat", ""});
        SearchState s;
        FakeSearchWindow w = windowFor(t, c.typed);
        if (c.rows) w.selected = {true, true, false};
        runSearch(t, w.request(), s, w);
        EXPECT_EQ(w.actions(), c.actions) << c.name;
        EXPECT_EQ(w.selection(), c.selection) << c.name;
    }
}

TEST(RunSearch, BlankSearchTextDoesNothing) {
    for (const char* typed : {"", "   "}) {
        TableDocument t = makeTable({"a"}, {{"x"}});
        SearchState s;
        s.searchQuery = "old";
        s.replaceText = "kept";
        s.replaceMode = true;
        FakeSearchWindow w = windowFor(t, typed);
        runSearch(t, w.request(), s, w);
        EXPECT_TRUE(w.calls.empty());
        EXPECT_EQ(s.searchQuery, "old");
        EXPECT_EQ(s.replaceText, "kept");
    }
}

TEST(RunSearch, FieldRestrictionByExactName) {
    // Field 2 is named All, fields 1 and 4 share a name.
    TableDocument t = makeTable({"Name", "All", "Town", "Name"}, {{"cat", "", "", ""},
                                                                 {"", "cat", "", ""},
                                                                 {"", "", "cat", ""},
                                                                 {"", "", "", "cat"}});
    const struct {
        const char* selector;
        int32_t before;
        int32_t after;
        const char* selection;
    } cases[] = {
        {"All", 3, 0, "1111"},   // the field named All cannot be searched alone
        {"Name", 0, 1, "1000"},  // the first of two fields with that name
        {"Town", 0, 3, "0010"},
        {"", 3, 3, "0010"},      // no field of that name: the previous choice stays
        {"name", 1, 1, "1000"},  // names compare case-sensitively
        {"all", 0, 0, "1111"},
        {"Town ", 1, 1, "1000"},
        {"Name", 7, 1, "1000"},
        {"", 7, 0, "1111"},  // a field of an earlier, wider table: all fields
    };
    for (const auto& c : cases) {
        SearchState s;
        s.searchField = c.before;
        FakeSearchWindow w = windowFor(t, "cat", c.selector);
        runSearch(t, w.request(), s, w);
        EXPECT_EQ(s.searchField, c.after) << "[" << c.selector << "] from " << c.before;
        EXPECT_EQ(w.selection(), c.selection) << "[" << c.selector << "] from " << c.before;
    }
}

TEST(RunSearch, RowTestsOverOneFieldOrAll) {
    TableDocument t = makeTable({"a", "b", "c"}, {{"cat", "", "dog"}, {"cat", "x", "bird"}, {"", "", "catdog"}});
    const struct {
        const char* typed;
        const char* selector;
        const char* selection;
    } cases[] = {
        {"cat &dog", "All", "101"},  // terms may match in different fields
        {"tdo", "All", "001"},       // a term never spans two fields
        {"!", "b", "101"},           // an empty chosen field
        {"!", "a", "001"},
        {"!", "All", "000"},
        {"not x", "b", "101"},
        {"cat & bird", "All", "111"},
    };
    for (const auto& c : cases) {
        SearchState s;
        FakeSearchWindow w = windowFor(t, c.typed, c.selector);
        runSearch(t, w.request(), s, w);
        EXPECT_EQ(w.selection(), c.selection) << c.typed << " in " << c.selector;
    }
}

TEST(RunSearch, MatchingEveryRowLeavesTheLastOneVisible) {
    TableDocument t = makeTable({"a"}, {{"one"}, {"two"}, {"three"}});
    SearchState s;
    FakeSearchWindow w = windowFor(t, "o or e");
    runSearch(t, w.request(), s, w);
    EXPECT_EQ(w.selection(), "111");
    EXPECT_EQ(w.actions().end()[-2], "visible 2");
    EXPECT_EQ(w.actions().back(), "repaint");
}

// A plain search tests rows in the order their cells lie in memory. After a
// sort, deletes, inserts and edits that order is far from the table's, and
// rows deleted earlier still hold their cells: the selection must be exactly
// the rows that match, in table order.
TEST(RunSearch, AfterSortDeleteInsertAndEditSelectsExactlyTheMatchingRows) {
    TableDocument t;
    t.replaceTable({"name", "colour", "n"}, {1, 2, 3});
    for (int i = 0; i < 300; ++i) {
        const std::string name = "row" + std::to_string((i * 37) % 300);
        const std::string n = std::to_string(i);
        t.appendRow({name, i % 7 == 0 ? "Blue fish" : "red", n});
    }
    sortRowsByColumn(t, 1);
    std::vector<int32_t> gone;
    for (int32_t r = 3; r <= t.rowCount(); r += 5) gone.push_back(r);
    t.deleteRows(gone);
    for (int32_t r = 1; r <= 40; r += 4) {
        t.insertRowBefore(r);
        t.setCell(r, 2, r % 8 == 1 ? "BLUE new" : "grey");
    }
    t.setCell(t.rowCount(), 2, "a blue edit that does not fit where the old text was");
    for (const char* typed : {"blue", "blue and not fish", "not blue", "row1"}) {
        SearchState s;
        FakeSearchWindow w = windowFor(t, typed);
        runSearch(t, w.request(), s, w);
        std::string expected;
        for (int32_t r = 1; r <= t.rowCount(); ++r)
            expected += matchesQuery(rowSubject(t, r, 0), normaliseQuery(typed)) ? '1' : '0';
        EXPECT_EQ(w.selection(), expected) << typed;
        EXPECT_EQ(countMatchingRows(t, typed), std::count(expected.begin(), expected.end(), '1')) << typed;
    }
}

TEST(CountMatchingRows, CountsOverAllFields) {
    TableDocument t = makeTable({"a", "b"}, {{"NEEDLE", ""}, {"x", "a needle"}, {"x", "y"}});
    EXPECT_EQ(countMatchingRows(t, "needle"), 2);
    EXPECT_EQ(countMatchingRows(t, "NEEDLE and not x"), 1);
    EXPECT_EQ(countMatchingRows(t, "  "), 0);
    EXPECT_EQ(countMatchingRows(t, "and"), 0);
}

}  // namespace
}  // namespace varnel
