#include "edit/row_change.h"

#include <algorithm>

namespace varnel {

bool insertNewItemRow(TableDocument& table, int32_t row) {
    if (row < 1 || row > table.rowCount() || table.fieldCount() < 1) return false;
    table.insertRowBefore(row);
    try {
        table.setCell(row, 1, kNewItemText);
    } catch (...) {
        // No memory for the text: the table goes back to its rows before.
        table.deleteRow(row);
        throw;
    }
    return true;
}

int32_t deleteRowSet(TableDocument& table, std::vector<int32_t> rows) {
    const int32_t count = table.rowCount();
    std::erase_if(rows, [count](int32_t r) { return r < 1 || r > count; });
    if (rows.empty()) return 0;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    table.deleteRows(rows);
    return rows.front();
}

std::vector<int32_t> applyFieldEdits(TableDocument& table, int32_t row, std::span<const FieldEdit> edits) {
    std::vector<int32_t> written;
    if (row < 1 || row > table.rowCount()) return written;
    for (const FieldEdit& e : edits) {
        if (e.field < 1 || e.field > table.fieldCount()) continue;
        table.setCell(row, e.field, e.text);
        written.push_back(e.field);
    }
    return written;
}

}  // namespace varnel
