#include "core/delimited_read.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/byte_blocks.h"
#include "core/large_memory.h"
#include "core/text.h"

namespace varnel {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfData = 26;

uint64_t defaultMaxReadableFileSize() {
    // Offsets of cells are 32-bit; a 32-bit process also needs room beside
    // the file's bytes for the cell spans, so it stops at half its space.
    if constexpr (sizeof(void*) < 8) return 0x7FFFFFFFull;
    return TableDocument::kMaxStorage;
}

uint64_t gMaxReadableFileSize = defaultMaxReadableFileSize();

const char* findByte(const char* from, const char* end, char byte) {
    if (from >= end) return nullptr;
    return static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(end - from)));
}

// One field of a CSV line, as a range of the line; `hasDoubledQuotes` tells
// that the range still holds "" pairs that read as one quote.
struct CsvField {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool hasDoubledQuotes = false;
};

// The first `byte` in [from, end), or null. Fields are short, so this
// looks at 16 bytes per step rather than calling a library search per field.
const char* findShort(const char* from, const char* end, char byte) {
    const char* p = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (mask) return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    for (; p < end; ++p)
        if (*p == byte) return p;
    return nullptr;
}

// The closing quote of a quoted field whose opening quote is just before
// `from`: a quote not followed by another quote (a "" pair is one quote
// of the text). Null when the field is not closed on this line.
const char* closingQuote(const char* from, const char* end, bool& doubled) {
    for (const char* q = findShort(from, end, '"'); q; q = findShort(q + 2, end, '"')) {
        if (q + 1 < end && q[1] == '"') {
            doubled = true;
            continue;
        }
        return q;
    }
    return nullptr;
}

// Reads the CSV field that starts at `p` (spaces before it not yet skipped).
// Returns false when the line has no more fields there. Otherwise fills
// `field` and sets `next` to the start of the next field, or to null when
// no comma follows (this was the line's last field).
bool nextCsvField(const char* p, const char* end, CsvField& field, const char*& next) {
    while (p < end && *p == ' ') ++p;
    if (p == end) return false;
    if (*p == '"') {
        bool doubled = false;
        const char* close = closingQuote(p + 1, end, doubled);
        field = {p + 1, close ? close : end, doubled};
        if (!close) {
            next = nullptr;
            return true;
        }
        // Bytes between the closing quote and the next comma are dropped.
        const char* comma = findShort(close + 1, end, ',');
        next = comma ? comma + 1 : nullptr;
        return true;
    }
    const char* comma = findShort(p, end, ',');
    const char* fieldEnd = comma ? comma : end;
    while (fieldEnd > p && fieldEnd[-1] == ' ') --fieldEnd;
    field = {p, fieldEnd, false};
    next = comma ? comma + 1 : nullptr;
    return true;
}

// Turns each "" pair of the range into one quote, moving bytes down in
// place. Returns the new end.
char* undoubleQuotes(char* begin, char* end) {
    char* w = begin;
    for (char* r = begin; r < end; ++r) {
        *w++ = *r;
        if (*r == '"' && r + 1 < end && r[1] == '"') ++r;
    }
    return w;
}

std::string csvFieldText(const CsvField& f) {
    std::string s(f.begin, f.end);
    if (f.hasDoubledQuotes) s.resize(static_cast<size_t>(undoubleQuotes(s.data(), s.data() + s.size()) - s.data()));
    return s;
}

// Calls `visit(index, begin, end, doubled)` for the fields 1..lastField of a
// line (fewer when the line has fewer). Every kind's rules in one place.
template <typename Visit>
void forEachField(std::string_view line, FileKind kind, int32_t lastField, Visit&& visit) {
    if (lastField < 1) return;
    const char* p = line.data();
    const char* end = p + line.size();
    // The loops end at lastField before the field number is raised again.
    if (rulesOf(kind).quotedFields) {
        for (int32_t i = 1; p; ++i) {
            CsvField f;
            const char* next = nullptr;
            if (!nextCsvField(p, end, f, next)) return;
            visit(i, f.begin, f.end, f.hasDoubledQuotes);
            if (i == lastField) return;
            p = next;
        }
        return;
    }
    const char delimiter = rulesOf(kind).delimiter;
    for (int32_t i = 1;; ++i) {
        const char* d = findShort(p, end, delimiter);
        visit(i, p, d ? d : end, false);
        if (!d || i == lastField) return;
        p = d + 1;
    }
}

