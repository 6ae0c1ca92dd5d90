#include "search/row_match.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/text.h"

namespace varnel {
namespace {

// Whether the lower-case table maps A-Z to a-z and leaves every other byte
// below 128 alone, so plain ASCII can be lowered eight bytes at a time.
bool asciiLowersPlainly(const LowerCaseTable& lower) {
    for (int c = 0; c < 128; ++c) {
        const int expected = (c >= 'A' && c <= 'Z') ? c + 32 : c;
        if (lower[static_cast<size_t>(c)] != expected) return false;
    }
    return true;
}

// Builds row subjects lower-cased into one buffer that every row reuses: the
// plain way to test a row, kept for the queries the in-place test does not
// take (see RowMatcher::Impl).
class SubjectBuilder {
public:
    explicit SubjectBuilder(const TableDocument& table)
        : table_(table), lower_(lowerCaseTable()), asciiFast_(asciiLowersPlainly(lower_)) {}

    std::string_view build(RowHandle handle, int32_t field) {
        if (field != 0) {
            const std::string_view text = table_.cellOfHandle(handle, field);
            char* out = reserve(text.size());
            if (!text.empty()) std::memcpy(out, text.data(), text.size());
            lowerWords(out, text.size());
            return {out, text.size()};
        }
        const int32_t fields = table_.fieldCount();
        size_t total = static_cast<size_t>(fields);
        for (int32_t f = 1; f <= fields; ++f) total += table_.cellOfHandle(handle, f).size();
        char* const start = reserve(total);
        char* out = start;
        for (int32_t f = 1; f <= fields; ++f) {
            const std::string_view text = table_.cellOfHandle(handle, f);
            *out++ = ' ';
            if (!text.empty()) std::memcpy(out, text.data(), text.size());
            out += text.size();
        }
        lowerWords(start, total);
        return {start, total};
    }

private:
    // Room for `size` bytes rounded up to whole eight-byte words.
    char* reserve(size_t size) {
        const size_t needed = (size + 7) & ~size_t{7};
        if (buffer_.size() < needed) buffer_.resize(std::max(needed, buffer_.size() * 2));
        return buffer_.data();
    }

    // Lowers whole words, so it may touch up to 7 bytes of slack past `size`.
    void lowerWords(char* data, size_t size) const {
        if (!asciiFast_) {
            for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(lower_[static_cast<unsigned char>(data[i])]);
            return;
        }
        constexpr uint64_t kHigh = 0x8080808080808080ull;
        for (size_t i = 0; i < size; i += 8) {
            uint64_t word;
            std::memcpy(&word, data + i, 8);
            if (word & kHigh) {
                for (size_t k = i; k < i + 8; ++k) data[k] = static_cast<char>(lower_[static_cast<unsigned char>(data[k])]);
                continue;
            }
            // Per byte: the top bit of aboveA is set for c >= 'A', of aboveZ for c > 'Z'.
            const uint64_t aboveA = word + 0x3F3F3F3F3F3F3F3Full;
            const uint64_t aboveZ = word + 0x2525252525252525ull;
            word |= ((aboveA ^ aboveZ) & kHigh) >> 2;
            std::memcpy(data + i, &word, 8);
        }
    }

    const TableDocument& table_;
    const LowerCaseTable& lower_;
    const bool asciiFast_;
    std::string buffer_;
};

// The bytes that lower-case to one value: up to three of them are looked
// for directly (a letter and its capital, or a few more in some code pages).
constexpr size_t kMaxSources = 3;

struct ByteSources {
    unsigned char bytes[kMaxSources] = {};
    size_t count = 0;
    bool tooMany = false;
};

ByteSources sourcesOf(unsigned char lowered, const LowerCaseTable& lower) {
    ByteSources s;
    for (int c = 0; c < 256; ++c) {
        if (lower[static_cast<size_t>(c)] != lowered) continue;
        if (s.count == kMaxSources) {
            s.tooMany = true;
            break;
        }
        s.bytes[s.count++] = static_cast<unsigned char>(c);
    }
    // Repeat the first so that every slot holds a source.
    for (size_t i = s.count; i < kMaxSources && s.count > 0; ++i) s.bytes[i] = s.bytes[0];
    return s;
}

// One operand, ready to be looked for in raw cell bytes.
struct Operand {
    std::string text;  // lower case
    bool absent = false;  // no byte lower-cases to its first or last byte
    ByteSources first, last;
#if defined(__SSE2__)
    __m128i first0, first1, first2, last0, last1, last2;
#endif
};

#if defined(__SSE2__)
inline __m128i anyOf(__m128i v, __m128i a, __m128i b, __m128i c) {
    return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)), _mm_cmpeq_epi8(v, c));
}
#endif

}  // namespace

