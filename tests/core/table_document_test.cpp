#include "core/table_document.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "core/text.h"

namespace varnel {
namespace {

TableDocument makeTable(std::initializer_list<std::initializer_list<std::string_view>> rows) {
    TableDocument t;
    t.replaceTable({"a", "b", "c"}, {1, 2, 3});
    for (auto r : rows) t.appendRow(r);
    return t;
}

std::string rowText(const TableDocument& t, int32_t r) {
    std::string s;
    for (int32_t f = 1; f <= t.fieldCount(); ++f) s += std::string(t.cell(r, f)) + (f < t.fieldCount() ? "|" : "");
    return s;
}

TEST(TableDocument, StartsEmpty) {
    TableDocument t;
    EXPECT_EQ(t.fieldCount(), 0);
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.fileKind, FileKind::None);
    EXPECT_TRUE(t.currentFileName.empty());
}

TEST(TableDocument, AppendCellSetCell) {
    TableDocument t = makeTable({{"1", "x"}, {"2", "y", "z", "extra"}});
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(rowText(t, 1), "1|x|");
    EXPECT_EQ(rowText(t, 2), "2|y|z");
    t.setCell(1, 3, "a much longer text than before");
    t.setCell(2, 2, "");
    t.setCell(2, 1, "Q");
    EXPECT_EQ(rowText(t, 1), "1|x|a much longer text than before");
    EXPECT_EQ(rowText(t, 2), "Q||z");
}

TEST(TableDocument, SetCellFromOwnCellText) {
    TableDocument t = makeTable({{"abc", "defgh"}});
    t.setCell(1, 1, t.cell(1, 2));  // longer: copied before storage moves
    t.setCell(1, 2, t.cell(1, 1).substr(1));
    EXPECT_EQ(rowText(t, 1), "defgh|efgh|");
}

// A row whose last text makes the storage compact: the row's earlier texts
// must come through it too (they were stored before the row was in the
// table). The first text also points into the table's own storage.
TEST(TableDocument, AppendingARowThatCompactsTheStorageKeepsTheWholeRow) {
    TableDocument t;
    t.replaceTable({"a", "b", "c"}, {1, 2, 3});
    t.limitStorage(2 << 20);
    t.appendRow({std::string((1 << 20) - 8, 'g'), "", ""});
    t.setCell(1, 1, "kept");  // the first megabyte is now garbage
    const std::string last(1 << 20, 'z');
    t.appendRow({t.cell(1, 1), "second", last});
    EXPECT_LT(t.storageBytes(), size_t{3} << 19) << "the storage was compacted";
    EXPECT_EQ(rowText(t, 1), "kept||");
    EXPECT_EQ(t.cell(2, 1), "kept");
    EXPECT_EQ(t.cell(2, 2), "second");
    EXPECT_TRUE(t.cell(2, 3) == last);
    // Both rows stay whole through further edits and another compaction.
    t.setCell(2, 3, "short");
    t.appendRow({"x", std::string(1 << 20, 'y'), "z"});
    EXPECT_EQ(rowText(t, 2), "kept|second|short");
    EXPECT_EQ(t.cell(3, 1), "x");
    EXPECT_EQ(t.cell(3, 2).size(), size_t{1} << 20);
    EXPECT_EQ(t.cell(3, 3), "z");
}

// A row too large for the storage is refused whole: the table keeps its rows.
TEST(TableDocument, ARowTooLargeForTheStorageIsRefusedWhole) {
    TableDocument t = makeTable({{"1", "a", "b"}});
    t.limitStorage(3 << 20);
    const std::string half((3 << 19) + 1, 'h');
    EXPECT_THROW(t.appendRow({"x", half, half}), std::length_error);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(rowText(t, 1), "1|a|b");
    t.appendRow({"x", half, "y"});
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.cell(2, 3), "y");
}

// Row numbers are 32-bit: no way of adding a row goes past the limit (a
// small one here), and a refused row changes nothing.
TEST(TableDocument, RowsStopAtTheLargestRowNumber) {
    TableDocument t = makeTable({{"1"}, {"2"}});
    t.limitRows(3);
    t.insertRowBefore(1);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_THROW(t.appendRow({"4"}), std::length_error);
    EXPECT_THROW(t.insertRowBefore(2), std::length_error);
    const CellSpan none[3] = {};
    EXPECT_THROW(t.appendRowSpans(none), std::length_error);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(rowText(t, 2), "1||");
    EXPECT_EQ(rowText(t, 3), "2||");
    t.deleteRow(1);
    t.appendRow({"4"});
    EXPECT_EQ(rowText(t, 3), "4||");
}

