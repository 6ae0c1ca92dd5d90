#include "edit/row_change.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TableDocument fiveRows() {
    TableDocument t;
    t.replaceTable({"name", "value"}, {1, 2});
    t.appendRow({"r1", "a"});
    t.appendRow({"", "b"});  // an empty first field that no delete may touch
    t.appendRow({"r3", "c"});
    t.appendRow({"r4", "d"});
    t.appendRow({"r5", "e"});
    return t;
}

std::vector<std::string> column(const TableDocument& t, int32_t field) {
    std::vector<std::string> out;
    for (int32_t r = 1; r <= t.rowCount(); ++r) out.emplace_back(t.cell(r, field));
    return out;
}

TEST(InsertNewItemRow, GoesAboveTheRowAndKeepsEveryOtherCell) {
    TableDocument t = fiveRows();
    ASSERT_TRUE(insertNewItemRow(t, 3));
    EXPECT_EQ(column(t, 1), (std::vector<std::string>{"r1", "", "New Item", "r3", "r4", "r5"}));
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"a", "b", "", "c", "d", "e"}));
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(insertNewItemRow(t, 1));
    EXPECT_EQ(t.rowCount(), 206);
    EXPECT_EQ(t.cell(201, 1), "r1");
    EXPECT_EQ(t.cell(206, 2), "e");
}

TEST(InsertNewItemRow, RefusesRowsOutsideTheTable) {
    TableDocument t = fiveRows();
    EXPECT_FALSE(insertNewItemRow(t, 0));
    EXPECT_FALSE(insertNewItemRow(t, 6));
    EXPECT_EQ(t.rowCount(), 5);
    TableDocument empty;
    EXPECT_FALSE(insertNewItemRow(empty, 1));
}

TEST(DeleteRowSet, RemovesExactlyTheGivenRows) {
    struct {
        std::vector<int32_t> rows;
        int32_t first;
        std::vector<std::string> left;
    } cases[] = {
        {{2, 4}, 2, {"r1", "r3", "r5"}},
        {{4, 2}, 2, {"r1", "r3", "r5"}},
        {{3}, 3, {"r1", "", "r4", "r5"}},  // the row with the empty first field stays
        {{5, 5, 0, 9, -1}, 5, {"r1", "", "r3", "r4"}},
        {{1, 2, 3, 4, 5}, 1, {}},
        {{}, 0, {"r1", "", "r3", "r4", "r5"}},
        {{0, 6}, 0, {"r1", "", "r3", "r4", "r5"}},
    };
    for (const auto& c : cases) {
        TableDocument t = fiveRows();
        EXPECT_EQ(deleteRowSet(t, c.rows), c.first);
        EXPECT_EQ(column(t, 1), c.left);
    }
}

TEST(DeleteRowSet, EmptiedTableTakesNewRowsAgain) {
    TableDocument t = fiveRows();
    deleteRowSet(t, {1, 2, 3, 4, 5});
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.fieldCount(), 2);
    t.appendRow({"x", "y"});
    EXPECT_EQ(column(t, 2), std::vector<std::string>{"y"});
}

TEST(ApplyFieldEdits, WritesOnlyTheChangedBoxes) {
    TableDocument t;
    t.replaceTable({"a", "b", "c"}, {1, 2, 3});
    const std::string withNul("x\0y", 3);
    t.appendRow({"one", withNul, "three"});
    const FieldEdit edits[] = {{1, ""}, {3, "new, \"quoted\" text "}, {4, "no such field"}, {0, "nor this"}};
    EXPECT_EQ(applyFieldEdits(t, 1, edits), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(t.cell(1, 1), "");
    EXPECT_EQ(t.cell(1, 2), withNul);  // no box change: the NUL byte survives
    EXPECT_EQ(t.cell(1, 3), "new, \"quoted\" text ");
    EXPECT_TRUE(applyFieldEdits(t, 2, edits).empty());
}

TEST(ApplyFieldEdits, WideRowSavesEveryFieldExactly) {
    TableDocument t;
    std::vector<std::string> names;
    std::vector<int32_t> sources;
    for (int k = 1; k <= 150; ++k) {
        names.push_back("f" + std::to_string(k));
        sources.push_back(k);
    }
    t.replaceTable(names, sources);
    t.appendRow({});
    std::vector<FieldEdit> edits;
    for (int k = 1; k <= 150; ++k) edits.push_back({k, "v" + std::to_string(k)});
    applyFieldEdits(t, 1, edits);
    for (int k = 1; k <= 150; ++k) EXPECT_EQ(t.cell(1, k), "v" + std::to_string(k));
}

}  // namespace
}  // namespace varnel
