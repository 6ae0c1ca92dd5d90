#include "edit/new_table.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

// Every byte 6 pixels wide: easy weights to check by hand.

TEST(CollectFieldNames, TrimsSpacesOnlyAndSkipsEmptyBoxes) {
    struct {
        std::vector<std::string> boxes;
        std::vector<std::string> names;
    } cases[] = {
        {{"a", "", "  c  "}, {"a", "c"}},
        {{"   ", " ", ""}, {}},
        {{"\tx\t", " two words "}, {"\tx\t", "two words"}},
        {{"dup", "dup", "a,b\"c"}, {"dup", "dup", "a,b\"c"}},
        {{}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(collectFieldNames(c.boxes), c.names);
}

TEST(DefineNewTable, OneNewItemRowAndNoWeightsYet) {
    TableDocument t;
    t.replaceTable({"old1", "old2", "old3", "old4"}, {1, 2, 3, 4});
    t.appendRow({"x", "y"});
    t.totalColumnWeight = 500;

    ASSERT_TRUE(defineNewTable(t, {"a", "name"}));
    EXPECT_EQ(t.fieldCount(), 2);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.fieldNames(), (std::vector<std::string>{"a", "name"}));
    EXPECT_EQ(t.sourceFieldIndex(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(t.cell(1, 1), "New Item");
    EXPECT_EQ(t.cell(1, 2), "");
    // The old table's weights are gone: the list shares its width by the
    // names until the cells say more.
    EXPECT_EQ(t.columnWeight, (std::vector<double>{0, 0}));
    EXPECT_EQ(t.totalColumnWeight, 0);
}

TEST(DefineNewTable, OneFieldHoldsJustNewItem) {
    TableDocument t;
    ASSERT_TRUE(defineNewTable(t, {"only"}));
    EXPECT_EQ(t.fieldCount(), 1);
    EXPECT_EQ(t.cell(1, 1), "New Item");
}

TEST(DefineNewTable, NoNamesLeavesTheTableAlone) {
    TableDocument t;
    t.replaceTable({"keep"}, {1});
    t.appendRow({"row"});
    EXPECT_FALSE(defineNewTable(t, collectFieldNames(std::vector<std::string>{"  ", ""})));
    EXPECT_EQ(t.fieldNames(), std::vector<std::string>{"keep"});
    EXPECT_EQ(t.cell(1, 1), "row");
}

}  // namespace
}  // namespace varnel
