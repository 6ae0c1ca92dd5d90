// Testing rows against a query where their cells lie. A row's subject is
// the lower-cased text a query is matched against: over all fields, a space
// before each field's text, joined; over one field, that field's text. The
// matcher gives the same answers as building that subject and matching it,
// without copying or lower-casing the row: it looks for the places where
// the bytes could lower-case to an operand's first and last bytes, many
// bytes at a time, and checks only those.
#pragma once

#include <memory>
#include <string>

#include "core/table_document.h"
#include "search/query.h"

namespace varnel {

class RowMatcher {
public:
    // `field` 0 tests the subject over all fields, k the text of field k.
    // The query and the table must outlive the matcher; the lower-case table
    // in force now is the one used.
    RowMatcher(const TableDocument& table, const CompiledQuery& query, int32_t field);
    ~RowMatcher();
    RowMatcher(const RowMatcher&) = delete;
    RowMatcher& operator=(const RowMatcher&) = delete;

    bool matches(RowHandle handle);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The subject of a row over all fields, built and lower-cased.
std::string allFieldsSubject(const TableDocument& table, RowHandle handle);

}  // namespace varnel
