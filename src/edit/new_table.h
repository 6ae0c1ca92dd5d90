// Starting a new table from nothing but field names.
#pragma once

#include <functional>
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

// Pixel width of a text in the table list's font.
using TextWidthFunction = std::function<double(std::string_view)>;

// Replaces the table by one with these fields (sources 1..F) and one row,
// "New Item" followed by empty cells. Each column's weight is its name's
// width plus 40, so that a new table's columns share the list by their
// names. Returns false, touching nothing, when no name is given.
bool defineNewTable(TableDocument& table, std::vector<std::string> names, const TextWidthFunction& textWidth);

}  // namespace varnel
