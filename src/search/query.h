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

// Whether `operand` occurs in `subject`: an empty operand is in every
// non-empty subject, an empty subject holds nothing.
bool containsOperand(std::string_view subject, std::string_view operand);

}  // namespace varnel
