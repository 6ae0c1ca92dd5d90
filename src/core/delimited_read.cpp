#include "core/delimited_read.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/large_memory.h"
#include "core/text.h"

namespace varnel {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfData = 26;

uint64_t defaultMaxReadableFileSize() {
    // Offsets of cells are 32-bit; a 32-bit process also needs room beside
    // the file's bytes for the cell spans, so it stops at half its space.
    if constexpr (sizeof(void*) < 8) return 0x7FFFFFFFull;
    return TableDocument::kMaxStorage;
}

uint64_t gMaxReadableFileSize = defaultMaxReadableFileSize();

const char* findByte(const char* from, const char* end, char byte) {
    if (from >= end) return nullptr;
    return static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(end - from)));
}

// One field of a CSV line, as a range of the line; `hasDoubledQuotes` tells
// that the range still holds "" pairs that read as one quote.
struct CsvField {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool hasDoubledQuotes = false;
};

// The first `byte` in [from, end), or null. Fields are short, so this
// looks at 16 bytes per step rather than calling a library search per field.
const char* findShort(const char* from, const char* end, char byte) {
    const char* p = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (mask) return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    for (; p < end; ++p)
        if (*p == byte) return p;
    return nullptr;
}

// The closing quote of a quoted field whose opening quote is just before
// `from`: a quote not followed by another quote (a "" pair is one quote
// of the text). Null when the field is not closed on this line.
const char* closingQuote(const char* from, const char* end, bool& doubled) {
    for (const char* q = findShort(from, end, '"'); q; q = findShort(q + 2, end, '"')) {
        if (q + 1 < end && q[1] == '"') {
            doubled = true;
            continue;
        }
        return q;
    }
    return nullptr;
}

// Reads the CSV field that starts at `p` (spaces before it not yet skipped).
// Returns false when the line has no more fields there. Otherwise fills
// `field` and sets `next` to the start of the next field, or to null when
// no comma follows (this was the line's last field).
bool nextCsvField(const char* p, const char* end, CsvField& field, const char*& next) {
    while (p < end && *p == ' ') ++p;
    if (p == end) return false;
    if (*p == '"') {
        bool doubled = false;
        const char* close = closingQuote(p + 1, end, doubled);
        field = {p + 1, close ? close : end, doubled};
        if (!close) {
            next = nullptr;
            return true;
        }
        // Bytes between the closing quote and the next comma are dropped.
        const char* comma = findShort(close + 1, end, ',');
        next = comma ? comma + 1 : nullptr;
        return true;
    }
    const char* comma = findShort(p, end, ',');
    const char* fieldEnd = comma ? comma : end;
    while (fieldEnd > p && fieldEnd[-1] == ' ') --fieldEnd;
    field = {p, fieldEnd, false};
    next = comma ? comma + 1 : nullptr;
    return true;
}

// Turns each "" pair of the range into one quote, moving bytes down in
// place. Returns the new end.
char* undoubleQuotes(char* begin, char* end) {
    char* w = begin;
    for (char* r = begin; r < end; ++r) {
        *w++ = *r;
        if (*r == '"' && r + 1 < end && r[1] == '"') ++r;
    }
    return w;
}

std::string csvFieldText(const CsvField& f) {
    std::string s(f.begin, f.end);
    if (f.hasDoubledQuotes) s.resize(static_cast<size_t>(undoubleQuotes(s.data(), s.data() + s.size()) - s.data()));
    return s;
}

// Calls `visit(index, begin, end, doubled)` for the fields 1..lastField of a
// line (fewer when the line has fewer). Every kind's rules in one place.
template <typename Visit>
void forEachField(std::string_view line, FileKind kind, int32_t lastField, Visit&& visit) {
    if (lastField < 1) return;
    const char* p = line.data();
    const char* end = p + line.size();
    // The loops end at lastField before the field number is raised again.
    if (kind == FileKind::Csv || kind == FileKind::None) {
        for (int32_t i = 1; p; ++i) {
            CsvField f;
            const char* next = nullptr;
            if (!nextCsvField(p, end, f, next)) return;
            visit(i, f.begin, f.end, f.hasDoubledQuotes);
            if (i == lastField) return;
            p = next;
        }
        return;
    }
    const char delimiter = rulesOf(kind).delimiter;
    for (int32_t i = 1;; ++i) {
        const char* d = findShort(p, end, delimiter);
        visit(i, p, d ? d : end, false);
        if (!d || i == lastField) return;
        p = d + 1;
    }
}

bool isBlank(std::string_view line) {
    for (char c : line)
        if (c != ' ') return false;
    return true;
}

