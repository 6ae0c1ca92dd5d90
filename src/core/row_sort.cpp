#include "core/row_sort.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/large_memory.h"
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

// The x87 unit of 32-bit x86 rounds every result to 64 bits and again to 53
// when it is stored: m / 10^k then misses the nearest double for about one
// short decimal in two thousand, and so does the library's own m * 10^k.
// Numbers are read with the unit set to the 53 bits of a double; also when
// the program's own arithmetic is SSE2, since the C library's conversion
// (used for long numbers) still computes on the x87 unit.
#if defined(__i386__) && defined(__GNUC__)
class DoublePrecisionScope {
public:
    DoublePrecisionScope() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const unsigned short wanted = static_cast<unsigned short>((saved_ & ~0x300u) | 0x200u);
        __asm__ volatile("fldcw %0" : : "m"(wanted) : "memory");
    }
    ~DoublePrecisionScope() { __asm__ volatile("fldcw %0" : : "m"(saved_) : "memory"); }
    DoublePrecisionScope(const DoublePrecisionScope&) = delete;
    DoublePrecisionScope& operator=(const DoublePrecisionScope&) = delete;

private:
    unsigned short saved_ = 0;
};
#else
struct DoublePrecisionScope {};
#endif

// top * 2^shift, plus something below the last bit of `top` when `below` is
// set, rounded to the nearest double (ties to even); +infinity past the range.
double roundedBinary(uint64_t top, uint64_t shift, bool below) {
    if (top == 0) return 0.0;
    const int width = std::bit_width(top);
    if (width > 53) {
        const int cut = width - 53;
        const uint64_t rest = top & ((uint64_t{1} << cut) - 1);
        const uint64_t half = uint64_t{1} << (cut - 1);
        top >>= cut;
        shift += static_cast<uint64_t>(cut);
        if (rest > half || (rest == half && (below || (top & 1)))) {
            ++top;
            if (top >> 53) {
                top >>= 1;
                ++shift;
            }
        }
    }
    // The largest double is just below 2^1024.
    if (shift + static_cast<uint64_t>(std::bit_width(top)) > 1024) return std::numeric_limits<double>::infinity();
    return std::ldexp(static_cast<double>(top), static_cast<int>(shift));
}

