#include "search/row_match.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/delimited_read.h"
#include "core/text.h"
#include "fuzz/search_reference.h"
#include "search/query.h"

namespace varnel {
namespace {

// A table read from a file's bytes, so that its cells lie in the file's
// buffer with the delimiters, quotes and undone "" pairs between them.
TableDocument loaded(std::string_view bytes, FileKind kind) {
    TableDocument t;
    t.fileKind = kind;
    t.firstLine = std::string(bytes.substr(0, bytes.find('\r')));
    t.firstLineFieldCount = countFields(t.firstLine, kind);
    ImportOptions o;
    o.importField.assign(static_cast<size_t>(t.firstLineFieldCount), true);
    std::unique_ptr<char[]> buffer(new char[bytes.size()]);
    std::memcpy(buffer.get(), bytes.data(), bytes.size());
    EXPECT_TRUE(importBuffer(t, o, std::move(buffer), bytes.size()).ok);
    return t;
}

CompiledQuery typedQuery(std::string_view typed) { return compileQuery(normaliseQuery(typed)); }

// One term of a kind and operand no typed query gives (an operand with a space).
CompiledQuery oneTerm(TermKind kind, std::string operand) {
    CompiledQuery q;
    q.terms.push_back({kind, std::move(operand)});
    return q;
}

// Row r's answer for each row, as "1" and "0".
std::string answers(const TableDocument& t, const CompiledQuery& q, int32_t field) {
    RowMatcher m(t, q, field);
    std::string out;
    for (RowHandle h : t.rowHandles()) out += m.matches(h) ? '1' : '0';
    return out;
}

TEST(RowMatcher, OperandsLieInsideOneCellNeverInTheBytesBetween) {
    // Row 2's first cell is undone in place from say ""hi"" to say "hi",
    // which leaves stale quotes after it in the buffer.
    const TableDocument t = loaded("a,b,c\r\nRed,\"Big, Cat\",\r\n\"say \"\"hi\"\"\",x y,ZZ\r\n", FileKind::Csv);
    const struct {
        const char* typed;
        int32_t field;
        const char* rows;
    } cases[] = {
        {"big, cat", 0, "10"},  // two terms, both inside row 1's second cell
        {"ed,", 0, "00"},       // "Red" and the comma after it
        {"\",", 0, "00"},       // a closing quote and a comma: delimiters, not text
        {"\"hi\"", 0, "01"},
        {"hi\"\"", 0, "00"},    // the stale quotes after the undone cell
        {"zz", 0, "01"},
        {"r", 0, "10"},
        {"!", 3, "10"},         // an empty chosen field holds nothing
        {"!", 0, "00"},         // the subject over all fields never is empty
        {"& red", 0, "10"},     // an empty AND operand is in every row's subject
        {"big & x", 0, "10"},   // ... and once the result is true, x has no effect
        {"cat", 1, "00"},
        {"cat", 2, "10"},
        {"not x", 2, "10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(answers(t, typedQuery(c.typed), c.field), c.rows) << c.typed << " in field " << c.field;
}

TEST(RowMatcher, AnOperandWithASpaceMayRunAcrossFields) {
    // No typed query gives such an operand; the answer must still be the
    // subject's: over all fields a space stands before every field.
    const TableDocument t = loaded("a,b\r\nsay hi,x y\r\n", FileKind::Csv);
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, "hi x"), 0), "1");
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, " say"), 0), "1");
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, "hi x"), 1), "0");
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, "x y"), 2), "1");
    EXPECT_EQ(answers(t, oneTerm(TermKind::AndNot, "y "), 0), "0");
}