ReadResult tooLarge(const std::string& path) {
    return {false, "The file \"" + path + "\" is too large to load.", true};
}

std::string counted(uint64_t count, const char* one, const char* many) {
    return formatCount(static_cast<int64_t>(count)) + " " + (count == 1 ? one : many);
}

ReadResult tooManyCells(const std::string& path, uint64_t rows, uint64_t fields) {
    return {false,
            "The file \"" + path + "\" holds " + counted(rows, "row", "rows") + " of " +
                counted(fields, "field", "fields") + ", too many to load.",
            true};
}

// Whether a table of `rows` rows of `fields` cells fits, with the file's
// `fileBytes`, in `available` bytes: each cell is a span, each row a handle.
bool tableFits(uint64_t rows, uint64_t fields, uint64_t fileBytes, uint64_t available) {
    if (fileBytes > available) return false;
    const uint64_t perRow = fields * sizeof(CellSpan) + sizeof(RowHandle);
    return rows <= (available - fileBytes) / perRow;
}

}  // namespace

LineEnds lineEndsOf(std::string_view data) {
    if (data.empty()) return LineEnds::Lf;
    return std::memchr(data.data(), kCr, data.size()) ? LineEnds::Cr : LineEnds::Lf;
}

bool readLine(std::string_view data, size_t& pos, LineEnds ends, std::string_view& line) {
    if (pos >= data.size()) return false;
    const char* begin = data.data() + pos;
    const char* end = data.data() + data.size();
    const char* stop = findByte(begin, end, ends == LineEnds::Cr ? kCr : kLf);
    if (!stop) {
        line = std::string_view(begin, static_cast<size_t>(end - begin));
        pos = data.size();
        return true;
    }
    line = std::string_view(begin, static_cast<size_t>(stop - begin));
    pos = static_cast<size_t>(stop - data.data()) + 1;
    if (ends == LineEnds::Cr && pos < data.size() && data[pos] == kLf) ++pos;
    return true;
}

size_t countLines(std::string_view data, LineEnds ends) {
    if (data.empty()) return 0;
    const char terminator = ends == LineEnds::Cr ? kCr : kLf;
    size_t count = 0;
    for (char c : data) count += (c == terminator);
    // A last line without a line end counts too. In CR files a final CR LF
    // ends with LF: that LF belongs to the last line end.
    const char last = data.back();
    const bool ended = last == terminator || (ends == LineEnds::Cr && last == kLf && data.size() >= 2 &&
                                              data[data.size() - 2] == kCr);
    return count + (ended ? 0 : 1);
}

int32_t countFields(std::string_view line, FileKind kind, int32_t limit) {
    int32_t count = 1;
    const char* p = line.data();
    const char* end = p + line.size();
    if (kind == FileKind::Csv || kind == FileKind::None) {
        while (count < limit) {
            CsvField f;
            const char* next = nullptr;
            if (!nextCsvField(p, end, f, next) || !next) break;
            ++count;
            p = next;
        }
        return count;
    }
    const char delimiter = rulesOf(kind).delimiter;
    for (const char* d = findByte(p, end, delimiter); d && count < limit; d = findByte(d + 1, end, delimiter)) ++count;
    return count;
}

std::string fieldAt(std::string_view line, FileKind kind, int32_t field) {
    std::string out;
    if (field < 1) return out;
    forEachField(line, kind, field, [&](int32_t i, const char* b, const char* e, bool doubled) {
        if (i == field) out = csvFieldText({b, e, doubled});
    });
    return out;
}

std::vector<std::string> splitFields(std::string_view line, FileKind kind, int32_t limit) {
    const int32_t count = countFields(line, kind, limit);
    std::vector<std::string> fields(static_cast<size_t>(count));
    forEachField(line, kind, count, [&](int32_t i, const char* b, const char* e, bool doubled) {
        fields[static_cast<size_t>(i - 1)] = csvFieldText({b, e, doubled});
    });
    return fields;
}

void decideFileKind(TableDocument& table) {
    const std::string_view line = table.firstLine;
    FileKind kind = kindFromName(table.currentFileName);
    if (kind == FileKind::None) {
        const int32_t t = countFields(line, FileKind::Tsv);
        const int32_t p = countFields(line, FileKind::Psv);
        if (t > 1 || p > 1)
            kind = t < p ? FileKind::Psv : FileKind::Tsv;
        else
            kind = FileKind::Csv;
    }
    table.fileKind = kind;
    table.firstLineFieldCount = countFields(line, kind);
}

void setMaxReadableFileSize(uint64_t bytes) { gMaxReadableFileSize = bytes; }
uint64_t maxReadableFileSize() { return gMaxReadableFileSize; }

