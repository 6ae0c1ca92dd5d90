// Row operations of the table list: insert a "New Item" row, delete a set of
// rows, and write back the boxes of the edit-row form.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/table_document.h"

namespace varnel {

inline constexpr std::string_view kNewItemText = "New Item";

// Inserts a row above row `row` holding "New Item" in field 1 and empty
// texts elsewhere. Returns false (nothing changed) when `row` is not a row.
bool insertNewItemRow(TableDocument& table, int32_t row);

// Deletes exactly the given rows (any order, duplicates and numbers outside
// 1..rowCount ignored). Returns the smallest row deleted, 0 when none was.
int32_t deleteRowSet(TableDocument& table, std::vector<int32_t> rows);

// One box of the edit-row form that the user changed.
struct FieldEdit {
    int32_t field = 0;
    std::string text;
};

// Stores the changed boxes' texts in row `row`; unchanged boxes have no
// entry and leave their cells as they are (a box cannot hold every byte a
// cell can, such as NUL). Fields outside 1..fieldCount are ignored. Returns
// the fields written, in the order given.
std::vector<int32_t> applyFieldEdits(TableDocument& table, int32_t row, std::span<const FieldEdit> edits);

}  // namespace varnel
