#include "edit/new_table.h"

#include "core/text.h"

namespace varnel {

std::vector<std::string> collectFieldNames(std::span<const std::string> boxTexts) {
    std::vector<std::string> names;
    for (const std::string& text : boxTexts) {
        std::string_view name = trimSpaces(text);
        if (!name.empty()) names.emplace_back(name);
    }
    return names;
}

bool defineNewTable(TableDocument& table, std::vector<std::string> names) {
    if (names.empty()) return false;
    const int32_t count = static_cast<int32_t>(names.size());
    std::vector<int32_t> sources(names.size());
    for (int32_t k = 0; k < count; ++k) sources[k] = k + 1;
    table.replaceTable(std::move(names), std::move(sources));
    table.appendRow({std::string_view("New Item")});
    return true;
}

}  // namespace varnel
