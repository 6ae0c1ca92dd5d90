// The import as the reader did it one line at a time: readLine cuts the
// data into lines and splitFields cuts each line into fields. The block-wise
// split of importTable must make the same table from the same bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/delimited_read.h"

namespace varnel::reference {

struct ImportedRows {
    std::vector<std::string> names;
    std::vector<int32_t> sources;
    std::vector<std::vector<std::string>> rows;
    std::vector<double> weights;
    double totalWeight = 0;
};

// `table` holds the file state the import dialog sets (kind, first line and
// its field count); `bytes` is the whole file.
inline ImportedRows importRows(const TableDocument& table, const ImportOptions& options, std::string_view bytes) {
    ImportedRows out;
    const FileKind kind = table.fileKind;
    for (int32_t i = 1; i <= table.firstLineFieldCount; ++i)
        if (static_cast<size_t>(i - 1) < options.importField.size() && options.importField[i - 1])
            out.sources.push_back(i);
    const std::string_view namesLine =
        options.namesFromFirstLine ? std::string_view(table.firstLine) : std::string_view(options.manualNamesLine);
    const std::vector<std::string> names = splitFields(namesLine, kind);
    for (int32_t s : out.sources) out.names.push_back(static_cast<size_t>(s) <= names.size() ? names[s - 1] : "");

    const std::string_view data = bytes.substr(0, bytes.find('\x1A'));
    const LineEnds ends = data.find('\r') != std::string_view::npos ? LineEnds::Cr : LineEnds::Lf;
    size_t pos = 0;
    std::string_view line;
    if (options.namesFromFirstLine || !options.firstLineIsData) readLine(data, pos, ends, line);
    std::vector<uint64_t> sums(out.sources.size(), 0);
    while (readLine(data, pos, ends, line)) {
        if (line.find_first_not_of(' ') == std::string_view::npos) continue;
        const std::vector<std::string> fields = splitFields(line, kind);
        std::vector<std::string> row;
        for (size_t k = 0; k < out.sources.size(); ++k) {
            const size_t s = static_cast<size_t>(out.sources[k]);
            row.push_back(s <= fields.size() ? fields[s - 1] : "");
            sums[k] += row.back().size();
        }
        out.rows.push_back(std::move(row));
    }
    for (uint64_t sum : sums) {
        const double w = out.rows.empty() ? 100.0 : static_cast<double>(sum) / static_cast<double>(out.rows.size());
        out.weights.push_back(std::clamp(w, 5.0, 100.0));
        out.totalWeight += out.weights.back();
    }
    return out;
}

// Whether the imported table holds exactly the reference's names, rows and
// weights; `why` names the first difference.
inline bool sameTable(const TableDocument& t, const ImportedRows& r, std::string& why) {
    if (t.fieldNames() != r.names) return why = "field names", false;
    if (t.sourceFieldIndex() != r.sources) return why = "source fields", false;
    if (t.rowCount() != static_cast<int32_t>(r.rows.size()))
        return why = "row count " + std::to_string(t.rowCount()) + " against " + std::to_string(r.rows.size()), false;
    for (int32_t row = 1; row <= t.rowCount(); ++row)
        for (int32_t f = 1; f <= t.fieldCount(); ++f)
            if (t.cell(row, f) != r.rows[static_cast<size_t>(row - 1)][static_cast<size_t>(f - 1)])
                return why = "cell (" + std::to_string(row) + ", " + std::to_string(f) + ")", false;
    if (t.columnWeight != r.weights) return why = "column weights", false;
    if (t.totalColumnWeight != r.totalWeight) return why = "total weight", false;
    return true;
}

}  // namespace varnel::reference
