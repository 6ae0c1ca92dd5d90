#include "search/query.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "core/text.h"

namespace varnel {

std::string normaliseQuery(std::string_view typed) {
    const std::string lowered = toLower(trimSpaces(typed));
    std::string out;
    std::string pending;
    size_t start = 0;
    while (start <= lowered.size()) {
        size_t end = lowered.find(' ', start);
        if (end == std::string::npos) end = lowered.size();
        const std::string_view word(lowered.data() + start, end - start);
        if (word == "and") {
            pending.assign(1, '&');
        } else if (word == "or") {
            pending.clear();
        } else if (word == "not") {
            pending += '!';
        } else if (!word.empty()) {
            out += pending;
            out += word;
            out += ' ';
            pending.clear();
        }
        start = end + 1;
    }
    return std::string(trimSpaces(out));
}

CompiledQuery compileQuery(std::string_view normalisedQuery) {
    CompiledQuery query;
    if (normalisedQuery.empty()) return query;
    size_t start = 0;
    while (start <= normalisedQuery.size()) {
        size_t end = normalisedQuery.find(' ', start);
        if (end == std::string_view::npos) end = normalisedQuery.size();
        const std::string_view term = normalisedQuery.substr(start, end - start);
        QueryTerm t;
        if (term.starts_with('!')) {
            t.kind = TermKind::Not;
            t.operand = term.substr(1);
        } else if (term.starts_with("&!")) {
            t.kind = TermKind::AndNot;
            t.operand = term.substr(2);
        } else if (term.starts_with('&')) {
            t.kind = TermKind::And;
            t.operand = term.substr(1);
        } else {
            t.kind = TermKind::Or;
            t.operand = term;
        }
        query.terms.push_back(std::move(t));
        start = end + 1;
    }
    return query;
}

namespace {

constexpr uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The top bit of each byte of the result is set exactly where `v` has a zero byte.
inline uint64_t zeroBytes(uint64_t v) { return ~(((v & kLowBits) + kLowBits) | v | kLowBits); }

inline uint64_t load8(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Whether the n bytes at a and b are equal, byte by byte: operands are
// short, and a library call per candidate costs more than the loop.
inline bool sameBytes(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace

bool containsOperand(std::string_view subject, std::string_view operand) {
    if (subject.empty()) return false;
    const size_t n = operand.size();
    if (n == 0) return true;
    if (n > subject.size()) return false;
    const char* const hay = subject.data();
    // Eight candidate positions at a time: a position is checked in full only
    // when both the operand's first and last bytes are in place.
    const uint64_t first = 0x0101010101010101ull * static_cast<unsigned char>(operand[0]);
    const uint64_t last = 0x0101010101010101ull * static_cast<unsigned char>(operand[n - 1]);
    const size_t positions = subject.size() - n + 1;
    size_t i = 0;
    for (; i + 8 <= positions; i += 8) {
        uint64_t hits = zeroBytes(load8(hay + i) ^ first) & zeroBytes(load8(hay + i + n - 1) ^ last);
        while (hits) {
            const size_t at = i + static_cast<size_t>(std::countr_zero(hits)) / 8;
            if (n < 3 || sameBytes(hay + at + 1, operand.data() + 1, n - 2)) return true;
            hits &= hits - 1;
        }
    }
    for (; i < positions; ++i)
        if (hay[i] == operand[0] && sameBytes(hay + i + 1, operand.data() + 1, n - 1)) return true;
    return false;
}

bool matchesLowered(std::string_view loweredSubject, const CompiledQuery& query) {
    return evaluateQuery(query, [&](size_t i) { return containsOperand(loweredSubject, query.terms[i].operand); });
}

bool matchesQuery(std::string_view subject, std::string_view normalisedQuery) {
    return matchesLowered(toLower(subject), compileQuery(normalisedQuery));
}

}  // namespace varnel