TEST(TableDocument, InsertDeleteExchangeKeepWholeRows) {
    TableDocument t = makeTable({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    t.insertRowBefore(2);
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(rowText(t, 2), "||");
    t.setCell(2, 1, "New Item");
    for (int i = 0; i < 100; ++i) t.insertRowBefore(1);
    EXPECT_EQ(rowText(t, 101), "1|a|");
    EXPECT_EQ(rowText(t, 102), "New Item||");
    EXPECT_EQ(rowText(t, 104), "3|c|");
    t.exchangeRows(101, 104);
    EXPECT_EQ(rowText(t, 101), "3|c|");
    EXPECT_EQ(rowText(t, 104), "1|a|");
    t.deleteRow(102);
    EXPECT_EQ(t.rowCount(), 103);
    EXPECT_EQ(rowText(t, 102), "2|b|");
    const int32_t rows[] = {1, 50, 103};
    t.deleteRows(rows);
    EXPECT_EQ(t.rowCount(), 100);
    EXPECT_EQ(rowText(t, 99), "3|c|");
    EXPECT_EQ(rowText(t, 100), "2|b|");
}

TEST(TableDocument, DeletingEveryRowThenInsertingWorks) {
    TableDocument t = makeTable({{"1"}, {"2"}});
    const int32_t all[] = {1, 2};
    t.deleteRows(all);
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.fieldCount(), 3);
    t.insertRowBefore(1);
    t.setCell(1, 1, "New Item");
    EXPECT_EQ(rowText(t, 1), "New Item||");
}

TEST(TableDocument, AdoptedBufferSpans) {
    const char text[] = "id,name\r\n7,Ann\r\n";
    std::unique_ptr<char[]> buf(new char[sizeof text - 1]);
    std::memcpy(buf.get(), text, sizeof text - 1);
    TableDocument t;
    t.replaceTable({"id", "name"}, {1, 2});
    t.adoptBuffer(std::move(buf), sizeof text - 1);
    const CellSpan row[] = {{9, 1}, {11, 3}};
    t.appendRowSpans(row);
    t.appendRow({"8", "Bob"});
    EXPECT_EQ(rowText(t, 1), "7|Ann");
    EXPECT_EQ(rowText(t, 2), "8|Bob");
    t.setCell(1, 2, "Al");  // shorter: in place
    t.setCell(2, 2, "Roberta");
    EXPECT_EQ(rowText(t, 1), "7|Al");
    EXPECT_EQ(rowText(t, 2), "8|Roberta");
}

TEST(TableDocument, ReplaceTableDropsEverything) {
    TableDocument t = makeTable({{"1"}});
    t.currentFileName = "x.csv";
    t.replaceTable({"only"}, {2});
    EXPECT_EQ(t.fieldCount(), 1);
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.sourceFieldIndex(), std::vector<int32_t>{2});
    EXPECT_EQ(t.columnWeight.size(), 1u);
    EXPECT_EQ(t.currentFileName, "x.csv");
}

TEST(CountFormat, GroupsDigitsByThreeWithCommas) {
    const struct { int64_t value; const char* text; } cases[] = {
        {0, "0"}, {7, "7"}, {999, "999"}, {1000, "1,000"}, {4500, "4,500"},
        {100000, "100,000"}, {1234567, "1,234,567"}, {2147483647, "2,147,483,647"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatCount(c.value), c.text) << c.value;
}

TEST(ShownText, LongTextsAreCutWithAnEllipsis) {
    const struct { std::string_view text; size_t max; std::string_view shown; } cases[] = {
        {"", 5, ""}, {"abcde", 5, "abcde"}, {"abcdef", 5, "ab..."}, {"abcdef", 3, "..."}, {"abcdef", 2, ".."},
    };
    for (const auto& c : cases) EXPECT_EQ(shownText(c.text, c.max), c.shown) << c.text << " " << c.max;
    const std::string huge(100000, 'n');
    const std::string shown = shownText(huge);
    EXPECT_EQ(shown.size(), kMaxShownTextBytes);
    EXPECT_EQ(shown.substr(0, kMaxShownTextBytes - 3), huge.substr(0, kMaxShownTextBytes - 3));
    EXPECT_EQ(shown.substr(kMaxShownTextBytes - 3), "...");
}

TEST(LowerCase, Windows1252Mapping) {
    setLowerCaseTable(windows1252LowerCaseTable());
    EXPECT_EQ(toLower("ABC xyz 123"), "abc xyz 123");
    EXPECT_EQ(toLower("\xC9\xD7\xDE\x8A\x9F"), "\xE9\xD7\xFE\x9A\xFF");
    EXPECT_EQ(toLower("\xDF\xFF"), "\xDF\xFF");  // no capital form: unchanged
}

TEST(TrimSpaces, OnlySpaces) {
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\ta\t "), "\ta\t");
    EXPECT_EQ(trimSpaces("   "), "");
}

}  // namespace
}  // namespace varnel
