// Reading delimited files: lines, fields, the kind decision and the import.
#pragma once

#include <cstdint>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_access.h"
#include "core/file_kind.h"
#include "core/table_document.h"

namespace varnel {

// How lines end in one file. A file that holds a CR before its first byte 26
// follows the CR rules (CR or CR LF ends a line, a lone LF is data); a file
// with no CR at all is read with LF as the line end.
enum class LineEnds { Cr, Lf };

// The data of a file: its bytes up to (not including) the first byte 26.
// Decides the line-end rule by looking for a CR.
LineEnds lineEndsOf(std::string_view data);

// Reads the line that starts at `pos` of `data` (already cut at byte 26).
// Returns false at the end of data. On return `pos` is the start of the next
// line. After a final line end there is no further, empty line.
bool readLine(std::string_view data, size_t& pos, LineEnds ends, std::string_view& line);

// The number of lines readLine gives for `data` (the pre-scan that reserves rows).
size_t countLines(std::string_view data, LineEnds ends);

// Field rules of each kind. countFields is always 1 or more, and at most
// `limit`: fields past it are not counted (the count is a 32-bit number, and
// a loop up to it must not step past the largest one). fieldAt gives the
// empty text for a field number above the count.
constexpr int32_t kMaxFieldCount = INT32_MAX - 1;
int32_t countFields(std::string_view line, FileKind kind, int32_t limit = kMaxFieldCount);
std::string fieldAt(std::string_view line, FileKind kind, int32_t field);
// The fields of a line, in order (countFields of them, at most `limit`).
std::vector<std::string> splitFields(std::string_view line, FileKind kind, int32_t limit = kMaxFieldCount);

// The kind from the name's last three bytes, else from the first line's
// counts; sets fileKind and firstLineFieldCount.
void decideFileKind(TableDocument& table);

struct ImportOptions {
    bool namesFromFirstLine = true;
    std::string manualNamesLine;
    bool firstLineIsData = false;
    std::vector<bool> importField;  // firstLineFieldCount entries; field i at index i - 1
    // The bytes the system can still give the new table, for its file and
    // its cells. A table that needs more is refused before it is allocated.
    uint64_t memoryAvailable = UINT64_MAX;
};

// Reading failed: the message names the reason (the system's text, or that the
// file is too large for memory). The table is left as it was.
struct ReadResult {
    bool ok = true;
    std::string error;
    // Refused as too large: `error` is then the whole message, naming the file.
    bool tooLarge = false;
};

// Reads the first line of a file (for the import dialog), or fails. A first
// line longer than maxReadableFileSize is refused as too large.
ReadResult readFirstLine(FileSystem& fs, const std::string& path, std::string& firstLine);

// Files above this size are refused as too large (tests lower it).
void setMaxReadableFileSize(uint64_t bytes);
uint64_t maxReadableFileSize();

// Replaces the table by the selected fields of table.currentFileName, with
// column weights. On failure the table stays as it was.
ReadResult importTable(TableDocument& table, const ImportOptions& options, FileSystem& fs);

// The two halves of importTable, for callers that time them apart: the whole
// file in one buffer (refused as too large above maxReadableFileSize or
// `memoryAvailable`, or when memory runs out), then the table made from that
// buffer, which it adopts. A table whose cells would not fit beside the file
// in options.memoryAvailable is refused before its cells are allocated.
ReadResult readWholeFile(FileSystem& fs, const std::string& path, std::unique_ptr<char[]>& bytes, size_t& size,
                         uint64_t memoryAvailable = UINT64_MAX);
ReadResult importBuffer(TableDocument& table, const ImportOptions& options, std::unique_ptr<char[]> bytes,
                        size_t size);

}  // namespace varnel