ReadResult tooLarge(const std::string& path) {
    return {false, "The file \"" + path + "\" is too large to load.", true};
}

std::string counted(uint64_t count, const char* one, const char* many) {
    return formatCount(static_cast<int64_t>(count)) + " " + (count == 1 ? one : many);
}

ReadResult tooManyCells(const std::string& path, uint64_t rows, uint64_t fields) {
    return {false,
            "The file \"" + path + "\" holds " + counted(rows, "row", "rows") + " of " +
                counted(fields, "field", "fields") + ", too many to load.",
            true};
}

// Whether a table of `rows` rows of `fields` cells fits, with the file's
// `fileBytes`, in `available` bytes: each cell is a span, each row a handle.
bool tableFits(uint64_t rows, uint64_t fields, uint64_t fileBytes, uint64_t available) {
    if (fileBytes > available) return false;
    const uint64_t perRow = fields * sizeof(CellSpan) + sizeof(RowHandle);
    return rows <= (available - fileBytes) / perRow;
}

// What one pass over a file's bytes tells before the split: where the data
// ends (the first byte 26, or the end) and how many CR and LF bytes lie
// before that.
struct DataShape {
    size_t size = 0;
    size_t crs = 0;
    size_t lfs = 0;
};

DataShape shapeOf(const char* bytes, size_t size) {
    DataShape shape;
    size_t i = 0;
#if defined(__SSE2__)
    // Per-byte counters in vectors, summed before they wrap (a step of 64
    // bytes adds up to 4, so every 63 steps); byte 26 is looked for once
    // per step.
    const __m128i cr = _mm_set1_epi8(kCr), lf = _mm_set1_epi8(kLf), stop = _mm_set1_epi8(kEndOfData);
    const __m128i zero = _mm_setzero_si128();
    auto at = [&](size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k)); };
    while (size - i >= 64) {
        __m128i crCount = zero, lfCount = zero;
        const size_t steps = std::min<size_t>((size - i) / 64, 63);
        size_t b = 0;
        for (; b < steps; ++b) {
            const size_t k = i + 64 * b;
            const __m128i v0 = at(k), v1 = at(k + 16), v2 = at(k + 32), v3 = at(k + 48);
            const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v0, stop), _mm_cmpeq_epi8(v1, stop)),
                                               _mm_or_si128(_mm_cmpeq_epi8(v2, stop), _mm_cmpeq_epi8(v3, stop)));
            if (_mm_movemask_epi8(stops)) break;
            // Each compare gives -1 per hit; a byte's four hits at most fit.
            crCount = _mm_sub_epi8(crCount, _mm_add_epi8(_mm_add_epi8(_mm_cmpeq_epi8(v0, cr), _mm_cmpeq_epi8(v1, cr)),
                                                         _mm_add_epi8(_mm_cmpeq_epi8(v2, cr), _mm_cmpeq_epi8(v3, cr))));
            lfCount = _mm_sub_epi8(lfCount, _mm_add_epi8(_mm_add_epi8(_mm_cmpeq_epi8(v0, lf), _mm_cmpeq_epi8(v1, lf)),
                                                         _mm_add_epi8(_mm_cmpeq_epi8(v2, lf), _mm_cmpeq_epi8(v3, lf))));
        }
        const __m128i crSums = _mm_sad_epu8(crCount, zero), lfSums = _mm_sad_epu8(lfCount, zero);
        shape.crs += static_cast<size_t>(_mm_cvtsi128_si32(crSums)) +
                     static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(crSums, crSums)));
        shape.lfs += static_cast<size_t>(_mm_cvtsi128_si32(lfSums)) +
                     static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(lfSums, lfSums)));
        i += 64 * b;
        if (b < steps) break;  // a byte 26 in the next 64: the loop below finds it
    }
#endif
    for (; i < size && bytes[i] != kEndOfData; ++i) {
        shape.crs += bytes[i] == kCr;
        shape.lfs += bytes[i] == kLf;
    }
    shape.size = i;
    return shape;
}