ReadResult readFirstLine(FileSystem& fs, const std::string& path, std::string& firstLine) {
    std::string error;
    std::unique_ptr<InputFile> file = fs.openRead(path, error);
    if (!file) return {false, error};
    // The line ends at the first CR when the file holds a CR before its first
    // byte 26, else at the first LF: read on until a CR, a byte 26 or the end
    // decides. Bytes are kept up to the first CR; once an LF has been seen
    // and much has been kept, only the bytes up to that LF are kept, and a
    // later CR has the line read again from the start.
    constexpr size_t kKeepAfterLf = 1 << 20;
    // The line's length is a 64-bit offset into the file; a 32-bit build
    // cannot hold more than 2 GB of it anyway.
    const uint64_t longest = maxReadableFileSize();
    std::string kept;
    size_t firstLf = std::string::npos;  // in kept
    bool keeping = true;
    uint64_t offset = 0;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        size_t got = 0;
        if (!file->read(chunk.data(), chunk.size(), got, error)) return {false, error};
        if (got == 0) break;
        const char* b = chunk.data();
        const char* stop = findByte(b, b + got, kEndOfData);
        const char* dataEnd = stop ? stop : b + got;
        const char* cr = findByte(b, dataEnd, kCr);
        if (keeping) {
            const size_t before = kept.size();
            kept.append(b, cr ? cr : dataEnd);
            if (firstLf == std::string::npos) {
                const char* lf = findByte(kept.data() + before, kept.data() + kept.size(), kLf);
                if (lf) firstLf = static_cast<size_t>(lf - kept.data());
            }
        }
        if (cr) {
            const uint64_t crOffset = offset + static_cast<uint64_t>(cr - b);
            if (crOffset > longest) return tooLarge(path);
            if (keeping) {
                firstLine = std::move(kept);
                return {};
            }
            // Read the line again: its LF bytes are data.
            file.reset();
            file = fs.openRead(path, error);
            if (!file) return {false, error};
            std::string line(static_cast<size_t>(crOffset), '\0');
            size_t filled = 0;
            while (filled < line.size()) {
                size_t n = 0;
                if (!file->read(line.data() + filled, line.size() - filled, n, error)) return {false, error};
                if (n == 0) break;
                filled += n;
            }
            line.resize(filled);
            firstLine = std::move(line);
            return {};
        }
        if (stop) break;
        offset += got;
        if (keeping && kept.size() > kKeepAfterLf && firstLf != std::string::npos) {
            kept.resize(firstLf);
            keeping = false;
        }
        // With no CR yet, the line reaches at least to its first LF, or to
        // the end of what was read, whichever byte ends it in the end.
        if (std::min(firstLf, kept.size()) > longest) return tooLarge(path);
    }
    // No CR before the end of data: LF ends the line.
    if (firstLf != std::string::npos) kept.resize(firstLf);
    if (kept.size() > longest) return tooLarge(path);
    firstLine = std::move(kept);
    return {};
}

ReadResult readWholeFile(FileSystem& fs, const std::string& path, std::unique_ptr<char[]>& bytes, size_t& size,
                         uint64_t memoryAvailable) {
    std::string error;
    std::unique_ptr<InputFile> file = fs.openRead(path, error);
    if (!file) return {false, error};
    const uint64_t fileSize = file->size();
    if (fileSize > maxReadableFileSize() || fileSize > SIZE_MAX - 1 || fileSize > memoryAvailable)
        return tooLarge(path);
    std::unique_ptr<char[]> buffer;
    try {
        checkLargeBlock(static_cast<size_t>(fileSize) + 1);
        buffer.reset(new char[static_cast<size_t>(fileSize) + 1]);
        adviseLargeBlock(buffer.get(), static_cast<size_t>(fileSize));
    } catch (const std::bad_alloc&) {
        return tooLarge(path);
    }
    // One read for the whole file; the loop only continues short reads.
    size_t filled = 0;
    const size_t capacity = static_cast<size_t>(fileSize);
    while (filled < capacity) {
        size_t got = 0;
        if (!file->read(buffer.get() + filled, capacity - filled, got, error)) return {false, error};
        if (got == 0) break;
        filled += got;
    }
    bytes = std::move(buffer);
    size = filled;
    return {};
}

