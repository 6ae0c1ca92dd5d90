// Sorting all rows by one column: numeric when row 1 of the column starts
// with a number, case-insensitive text otherwise.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/table_document.h"

namespace varnel {

// The number a text begins with (decimal with sign, point and exponent, or
// &B/&H/&O/&Q radix forms); 0 when it begins with none.
double numericValue(std::string_view text);

// Sorts rows 1..rowCount in place by column `column` (1-based).
void sortRowsByColumn(TableDocument& table, int32_t column);

}  // namespace varnel