LineEnds lineEndsOfShape(const DataShape& shape) { return shape.crs ? LineEnds::Cr : LineEnds::Lf; }

// readLine's count of lines from the counts of line-end bytes.
size_t linesOfShape(const char* bytes, const DataShape& shape, LineEnds ends) {
    if (shape.size == 0) return 0;
    const size_t terminators = ends == LineEnds::Cr ? shape.crs : shape.lfs;
    const char last = bytes[shape.size - 1];
    // A last line without a line end counts too. In CR files a final CR LF
    // ends with LF: that LF belongs to the last line end.
    const bool ended = ends == LineEnds::Cr
                           ? last == kCr || (last == kLf && shape.size >= 2 && bytes[shape.size - 2] == kCr)
                           : last == kLf;
    return terminators + (ended ? 0 : 1);
}

// Rows of cell spans as the split makes them, handed to the table many rows
// at a time.
struct RowChunk {
    TableDocument& table;
    size_t fields;
    size_t capacity;  // rows
    std::vector<CellSpan> spans;
    size_t rows = 0;

    RowChunk(TableDocument& t, size_t n)
        : table(t), fields(n), capacity(std::max<size_t>(1, 8192 / std::max<size_t>(n, 1))),
          spans(capacity * std::max<size_t>(n, 1)) {}

    // Past the largest row number this throws std::length_error.
    void flush() {
        table.appendRowsSpans(spans.data(), rows);
        rows = 0;
    }
};

// The last `byte` in [begin, end), or null.
const char* findLast(const char* begin, const char* end, char byte) {
    const char* p = end;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    while (p - begin >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 16));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
        if (mask) return p - 16 + (31 - std::countl_zero(static_cast<uint32_t>(mask)));
        p -= 16;
    }
#endif
    while (p > begin)
        if (*--p == byte) return p;
    return nullptr;
}

#if defined(__SSE2__)
// 128 bytes as two 64-bit masks: bit i of lo (of hi) is byte i (64 + i).
struct Mask128 {
    uint64_t lo = 0, hi = 0;
    Mask128 operator&(Mask128 o) const { return {lo & o.lo, hi & o.hi}; }
    Mask128 operator|(Mask128 o) const { return {lo | o.lo, hi | o.hi}; }
    Mask128 operator~() const { return {~lo, ~hi}; }
    bool any() const { return (lo | hi) != 0; }
    bool test(unsigned i) const { return ((i < 64 ? lo >> i : hi >> (i - 64)) & 1) != 0; }
    Mask128 up() const { return {lo << 1, (hi << 1) | (lo >> 63)}; }    // bit i to i + 1
    Mask128 down() const { return {(lo >> 1) | (hi << 63), hi >> 1}; }  // bit i to i - 1
};