ReadResult importBuffer(TableDocument& table, const ImportOptions& options, const TextWidthFunction& textWidth,
                        std::unique_ptr<char[]> bytes, size_t size) {
    try {
        TableDocument fresh;
        fresh.currentFileName = table.currentFileName;
        fresh.fileKind = table.fileKind;
        fresh.firstLine = table.firstLine;
        fresh.firstLineFieldCount = table.firstLineFieldCount;
        const FileKind kind = table.fileKind;

        const std::string_view namesLine =
            options.namesFromFirstLine ? std::string_view(table.firstLine) : std::string_view(options.manualNamesLine);
        const bool skipFirstLine = options.namesFromFirstLine || !options.firstLineIsData;

        std::vector<int32_t> sources;
        for (int32_t i = 1; i <= table.firstLineFieldCount; ++i)
            if (static_cast<size_t>(i - 1) < options.importField.size() && options.importField[i - 1])
                sources.push_back(i);
        std::vector<std::string> names(sources.size());
        {
            const std::vector<std::string> all = splitFields(namesLine, kind);
            for (size_t k = 0; k < sources.size(); ++k)
                if (static_cast<size_t>(sources[k]) <= all.size()) names[k] = all[sources[k] - 1];
        }
        fresh.replaceTable(std::move(names), sources);
        const size_t fields = sources.size();
        for (size_t k = 0; k < fields; ++k)
            fresh.minColumnWidth[k] = 20.0 + (textWidth ? textWidth(fresh.fieldNames[k]) : 0.0);

        char* base = bytes.get();
        const char* stop = base ? static_cast<const char*>(std::memchr(base, kEndOfData, size)) : nullptr;
        const std::string_view data(base, stop ? static_cast<size_t>(stop - base) : size);
        const LineEnds ends = lineEndsOf(data);
        fresh.adoptBuffer(std::move(bytes), size);

        const size_t lines = countLines(data, ends);
        // Judged before the cells are allocated: a table that does not fit
        // would otherwise grow until the system runs out of memory.
        const uint64_t dataLines = lines - (skipFirstLine && lines > 0 ? 1 : 0);
        if (!tableFits(dataLines, fields, size, options.memoryAvailable))
            return tooManyCells(table.currentFileName, dataLines, fields);
        // The line count is only a capacity: when it cannot be had, rows
        // simply grow as they come.
        if (fields == 0 || lines <= SIZE_MAX / 8 / fields) {
            try {
                fresh.reserveRows(lines);
            } catch (const std::bad_alloc&) {
            } catch (const std::length_error&) {
            }
        }

        // Where in a line each source field goes: slot[i] is the table field
        // (0-based) taking line field i + 1, or -1.
        const int32_t lastSource = sources.empty() ? 0 : sources.back();
        std::vector<int32_t> slot(static_cast<size_t>(lastSource), -1);
        for (size_t k = 0; k < fields; ++k) slot[static_cast<size_t>(sources[k] - 1)] = static_cast<int32_t>(k);
        std::vector<CellSpan> spans(fields);
        std::vector<uint64_t> lengthSums(fields, 0);

        size_t pos = 0;
        std::string_view line;
        if (skipFirstLine) readLine(data, pos, ends, line);
        while (readLine(data, pos, ends, line)) {
            if (line.empty() || (line[0] == ' ' && isBlank(line))) continue;
            std::fill(spans.begin(), spans.end(), CellSpan{});
            forEachField(line, kind, lastSource, [&](int32_t i, const char* b, const char* e, bool doubled) {
                const int32_t k = slot[static_cast<size_t>(i - 1)];
                if (k < 0 || b == e) return;
                char* mb = base + (b - base);
                char* me = mb + (e - b);
                if (doubled) me = undoubleQuotes(mb, me);
                const uint32_t length = static_cast<uint32_t>(me - mb);
                spans[static_cast<size_t>(k)] = {static_cast<uint32_t>(mb - base), length};
                lengthSums[static_cast<size_t>(k)] += length;
            });
            // Past the largest row number this throws std::length_error.
            fresh.appendRowSpans(spans.data());
        }

        const int32_t rows = fresh.rowCount();
        double total = 0;
        for (size_t k = 0; k < fields; ++k) {
            double w = rows == 0 ? 100.0 : static_cast<double>(lengthSums[k]) / rows;
            w = std::clamp(w, 5.0, 100.0);
            fresh.columnWeight[k] = w;
            total += w;
        }
        fresh.totalColumnWeight = total;
        table = std::move(fresh);
        return {};
    } catch (const std::bad_alloc&) {
        return tooLarge(table.currentFileName);
    } catch (const std::length_error&) {
        return tooLarge(table.currentFileName);
    }
}

ReadResult importTable(TableDocument& table, const ImportOptions& options, const TextWidthFunction& textWidth,
                       FileSystem& fs) {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    ReadResult read = readWholeFile(fs, table.currentFileName, bytes, size, options.memoryAvailable);
    if (!read.ok) return read;
    return importBuffer(table, options, textWidth, std::move(bytes), size);
}

}  // namespace varnel
