// The search written out plainly: a row's subject built and lower-cased as
// a whole, the query's terms looked for with std::string::find and
// evaluated left to right. RowMatcher must give the same answer for every
// row, query and field.
#pragma once

#include <string>

#include "core/table_document.h"
#include "core/text.h"
#include "search/query.h"

namespace varnel::reference {

// Over all fields (0): a space before every field's lower-cased text; over
// field k: its lower-cased text.
inline std::string plainSubject(const TableDocument& t, int32_t row, int32_t field) {
    if (field != 0) return toLower(t.cell(row, field));
    std::string subject;
    for (int32_t f = 1; f <= t.fieldCount(); ++f) {
        subject += ' ';
        subject += toLower(t.cell(row, f));
    }
    return subject;
}

// An empty subject holds nothing, not even the empty operand.
inline bool literalContains(const std::string& subject, const std::string& operand) {
    return !subject.empty() && subject.find(operand) != std::string::npos;
}

inline bool literalMatch(const std::string& subject, const CompiledQuery& query) {
    bool result = false;
    for (size_t i = 0; i < query.terms.size(); ++i) {
        const bool holds = literalContains(subject, query.terms[i].operand);
        switch (query.terms[i].kind) {
        case TermKind::Or:
            if (holds) result = true;
            break;
        case TermKind::Not:
            if (!holds) result = true;
            break;
        case TermKind::And:
            if ((i > 0 && !result) || !holds) return false;
            break;
        case TermKind::AndNot:
            if ((i > 0 && !result) || holds) return false;
            break;
        }
    }
    return result;
}

}  // namespace varnel::reference
