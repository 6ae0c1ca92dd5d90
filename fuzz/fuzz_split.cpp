// The block-wise split of the import against the line-at-a-time reference:
// the same bytes and options must give the same names, rows, cells and
// weights. Runs of a byte can be written short in the input (a byte from
// 0xF0 up, then a count), so that quotes, delimiters, spaces, CR, LF and
// byte 26 fall on every offset of the 16-, 32- and 64-byte blocks; each file
// is also tried shifted by a few bytes.
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/split_reference.h"

using namespace varnel;
using varnel::fuzz::ByteSource;
using varnel::fuzz::MemoryFileSystem;

namespace {

const char* const kNames[] = {"in.csv", "in.psv", "in.tsv", "in.txt"};
constexpr char kRunBytes[] = {'a', ' ', ',', '"', '|', '\t', '\r', '\n', '\x1A', 'b', ' ', ',', '"', 'x', '\r', ' '};

std::string expandRuns(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c >= 0xF0 && i + 1 < in.size()) {
            out.append(1 + static_cast<unsigned char>(in[++i]) % 80, kRunBytes[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

void checkOne(const std::string& name, const std::string& bytes, bool namesFromFirstLine, bool firstLineIsData,
              uint8_t selection, const std::string& manualNames) {
    MemoryFileSystem fs;
    fs.files[name] = bytes;
    TableDocument t;
    t.currentFileName = name;
    FUZZ_CHECK(readFirstLine(fs, name, t.firstLine).ok);
    decideFileKind(t);
    if (t.firstLineFieldCount > 4096) return;
    ImportOptions o;
    o.namesFromFirstLine = namesFromFirstLine;
    o.firstLineIsData = firstLineIsData;
    o.manualNamesLine = manualNames;
    o.importField.resize(static_cast<size_t>(t.firstLineFieldCount));
    bool any = false;
    for (size_t i = 0; i < o.importField.size(); ++i) {
        o.importField[i] = (selection >> (i % 8)) & 1;
        any = any || o.importField[i];
    }
    if (!any) o.importField.back() = true;
    const reference::ImportedRows expected = reference::importRows(t, o, bytes);
    FUZZ_CHECK(importTable(t, o, fs).ok);
    std::string why;
    if (!reference::sameTable(t, expected, why)) {
        std::fprintf(stderr, "split differs from the reference: %s\n", why.c_str());
        FUZZ_CHECK(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const std::string name = kNames[in.byte() % std::size(kNames)];
    const bool namesFromFirstLine = in.flag();
    const bool firstLineIsData = in.flag();
    const uint8_t selection = in.byte();
    const std::string manualNames = in.text(16);
    const std::string bytes = expandRuns(in.rest());
    for (size_t shift : {0, 1, 7, 15, 31, 63}) {
        checkOne(name, std::string(shift, 'x') + bytes, namesFromFirstLine, firstLineIsData, selection, manualNames);
        if (bytes.size() > 200) break;
    }
    return 0;
}