// An integer in base 2, 8 or 16: its leading 60 or so bits are kept exactly,
// later digits only raise the exponent and tell whether anything is below.
double radixValue(const char* p, const char* end, int base) {
    const int bits = base == 2 ? 1 : base == 8 ? 3 : 4;
    uint64_t top = 0;
    uint64_t shift = 0;
    bool below = false;
    for (; p < end; ++p) {
        const int d = digitValue(*p);
        if (d >= base) break;
        if ((top >> (64 - bits)) == 0) {
            top = (top << bits) | static_cast<uint64_t>(d);
        } else {
            shift += static_cast<uint64_t>(bits);
            below = below || d != 0;
        }
    }
    return roundedBinary(top, shift, below);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Decimal exponents are read up to this size: far past any digit count, so a
// larger one decides nothing more.
constexpr int64_t kExponentCap = int64_t{1} << 50;

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
    if (result.ec == std::errc::result_out_of_range) {
        // Past the range of a double either way: above 1e308 or below
        // 1e-324. The power of ten of the first significant digit, with the
        // exponent, tells which.
        int64_t magnitude = 0;
        const char* first = intBegin;
        while (first < intEnd && *first == '0') ++first;
        if (first < intEnd) {
            magnitude = intEnd - first - 1;
        } else {
            first = fracBegin;
            while (first < fracEnd && *first == '0') ++first;
            if (first == fracEnd) return negative ? -0.0 : 0.0;
            magnitude = -(first - fracBegin) - 1;
        }
        int64_t exponent = 0;
        for (const char* d = expBegin; d && d < expEnd && exponent < kExponentCap; ++d)
            exponent = exponent * 10 + (*d - '0');
        magnitude += expNegative ? -exponent : exponent;
        v = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -v : v;
}

// The number at the start of a text, without the precision setting.
[[gnu::noinline]] double numberAt(std::string_view text) {
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

// A row's place in the sort: its handle and its key, 16 bytes.
struct NumberEntry {
    double value;
    RowHandle handle;
};
// The eight bytes at p as a number that compares as the bytes do.
inline uint64_t bigEndianWord(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__GNUC__)
    return __builtin_bswap64(v);
#else
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | p[i];
    return r;
#endif
}

struct TextEntry {
    // 8 bytes of the key from its range's depth on (at first its first 8),
    // big-endian, zero-padded past its end.
    uint64_t prefix;
    uint32_t key;     // where the key lies in the arena, in 4-byte units
    RowHandle handle;
};

// Row numbers in the sort. The entries of all rows fit in memory, so a
// pointer-sized integer holds every row number and one past the last; on a
// 32-bit build that keeps the loops in single registers.
using Row = std::ptrdiff_t;

struct NumberOrder {
    using Entry = NumberEntry;
    using Pivot = double;
    uint32_t depth = 0;  // no meaning for numbers
    NumberOrder refine(Entry*, Row) const { return *this; }
    Pivot pivotOf(const Entry& e) const { return e.value; }
    bool less(const Entry& e, Pivot p) const { return e.value < p; }
    bool greater(const Entry& e, Pivot p) const { return e.value > p; }
};

// Text keys in one arena: at 4-byte unit k, the key's length (4 bytes),
// then its bytes, then padding to the next unit; after the last key, room
// to read a word past it.
//
// A range of rows whose keys all share their first `depth` bytes is
// compared from there on: its entries' prefixes hold the 8 bytes from
// `depth`. Every comparison gives what comparing the whole keys gives, so
// the sort makes the same exchanges; only fewer comparisons read the keys.
struct TextOrder {
    using Entry = TextEntry;
    struct Pivot {
        uint64_t prefix;
        const unsigned char* bytes;
        uint32_t length;
    };
    const char* arena;
    uint32_t depth = 0;

    // The order for sorting `count` entries of this order's range: while
    // all their prefixes are the same and no key ends within them, the
    // next 8 bytes become the prefixes. Long runs of rows alike in their
    // first bytes (names sharing their beginnings) are then told apart by
    // the entries alone instead of a read of each key per comparison.
    TextOrder refine(Entry* entries, Row count) const {
        TextOrder order = *this;
        for (;;) {
            // The prefixes first, from the entries alone: most ranges differ
            // at once; only a range alike in them reads its keys.
            const uint64_t first = entries[0].prefix;
            for (Row k = 1; k < count; ++k)
                if (entries[k].prefix != first) return order;
            const uint32_t next = order.depth + 8;
            for (Row k = 0; k < count; ++k)
                if (lengthOf(entries[k].key) < next) return order;
            for (Row k = 0; k < count; ++k) entries[k].prefix = prefixAt(entries[k].key, next);
            order.depth = next;
        }
    }
    // The key's 8 bytes from `from` (at most its length), zero-padded.
    uint64_t prefixAt(uint32_t key, uint32_t from) const {
        const uint32_t length = lengthOf(key);
        uint64_t word = bigEndianWord(bytesOf(key) + from);
        if (length - from < 8) word &= ~(~uint64_t{0} >> (8 * (length - from)));
        return word;
    }

    uint32_t lengthOf(uint32_t key) const {
        uint32_t n;
        std::memcpy(&n, arena + static_cast<size_t>(key) * 4, 4);
        return n;
    }
    const unsigned char* bytesOf(uint32_t key) const {
        return reinterpret_cast<const unsigned char*>(arena + static_cast<size_t>(key) * 4 + 4);
    }
    Pivot pivotOf(const Entry& e) const { return {e.prefix, bytesOf(e.key), lengthOf(e.key)}; }
    // Byte by byte as unsigned values; a key that is the beginning of the
    // other is smaller. Equal prefixes mean the first min(depth + 8,
    // lengths) bytes are equal already; the rest is compared eight bytes at
    // a time.
    bool less(const Entry& e, const Pivot& p) const {
        if (e.prefix != p.prefix) return e.prefix < p.prefix;
        return beyondPrefix(e, p) < 0;
    }
    bool greater(const Entry& e, const Pivot& p) const {
        if (e.prefix != p.prefix) return e.prefix > p.prefix;
        return beyondPrefix(e, p) > 0;
    }

private:
    int beyondPrefix(const Entry& e, const Pivot& p) const {
        const uint32_t length = lengthOf(e.key);
        const uint32_t shorter = length < p.length ? length : p.length;
        const unsigned char* a = bytesOf(e.key);
        for (uint32_t i = depth + 8; i < shorter; i += 8) {
            uint64_t x = bigEndianWord(a + i), y = bigEndianWord(p.bytes + i);
            if (shorter - i < 8) {
                const uint64_t keep = ~uint64_t{0} << (8 * (8 - (shorter - i)));
                x &= keep;
                y &= keep;
            }
            if (x != y) return x < y ? -1 : 1;
        }
        return length < p.length ? -1 : (length > p.length ? 1 : 0);
    }
};

// One partition step of the quicksort, on rows i..j (1-based, e(row) the
// entry): the scan from the left stops at a row not less than the pivot,
// the scan from the right at a row not greater, the two are exchanged and
// both scans go on, until they cross. On return i and j are where the scans
// ended.
//
// Which rows get exchanged follows from the comparisons alone: the k-th
// stop of the left scan is exchanged with the k-th stop of the right scan
// as long as the first lies left of the second. So the rows are compared a
// block at a time from both ends, with no branch on the outcome, and the
// stops are paired up; once the blocks from the two ends would meet, the
// plain scans go on from the last exchange and end exactly as they would
// have from the start.
template <typename Order, typename At>
void partitionRange(const Order& order, const typename Order::Pivot& pivot, At&& e, Row& i, Row& j) {
    constexpr Row kBlock = 64;
    uint8_t leftStops[kBlock], rightStops[kBlock];
    int leftCount = 0, leftUsed = 0, rightCount = 0, rightUsed = 0;
    Row leftBase = 0, rightBase = 0;     // row of offset 0 in each block
    Row leftNext = i, rightNext = j;     // first rows not yet compared
    bool exchanged = false;
    Row lastLeft = 0, lastRight = 0;
    for (;;) {
        const bool needLeft = leftUsed == leftCount, needRight = rightUsed == rightCount;
        if (rightNext - leftNext + 1 < kBlock * ((needLeft ? 1 : 0) + (needRight ? 1 : 0))) break;
        if (needLeft) {
            leftBase = leftNext;
            leftCount = leftUsed = 0;
            for (int t = 0; t < kBlock; ++t) {
                leftStops[leftCount] = static_cast<uint8_t>(t);
                leftCount += !order.less(e(leftBase + t), pivot);
            }
            leftNext += kBlock;
        }
        if (needRight) {
            rightBase = rightNext;
            rightCount = rightUsed = 0;
            for (int t = 0; t < kBlock; ++t) {
                rightStops[rightCount] = static_cast<uint8_t>(t);
                rightCount += !order.greater(e(rightBase - t), pivot);
            }
            rightNext -= kBlock;
        }
        const int pairs = std::min(leftCount - leftUsed, rightCount - rightUsed);
        for (int k = 0; k < pairs; ++k) {
            lastLeft = leftBase + leftStops[leftUsed + k];
            lastRight = rightBase - rightStops[rightUsed + k];
            std::swap(e(lastLeft), e(lastRight));
        }
        exchanged = exchanged || pairs > 0;
        leftUsed += pairs;
        rightUsed += pairs;
    }
    if (exchanged) {
        // As the plain loop stands after that exchange.
        i = lastLeft + 1;
        j = lastRight - 1;
        if (i > j) return;
    }
    do {
        while (order.less(e(i), pivot)) ++i;
        while (order.greater(e(j), pivot)) --j;
        if (i <= j) {
            if (i < j) std::swap(e(i), e(j));
            ++i;
            --j;
        }
    } while (i <= j);
}

// The quicksort with its fixed partitioning: the middle is lo \ 2 + hi \ 2
// of the 1-based bounds, the pivot value is taken once, equal values stop
// both scans and are exchanged, the left part goes on at once and the right
// part waits on a stack. Tied rows end up where exactly this leaves them.
template <typename Order>
void partitionSort(typename Order::Entry* entries, Row count, const Order& order) {
    if (count < 2) return;
    auto e = [entries](Row row) -> typename Order::Entry& { return entries[row - 1]; };
    // A range waiting, with the depth its rows are compared from.
    struct Range {
        Row lo, hi;
        uint32_t depth;
    };
    std::vector<Range> pending;
    pending.reserve(static_cast<size_t>(count / 5 + 11) / 2 + 1);
    Row lo = 1;
    Row hi = count;
    Order current = order;
    for (;;) {
        current = current.refine(&e(lo), hi - lo + 1);
        const Row mid = lo / 2 + hi / 2;
        const typename Order::Pivot pivot = current.pivotOf(e(mid));
        Row i = lo;
        Row j = hi;
        partitionRange(current, pivot, e, i, j);
        if (i < hi) pending.push_back({i, hi, current.depth});
        hi = j;
        if (lo < hi) continue;
        if (pending.empty()) return;
        lo = pending.back().lo;
        hi = pending.back().hi;
        current = order;
        current.depth = pending.back().depth;
        pending.pop_back();
    }
}

// Storage for the sort that is not zeroed first: every entry is written once
// before it is read.
template <typename T>
std::unique_ptr<T[]> uninitialised(size_t count) {
    std::unique_ptr<T[]> block(new T[count ? count : 1]);
    adviseLargeBlock(block.get(), count * sizeof(T));
    return block;
}

int32_t nextColumn(int32_t column, int32_t fields) { return column + 1 > fields ? 1 : column + 1; }

}  // namespace