struct RowMatcher::Impl {
    const TableDocument& table;
    const CompiledQuery& query;
    const int32_t field;
    const LowerCaseTable& lower = lowerCaseTable();
    std::vector<Operand> operands;
    // The plain way, for what the in-place test does not take: over all
    // fields an operand with a space could span two fields, and a byte with
    // more lower-case sources than kMaxSources.
    bool plainOnly = false;
    SubjectBuilder subjects;

    Impl(const TableDocument& t, const CompiledQuery& q, int32_t f) : table(t), query(q), field(f), subjects(t) {
        for (const QueryTerm& term : query.terms) {
            Operand o;
            o.text = term.operand;
            if (!o.text.empty()) {
                o.first = sourcesOf(static_cast<unsigned char>(o.text.front()), lower);
                o.last = sourcesOf(static_cast<unsigned char>(o.text.back()), lower);
                o.absent = o.first.count == 0 || o.last.count == 0;
                if (o.first.tooMany || o.last.tooMany) plainOnly = true;
                if (field == 0 && o.text.find(' ') != std::string::npos) plainOnly = true;
#if defined(__SSE2__)
                o.first0 = _mm_set1_epi8(static_cast<char>(o.first.bytes[0]));
                o.first1 = _mm_set1_epi8(static_cast<char>(o.first.bytes[1]));
                o.first2 = _mm_set1_epi8(static_cast<char>(o.first.bytes[2]));
                o.last0 = _mm_set1_epi8(static_cast<char>(o.last.bytes[0]));
                o.last1 = _mm_set1_epi8(static_cast<char>(o.last.bytes[1]));
                o.last2 = _mm_set1_epi8(static_cast<char>(o.last.bytes[2]));
#endif
            }
            operands.push_back(std::move(o));
        }
    }

    bool lowersTo(unsigned char raw, char wanted) const { return lower[raw] == static_cast<unsigned char>(wanted); }

    // Whether bytes [p, p + size) hold the operand, lower-cased, at a place j
    // that `accept(j)` takes. `readable` bytes from p may be read (at least
    // size): the blocks read past the last place as far as the operand is
    // long, and where that is not allowed the places are tried one by one.
    template <typename Accept>
    bool find(const Operand& o, const unsigned char* p, size_t size, size_t readable, Accept&& accept) const {
        const size_t n = o.text.size();
        if (size < n || o.absent) return false;
        const size_t places = size - n + 1;
        size_t j = 0;
#if defined(__SSE2__)
        for (; j < places && j + n + 15 <= readable; j += 16) {
            const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
            const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + n - 1));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(anyOf(head, o.first0, o.first1, o.first2), anyOf(tail, o.last0, o.last1, o.last2))));
            if (places - j < 16) mask &= (1u << (places - j)) - 1;
            while (mask) {
                if (accept(j + static_cast<size_t>(std::countr_zero(mask)))) return true;
                mask &= mask - 1;
            }
        }