inline uint64_t prefixXor(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// An ordinary CSV line of at most 128 bytes, its line end included, split
// from bit masks of its bytes. Ordinary: every quote opens a field right
// after its comma (or at the line start) or closes one right before the
// next comma (or the line end), no "" pair, and no space next to a comma or
// the line end outside quotes. The fields of such a line are the bytes
// between the commas outside quotes, a quoted field's quotes left out, as
// the field rules give them; any other line is split field by field.
// Reads the 128 bytes at p. Returns the line end, or null when the line is
// not ordinary (then nothing was handed to `cell`).
template <typename Cell>
const char* splitOrdinaryCsvLine(const char* p, char term, int32_t lastField, Cell&& cell) {
    __m128i v[8];
    for (int c = 0; c < 8; ++c) v[c] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * c));
    auto where = [&](char byte) {
        const __m128i b = _mm_set1_epi8(byte);
        uint64_t m[2] = {0, 0};
        for (int c = 0; c < 8; ++c)
            m[c / 4] |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[c], b))))
                        << (16 * (c % 4));
        return Mask128{m[0], m[1]};
    };
    const Mask128 ends = where(term);
    unsigned endBit;
    if (ends.lo)
        endBit = static_cast<unsigned>(std::countr_zero(ends.lo));
    else if (ends.hi)
        endBit = 64 + static_cast<unsigned>(std::countr_zero(ends.hi));
    else
        return nullptr;
    const Mask128 before = endBit < 64 ? Mask128{(uint64_t{1} << endBit) - 1, 0}
                                       : Mask128{~uint64_t{0}, endBit == 64 ? 0 : (uint64_t{1} << (endBit - 64)) - 1};
    const Mask128 end = endBit < 64 ? Mask128{uint64_t{1} << endBit, 0} : Mask128{0, uint64_t{1} << (endBit - 64)};
    const Mask128 quotes = where('"') & before;
    // Inside quotes: from an opening quote up to, not including, its closing one.
    Mask128 inside;
    inside.lo = prefixXor(quotes.lo);
    inside.hi = prefixXor(quotes.hi) ^ (uint64_t{0} - (inside.lo >> 63));
    inside = inside & before;
    if (endBit > 0 && inside.test(endBit - 1)) return nullptr;  // a quote left open
    const Mask128 commas = where(',') & before & ~inside;
    const Mask128 starts = commas.up() | Mask128{1, 0};
    const Mask128 stops = commas | end;
    const Mask128 opening = quotes & inside, closing = quotes & ~inside;
    if ((opening & ~starts).any() || (closing.up() & ~stops).any()) return nullptr;
    if ((where(' ') & before & ~inside & (starts | stops.down())).any()) return nullptr;

    // The stops that end a quoted field: those right after a closing quote.
    const Mask128 quotedEnds = closing.up() & stops;
    const char* start = p;
    int32_t field = 1;
    for (int w = 0; w < 2; ++w) {
        const uint64_t quoted = w == 0 ? quotedEnds.lo : quotedEnds.hi;
        for (uint64_t bits = w == 0 ? stops.lo : stops.hi; bits; bits &= bits - 1) {
            const unsigned bit = static_cast<unsigned>(std::countr_zero(bits));
            const char* at = p + 64 * w + bit;
            const unsigned q = static_cast<unsigned>((quoted >> bit) & 1);
            cell(field, start + q, at - q, false);
            if (++field > lastField) return p + endBit;
            start = at + 1;
        }
    }
    return p + endBit;
}
#endif

// The split of a whole file's data into rows, by the same rules as readLine
// and the field rules above, but in one pass: the line ends, delimiters and
// (in CSV) quotes are found a block at a time, and bytes are looked at one
// by one only for the spaces CSV skips and trims.
//
// Every line before the last line end ends in a line end, so the split of
// those lines need not look out for the end of the data; only a last line
// without a line end is split with those checks.
class FastSplit {
public:
    FastSplit(char* base, size_t size, LineEnds ends, FileKind kind, const std::vector<int32_t>& slot,
              uint64_t* lengthSums)
        : base_(base),
          end_(base + size),
          terminator_(ends == LineEnds::Cr ? kCr : kLf),
          crLf_(ends == LineEnds::Cr),
          csv_(rulesOf(kind).quotedFields),
          slot_(slot),
          sums_(lengthSums),
          stops_(base, base + size, terminator_, rulesOf(kind).delimiter, csv_ ? '"' : rulesOf(kind).delimiter) {
        const char* last = findLast(base, end_, terminator_);
        ended_ = last ? last + 1 : base;
    }

    // Runs past the first line.
    void skipLine() {
        const char* s = stops_.next(pos_);
        while (s != end_ && *s != terminator_) s = stops_.next(s + 1);
        pos_ = afterLine(s);
    }

    void rows(RowChunk& out) {
        bool all = true;
        for (size_t i = 0; i < slot_.size(); ++i) all = all && slot_[i] == static_cast<int32_t>(i);
        if (csv_ && all) {
            pos_ = lines<true, false, true>(pos_, ended_, out);
            pos_ = lines<true, true, true>(pos_, end_, out);
        } else if (csv_) {
            pos_ = lines<true, false, false>(pos_, ended_, out);
            pos_ = lines<true, true, false>(pos_, end_, out);
        } else if (all) {
            pos_ = lines<false, false, true>(pos_, ended_, out);
            pos_ = lines<false, true, true>(pos_, end_, out);
        } else {
            pos_ = lines<false, false, false>(pos_, ended_, out);
            pos_ = lines<false, true, false>(pos_, end_, out);
        }
    }

private:
    // The start of the line after the one ended at s.
    const char* afterLine(const char* s) const {
        if (s == end_) return s;
        ++s;
        if (crLf_ && s < end_ && *s == kLf) ++s;
        return s;
    }

