#include "core/delimited_read.h"
#include "core/large_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "core/file_fixtures.h"
#include "fuzz/split_reference.h"

namespace varnel {
namespace {

using testing::MemoryFileSystem;
using Lines = std::vector<std::string>;

// Lines of a file's bytes as the import sees them: cut at byte 26, line ends
// decided by the presence of a CR.
Lines linesOf(std::string_view bytes) {
    const size_t stop = bytes.find('\x1A');
    const std::string_view data = bytes.substr(0, stop);
    const LineEnds ends = lineEndsOf(data);
    Lines out;
    size_t pos = 0;
    std::string_view line;
    while (readLine(data, pos, ends, line)) out.emplace_back(line);
    EXPECT_EQ(countLines(data, ends), out.size()) << "line count of " << ::testing::PrintToString(std::string(bytes));
    return out;
}

TEST(ReadLine, LineEnds) {
    const struct {
        std::string_view bytes;
        Lines lines;
    } cases[] = {
        {"x\r\ny\rz", {"x", "y", "z"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\r\n", {"a"}},
        {"a\r", {"a"}},
        {"\r\n", {""}},
        {"", {}},
        {"abc", {"abc"}},
        // A file with one CR keeps LF as data everywhere.
        {"x\ny\nz\r\n", {"x\ny\nz"}},
        {"x\ny\n\r", {"x\ny\n"}},
        // Byte 26 ends the data, even inside a line.
        {"ab\x1A" "cd\r\n", {"ab"}},
        {"ab\r\n\x1A\r\nzz", {"ab"}},
        {"\x1A" "a\r\n", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(linesOf(c.bytes), c.lines) << ::testing::PrintToString(std::string(c.bytes));
}

TEST(ReadLine, EveryLineEndOfALongRunCounts) {
    // The count of line ends is kept per byte in the pre-scan, which must
    // not wrap however many line ends one place of a block sees.
    for (const std::string& bytes : {std::string(100000, '\r'), std::string(100000, '\n'),
                                     std::string(30000, 'x') + std::string(70000, '\r'), std::string(50000, '\r') + "\x1A\r"}) {
        const size_t stop = bytes.find('\x1A');
        const std::string_view data = std::string_view(bytes).substr(0, stop);
        const LineEnds ends = lineEndsOf(data);
        size_t pos = 0, lines = 0;
        std::string_view line;
        while (readLine(data, pos, ends, line)) ++lines;
        EXPECT_EQ(countLines(data, ends), lines);
    }
}

TEST(ReadLine, FileWithoutCrUsesLfLineEnds) {
    // Read by CR rules alone these would each be one line holding the LFs.
    const struct {
        std::string_view bytes;
        Lines lines;
    } cases[] = {
        {"x\ny\n", {"x", "y"}},
        {"x\ny", {"x", "y"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"\n", {""}},
        // The CR after byte 26 is not data, so LF still ends lines.
        {"a\nb\x1A\r\n", {"a", "b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(linesOf(c.bytes), c.lines) << ::testing::PrintToString(std::string(c.bytes));
}

struct FieldCase {
    std::string_view line;
    std::vector<std::string> fields;
};

void expectFields(const FieldCase& c, FileKind kind) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.line)));
    EXPECT_EQ(countFields(c.line, kind), static_cast<int32_t>(c.fields.size()));
    EXPECT_EQ(splitFields(c.line, kind), c.fields);
    for (size_t i = 0; i < c.fields.size(); ++i)
        EXPECT_EQ(fieldAt(c.line, kind, static_cast<int32_t>(i + 1)), c.fields[i]) << "field " << i + 1;
    EXPECT_EQ(fieldAt(c.line, kind, static_cast<int32_t>(c.fields.size() + 1)), "");
}

TEST(CsvFields, QuotesSpacesAndCommas) {
    const FieldCase cases[] = {
        {"a, b ,c", {"a", "b", "c"}},
        {"a,,b,", {"a", "", "b", ""}},
        {"  \"x, y\"  ,z", {"x, y", "z"}},
        {"\"ab\"cd,e", {"ab", "e"}},
        {"\"a,b", {"a,b"}},
        {"a\t,b", {"a\t", "b"}},
        {"", {""}},
        {"   ", {""}},
        {" ,x", {"", "x"}},
        {"a ,", {"a", ""}},
        {"\" a \",b", {" a ", "b"}},
        {"x \"y\" z,w", {"x \"y\" z", "w"}},
        {"\"\",\"\"", {"", ""}},
        {"\"a\"  ", {"a"}},
    };
    for (const auto& c : cases) expectFields(c, FileKind::Csv);
}

TEST(CsvFields, DoubledQuoteInsideQuotesIsOneQuote) {
    // Without the doubled-quote rule the first of two quotes would end the
    // field: '"a""b",c' would give 'a' and 'c'.
    const FieldCase cases[] = {
        {"\"a\"\"b\",c", {"a\"b", "c"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"\"\"\",x", {"\"", "x"}},
        {"\"x,\"\"y\"\",z\",w", {"x,\"y\",z", "w"}},
        {"\"a\"\" ,b", {"a\" ,b"}},  // still unclosed: takes the rest
        {"p,\"\"\"q\"\"\"x,r", {"p", "\"q\"", "r"}},
    };
    for (const auto& c : cases) expectFields(c, FileKind::Csv);
}

TEST(DelimiterFields, PsvAndTsvKeepEverything) {
    expectFields({"\"a\"\tb", {"\"a\"", "b"}}, FileKind::Tsv);
    expectFields({"a,b\t c ", {"a,b", " c "}}, FileKind::Tsv);
    expectFields({"\t", {"", ""}}, FileKind::Tsv);
    expectFields({" a | b ", {" a ", " b "}}, FileKind::Psv);
    expectFields({"a||", {"a", "", ""}}, FileKind::Psv);
    expectFields({"\"a|b\"", {"\"a", "b\""}}, FileKind::Psv);
    expectFields({"", {""}}, FileKind::Psv);
}

// The count is a 32-bit number: it stops at its limit, here a small one,
// instead of running past it. Fields up to the limit read as before.
TEST(FieldRules, CountStopsAtItsLimit) {
    const struct {
        const char* line;
        FileKind kind;
        int32_t limit;
        int32_t count;
    } cases[] = {
        {"a,b,c,d,e", FileKind::Csv, 3, 3},      {"a,b,c,d,e", FileKind::Csv, 5, 5},
        {"a,b,c,d,e", FileKind::Csv, 6, 5},      {"\"x,y\",\"z,w\",v", FileKind::Csv, 2, 2},
        {"a,", FileKind::Csv, 1, 1},             {"a|b|c|d", FileKind::Psv, 2, 2},
        {"a|b|c|d", FileKind::Psv, 4, 4},        {"a\tb\tc", FileKind::Tsv, 1, 1},
        {"a\tb\tc", FileKind::Tsv, 9, 3},       {"||||||||", FileKind::Psv, 7, 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(countFields(c.line, c.kind, c.limit), c.count) << c.line << " " << c.limit;
        // The split stops at the same field, each field as read alone.
        const std::vector<std::string> split = splitFields(c.line, c.kind, c.limit);
        ASSERT_EQ(split.size(), static_cast<size_t>(c.count)) << c.line << " " << c.limit;
        for (int32_t i = 1; i <= c.count; ++i)
            EXPECT_EQ(split[i - 1], fieldAt(c.line, c.kind, i)) << c.line << " " << i;
    }
    EXPECT_EQ(countFields("a,b", FileKind::Csv), 2) << "the default limit is far away";
    // Reading up to the last counted field stops there.
    EXPECT_EQ(fieldAt("a,b,c,d,e", FileKind::Csv, 3), "c");
    EXPECT_EQ(splitFields("a|b|c", FileKind::Psv), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(DecideFileKind, NameThenFirstLine) {
    const struct {
        const char* name;
        const char* firstLine;
        FileKind kind;
        int32_t fields;
    } cases[] = {
        {"report.txt", "a\tb\tc|d|e|f", FileKind::Psv, 4},
        {"report.txt", "a\tb\tc|d|e", FileKind::Tsv, 3},
        {"report.txt", "a,b,c", FileKind::Csv, 3},
        {"report.txt", "a|b,c", FileKind::Psv, 2},
        {"data.tab", "a\tb", FileKind::Tsv, 2},
        {"data.tab", "a\tb|c|d", FileKind::Psv, 3},
        {"DATA.CSV", "a\tb\tc", FileKind::Csv, 1},
        {"xcsv", "a,b", FileKind::Csv, 2},
        {"x.Psv", "a|b|c", FileKind::Psv, 3},
        {"x.tsv", "a|b", FileKind::Tsv, 1},
        {"sv", "", FileKind::Csv, 1},
        {"", "\"a,b\",c", FileKind::Csv, 2},
    };
    for (const auto& c : cases) {
        TableDocument t;
        t.currentFileName = c.name;
        t.firstLine = c.firstLine;
        decideFileKind(t);
        EXPECT_EQ(t.fileKind, c.kind) << c.name << " " << c.firstLine;
        EXPECT_EQ(t.firstLineFieldCount, c.fields) << c.name << " " << c.firstLine;
    }
}

TEST(ReadFirstLine, FollowsTheFilesLineEnds) {
    MemoryFileSystem fs;
    const std::string longLine(200000, 'x');
    const std::string farAfterLf = "a\n" + std::string(3 << 20, 'y');
    const struct {
        std::string bytes;
        std::string firstLine;
    } cases[] = {
        {"ab\ncd\r\nef", "ab\ncd"},
        {"ab\ncd\nef", "ab"},
        {"ab\ncd\x1A\r\n", "ab"},
        {"a,b", "a,b"},
        {"", ""},
        {"\x1A" "abc\r", ""},
        {longLine + "\r\nz", longLine},
        {longLine + "\nz", longLine},
        {farAfterLf + "\r", farAfterLf},
        {farAfterLf, "a"},
    };
    fs.chunkLimit = 10000;
    for (const auto& c : cases) {
        fs.files["f.csv"] = c.bytes;
        std::string line = "old";
        const ReadResult r = readFirstLine(fs, "f.csv", line);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(line == c.firstLine) << "first line of " << c.bytes.substr(0, 20) << " has " << line.size()
                                         << " bytes";
    }
}

// A first line longer than the largest readable file is refused as too
// large, however it ends (its length is a 64-bit offset into the file,
// which a 32-bit build would cut). The limit is lowered to 16 bytes here.
TEST(ReadFirstLine, LineLongerThanTheReadableSizeIsRefused) {
    MemoryFileSystem fs;
    fs.chunkLimit = 10000;
    const std::string sixteen = "0123456789abcdef";
    const struct {
        std::string bytes;
        bool refused;
        std::string firstLine;
    } cases[] = {
        {sixteen + "\r\nrest of the file", false, sixteen},
        {sixteen + "g\r\n", true, ""},
        {sixteen + "\n" + std::string(100, 'x'), false, sixteen},  // LF file
        {"short\n" + std::string(100, 'x'), false, "short"},
        {sixteen + "g\n" + std::string(100, 'x'), true, ""},
        {std::string(100, 'x'), true, ""},
        {std::string(100, 'x') + "\r", true, ""},
        // A CR far on makes the LF bytes data: the line is read again from
        // the start, up to an offset past the limit.
        {"a\n" + std::string(3 << 20, 'y') + "\r", true, ""},
        {"a\n" + std::string(3 << 20, 'y'), false, "a"},
    };
    const uint64_t saved = maxReadableFileSize();
    setMaxReadableFileSize(16);
    for (const auto& c : cases) {
        fs.files["f.csv"] = c.bytes;
        std::string line = "old";
        const ReadResult r = readFirstLine(fs, "f.csv", line);
        const std::string what = c.bytes.substr(0, 24) + " (" + std::to_string(c.bytes.size()) + " bytes)";
        EXPECT_EQ(r.ok, !c.refused) << what;
        if (c.refused) {
            EXPECT_NE(r.error.find("too large"), std::string::npos) << r.error;
            EXPECT_EQ(line, "old") << what;
        } else {
            EXPECT_EQ(line, c.firstLine) << what;
        }
    }
    setMaxReadableFileSize(saved);
}

TEST(ReadFirstLine, FailureIsReportedNotAnEmptyLine) {
    MemoryFileSystem fs;
    fs.unreadable["locked.csv"] = "locked.csv: The process cannot access the file";
    fs.files["bad.csv"] = "a,b\r\n";
    fs.failingReads["bad.csv"] = "bad.csv: I/O error";
    for (const char* name : {"locked.csv", "missing.csv", "bad.csv"}) {
        std::string line = "kept";
        const ReadResult r = readFirstLine(fs, name, line);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
        EXPECT_EQ(line, "kept");
    }
}

struct Imported {
    ReadResult result;
    TableDocument table;
};

Imported importBytes(const std::string& name, const std::string& bytes, ImportOptions options = {},
                     std::vector<bool> fields = {}) {
    MemoryFileSystem fs;
    fs.files[name] = bytes;
    Imported out;
    out.table.currentFileName = name;
    std::string first;
    EXPECT_TRUE(readFirstLine(fs, name, first).ok);
    out.table.firstLine = first;
    decideFileKind(out.table);
    options.importField = fields.empty() ? std::vector<bool>(out.table.firstLineFieldCount, true) : fields;
    if (options.manualNamesLine.empty()) options.manualNamesLine = first;
    out.result = importTable(out.table, options, fs);
    return out;
}

std::vector<std::string> rowOf(const TableDocument& t, int32_t r) {
    std::vector<std::string> v;
    for (int32_t f = 1; f <= t.fieldCount(); ++f) v.emplace_back(t.cell(r, f));
    return v;
}

TEST(ImportTable, NamesRowsWeightsAndWidths) {
    const Imported im = importBytes("people.csv",
                                    "id,name,note\r\n"
                                    "1,Ann,\"says \"\"hi\"\", then \"\"bye\"\"\"\r\n"
                                    "   \r\n"
                                    "\r\n"
                                    "22 , Bob\r\n"
                                    "\t\r\n");
    ASSERT_TRUE(im.result.ok) << im.result.error;
    const TableDocument& t = im.table;
    EXPECT_EQ(t.fieldNames(), (std::vector<std::string>{"id", "name", "note"}));
    EXPECT_EQ(t.sourceFieldIndex(), (std::vector<int32_t>{1, 2, 3}));
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(rowOf(t, 1), (std::vector<std::string>{"1", "Ann", "says \"hi\", then \"bye\""}));
    EXPECT_EQ(rowOf(t, 2), (std::vector<std::string>{"22", "Bob", ""}));
    EXPECT_EQ(rowOf(t, 3), (std::vector<std::string>{"\t", "", ""}));
    // Averages 4/3, 6/3 and 21/3 bytes, clamped to 5..100.
    EXPECT_EQ(t.columnWeight, (std::vector<double>{5.0, 5.0, 7.0}));
    EXPECT_DOUBLE_EQ(t.totalColumnWeight, 17.0);
    EXPECT_EQ(t.currentFileName, "people.csv");
    EXPECT_EQ(t.fileKind, FileKind::Csv);
    EXPECT_EQ(t.firstLineFieldCount, 3);
}

TEST(ImportTable, LongCellsWeighAtMostOneHundred) {
    const Imported im = importBytes("a.psv", "x|y\r\n" + std::string(300, 'q') + "|" + std::string(50, 'r') + "\r\n");
    ASSERT_TRUE(im.result.ok);
    EXPECT_EQ(im.table.columnWeight, (std::vector<double>{100.0, 50.0}));
}

TEST(ImportTable, HeaderOnlyGivesNoRowsAndFullWeights) {
    const Imported im = importBytes("h.tsv", "a\tb\tc\r\n");
    ASSERT_TRUE(im.result.ok);
    EXPECT_EQ(im.table.rowCount(), 0);
    EXPECT_EQ(im.table.fieldCount(), 3);
    EXPECT_EQ(im.table.columnWeight, (std::vector<double>{100, 100, 100}));
    EXPECT_DOUBLE_EQ(im.table.totalColumnWeight, 300);
}

TEST(ImportTable, EmptyFileGivesOneUnnamedFieldAndNoRows) {
    const Imported im = importBytes("e.csv", "");
    ASSERT_TRUE(im.result.ok);
    EXPECT_EQ(im.table.fieldNames(), std::vector<std::string>{""});
    EXPECT_EQ(im.table.rowCount(), 0);
}

TEST(ImportTable, SelectedFieldsAndManualNames) {
    const std::string file = "a,b,c\r\n1,2,3\r\n4,5\r\n";
    {
        const Imported im = importBytes("x.csv", file, {}, {false, true, false});
        ASSERT_TRUE(im.result.ok);
        EXPECT_EQ(im.table.fieldNames(), std::vector<std::string>{"b"});
        EXPECT_EQ(im.table.sourceFieldIndex(), std::vector<int32_t>{2});
        ASSERT_EQ(im.table.rowCount(), 2);
        EXPECT_EQ(im.table.cell(1, 1), "2");
        EXPECT_EQ(im.table.cell(2, 1), "5");
    }
    {
        ImportOptions o;
        o.namesFromFirstLine = false;
        o.manualNamesLine = "id,name";
        o.firstLineIsData = true;
        const Imported im = importBytes("x.csv", file, o, {true, false, true});
        ASSERT_TRUE(im.result.ok);
        EXPECT_EQ(im.table.fieldNames(), (std::vector<std::string>{"id", ""}));
        EXPECT_EQ(im.table.sourceFieldIndex(), (std::vector<int32_t>{1, 3}));
        ASSERT_EQ(im.table.rowCount(), 3);
        EXPECT_EQ(rowOf(im.table, 1), (std::vector<std::string>{"a", "c"}));
        EXPECT_EQ(rowOf(im.table, 3), (std::vector<std::string>{"4", ""}));
    }
    {
        ImportOptions o;
        o.namesFromFirstLine = false;
        o.manualNamesLine = "p,q,r";
        o.firstLineIsData = false;
        const Imported im = importBytes("x.csv", file, o);
        ASSERT_TRUE(im.result.ok);
        EXPECT_EQ(im.table.fieldNames(), (std::vector<std::string>{"p", "q", "r"}));
        EXPECT_EQ(im.table.rowCount(), 2);
    }
}

TEST(ImportTable, LfOnlyFileGivesOneRowPerLine) {
    // By CR rules alone this would be a single line with four fields.
    const Imported im = importBytes("lf.csv", "id,name\n1,Ann\n2,Bob\n");
    ASSERT_TRUE(im.result.ok);
    EXPECT_EQ(im.table.fieldNames(), (std::vector<std::string>{"id", "name"}));
    ASSERT_EQ(im.table.rowCount(), 2);
    EXPECT_EQ(rowOf(im.table, 2), (std::vector<std::string>{"2", "Bob"}));
}

TEST(ImportTable, StrayCrKeepsLfAsData) {
    const Imported im = importBytes("m.tsv", "a\tb\r\n1\tx\ny\r\n");
    ASSERT_TRUE(im.result.ok);
    ASSERT_EQ(im.table.rowCount(), 1);
    EXPECT_EQ(im.table.cell(1, 2), "x\ny");
}

TEST(ImportTable, StopsAtByte26AndSplitsEveryLineAlike) {
    const Imported im = importBytes("z.psv", "a|b\r\n1|2|3\r\nlonely\r\n4|5\x1A|6\r\n7|8\r\n");
    ASSERT_TRUE(im.result.ok);
    ASSERT_EQ(im.table.rowCount(), 3);
    EXPECT_EQ(rowOf(im.table, 1), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(rowOf(im.table, 2), (std::vector<std::string>{"lonely", ""}));
    EXPECT_EQ(rowOf(im.table, 3), (std::vector<std::string>{"4", "5"}));
}

TableDocument oldTable() {
    TableDocument t;
    t.replaceTable({"old"}, {1});
    t.appendRow({"kept"});
    return t;
}

TEST(ImportTable, FailureLeavesTheTableAsItWas) {
    MemoryFileSystem fs;
    fs.unreadable["locked.csv"] = "locked.csv: The process cannot access the file";
    fs.files["bad.csv"] = "a\r\n1\r\n";
    fs.failingReads["bad.csv"] = "bad.csv: I/O error";
    for (const char* name : {"locked.csv", "missing.csv", "bad.csv"}) {
        TableDocument t = oldTable();
        t.currentFileName = name;
        t.firstLine = "a";
        t.fileKind = FileKind::Csv;
        t.firstLineFieldCount = 1;
        ImportOptions o;
        o.importField = {true};
        const ReadResult r = importTable(t, o, fs);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
        EXPECT_EQ(t.fieldNames(), std::vector<std::string>{"old"});
        ASSERT_EQ(t.rowCount(), 1);
        EXPECT_EQ(t.cell(1, 1), "kept");
    }
}

TEST(ImportTable, TooLargeFileIsRefused) {
    MemoryFileSystem fs;
    fs.files["big.csv"] = "a,b\r\n1,2\r\n3,4\r\n";
    TableDocument t = oldTable();
    t.currentFileName = "big.csv";
    t.firstLine = "a,b";
    decideFileKind(t);
    ImportOptions o;
    o.importField = {true, true};
    const uint64_t saved = maxReadableFileSize();
    setMaxReadableFileSize(10);
    const ReadResult refused = importTable(t, o, fs);
    setMaxReadableFileSize(saved);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("too large"), std::string::npos) << refused.error;
    EXPECT_NE(refused.error.find("big.csv"), std::string::npos) << refused.error;
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.cell(1, 1), "kept");

    const ReadResult loaded = importTable(t, o, fs);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(t.rowCount(), 2);
}

// No block for the file's bytes, or none for the cell spans later in the
// load (short cells: the spans need more bytes than the file): both refuse
// the file as too large and leave the old table.
TEST(ImportTable, NoMemoryForTheFileOrItsCellsIsRefused) {
    MemoryFileSystem fs;
    std::string bytes = "a,b,c\r\n";
    for (int i = 0; i < 200; ++i) bytes += "1,2,3\r\n";
    fs.files["short.csv"] = bytes;
    for (size_t refusedFrom : {bytes.size() + 1, bytes.size() + 2}) {
        TableDocument t = oldTable();
        t.currentFileName = "short.csv";
        t.firstLine = "a,b,c";
        decideFileKind(t);
        ImportOptions o;
        o.importField = {true, true, true};
        refuseLargeBlocksFrom(refusedFrom);
        const ReadResult refused = importTable(t, o, fs);
        refuseLargeBlocksFrom(SIZE_MAX);
        EXPECT_FALSE(refused.ok) << refusedFrom;
        EXPECT_EQ(refused.error, "The file \"short.csv\" is too large to load.");
        EXPECT_TRUE(refused.tooLarge);
        EXPECT_EQ(t.fieldNames(), std::vector<std::string>{"old"});
        ASSERT_EQ(t.rowCount(), 1);
        EXPECT_EQ(t.cell(1, 1), "kept");
    }
}

// A table is judged by what it needs beside the file (8 bytes a cell, 4 a
// row) before its cells are allocated: one byte less than that is refused
// with the rows and fields counted, and the old table stays.
TEST(ImportTable, TableTooLargeByItsCellsIsRefusedBeforeAllocation) {
    // 4 lines of 3 fields; the first line is names unless said otherwise.
    const std::string bytes = "a,b,c\r\n1,2,3\r\n4,5,6\r\n7,8,9\r\n";
    const uint64_t file = bytes.size();
    const struct {
        const char* what;
        std::vector<bool> fields;
        bool namesFromFirstLine;
        uint64_t rows;
        const char* refusal;
    } cases[] = {
        {"all fields", {true, true, true}, true, 3, "holds 3 rows of 3 fields, too many to load."},
        {"one field", {false, true, false}, true, 3, "holds 3 rows of 1 field, too many to load."},
        {"first line as data", {true, true, true}, false, 4, "holds 4 rows of 3 fields, too many to load."},
    };
    for (const auto& c : cases) {
        const uint64_t cells = static_cast<uint64_t>(std::count(c.fields.begin(), c.fields.end(), true));
        const uint64_t needed = file + c.rows * (cells * 8 + 4);
        for (const uint64_t available : {needed, needed - 1}) {
            MemoryFileSystem fs;
            fs.files["tall.csv"] = bytes;
            TableDocument t = oldTable();
            t.currentFileName = "tall.csv";
            t.firstLine = "a,b,c";
            decideFileKind(t);
            ImportOptions o;
            o.importField = c.fields;
            o.namesFromFirstLine = c.namesFromFirstLine;
            o.firstLineIsData = !c.namesFromFirstLine;
            o.manualNamesLine = "x,y,z";
            o.memoryAvailable = available;
            const ReadResult r = importTable(t, o, fs);
            if (available == needed) {
                EXPECT_TRUE(r.ok) << c.what << ": " << r.error;
                EXPECT_EQ(t.rowCount(), static_cast<int32_t>(c.rows)) << c.what;
                continue;
            }
            EXPECT_FALSE(r.ok) << c.what;
            EXPECT_TRUE(r.tooLarge) << c.what;
            EXPECT_EQ(r.error, std::string("The file \"tall.csv\" ") + c.refusal) << c.what;
            ASSERT_EQ(t.rowCount(), 1) << c.what;
            EXPECT_EQ(t.cell(1, 1), "kept") << c.what;
        }
    }

    // The file alone does not fit: refused before it is read.
    MemoryFileSystem fs;
    fs.files["tall.csv"] = bytes;
    fs.failingReads["tall.csv"] = "tall.csv: should not be read";
    std::unique_ptr<char[]> held;
    size_t size = 0;
    const ReadResult r = readWholeFile(fs, "tall.csv", held, size, file - 1);
    EXPECT_TRUE(r.tooLarge);
    EXPECT_EQ(r.error, "The file \"tall.csv\" is too large to load.");

    // Counts are written with their thousands grouped.
    std::string many = "a,b\r\n";
    for (int i = 0; i < 1500; ++i) many += "1,2\r\n";
    fs.files["many.csv"] = many;
    TableDocument t = oldTable();
    t.currentFileName = "many.csv";
    t.firstLine = "a,b";
    decideFileKind(t);
    ImportOptions o;
    o.importField = {true, true};
    o.memoryAvailable = many.size();
    EXPECT_EQ(importTable(t, o, fs).error,
              "The file \"many.csv\" holds 1,500 rows of 2 fields, too many to load.");
}

// The CSV field rules written out plainly, one byte at a time.
std::vector<std::string> plainCsvFields(std::string_view line) {
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        if (pos == line.size()) {
            // An empty line, or the line ended right after a comma.
            fields.emplace_back();
            return fields;
        }
        if (line[pos] == '"') {
            std::string text;
            size_t k = pos + 1;
            bool closed = false;
            while (k < line.size()) {
                if (line[k] == '"') {
                    if (k + 1 < line.size() && line[k + 1] == '"') {
                        text += '"';
                        k += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                text += line[k++];
            }
            fields.push_back(text);
            if (!closed) return fields;
            const size_t comma = line.find(',', k + 1);
            if (comma == std::string_view::npos) return fields;
            pos = comma + 1;
            continue;
        }
        const size_t comma = line.find(',', pos);
        size_t end = comma == std::string_view::npos ? line.size() : comma;
        while (end > pos && line[end - 1] == ' ') --end;
        fields.emplace_back(line.substr(pos, end - pos));
        if (comma == std::string_view::npos) return fields;
        pos = comma + 1;
    }
}

std::vector<std::string> plainDelimitedFields(std::string_view line, char delimiter) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == delimiter)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string randomLine(std::mt19937& rng, std::string_view alphabet, size_t maxLength) {
    std::string line(rng() % (maxLength + 1), ' ');
    for (char& c : line) c = alphabet[rng() % alphabet.size()];
    return line;
}

TEST(FieldRules, LongRandomLinesMatchThePlainRules) {
    // Lines longer than the 16-byte steps of the field search, with the
    // bytes that matter dense enough to meet every rule at every offset.
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        const std::string line = randomLine(rng, round % 2 ? "ab ,\"\t|" : "abcdefgh ,\"", 90);
        SCOPED_TRACE(::testing::PrintToString(line));
        const std::vector<std::string> csv = plainCsvFields(line);
        ASSERT_EQ(countFields(line, FileKind::Csv), static_cast<int32_t>(csv.size()));
        ASSERT_EQ(splitFields(line, FileKind::Csv), csv);
        const int32_t probe = 1 + static_cast<int32_t>(rng() % (csv.size() + 1));
        ASSERT_EQ(fieldAt(line, FileKind::Csv, probe), probe <= static_cast<int32_t>(csv.size()) ? csv[probe - 1] : "");
        for (FileKind kind : {FileKind::Psv, FileKind::Tsv}) {
            const std::vector<std::string> plain = plainDelimitedFields(line, rulesOf(kind).delimiter);
            ASSERT_EQ(countFields(line, kind), static_cast<int32_t>(plain.size()));
            ASSERT_EQ(splitFields(line, kind), plain);
        }
    }
}

TEST(ImportTable, RandomFilesMatchThePlainRules) {
    // Quotes undone in place inside the file's buffer must not disturb the
    // cells around them.
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::string file = "a,b,c,d\r\n";
        std::vector<std::vector<std::string>> expected;
        const int lines = static_cast<int>(rng() % 40);
        for (int l = 0; l < lines; ++l) {
            const std::string line = randomLine(rng, "xy ,\"\t", 60);
            file += line + "\r\n";
            if (line.find_first_not_of(' ') == std::string::npos) continue;
            std::vector<std::string> fields = plainCsvFields(line);
            fields.resize(4);
            expected.push_back(fields);
        }
        const Imported im = importBytes("r.csv", file);
        ASSERT_TRUE(im.result.ok);
        ASSERT_EQ(im.table.rowCount(), static_cast<int32_t>(expected.size())) << file;
        for (int32_t r = 1; r <= im.table.rowCount(); ++r) ASSERT_EQ(rowOf(im.table, r), expected[r - 1]) << file;
    }
}

// The import finds line ends, delimiters and quotes a block of bytes at a
// time; a byte that matters must count wherever it falls in a block, the
// last byte of the data included.
TEST(ImportTable, SpecialBytesAtEveryOffsetMatchTheLineByLineReader) {
    const struct {
        const char* name;
        std::string_view tail;  // follows a run of filler bytes on line 2
        std::string_view head = "h1,h2,h3|h4\th5\r\n";
    } cases[] = {
        {"b.csv", ",\"q, r\"  , s ,\"t\"\"u\",v\r\nw\r\n"},
        {"b.csv", " \"open, to the end\r\n,\r\n"},
        {"b.csv", "\"x\"junk,y\r\r\n \r\n"},
        {"b.csv", "\",\"\",\"\r\n"},
        {"b.csv", ",a\x1A,b\r\nc\r\n"},
        {"b.csv", ",a\nb,c\n\"d\ne\"\n"},
        {"b.csv", ",last without a line end \""},
        {"b.csv", ",\"last quoted"},
        {"b.psv", "|x\"|\t|\r\n| |\r"},
        {"b.tsv", "\ta b\t\t\"c\r\n\t"},
        {"b.tsv", "\tz\nq\ty\n"},
        {"b.csv", ", \"p,q\" ,r\n\ns,t", "h1,h2,h3\n"},
        {"b.psv", "|\"|\n | \n", "h1|h2|h3\n"},
    };
    for (const auto& c : cases) {
        for (size_t run = 0; run <= 140; ++run) {
            for (char filler : {'f', ' '}) {
                const std::string bytes = std::string(c.head) + std::string(run, filler) + std::string(c.tail);
                SCOPED_TRACE(::testing::PrintToString(bytes));
                const Imported im = importBytes(c.name, bytes);
                ASSERT_TRUE(im.result.ok);
                ImportOptions o;
                o.importField.assign(static_cast<size_t>(im.table.firstLineFieldCount), true);
                std::string why;
                ASSERT_TRUE(reference::sameTable(im.table, reference::importRows(im.table, o, bytes), why)) << why;
            }
        }
    }
}

// Ordinary CSV lines (quotes only around whole fields, no space next to a
// comma outside them) are split from bit masks of up to 128 bytes at a time;
// every other line byte by byte. Lines of every length around those 128
// bytes, ordinary or one byte away from it, must come out as the line-by-line
// reader makes them.
TEST(ImportTable, OrdinaryAndAlmostOrdinaryLinesOfEveryLength) {
    const std::vector<std::string> shapes = {
        "a,\"b, c\",,\"\",d",          // ordinary
        "\"q\",x,\"y,z\"",              // ordinary, quoted first and last
        "a, b,c",                     // a space after a comma
        "a ,b",                       // a space before a comma
        "a,\"b\"c,d",                  // text after a closing quote
        "a,b\"c,d",                   // a quote inside a plain field
        "a,\"b\"\"c\",d",               // a doubled quote
        "a,\"open, to the end",       // a quote left open
        " a,b",                       // a space at the start
        "a,b ",                       // a space at the end
        "a,\" b \",c",                 // spaces inside quotes: ordinary
    };
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        for (const std::string& shape : shapes) {
            for (size_t pad = 0; pad <= 140; ++pad) {
                // The first field grows, so that every byte of the shape
                // crosses the 64- and 128-byte marks; enough lines follow.
                const std::string line = std::string(pad, 'p') + shape;
                std::string bytes = std::string("h1,h2,h3,h4,h5,h6") + lineEnd + line + lineEnd;
                for (int k = 0; k < 3; ++k) bytes += std::string(150, 'f') + ",\"g\"" + lineEnd;
                SCOPED_TRACE(::testing::PrintToString(line) + " ending " + ::testing::PrintToString(std::string(lineEnd)));
                const Imported im = importBytes("o.csv", bytes);
                ASSERT_TRUE(im.result.ok);
                ImportOptions o;
                o.importField.assign(static_cast<size_t>(im.table.firstLineFieldCount), true);
                std::string why;
                ASSERT_TRUE(reference::sameTable(im.table, reference::importRows(im.table, o, bytes), why)) << why;
            }
        }
    }
}

}  // namespace
}  // namespace varnel