#endif
        for (; j < places; ++j)
            if (lowersTo(p[j], o.text.front()) && lowersTo(p[j + n - 1], o.text.back()) && accept(j)) return true;
        return false;
    }

    // Whether the bytes at q lower-case to the operand's inner bytes (the
    // first and last are known to match).
    bool innerMatches(const Operand& o, const unsigned char* q) const {
        for (size_t m = 1; m + 1 < o.text.size(); ++m)
            if (!lowersTo(q[m], o.text[m])) return false;
        return true;
    }

    bool inCell(const Operand& o, const unsigned char* p, size_t size, size_t readable) const {
        return find(o, p, size, readable, [&](size_t j) { return innerMatches(o, p + j); });
    }

    // The bytes of a cell and how many may be read from there.
    void cellBytes(RowHandle handle, int32_t f, const CellSpan& s, const unsigned char*& p, size_t& readable) const {
        const size_t buffered = table.bufferSize();
        if (s.offset < buffered && s.length <= buffered - s.offset) {
            p = reinterpret_cast<const unsigned char*>(table.bufferData()) + s.offset;
            readable = buffered - s.offset;
        } else {
            const std::string_view text = table.cellOfHandle(handle, f);
            p = reinterpret_cast<const unsigned char*>(text.data());
            readable = text.size();
        }
    }

    bool matchesOneField(RowHandle handle) const {
        const CellSpan s = table.spansOfHandle(handle)[field - 1];
        // An empty subject holds nothing, not even the empty operand.
        if (s.length == 0) return evaluateQuery(query, [](size_t) { return false; });
        const unsigned char* p;
        size_t readable;
        cellBytes(handle, field, s, p, readable);
        return evaluateQuery(query, [&](size_t i) {
            const Operand& o = operands[i];
            return o.text.empty() || inCell(o, p, s.length, readable);
        });
    }

    bool matchesAllFields(RowHandle handle) const {
        const size_t n = static_cast<size_t>(table.fieldCount());
        // A space before every field: the subject is empty only without fields.
        if (n == 0) return evaluateQuery(query, [](size_t) { return false; });
        const CellSpan* spans = table.spansOfHandle(handle);
        // The usual row of a loaded file: its cells lie in the file's buffer,
        // in field order, so one search over the bytes from the first cell
        // to the end of the last finds every place; a place counts when it
        // lies inside one cell.
        uint64_t from = 0, to = 0;
        bool any = false, inOrder = true;
        for (size_t k = 0; k < n; ++k) {
            const CellSpan& s = spans[k];
            if (s.length == 0) continue;
            if (!any) from = s.offset;
            else if (s.offset < to) inOrder = false;
            any = true;
            to = static_cast<uint64_t>(s.offset) + s.length;
        }
        if (!any) return evaluateQuery(query, [&](size_t i) { return operands[i].text.empty(); });
        const size_t buffered = table.bufferSize();
        if (inOrder && to <= buffered) {
            const unsigned char* const run = reinterpret_cast<const unsigned char*>(table.bufferData()) + from;
            return evaluateQuery(query, [&](size_t i) {
                const Operand& o = operands[i];
                if (o.text.empty()) return true;
                size_t cell = 0;
                return find(o, run, static_cast<size_t>(to - from), buffered - static_cast<size_t>(from), [&](size_t j) {
                    const uint64_t at = from + j;
                    while (spans[cell].length == 0 || static_cast<uint64_t>(spans[cell].offset) + spans[cell].length <= at)
                        ++cell;
                    return at >= spans[cell].offset &&
                           at + o.text.size() <= static_cast<uint64_t>(spans[cell].offset) + spans[cell].length &&
                           innerMatches(o, run + j);
                });
            });
        }
        // Cells set or added since the load: one by one.
        return evaluateQuery(query, [&](size_t i) {
            const Operand& o = operands[i];
            if (o.text.empty()) return true;
            for (size_t k = 0; k < n; ++k) {
                const CellSpan& s = spans[k];
                if (s.length == 0) continue;
                const unsigned char* p;
                size_t readable;
                cellBytes(handle, static_cast<int32_t>(k) + 1, s, p, readable);
                if (inCell(o, p, s.length, readable)) return true;
            }
            return false;
        });
    }
};

RowMatcher::RowMatcher(const TableDocument& table, const CompiledQuery& query, int32_t field)
    : impl_(std::make_unique<Impl>(table, query, field)) {}

RowMatcher::~RowMatcher() = default;

bool RowMatcher::matches(RowHandle handle) {
    Impl& m = *impl_;
    if (m.plainOnly) return matchesLowered(m.subjects.build(handle, m.field), m.query);
    return m.field == 0 ? m.matchesAllFields(handle) : m.matchesOneField(handle);
}

std::string allFieldsSubject(const TableDocument& table, RowHandle handle) {
    SubjectBuilder builder(table);
    return std::string(builder.build(handle, 0));
}

}  // namespace varnel