    // The lines from p on that start before `until`, as rows of `out`.
    // With kLast a line may end at the end of the data instead of a line end.
    template <bool kCsv, bool kLast, bool kAll>
    const char* lines(const char* p, const char* until, RowChunk& out) {
        // Everything the loop touches is local, so that it stays in registers.
        blocks::StopFinder stops = stops_;
        char* const base = base_;
        const char* const end = end_;
        const char term = terminator_;
        const int32_t* const slot = slot_.data();
        const int32_t lastField = static_cast<int32_t>(slot_.size());
        uint64_t* const sums = sums_;
        const size_t fields = out.fields;
        CellSpan* row = out.spans.data() + out.rows * fields;
        size_t filled = 0;  // table fields of this row set so far
        // Bytes that need a closer look at the start of a CSV field.
        bool fieldStartStop[256] = {};
        fieldStartStop[' '] = fieldStartStop['"'] = fieldStartStop[static_cast<unsigned char>(term)] = true;

        // The byte at s, where the end of the data reads as a line end.
        auto at = [&](const char* s) { return (kLast && s == end) ? term : *s; };
        // With kAll every field of the line up to the last is imported, in
        // order: line field i is table field i.
        auto cell = [&](int32_t field, const char* b, const char* e, bool doubled) {
            const int32_t k = kAll ? field - 1 : slot[field - 1];
            if (!kAll && k < 0) return;
            if (doubled) e = undoubleQuotes(base + (b - base), base + (e - base));
            const uint32_t length = static_cast<uint32_t>(e - b);
            row[k] = length ? CellSpan{static_cast<uint32_t>(b - base), length} : CellSpan{};
            sums[k] += length;
            filled = static_cast<size_t>(k) + 1;
        };

        while (p < until) {
            // Lines empty or made only of spaces are not rows.
            const char* q = p;
            while (at(q) == ' ') ++q;
            if (at(q) == term) {
                p = afterLine(q);
                continue;
            }
            const char* lineEnd = nullptr;
            int32_t i = 1;
#if defined(__SSE2__)
            // The masks are 64-bit words: on a 32-bit build they cost more
            // than they save there.
            if constexpr (kCsv && !kLast && sizeof(void*) >= 8)
                if (lastField > 0 && end - p >= 128) lineEnd = splitOrdinaryCsvLine(p, term, lastField, cell);
#endif
            if (lastField == 0 || lineEnd) {
            } else if constexpr (kCsv) {
                for (;;) {
                    unsigned char c = static_cast<unsigned char>(at(p));
                    if (fieldStartStop[c]) {
                        while (at(p) == ' ') ++p;
                        c = static_cast<unsigned char>(at(p));
                        if (c == static_cast<unsigned char>(term)) {
                            lineEnd = p;
                            break;
                        }
                    }
                    const char* s;  // the comma after the field, or the line end
                    if (c == '"') {
                        // Up to a quote not followed by another one; a ""
                        // pair is one quote of the text. Unclosed, the field
                        // takes the rest of the line.
                        bool doubled = false;
                        const char* t = stops.next(p + 1);
                        for (;;) {
                            const char tc = at(t);
                            if (tc == ',') {
                                t = stops.next(t + 1);
                            } else if (tc == '"' && at(t + 1) == '"') {
                                doubled = true;
                                t = stops.next(t + 2);
                            } else {
                                break;
                            }
                        }
                        cell(i, p + 1, t, doubled);
                        s = t;
                        // Bytes between the closing quote and the next comma are dropped.
                        if (at(t) == '"') {
                            s = stops.next(t + 1);
                            while (at(s) == '"') s = stops.next(s + 1);
                        }
                    } else {
                        // Up to the next comma, trailing spaces trimmed;
                        // quotes inside are text.
                        s = stops.next(p);
                        while (at(s) == '"') s = stops.next(s + 1);
                        const char* e = s;
                        while (e > p && e[-1] == ' ') --e;
                        cell(i, p, e, false);
                    }
                    if (at(s) != ',') {
                        lineEnd = s;
                        break;
                    }
                    p = s + 1;
                    if (++i > lastField) break;
                }
            } else {
                for (;;) {
                    const char* s = stops.next(p);
                    cell(i, p, s, false);
                    if (at(s) == term) {
                        lineEnd = s;
                        break;
                    }
                    p = s + 1;
                    if (++i > lastField) break;
                }
            }
            // Fields after the last one imported are passed over.
            if (!lineEnd) {
                lineEnd = stops.next(p);
                while (at(lineEnd) != term) lineEnd = stops.next(lineEnd + 1);
            }
            for (; filled < fields; ++filled) row[filled] = CellSpan{};
            filled = 0;
            row += fields;
            if (++out.rows == out.capacity) {
                out.flush();
                row = out.spans.data();
            }
            p = afterLine(lineEnd);
        }
        stops_ = stops;
        return p;
    }