double numericValue(std::string_view text) {
    [[maybe_unused]] const DoublePrecisionScope precision;
    return numberAt(text);
}

void sortRowsByColumn(TableDocument& table, int32_t column) {
    const int32_t rows = table.rowCount();
    const int32_t fields = table.fieldCount();
    if (rows < 2 || column < 1 || column > fields) return;
    std::span<RowHandle> handles = table.rowHandles();

    const std::string_view first = table.cell(1, column);
    const size_t n = static_cast<size_t>(rows);
    if (numericValue(first) > 0 || first == "0") {
        std::unique_ptr<NumberEntry[]> entries = uninitialised<NumberEntry>(n);
        for (size_t r = 0; r < n; ++r) {
            // Rows of a sorted table lie anywhere in memory: ask for them ahead.
            if (r + 16 < n) table.prefetchRowSpans(handles[r + 16]);
            if (r + 8 < n) table.prefetchRowCells(handles[r + 8]);
            entries[r] = {numericValue(table.cellOfHandle(handles[r], column)), handles[r]};
        }
        partitionSort(entries.get(), rows, NumberOrder{});
        for (size_t r = 0; r < n; ++r) handles[r] = entries[r].handle;
        return;
    }

    // Text: each row's key is four lower-cased cells joined, made once into
    // one arena.
    const int32_t c1 = nextColumn(column, fields);
    const int32_t c2 = nextColumn(c1, fields);
    const int32_t c3 = nextColumn(c2, fields);
    const int32_t keyColumns[] = {column, c1, c2, c3};
    uint64_t arenaSize = 0;
    for (RowHandle h : handles) {
        uint64_t length = 0;
        for (int32_t c : keyColumns) length += table.cellOfHandle(h, c).size();
        if (length > 0xFFFFFFFFu) throw std::length_error("sort key too long");
        arenaSize += 4 + ((length + 3) & ~uint64_t{3});
    }
    if (arenaSize / 4 > 0xFFFFFFFFu || arenaSize > std::numeric_limits<size_t>::max())
        throw std::length_error("sort keys too large");
    // Eight bytes more: comparisons read whole words past a key's end.
    constexpr size_t kSlack = 8;
    std::unique_ptr<char[]> arena = uninitialised<char>(static_cast<size_t>(arenaSize) + kSlack);
    std::unique_ptr<TextEntry[]> entries = uninitialised<TextEntry>(n);
    char* out = arena.get();
    for (size_t r = 0; r < n; ++r) {
        // Rows of a sorted table lie anywhere in memory: ask for them ahead.
        if (r + 16 < n) table.prefetchRowSpans(handles[r + 16]);
        if (r + 8 < n) table.prefetchRowCells(handles[r + 8]);
        char* start = out;
        out += 4;
        for (int32_t c : keyColumns) {
            const std::string_view cellText = table.cellOfHandle(handles[r], c);
            out = lowerCopy(out, cellText.data(), cellText.size());
        }
        const uint32_t length = static_cast<uint32_t>(out - start - 4);
        std::memcpy(start, &length, 4);
        while ((out - arena.get()) & 3) *out++ = 0;
        std::memset(out, 0, kSlack);  // a zero-padded prefix; the next key overwrites it
        uint64_t prefix = bigEndianWord(reinterpret_cast<const unsigned char*>(start + 4));
        if (length < 8) prefix &= ~(~uint64_t{0} >> (8 * length));
        entries[r] = {prefix, static_cast<uint32_t>((start - arena.get()) / 4), handles[r]};
    }
    partitionSort(entries.get(), rows, TextOrder{arena.get()});
    for (size_t r = 0; r < n; ++r) handles[r] = entries[r].handle;
}

}  // namespace varnel
