// Rows tested where their cells lie against the plain search that builds
// and lower-cases each row's subject: arbitrary file bytes as a table, a few
// cells set afterwards, an arbitrary query (now and then with a term no typed
// text gives, holding a space), over all fields or one, under the
// Windows-1252 lower-case table or one with odd mappings.
#include <memory>
#include <string>

#include "core/delimited_read.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/search_reference.h"
#include "search/query.h"
#include "search/row_match.h"

using namespace varnel;
using varnel::fuzz::ByteSource;

namespace {

LowerCaseTable tableFor(uint8_t choice) {
    LowerCaseTable t = windows1252LowerCaseTable();
    if (choice & 1) t[0xA0] = ' ';                   // a byte that lowers to a space
    if (choice & 2) t[0xC0] = 'a';                   // three bytes that lower to a
    if (choice & 4) t[0xC1] = t[0xC2] = 'a';         // more than three
    if (choice & 8) t['I'] = 0xFD;                   // a capital that lowers outside ASCII
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const LowerCaseTable lower = tableFor(in.byte());
    const FileKind kind = static_cast<FileKind>(1 + in.byte() % 3);
    const std::string typed = in.text(24);
    const std::string extra = in.text(6);
    const uint8_t extraKind = in.byte();
    const uint8_t fieldChoice = in.byte();
    const uint8_t edits = in.byte() % 4;
    std::string edit[4];
    for (std::string& e : edit) e = in.text(12);
    const std::string bytes = in.rest();

    setLowerCaseTable(lower);
    TableDocument t;
    t.fileKind = kind;
    t.firstLine = bytes.substr(0, bytes.find_first_of("\r\n"));
    t.firstLineFieldCount = countFields(t.firstLine, kind);
    if (t.firstLineFieldCount <= 64) {
        ImportOptions o;
        o.importField.assign(static_cast<size_t>(t.firstLineFieldCount), true);
        std::unique_ptr<char[]> buffer(new char[bytes.size() + 1]);
        std::copy(bytes.begin(), bytes.end(), buffer.get());
        FUZZ_CHECK(importBuffer(t, o, std::move(buffer), bytes.size()).ok);
        for (uint8_t e = 0; e < edits && t.rowCount() > 0; ++e)
            t.setCell(1 + static_cast<int32_t>(edit[e].size() % static_cast<size_t>(t.rowCount())),
                      1 + static_cast<int32_t>(e % t.fieldCount()), edit[e]);

        CompiledQuery query = compileQuery(normaliseQuery(typed));
        if (extraKind & 0x80) query.terms.push_back({static_cast<TermKind>(extraKind % 4), toLower(extra)});
        const int32_t field = static_cast<int32_t>(fieldChoice % (t.fieldCount() + 1));
        RowMatcher matcher(t, query, field);
        for (int32_t r = 1; r <= t.rowCount(); ++r)
            FUZZ_CHECK(matcher.matches(t.rowHandles()[static_cast<size_t>(r - 1)]) ==
                       reference::literalMatch(reference::plainSubject(t, r, field), query));
    }
    setLowerCaseTable(windows1252LowerCaseTable());
    return 0;
}