    char* base_;
    const char* end_;
    const char* ended_;  // just after the last line end
    const char* pos_ = base_;
    char terminator_;
    bool crLf_;
    bool csv_;
    const std::vector<int32_t>& slot_;
    uint64_t* sums_;
    blocks::StopFinder stops_;
};

}  // namespace

LineEnds lineEndsOf(std::string_view data) { return lineEndsOfShape(shapeOf(data.data(), data.size())); }

bool readLine(std::string_view data, size_t& pos, LineEnds ends, std::string_view& line) {
    if (pos >= data.size()) return false;
    const char* begin = data.data() + pos;
    const char* end = data.data() + data.size();
    const char* stop = findByte(begin, end, ends == LineEnds::Cr ? kCr : kLf);
    if (!stop) {
        line = std::string_view(begin, static_cast<size_t>(end - begin));
        pos = data.size();
        return true;
    }
    line = std::string_view(begin, static_cast<size_t>(stop - begin));
    pos = static_cast<size_t>(stop - data.data()) + 1;
    if (ends == LineEnds::Cr && pos < data.size() && data[pos] == kLf) ++pos;
    return true;
}

size_t countLines(std::string_view data, LineEnds ends) {
    return linesOfShape(data.data(), shapeOf(data.data(), data.size()), ends);
}

int32_t countFields(std::string_view line, FileKind kind, int32_t limit) {
    int32_t count = 1;
    const char* p = line.data();
    const char* end = p + line.size();
    if (rulesOf(kind).quotedFields) {
        while (count < limit) {
            CsvField f;
            const char* next = nullptr;
            if (!nextCsvField(p, end, f, next) || !next) break;
            ++count;
            p = next;
        }
        return count;
    }
    const char delimiter = rulesOf(kind).delimiter;
    for (const char* d = findByte(p, end, delimiter); d && count < limit; d = findByte(d + 1, end, delimiter)) ++count;
    return count;
}

std::string fieldAt(std::string_view line, FileKind kind, int32_t field) {
    std::string out;
    if (field < 1) return out;
    forEachField(line, kind, field, [&](int32_t i, const char* b, const char* e, bool doubled) {
        if (i == field) out = csvFieldText({b, e, doubled});
    });
    return out;
}

std::vector<std::string> splitFields(std::string_view line, FileKind kind, int32_t limit) {
    const int32_t count = countFields(line, kind, limit);
    std::vector<std::string> fields(static_cast<size_t>(count));
    forEachField(line, kind, count, [&](int32_t i, const char* b, const char* e, bool doubled) {
        fields[static_cast<size_t>(i - 1)] = csvFieldText({b, e, doubled});
    });
    return fields;
}

void decideFileKind(TableDocument& table) {
    const std::string_view line = table.firstLine;
    FileKind kind = kindFromName(table.currentFileName);
    if (kind == FileKind::None) {
        const int32_t t = countFields(line, FileKind::Tsv);
        const int32_t p = countFields(line, FileKind::Psv);
        if (t > 1 || p > 1)
            kind = t < p ? FileKind::Psv : FileKind::Tsv;
        else
            kind = FileKind::Csv;
    }
    table.fileKind = kind;
    table.firstLineFieldCount = countFields(line, kind);
}

