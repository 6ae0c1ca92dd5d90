// Arbitrary bytes as a file, arbitrary import options: the table must be well
// formed, and a save of it must read back identical where the format can
// hold the cells.
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "core/delimited_write.h"
#include "fuzz/fuzz_support.h"

using namespace varnel;
using varnel::fuzz::ByteSource;
using varnel::fuzz::MemoryFileSystem;

namespace {

const char* const kNames[] = {"in.csv", "in.psv", "in.tsv", "in.txt", "IN.CSV", "in.tab", "x"};

bool holdsAny(std::string_view text, std::string_view bytes) { return text.find_first_of(bytes) != text.npos; }

// Whether every name and cell can pass through a file of this delimiter.
bool representable(const TableDocument& t, char delimiter) {
    std::string bad("\r\x1a", 2);
    if (delimiter != ',') bad.push_back(delimiter);
    for (const std::string& n : t.fieldNames())
        if (holdsAny(n, bad)) return false;
    for (int32_t r = 1; r <= t.rowCount(); ++r)
        for (int32_t f = 1; f <= t.fieldCount(); ++f)
            if (holdsAny(t.cell(r, f), bad)) return false;
    return true;
}

void checkRoundTrip(const TableDocument& t, const char* outName, char delimiter, MemoryFileSystem& fs) {
    if (!representable(t, delimiter)) return;
    FUZZ_CHECK(writeTable(t, outName, delimiter, nullptr, fs).ok);
    TableDocument back;
    back.currentFileName = outName;
    FUZZ_CHECK(readFirstLine(fs, outName, back.firstLine).ok);
    decideFileKind(back);
    FUZZ_CHECK(back.firstLineFieldCount == t.fieldCount());
    ImportOptions o;
    o.importField.assign(static_cast<size_t>(back.firstLineFieldCount), true);
    FUZZ_CHECK(importTable(back, o, fs).ok);
    FUZZ_CHECK(back.fieldNames() == t.fieldNames());
    // In a one-field PSV or TSV table a row whose cell is empty or only spaces
    // is written as a blank line, which the reader drops.
    std::vector<int32_t> kept;
    for (int32_t r = 1; r <= t.rowCount(); ++r) {
        bool blank = t.fieldCount() == 1 && delimiter != ',' && t.cell(r, 1).find_first_not_of(' ') == std::string_view::npos;
        if (!blank) kept.push_back(r);
    }
    FUZZ_CHECK(back.rowCount() == static_cast<int32_t>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i)
        for (int32_t f = 1; f <= t.fieldCount(); ++f)
            FUZZ_CHECK(back.cell(static_cast<int32_t>(i) + 1, f) == t.cell(kept[i], f));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const std::string name = kNames[in.byte() % std::size(kNames)];
    const bool namesFromFirstLine = in.flag();
    const bool firstLineIsData = in.flag();
    const uint8_t selection = in.byte();
    std::string manualNames = in.text(24);
    MemoryFileSystem fs;
    fs.files[name] = in.rest();

    TableDocument t;
    t.currentFileName = name;
    FUZZ_CHECK(readFirstLine(fs, name, t.firstLine).ok);
    decideFileKind(t);
    FUZZ_CHECK(t.fileKind != FileKind::None);
    FUZZ_CHECK(t.firstLineFieldCount >= 1);
    FUZZ_CHECK(t.firstLineFieldCount == countFields(t.firstLine, t.fileKind));
    // Keep the check boxes a window could show.
    if (t.firstLineFieldCount > 4096) return 0;

    ImportOptions o;
    o.namesFromFirstLine = namesFromFirstLine;
    o.manualNamesLine = manualNames;
    o.firstLineIsData = firstLineIsData;
    o.importField.resize(static_cast<size_t>(t.firstLineFieldCount));
    int32_t selected = 0;
    for (size_t i = 0; i < o.importField.size(); ++i) {
        o.importField[i] = (selection >> (i % 8)) & 1;
        selected += o.importField[i];
    }
    if (selected == 0) {
        o.importField[0] = true;
        selected = 1;
    }
    FUZZ_CHECK(importTable(t, o, fs).ok);
    FUZZ_CHECK(t.fieldCount() == selected);
    FUZZ_CHECK(static_cast<int32_t>(t.sourceFieldIndex().size()) == selected);
    FUZZ_CHECK(t.columnWeight.size() == static_cast<size_t>(selected));
    for (int32_t k = 1; k < selected; ++k) FUZZ_CHECK(t.sourceFieldIndex()[k - 1] < t.sourceFieldIndex()[k]);
    double total = 0;
    for (int32_t k = 1; k <= selected; ++k) {
        FUZZ_CHECK(t.columnWeight[k - 1] >= 5 && t.columnWeight[k - 1] <= 100);
        total += t.columnWeight[k - 1];
    }
    FUZZ_CHECK(total == t.totalColumnWeight);
    for (int32_t r = 1; r <= t.rowCount(); ++r)
        for (int32_t f = 1; f <= t.fieldCount(); ++f) FUZZ_CHECK(t.cell(r, f).size() <= size);

    checkRoundTrip(t, "out.csv", ',', fs);
    checkRoundTrip(t, "out.psv", '|', fs);
    checkRoundTrip(t, "out.tsv", '\t', fs);
    return 0;
}
