#include "core/row_sort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/numeric_value_cases.h"
#include "core/text.h"

namespace varnel {
namespace {

TEST(NumericValue, NumberAtTheStart) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12abc", 12}, {"1,500", 1}, {" 7", 7}, {"\t\n 8", 8}, {"\r9", 0}, {"abc", 0}, {"", 0},
        {"-5", -5}, {"+3.5", 3.5}, {"0.0", 0}, {".25", 0.25}, {"1.2.3", 1.2}, {"-", 0}, {"-.5x", -0.5},
        {"1e3", 1000}, {"1E+2", 100}, {"2.5d-1", 0.25}, {"4D2", 400}, {"3e", 3}, {"3e+", 3}, {"7 e2", 7},
        {"&H1F", 31}, {"&hff", 255}, {"&B101", 5}, {"&b2", 0}, {"&O17", 15}, {"&Q17", 15}, {"&q8", 0},
        {"&17", 15}, {"&", 0}, {"&x", 0}, {"&18", 1}, {"- 5", 0},
        {"0.1", 0.1}, {"123456789012345678901234567890", 1.2345678901234568e29}, {"1e400", INFINITY},
        {"-1e400", -INFINITY}, {"1e-400", 0}, {"0.30000000000000004441", 0.30000000000000004441},
        {"00012.50", 12.5},
    };
    for (const auto& c : cases) EXPECT_EQ(numericValue(c.text), c.value) << c.text;
}

// The value is the nearest double to the whole number the text begins
// with, however long it is or however far its exponent points.
TEST(NumericValue, NearestDoubleToTheWholeNumber) {
    for (const testing::NumberCase& c : testing::numberCases()) {
        const double got = numericValue(c.text);
        EXPECT_EQ(got, c.value) << c.what;
        if (c.value == 0) {
            EXPECT_EQ(std::signbit(got), std::signbit(c.value)) << c.what;
        }
    }
}

TableDocument tableOf(std::vector<std::vector<std::string>> rows) {
    TableDocument t;
    const size_t fields = rows.empty() ? 1 : rows[0].size();
    std::vector<std::string> names;
    std::vector<int32_t> sources;
    for (size_t f = 0; f < fields; ++f) {
        names.push_back("f" + std::to_string(f + 1));
        sources.push_back(static_cast<int32_t>(f + 1));
    }
    t.replaceTable(names, sources);
    for (const auto& r : rows) {
        std::vector<std::string_view> cells(r.begin(), r.end());
        t.appendRow(cells);
    }
    return t;
}

std::vector<std::string> column(const TableDocument& t, int32_t f) {
    std::vector<std::string> out;
    for (int32_t r = 1; r <= t.rowCount(); ++r) out.emplace_back(t.cell(r, f));
    return out;
}

std::vector<RowHandle> handles(const TableDocument& t) {
    return {t.rowHandles().begin(), t.rowHandles().end()};
}