void setMaxReadableFileSize(uint64_t bytes) { gMaxReadableFileSize = bytes; }
uint64_t maxReadableFileSize() { return gMaxReadableFileSize; }

ReadResult readFirstLine(FileSystem& fs, const std::string& path, std::string& firstLine) {
    std::string error;
    std::unique_ptr<InputFile> file = fs.openRead(path, error);
    if (!file) return {false, error};
    // The line ends at the first CR when the file holds a CR before its first
    // byte 26, else at the first LF: read on until a CR, a byte 26 or the end
    // decides. Bytes are kept up to the first CR; once an LF has been seen
    // and much has been kept, only the bytes up to that LF are kept, and a
    // later CR has the line read again from the start.
    constexpr size_t kKeepAfterLf = 1 << 20;
    // The line's length is a 64-bit offset into the file; a 32-bit build
    // cannot hold more than 2 GB of it anyway.
    const uint64_t longest = maxReadableFileSize();
    std::string kept;
    size_t firstLf = std::string::npos;  // in kept
    bool keeping = true;
    uint64_t offset = 0;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        size_t got = 0;
        if (!file->read(chunk.data(), chunk.size(), got, error)) return {false, error};
        if (got == 0) break;
        const char* b = chunk.data();
        const char* stop = findByte(b, b + got, kEndOfData);
        const char* dataEnd = stop ? stop : b + got;
        const char* cr = findByte(b, dataEnd, kCr);
        if (keeping) {
            const size_t before = kept.size();
            kept.append(b, cr ? cr : dataEnd);
            if (firstLf == std::string::npos) {
                const char* lf = findByte(kept.data() + before, kept.data() + kept.size(), kLf);
                if (lf) firstLf = static_cast<size_t>(lf - kept.data());
            }
        }
        if (cr) {
            const uint64_t crOffset = offset + static_cast<uint64_t>(cr - b);
            if (crOffset > longest) return tooLarge(path);
            if (keeping) {
                firstLine = std::move(kept);
                return {};
            }
            // Read the line again: its LF bytes are data.
            file.reset();
            file = fs.openRead(path, error);
            if (!file) return {false, error};
            std::string line(static_cast<size_t>(crOffset), '\0');
            size_t filled = 0;
            while (filled < line.size()) {
                size_t n = 0;
                if (!file->read(line.data() + filled, line.size() - filled, n, error)) return {false, error};
                if (n == 0) break;
                filled += n;
            }
            line.resize(filled);
            firstLine = std::move(line);
            return {};
        }
        if (stop) break;
        offset += got;
        if (keeping && kept.size() > kKeepAfterLf && firstLf != std::string::npos) {
            kept.resize(firstLf);
            keeping = false;
        }
        // With no CR yet, the line reaches at least to its first LF, or to
        // the end of what was read, whichever byte ends it in the end.
        if (std::min(firstLf, kept.size()) > longest) return tooLarge(path);
    }
    // No CR before the end of data: LF ends the line.
    if (firstLf != std::string::npos) kept.resize(firstLf);
    if (kept.size() > longest) return tooLarge(path);
    firstLine = std::move(kept);
    return {};
}

ReadResult readWholeFile(FileSystem& fs, const std::string& path, std::unique_ptr<char[]>& bytes, size_t& size,
                         uint64_t memoryAvailable) {
    std::string error;
    std::unique_ptr<InputFile> file = fs.openRead(path, error);
    if (!file) return {false, error};
    const uint64_t fileSize = file->size();
    if (fileSize > maxReadableFileSize() || fileSize > SIZE_MAX - 1 || fileSize > memoryAvailable)
        return tooLarge(path);
    std::unique_ptr<char[]> buffer;
    try {
        checkLargeBlock(static_cast<size_t>(fileSize) + 1);
        buffer.reset(new char[static_cast<size_t>(fileSize) + 1]);
        adviseLargeBlock(buffer.get(), static_cast<size_t>(fileSize));
    } catch (const std::bad_alloc&) {
        return tooLarge(path);
    }
    // One read for the whole file; the loop only continues short reads.
    size_t filled = 0;
    const size_t capacity = static_cast<size_t>(fileSize);
    while (filled < capacity) {
        size_t got = 0;
        if (!file->read(buffer.get() + filled, capacity - filled, got, error)) return {false, error};
        if (got == 0) break;
        filled += got;
    }
    bytes = std::move(buffer);
    size = filled;
    return {};
}

