// Arbitrary small tables sorted by any column: the result is a permutation of
// the rows, in ascending order of the column's numbers or text keys.
#include <algorithm>
#include <string>
#include <vector>

#include "core/row_sort.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"

using namespace varnel;
using varnel::fuzz::ByteSource;

namespace {

std::string textKey(const TableDocument& t, int32_t row, int32_t c) {
    std::string key;
    for (int i = 0; i < 4; ++i) {
        key += toLower(t.cell(row, c));
        c = c + 1 > t.fieldCount() ? 1 : c + 1;
    }
    return key;
}

std::vector<std::string> rowsOf(const TableDocument& t) {
    std::vector<std::string> rows;
    for (int32_t r = 1; r <= t.rowCount(); ++r) {
        std::string s;
        for (int32_t f = 1; f <= t.fieldCount(); ++f) s += std::string(t.cell(r, f)) + '\x01';
        rows.push_back(s);
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const int32_t fields = 1 + in.byte() % 5;
    const int32_t rows = in.byte() % 64;
    const int32_t column = 1 + in.byte() % fields;
    std::vector<std::string> names(static_cast<size_t>(fields), "f");
    std::vector<int32_t> sources;
    for (int32_t k = 1; k <= fields; ++k) sources.push_back(k);
    TableDocument t;
    t.replaceTable(names, sources);
    for (int32_t r = 0; r < rows; ++r) {
        std::vector<std::string> cells;
        for (int32_t f = 0; f < fields; ++f) cells.push_back(in.text(6));
        std::vector<std::string_view> views(cells.begin(), cells.end());
        t.appendRow(views);
    }
    std::vector<std::string> before = rowsOf(t);
    const bool numeric = rows > 0 && (numericValue(t.cell(1, column)) > 0 || t.cell(1, column) == "0");
    sortRowsByColumn(t, column);
    std::vector<std::string> after = rowsOf(t);
    FUZZ_CHECK(t.rowCount() == rows);
    std::vector<std::string> a = before, b = after;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    FUZZ_CHECK(a == b);
    // std::string compares bytes as unsigned values, as the text sort does.
    for (int32_t r = 1; r < rows; ++r) {
        if (numeric)
            FUZZ_CHECK(!(numericValue(t.cell(r, column)) > numericValue(t.cell(r + 1, column))));
        else
            FUZZ_CHECK(textKey(t, r, column) <= textKey(t, r + 1, column));
    }
    return 0;
}
