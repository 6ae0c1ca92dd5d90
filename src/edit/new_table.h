// Starting a new table from nothing but field names.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/table_document.h"

namespace varnel {

inline constexpr std::string_view kNoFieldNamesMessage =
    "You need to name your fields. Any unnamed fields will be ignored, and, thus, I have ignored them all. "
    "This is no good.";

// The field names typed into the boxes, in box order: each text loses its
// leading and trailing spaces (tabs stay), and empty results are skipped.
std::vector<std::string> collectFieldNames(std::span<const std::string> boxTexts);

// Replaces the table by one with these fields (sources 1..F) and one row,
// "New Item" followed by empty cells. Its columns have no weights yet (the
// list shares its width by the names). Returns false, touching nothing,
// when no name is given.
bool defineNewTable(TableDocument& table, std::vector<std::string> names);

}  // namespace varnel
