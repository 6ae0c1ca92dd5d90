#include "core/row_sort.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"

namespace varnel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

double radixValue(const char* p, const char* end, int base) {
    double v = 0;
    for (; p < end; ++p) {
        const int d = digitValue(*p);
        if (d >= base) break;
        v = v * base + d;
    }
    return v;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The decimal number at p: sign, digits with at most one point, exponent.
double decimalValue(const char* p, const char* end) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* intBegin = p;
    while (p < end && isDigit(*p)) ++p;
    const char* intEnd = p;
    const char* fracBegin = p;
    const char* fracEnd = p;
    if (p < end && *p == '.') {
        fracBegin = ++p;
        while (p < end && isDigit(*p)) ++p;
        fracEnd = p;
    }
    const size_t intDigits = static_cast<size_t>(intEnd - intBegin);
    const size_t fracDigits = static_cast<size_t>(fracEnd - fracBegin);
    if (intDigits + fracDigits == 0) return 0.0;
    const char* expBegin = nullptr;
    const char* expEnd = nullptr;
    bool expNegative = false;
    if (p < end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
        const char* q = p + 1;
        bool sign = false;
        if (q < end && (*q == '+' || *q == '-')) {
            sign = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {
            expNegative = sign;
            expBegin = q;
            while (q < end && isDigit(*q)) ++q;
            expEnd = q;
        }
    }

    // Exact fast path: up to 15 digits and no exponent. Both the digits and
    // the power of ten are exact doubles, so the one division rounds right.
    if (!expBegin && intDigits + fracDigits <= 15) {
        uint64_t m = 0;
        for (const char* d = intBegin; d < intEnd; ++d) m = m * 10 + static_cast<uint64_t>(*d - '0');
        for (const char* d = fracBegin; d < fracEnd; ++d) m = m * 10 + static_cast<uint64_t>(*d - '0');
        const double v = static_cast<double>(m) / kPowersOfTen[fracDigits];
        return negative ? -v : v;
    }

    // General case: a plain "digits.digitseNN" text for from_chars, which
    // does not depend on the locale.
    std::string text;
    text.reserve(intDigits + fracDigits + 4 + static_cast<size_t>(expEnd - expBegin));
    if (intDigits == 0) text.push_back('0');
    text.append(intBegin, intEnd);
    if (fracDigits) {
        text.push_back('.');
        text.append(fracBegin, fracEnd);
    }
    if (expBegin) {
        text.push_back('e');
        if (expNegative) text.push_back('-');
        text.append(expBegin, expEnd);
    }
    double v = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
    if (result.ec == std::errc::result_out_of_range)
        v = (expBegin && !expNegative) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -v : v;
}

// A row's place in the sort: its handle and its key.
struct NumberEntry {
    double value;
    RowHandle handle;
};
struct TextEntry {
    uint64_t offset;  // into the key arena
    uint32_t length;
    RowHandle handle;
};

struct NumberOrder {
    using Entry = NumberEntry;
    using Pivot = double;
    Pivot pivotOf(const Entry& e) const { return e.value; }
    bool less(const Entry& e, Pivot p) const { return e.value < p; }
    bool greater(const Entry& e, Pivot p) const { return e.value > p; }
};

struct TextOrder {
    using Entry = TextEntry;
    using Pivot = std::string_view;
    const char* arena;
    Pivot pivotOf(const Entry& e) const { return {arena + e.offset, e.length}; }
    int compare(const Entry& e, Pivot p) const {
        const size_t n = e.length < p.size() ? e.length : p.size();
        const int c = n ? std::memcmp(arena + e.offset, p.data(), n) : 0;
        if (c != 0) return c;
        return e.length < p.size() ? -1 : (e.length > p.size() ? 1 : 0);
    }
    bool less(const Entry& e, Pivot p) const { return compare(e, p) < 0; }
    bool greater(const Entry& e, Pivot p) const { return compare(e, p) > 0; }
};

// The quicksort with its fixed partitioning: the middle is lo \ 2 + hi \ 2
// of the 1-based bounds, the pivot value is taken once, equal values stop
// both scans and are exchanged, the left part goes on at once and the right
// part waits on a stack. Tied rows end up where exactly this leaves them.
template <typename Order>
void partitionSort(std::vector<typename Order::Entry>& entries, const Order& order) {
    using Entry = typename Order::Entry;
    const int64_t count = static_cast<int64_t>(entries.size());
    if (count < 2) return;
    Entry* e = entries.data() - 1;  // 1-based
    std::vector<std::pair<int64_t, int64_t>> pending;
    pending.reserve(static_cast<size_t>(count / 5 + 11) / 2 + 1);
    int64_t lo = 1;
    int64_t hi = count;
    for (;;) {
        const int64_t mid = lo / 2 + hi / 2;
        const typename Order::Pivot pivot = order.pivotOf(e[mid]);
        int64_t i = lo;
        int64_t j = hi;
        do {
            while (order.less(e[i], pivot)) ++i;
            while (order.greater(e[j], pivot)) --j;
            if (i <= j) {
                if (i < j) std::swap(e[i], e[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (i < hi) pending.emplace_back(i, hi);
        hi = j;
        if (lo < hi) continue;
        if (pending.empty()) return;
        lo = pending.back().first;
        hi = pending.back().second;
        pending.pop_back();
    }
}

int32_t nextColumn(int32_t column, int32_t fields) { return column + 1 > fields ? 1 : column + 1; }

}  // namespace

double numericValue(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    if (p == end) return 0.0;
    if (*p == '&') {
        ++p;
        if (p == end) return 0.0;
        switch (*p) {
        case 'B': case 'b': return radixValue(p + 1, end, 2);
        case 'H': case 'h': return radixValue(p + 1, end, 16);
        case 'O': case 'o': case 'Q': case 'q': return radixValue(p + 1, end, 8);
        default: return radixValue(p, end, 8);
        }
    }
    return decimalValue(p, end);
}

void sortRowsByColumn(TableDocument& table, int32_t column) {
    const int32_t rows = table.rowCount();
    const int32_t fields = table.fieldCount();
    if (rows < 2 || column < 1 || column > fields) return;
    std::span<RowHandle> handles = table.rowHandles();

    const std::string_view first = table.cell(1, column);
    if (numericValue(first) > 0 || first == "0") {
        std::vector<NumberEntry> entries(static_cast<size_t>(rows));
        for (size_t r = 0; r < entries.size(); ++r)
            entries[r] = {numericValue(table.cellOfHandle(handles[r], column)), handles[r]};
        partitionSort(entries, NumberOrder{});
        for (size_t r = 0; r < entries.size(); ++r) handles[r] = entries[r].handle;
        return;
    }

    // Text: each row's key is four lower-cased cells joined, made once into
    // one arena.
    const int32_t c1 = nextColumn(column, fields);
    const int32_t c2 = nextColumn(c1, fields);
    const int32_t c3 = nextColumn(c2, fields);
    const int32_t keyColumns[] = {column, c1, c2, c3};
    uint64_t arenaSize = 0;
    for (RowHandle h : handles)
        for (int32_t c : keyColumns) arenaSize += table.cellOfHandle(h, c).size();
    if (arenaSize > std::numeric_limits<size_t>::max()) throw std::bad_alloc();
    std::unique_ptr<char[]> arena(new char[arenaSize ? static_cast<size_t>(arenaSize) : 1]);
    std::vector<TextEntry> entries(static_cast<size_t>(rows));
    const LowerCaseTable& lower = lowerCaseTable();
    char* out = arena.get();
    for (size_t r = 0; r < entries.size(); ++r) {
        const char* start = out;
        for (int32_t c : keyColumns) {
            const std::string_view cellText = table.cellOfHandle(handles[r], c);
            for (char ch : cellText) *out++ = static_cast<char>(lower[static_cast<unsigned char>(ch)]);
        }
        entries[r] = {static_cast<uint64_t>(start - arena.get()), static_cast<uint32_t>(out - start), handles[r]};
    }
    partitionSort(entries, TextOrder{arena.get()});
    for (size_t r = 0; r < entries.size(); ++r) handles[r] = entries[r].handle;
}

}  // namespace varnel