// The sort exactly as the column click is described, step by step, on the
// table itself: values recomputed at every comparison, whole rows exchanged,
// a plain stack.
void referenceSort(TableDocument& t, int32_t c) {
    const int32_t n = t.rowCount();
    if (n < 2) return;
    const int32_t fields = t.fieldCount();
    const std::string_view first = t.cell(1, c);
    const bool numeric = numericValue(first) > 0 || first == "0";
    auto after = [&](int32_t x) { return x + 1 > fields ? 1 : x + 1; };
    const int32_t c1 = after(c), c2 = after(c1), c3 = after(c2);
    auto key = [&](int32_t r) {
        return toLower(std::string(t.cell(r, c)) + std::string(t.cell(r, c1)) + std::string(t.cell(r, c2)) +
                       std::string(t.cell(r, c3)));
    };
    // -1, 0 or 1 as row r compares with the pivot.
    auto cmpNumber = [&](int32_t r, double p) { double v = numericValue(t.cell(r, c)); return v < p ? -1 : v > p ? 1 : 0; };
    auto cmpText = [&](int32_t r, const std::string& p) {
        const std::string k = key(r);
        const size_t m = std::min(k.size(), p.size());
        for (size_t i = 0; i < m; ++i) {
            const unsigned char a = static_cast<unsigned char>(k[i]), b = static_cast<unsigned char>(p[i]);
            if (a != b) return a < b ? -1 : 1;
        }
        return k.size() < p.size() ? -1 : k.size() > p.size() ? 1 : 0;
    };
    std::vector<int32_t> stack;
    int32_t lo = 1, hi = n;
    for (;;) {
        const int32_t mid = (lo / 2) + (hi / 2);
        const double pn = numeric ? numericValue(t.cell(mid, c)) : 0;
        const std::string pt = numeric ? std::string() : key(mid);
        auto cmp = [&](int32_t r) { return numeric ? cmpNumber(r, pn) : cmpText(r, pt); };
        int32_t i = lo, j = hi;
        do {
            while (cmp(i) < 0) ++i;
            while (cmp(j) > 0) --j;
            if (i <= j) {
                if (i < j) t.exchangeRows(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (i < hi) {
            stack.push_back(i);
            stack.push_back(hi);
        }
        hi = j;
        if (lo < hi) continue;
        if (stack.empty()) return;
        hi = stack.back();
        stack.pop_back();
        lo = stack.back();
        stack.pop_back();
    }
}

TEST(SortRows, MatchesTheStepByStepSortOnManyTables) {
    // Few distinct values, so ties are everywhere; case variants, prefixes,
    // numbers that only look alike, and first rows that switch the mode.
    const std::vector<std::string> pool = {"", "a", "A", "b", "ab", "aB", "abc", "1", "01", "2", "10", "0",
                                           "-5", " 7", "1e1", "&H10", "x y", "\xC9", "\xE9", "z", "abcdefghij", "ABCDEFGHIJK", "abcdefgh"};
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        const int fields = 1 + static_cast<int>(rng() % 5);
        const int rows = static_cast<int>(rng() % 40);
        const size_t spread = 2 + rng() % (pool.size() - 1);
        std::vector<std::vector<std::string>> cells(rows);
        for (auto& r : cells)
            for (int f = 0; f < fields; ++f) r.push_back(pool[rng() % spread]);
        const int32_t c = 1 + static_cast<int32_t>(rng() % fields);
        TableDocument fast = tableOf(cells);
        TableDocument slow = tableOf(cells);
        if (rows == 0) fast.replaceTable({"f1"}, {1}), slow.replaceTable({"f1"}, {1});
        sortRowsByColumn(fast, c);
        referenceSort(slow, c);
        ASSERT_EQ(handles(fast), handles(slow)) << "round " << round << " column " << c;
    }
}

TEST(SortRows, LongerColumnsMatchToo) {
    std::mt19937 rng(99);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::vector<std::string>> cells(2000);
        for (auto& r : cells) {
            r.push_back(std::to_string(rng() % 50));
            r.push_back(std::string(1, static_cast<char>('a' + rng() % 3)) + (rng() % 2 ? "X" : "x"));
        }
        if (round % 2) cells[0][0] = "word";
        for (int32_t c : {1, 2}) {
            TableDocument fast = tableOf(cells), slow = tableOf(cells);
            sortRowsByColumn(fast, c);
            referenceSort(slow, c);
            ASSERT_EQ(handles(fast), handles(slow)) << "round " << round << " column " << c;
        }
    }
}

// Long ranges are compared a block of rows at a time from both ends and
// short ones row by row; the exchanges, and so the order of tied rows, must
// be the same whatever the length. Keys longer than eight bytes with long
// common beginnings are compared past the entry's prefix, a word at a time.
TEST(SortRows, RangesAroundTheBlockSizesAndLongKeysMatchToo) {
    std::mt19937 rng(2024);
    const std::vector<std::string> stems = {"", "needle", "NEEDLEWORK", "needlework and more", "needle\xE9",
                                            "abcdefgh", "abcdefgh\x01", "abcdefghabcdefghA", "abcdefghabcdefgh"};
    for (int rows : {63, 64, 65, 127, 128, 129, 130, 191, 192, 255, 256, 257, 300, 513, 1000}) {
        for (int shape = 0; shape < 6; ++shape) {
            std::vector<std::vector<std::string>> cells(static_cast<size_t>(rows));
            for (int r = 0; r < rows; ++r) {
                std::string number, text;
                switch (shape) {
                case 0: number = "7", text = stems[1]; break;                                       // all equal
                case 1: number = std::to_string(rng() % 2), text = stems[1 + rng() % 2]; break;    // two values
                case 2: number = std::to_string(r), text = stems[r % stems.size()] + std::to_string(r); break;
                case 3: number = std::to_string(rows - r), text = std::to_string(rows - r); break;  // descending
                default: number = std::to_string(rng() % 9), text = stems[rng() % stems.size()] + stems[rng() % 3];
                }
                cells[static_cast<size_t>(r)] = {number, text, std::string(1, static_cast<char>('a' + rng() % 3))};
            }
            cells[0][0] = shape % 2 ? "1" : "x";  // numeric or text by row 1
            for (int32_t c : {1, 2, 3}) {
                TableDocument fast = tableOf(cells), slow = tableOf(cells);
                sortRowsByColumn(fast, c);
                referenceSort(slow, c);
                ASSERT_EQ(handles(fast), handles(slow)) << rows << " rows, shape " << shape << ", column " << c;
            }
        }
    }
}

// Runs of rows alike in their first 8, 16 or 24 bytes are told apart from
// there on; keys ending at those marks, or holding a zero byte where a
// shorter key is padded, must still sort as whole keys, ties included.
TEST(SortRows, RowsAlikeInTheirFirstBytesMatchToo) {
    std::mt19937 rng(77);
    const std::string z(1, '\0');
    const std::vector<std::string> names = {"pia jensen", "pia jensen" + z, "pia jens", "pia jensenpia jens",
                                            "pia jensenpia jensenpia j", "farid jensen", "PIA JENSEN",
                                            "pia jensen " + z + "x", "pia jensenpia jensenpia jensen"};
    for (int rows : {2, 9, 64, 65, 200, 1000}) {
        for (int spread : {1, 2, 4, 9}) {
            std::vector<std::vector<std::string>> cells(static_cast<size_t>(rows));
            for (auto& r : cells)
                r = {names[rng() % static_cast<size_t>(spread)], std::string(1, static_cast<char>('a' + rng() % 3)),
                     rng() % 2 ? "Lyon" : "lyon"};
            TableDocument fast = tableOf(cells), slow = tableOf(cells);
            sortRowsByColumn(fast, 1);
            referenceSort(slow, 1);
            ASSERT_EQ(handles(fast), handles(slow)) << rows << " rows of " << spread << " names";
        }
    }
}

TEST(SortRows, NumbersSortAsNumbersOnlyWhenRowOneIsANumber) {
    TableDocument t = tableOf({{"10", "a"}, {"9", "b"}, {"100", "c"}});
    sortRowsByColumn(t, 1);
    EXPECT_EQ(column(t, 1), (std::vector<std::string>{"9", "10", "100"}));

    // Below a word the column is text: 9 after 10 and 100, which are ordered
    // by the bytes of the next column.
    TableDocument w = tableOf({{"word", "m"}, {"100", "a"}, {"9", "a"}, {"10", "b"}});
    sortRowsByColumn(w, 1);
    EXPECT_EQ(column(w, 1), (std::vector<std::string>{"100", "10", "9", "word"}));
    TableDocument w2 = tableOf({{"word", "m"}, {"100", "a"}, {"9", "a"}, {"10", "0"}});
    sortRowsByColumn(w2, 1);
    EXPECT_EQ(column(w2, 1), (std::vector<std::string>{"10", "100", "9", "word"}));

    TableDocument neg = tableOf({{"-5"}, {"3"}, {"-10"}, {"20"}});
    sortRowsByColumn(neg, 1);
    EXPECT_EQ(column(neg, 1), (std::vector<std::string>{"-10", "-5", "20", "3"}));

    TableDocument zero = tableOf({{"0"}, {"3"}, {"-10"}, {"x"}});
    sortRowsByColumn(zero, 1);
    // "0" itself makes the column numeric; a word then counts as 0.
    EXPECT_EQ(column(zero, 1)[0], "-10");
    EXPECT_EQ(column(zero, 1)[3], "3");
}

// Row 1 decides the mode by its value: a number past the range above is a
// number (+infinity), one below it is 0 and leaves the column to text order.
TEST(SortRows, RowOneBeyondTheDoubleRangeDecidesTheModeByItsValue) {
    const std::string huge = "1" + std::string(400, '0');
    TableDocument big = tableOf({{huge}, {"20"}, {"abc"}, {"-3"}, {"1e999"}});
    sortRowsByColumn(big, 1);
    EXPECT_EQ(column(big, 1), (std::vector<std::string>{"-3", "abc", "20", "1e999", huge}));

    TableDocument negative = tableOf({{"-" + std::string(320, '9')}, {"20"}, {"-3"}});
    sortRowsByColumn(negative, 1);
    EXPECT_EQ(column(negative, 1)[0], "-3") << "a negative row 1 sorts as text";

    TableDocument small = tableOf({{"1e-396"}, {"20"}, {"3"}, {"100"}});
    sortRowsByColumn(small, 1);
    EXPECT_EQ(column(small, 1), (std::vector<std::string>{"100", "1e-396", "20", "3"}));
    const std::string tiny = "0." + std::string(400, '0') + "1e5";
    TableDocument zeros = tableOf({{tiny}, {"20"}, {"3"}, {"100"}});
    sortRowsByColumn(zeros, 1);
    EXPECT_EQ(column(zeros, 1), (std::vector<std::string>{tiny, "100", "20", "3"}));
}

TEST(SortRows, TextKeyDetails) {
    // Case ties on the column; the next column decides.
    TableDocument t = tableOf({{"Apple", "2"}, {"apple", "1"}, {"APPLE", "3"}});
    sortRowsByColumn(t, 1);
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"1", "2", "3"}));

    // The joined key lets the next column decide early: ab+z after abc+a.
    TableDocument p = tableOf({{"ab", "z"}, {"abc", "a"}});
    sortRowsByColumn(p, 1);
    EXPECT_EQ(column(p, 1), (std::vector<std::string>{"abc", "ab"}));

    // One field: the cell four times over, so ab sorts after aba.
    TableDocument one = tableOf({{"ab"}, {"aba"}});
    sortRowsByColumn(one, 1);
    EXPECT_EQ(column(one, 1), (std::vector<std::string>{"aba", "ab"}));

    // Bytes above 127 after every ASCII byte; the key wraps to column 1.
    TableDocument hi = tableOf({{"\xE9", "x"}, {"z", "x"}, {"b", "2"}, {"B", "1"}});
    sortRowsByColumn(hi, 2);
    EXPECT_EQ(column(hi, 1), (std::vector<std::string>{"B", "b", "z", "\xE9"}));
}

