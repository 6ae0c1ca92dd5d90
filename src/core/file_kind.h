// The three delimited kinds and the per-kind rules.
#pragma once

#include <string_view>

namespace varnel {

enum class FileKind : int { None = 0, Csv = 1, Psv = 2, Tsv = 3 };

struct KindRules {
    char delimiter;
    bool quotedFields;  // CSV: a double quote may enclose a field
    const char* importCaption;
};

constexpr KindRules kKindRules[] = {
    {',', true, ""},
    {',', true, "Import CSV File"},
    {'|', false, "Import PSV File"},
    {'\t', false, "Import TSV File"},
};

constexpr const KindRules& rulesOf(FileKind kind) {
    int i = static_cast<int>(kind);
    return kKindRules[(i >= 0 && i <= 3) ? i : 0];
}

// Whether fields written with `delimiter` are quoted: as the kind that
// delimits with it reads them (a comma: CSV).
constexpr bool quotesFieldsWith(char delimiter) {
    for (const KindRules& rules : kKindRules)
        if (rules.delimiter == delimiter) return rules.quotedFields;
    return false;
}

// The last three bytes of a name (the whole name if shorter), lower-cased:
// "csv", "psv", "tsv" give that kind, anything else None.
FileKind kindFromName(std::string_view fileName);

// The delimiter a file is written with: "|" for names ending in psv, tab for
// tsv, a comma for everything else.
char delimiterForName(std::string_view fileName);

}  // namespace varnel
