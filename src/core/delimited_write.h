// Writing the table as CSV, PSV or TSV.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "core/table_document.h"

namespace varnel {

struct WriteResult {
    bool ok = true;
    std::string error;
};

// Whether a field of `length` bytes surely fits in `room` bytes of the write
// buffer: each byte doubled (quotes are), two quotes, and a delimiter or the
// line end. Worked out so that nothing wraps, even for a 2 GB field in a
// 32-bit build.
bool fieldFits(size_t length, size_t room);

// Writes the names line and the rows (all rows, or the given 1-based row
// numbers in the order given) to `path`, with the delimiter `delimiter`.
// CSV (comma) quotes every field and doubles quotes inside; PSV and TSV write
// fields as they are. Every line ends in CR LF. The old file is replaced only
// when the new one is complete; one written in place gets its old content
// back when the write fails.
WriteResult writeTable(const TableDocument& table, const std::string& path, char delimiter,
                       const std::vector<int32_t>* rows, FileSystem& fs);

}  // namespace varnel
