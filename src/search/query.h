// The query language: words joined by "and", "or", "not" (or the marks
// "&", "!", "&!"), matched as case-insensitive substrings, left to right.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnel {

std::string normaliseQuery(std::string_view typed);
// Lower-cases the subject itself.
bool matchesQuery(std::string_view subject, std::string_view normalisedQuery);

// A term's kind comes from its leading characters, tested in this order:
// "!" NOT, "&!" AND-NOT, "&" AND, anything else OR.
enum class TermKind { Or, Not, And, AndNot };

struct QueryTerm {
    TermKind kind = TermKind::Or;
    std::string operand;  // compared literally, already lower case
};

// A normalised query split into classified terms, made once per command so
// that testing a row does no parsing.
struct CompiledQuery {
    std::vector<QueryTerm> terms;
    bool empty() const { return terms.empty(); }
};

CompiledQuery compileQuery(std::string_view normalisedQuery);
// The subject must already be lower-cased.
bool matchesLowered(std::string_view loweredSubject, const CompiledQuery& query);

// The left-to-right rules of a query over one subject; `contains(i)` tells
// whether the subject holds the operand of term i, and is asked only for
// the terms that can still change the outcome.
template <typename Contains>
bool evaluateQuery(const CompiledQuery& query, Contains&& contains) {
    bool result = false;
    for (size_t i = 0; i < query.terms.size(); ++i) {
        switch (query.terms[i].kind) {
        case TermKind::Or:
            // Once the result is true an OR or NOT term cannot change it.
            if (!result && contains(i)) result = true;
            break;
        case TermKind::Not:
            if (!result && !contains(i)) result = true;
            break;
        case TermKind::And:
            if (i > 0 && !result) return false;
            if (!contains(i)) return false;
            break;
        case TermKind::AndNot:
            if (i > 0 && !result) return false;
            if (contains(i)) return false;
            break;
        }
    }
    return result;
}

// Whether `operand` occurs in `subject`: an empty operand is in every
// non-empty subject, an empty subject holds nothing.
bool containsOperand(std::string_view subject, std::string_view operand);

}  // namespace varnel