TEST(SortRows, TwoEqualRowsSwapAtEverySort) {
    TableDocument t = tableOf({{"same", "1"}, {"same", "1"}});
    const std::vector<RowHandle> before = handles(t);
    sortRowsByColumn(t, 1);
    EXPECT_EQ(handles(t), (std::vector<RowHandle>{before[1], before[0]}));
    sortRowsByColumn(t, 1);
    EXPECT_EQ(handles(t), before);
}

TEST(SortRows, NoRowsOrOneRowStay) {
    TableDocument none = tableOf({});
    sortRowsByColumn(none, 1);
    EXPECT_EQ(none.rowCount(), 0);
    TableDocument single = tableOf({{"b", "a"}});
    sortRowsByColumn(single, 2);
    EXPECT_EQ(column(single, 1), std::vector<std::string>{"b"});
}

TEST(SortRows, WholeRowsMoveAndCellsStay) {
    TableDocument t = tableOf({{"3", "c", "x"}, {"1", "a", "y"}, {"2", "b", "z"}});
    t.setCell(2, 3, "edited later");
    sortRowsByColumn(t, 1);
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(column(t, 3), (std::vector<std::string>{"edited later", "z", "x"}));
}

TEST(SortRows, DescendingRunsDoNotOverflowTheStack) {
    // A long organ-pipe column makes many pending ranges.
    std::vector<std::vector<std::string>> cells;
    const int n = 20000;
    for (int i = 0; i < n; ++i) cells.push_back({std::to_string(1 + (i < n / 2 ? i : n - i))});
    TableDocument fast = tableOf(cells), slow = tableOf(cells);
    sortRowsByColumn(fast, 1);
    referenceSort(slow, 1);
    EXPECT_EQ(handles(fast), handles(slow));
    const auto values = column(fast, 1);
    for (size_t i = 1; i < values.size(); ++i) ASSERT_LE(std::stoi(values[i - 1]), std::stoi(values[i]));
}

}  // namespace
}  // namespace varnel