ReadResult importBuffer(TableDocument& table, const ImportOptions& options, std::unique_ptr<char[]> bytes,
                        size_t size) {
    try {
        TableDocument fresh;
        fresh.currentFileName = table.currentFileName;
        fresh.fileKind = table.fileKind;
        fresh.firstLine = table.firstLine;
        fresh.firstLineFieldCount = table.firstLineFieldCount;
        const FileKind kind = table.fileKind;

        const std::string_view namesLine =
            options.namesFromFirstLine ? std::string_view(table.firstLine) : std::string_view(options.manualNamesLine);
        const bool skipFirstLine = options.namesFromFirstLine || !options.firstLineIsData;

        std::vector<int32_t> sources;
        for (int32_t i = 1; i <= table.firstLineFieldCount; ++i)
            if (static_cast<size_t>(i - 1) < options.importField.size() && options.importField[i - 1])
                sources.push_back(i);
        std::vector<std::string> names(sources.size());
        {
            const std::vector<std::string> all = splitFields(namesLine, kind);
            for (size_t k = 0; k < sources.size(); ++k)
                if (static_cast<size_t>(sources[k]) <= all.size()) names[k] = all[sources[k] - 1];
        }
        fresh.replaceTable(std::move(names), sources);
        const size_t fields = sources.size();

        char* base = bytes.get();
        const DataShape shape = base ? shapeOf(base, size) : DataShape{};
        const LineEnds ends = lineEndsOfShape(shape);
        fresh.adoptBuffer(std::move(bytes), size);

        const size_t lines = linesOfShape(base, shape, ends);
        // Judged before the cells are allocated: a table that does not fit
        // would otherwise grow until the system runs out of memory.
        const uint64_t dataLines = lines - (skipFirstLine && lines > 0 ? 1 : 0);
        if (!tableFits(dataLines, fields, size, options.memoryAvailable))
            return tooManyCells(table.currentFileName, dataLines, fields);
        // The line count is only a capacity: when it cannot be had, rows
        // simply grow as they come.
        if (fields == 0 || lines <= SIZE_MAX / 8 / fields) {
            try {
                fresh.reserveRows(lines);
            } catch (const std::bad_alloc&) {
            } catch (const std::length_error&) {
            }
        }

        // Where in a line each source field goes: slot[i] is the table field
        // (0-based) taking line field i + 1, or -1.
        const int32_t lastSource = sources.empty() ? 0 : sources.back();
        std::vector<int32_t> slot(static_cast<size_t>(lastSource), -1);
        for (size_t k = 0; k < fields; ++k) slot[static_cast<size_t>(sources[k] - 1)] = static_cast<int32_t>(k);
        std::vector<uint64_t> lengthSums(fields, 0);

        FastSplit split(base, shape.size, ends, kind, slot, lengthSums.data());
        if (skipFirstLine) split.skipLine();
        RowChunk chunk(fresh, fields);
        split.rows(chunk);
        chunk.flush();

        const int32_t rows = fresh.rowCount();
        double total = 0;
        for (size_t k = 0; k < fields; ++k) {
            double w = rows == 0 ? 100.0 : static_cast<double>(lengthSums[k]) / rows;
            w = std::clamp(w, 5.0, 100.0);
            fresh.columnWeight[k] = w;
            total += w;
        }
        fresh.totalColumnWeight = total;
        table = std::move(fresh);
        return {};
    } catch (const std::bad_alloc&) {
        return tooLarge(table.currentFileName);
    } catch (const std::length_error&) {
        return tooLarge(table.currentFileName);
    }
}

ReadResult importTable(TableDocument& table, const ImportOptions& options, FileSystem& fs) {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    ReadResult read = readWholeFile(fs, table.currentFileName, bytes, size, options.memoryAvailable);
    if (!read.ok) return read;
    return importBuffer(table, options, std::move(bytes), size);
}

}  // namespace varnel
