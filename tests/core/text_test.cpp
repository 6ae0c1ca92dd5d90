#include "core/text.h"

#include <gtest/gtest.h>

#include <random>

namespace varnel {
namespace {

std::string lowerCopied(const std::string& text) {
    std::string out(text.size(), '\0');
    char* end = lowerCopy(out.data(), text.data(), text.size());
    EXPECT_EQ(end, out.data() + out.size());
    return out;
}

std::string lowerByteByByte(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(lowerCaseTable()[static_cast<unsigned char>(c)]);
    return out;
}

// The copy lowers ASCII many bytes at a time and anything else through the
// table; every length (short ones as overlapping words, long ones in blocks
// with the tail done again) and every table must give the table's bytes.
TEST(LowerCopy, EveryLengthAndTableGivesTheTablesBytes) {
    const std::string edges = "AZaz@[`{09 \x80\xC0\xC9\xD7\xDE\xFF";
    LowerCaseTable turkish = windows1252LowerCaseTable();
    turkish['I'] = 0xFD;
    std::mt19937 rng(3);
    for (const LowerCaseTable& table : {windows1252LowerCaseTable(), turkish}) {
        setLowerCaseTable(table);
        for (size_t length = 0; length <= 70; ++length) {
            for (int round = 0; round < 20; ++round) {
                std::string text(length, ' ');
                // Mostly ASCII, sometimes with one byte above 127 somewhere.
                for (char& c : text) c = edges[rng() % 11];
                if (round % 3 == 0 && length > 0) text[rng() % length] = edges[11 + rng() % (edges.size() - 11)];
                ASSERT_EQ(lowerCopied(text), lowerByteByByte(text)) << ::testing::PrintToString(text);
            }
        }
    }
    setLowerCaseTable(windows1252LowerCaseTable());
}

}  // namespace
}  // namespace varnel