TEST(RowMatcher, FollowsTheLowerCaseTable) {
    LowerCaseTable custom = windows1252LowerCaseTable();
    custom[0xA0] = ' ';   // a byte that lowers to a space
    custom[0xC0] = 'a';   // a third byte that lowers to a
    setLowerCaseTable(custom);
    const TableDocument t = loaded("f\r\nx\xA0y\r\n\xC0" "BC\r\nabc\r\n", FileKind::Csv);
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, "x y"), 1), "100");
    EXPECT_EQ(answers(t, oneTerm(TermKind::Or, "x y"), 0), "100");
    EXPECT_EQ(answers(t, typedQuery("abc"), 0), "011");
    // A fourth byte that lowers to a: looked for the plain way.
    custom[0xC1] = 'a';
    setLowerCaseTable(custom);
    EXPECT_EQ(answers(t, typedQuery("ABC"), 1), "011");
    setLowerCaseTable(windows1252LowerCaseTable());
}

TEST(RowMatcher, CellsSetAfterTheLoadAreSearchedWhereTheyNowLie) {
    TableDocument t = loaded("a,b\r\nRed,ZZ\r\nblue,sky\r\n", FileKind::Csv);
    t.setCell(1, 1, "A much longer red text");  // stored apart from the file's bytes
    t.setCell(1, 2, "Z");                        // overwritten in place, a stale Z after it
    t.setCell(2, 1, "blue, and more");           // after its own row's next cell
    t.insertRowBefore(2);
    t.setCell(2, 2, "inserted");
    EXPECT_EQ(answers(t, typedQuery("longer"), 0), "100");
    EXPECT_EQ(answers(t, typedQuery("zz"), 0), "000");
    EXPECT_EQ(answers(t, typedQuery("z &text"), 0), "100");
    EXPECT_EQ(answers(t, typedQuery("more and sky"), 0), "001");
    EXPECT_EQ(answers(t, typedQuery("!"), 1), "010");
    EXPECT_EQ(answers(t, typedQuery("ted"), 2), "010");
}

// Random files, edits, lower-case tables and queries against the plain
// subject-building search.
TEST(RowMatcher, AgreesWithThePlainSearchOnRandomTables) {
    std::mt19937 rng(5);
    const std::string alphabet = "abAB  ,,\"|\txyXY\xC0\xE0\xA0";
    auto randomText = [&](size_t maxLength) {
        std::string s(rng() % (maxLength + 1), ' ');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 400; ++round) {
        LowerCaseTable lower = windows1252LowerCaseTable();
        if (round % 3 == 1) lower[0xA0] = ' ';
        if (round % 5 == 2) lower[0xC0] = 'a';
        if (round % 7 == 3) lower['X'] = 'a', lower['Y'] = 'a';
        setLowerCaseTable(lower);
        const FileKind kind = static_cast<FileKind>(1 + rng() % 3);
        std::string bytes = "h1,h2,h3|h4|h5\th6\r\n";
        for (int line = rng() % 12; line > 0; --line) bytes += randomText(40) + "\r\n";
        TableDocument t = loaded(bytes, kind);
        for (int edits = rng() % 4; edits > 0 && t.rowCount() > 0; --edits) {
            const int32_t row = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(t.rowCount()));
            if (rng() % 4 == 0) t.insertRowBefore(row);
            t.setCell(row, 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(t.fieldCount())), randomText(20));
        }
        for (int q = 0; q < 12; ++q) {
            CompiledQuery query = typedQuery(randomText(3) + (rng() % 2 ? " and " : " not ") + randomText(4));
            if (q % 4 == 3) query.terms.push_back({static_cast<TermKind>(rng() % 4), randomText(4)});
            const int32_t field = static_cast<int32_t>(rng() % static_cast<uint32_t>(t.fieldCount() + 1));
            RowMatcher matcher(t, query, field);
            for (int32_t r = 1; r <= t.rowCount(); ++r) {
                const bool expected = reference::literalMatch(reference::plainSubject(t, r, field), query);
                ASSERT_EQ(matcher.matches(t.rowHandles()[static_cast<size_t>(r - 1)]), expected)
                    << "round " << round << " row " << r << " field " << field << " file "
                    << ::testing::PrintToString(bytes);
            }
        }
    }
    setLowerCaseTable(windows1252LowerCaseTable());
}

}  // namespace
}  // namespace varnel
