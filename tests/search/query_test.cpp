#include "search/query.h"

#include <gtest/gtest.h>

#include <random>

namespace varnel {
namespace {

TEST(NormaliseQuery, WordsBecomeMarkedTerms) {
    const struct {
        const char* typed;
        const char* normalised;
    } cases[] = {
        {"cat", "cat"},
        {"Cat Dog", "cat dog"},
        {"cat or dog", "cat dog"},
        {"cat and dog", "cat &dog"},
        {"cat dog and fish", "cat dog &fish"},
        {"cat and dog fish", "cat &dog fish"},
        {"not dog", "!dog"},
        {"cat not dog", "cat !dog"},
        {"cat and not dog", "cat &!dog"},
        {"and cat dog fish", "&cat dog fish"},
        {"and cat", "&cat"},
        {"not and cat", "&cat"},
        {"and or cat", "cat"},
        {"cat and", "cat"},
        {"not not cat", "!!cat"},
        {"CAT", "cat"},
        {"cat AND Not dog", "cat &!dog"},
        {"cat and !dog", "cat &!dog"},
        {"&cat !dog &!fish", "&cat !dog &!fish"},
        {"and", ""},
        {"not or", ""},
        {"", ""},
        {"cat   dog", "cat dog"},
        {"  cat dog  ", "cat dog"},
        {"and  not   cat", "&!cat"},
        {"cat\tdog", "cat\tdog"},
        {"\tcat", "\tcat"},
        {"\"big cat\"", "\"big cat\""},
        {"!", "!"},
        {"cat & dog", "cat & dog"},
        {"!!x", "!!x"},
        {"andy notice", "andy notice"},
        {"\xC9t\xC9", "\xE9t\xE9"},  // accented capitals are lowered too
    };
    for (const auto& c : cases) EXPECT_EQ(normaliseQuery(c.typed), c.normalised) << "typed [" << c.typed << "]";
}

TEST(CompileQuery, ClassifiesByLeadingCharacters) {
    const struct {
        const char* term;
        TermKind kind;
        const char* operand;
    } cases[] = {
        {"cat", TermKind::Or, "cat"},     {"!cat", TermKind::Not, "cat"},   {"&!cat", TermKind::AndNot, "cat"},
        {"&cat", TermKind::And, "cat"},   {"!&x", TermKind::Not, "&x"},     {"!!x", TermKind::Not, "!x"},
        {"&!!x", TermKind::AndNot, "!x"}, {"&&x", TermKind::And, "&x"},     {"!", TermKind::Not, ""},
        {"&", TermKind::And, ""},         {"&!", TermKind::AndNot, ""},     {"x!&", TermKind::Or, "x!&"},
    };
    for (const auto& c : cases) {
        const CompiledQuery q = compileQuery(c.term);
        ASSERT_EQ(q.terms.size(), 1u) << c.term;
        EXPECT_EQ(q.terms[0].kind, c.kind) << c.term;
        EXPECT_EQ(q.terms[0].operand, c.operand) << c.term;
    }
    EXPECT_TRUE(compileQuery("").empty());
    EXPECT_EQ(compileQuery("cat &dog !fish").terms.size(), 3u);
}

TEST(MatchesQuery, EvaluatesStrictlyLeftToRight) {
    const struct {
        const char* query;
        const char* subject;
        bool matches;
    } cases[] = {
        {"cat", "Concatenate", true},
        {"cat", "dog", false},
        {"cat dog", "a dog", true},
        {"cat dog", "fish", false},
        {"cat &dog", "cat and dog", true},
        {"cat &dog", "cat", false},
        {"cat &dog", "dog", false},
        {"cat dog &fish", "dog fish", true},
        {"cat dog &fish", "cat dog", false},
        {"cat dog &fish", "fish", false},
        {"cat &dog fish", "cat dog", true},
        {"cat &dog fish", "cat fish", false},  // a failing AND ends it, fish comes too late
        {"!dog", "cat", true},
        {"!dog", "hotdog", false},
        {"cat !dog", "cat dog", true},
        {"cat !dog", "fish", true},
        {"cat !dog", "dog", false},
        {"cat &!dog", "cat", true},
        {"cat &!dog", "cat dog", false},
        {"cat &!dog", "fish", false},
        {"&cat dog fish", "cat fish", true},
        {"&cat dog fish", "cat", false},
        {"&cat dog fish", "dog fish", false},
        {"&cat", "cat", false},  // AND-type terms alone match nothing
        {"&!cat", "dog", false},
        {"&cat &dog", "cat dog", false},
        {"!!cat", "cat", true},
        {"!!cat", "a !cat", false},
        {"!&x", "x", true},
        {"!&x", "&x", false},
        {"a &!!x", "a x", true},
        {"a &!!x", "a !x", false},
        {"cat !dog &fish", "fish", true},  // the NOT term made it true before the AND
        {"cat &fish !dog", "cat fish dog", true},
        // Empty operands: in every non-empty subject, never in an empty one.
        {"!", "", true},
        {"!", "x", false},
        {"cat & dog", "cat", true},
        {"cat & dog", "dog", false},
        {"&", "x", false},
        {"cat", "", false},
        {"", "cat", false},
        // No quotes, no separators beyond the space.
        {"\"big cat\"", "\"big cat\"", true},
        {"\"big cat\"", "big cat", false},
        {"cat\tdog", "CAT\tDOG", true},
        {"cat\tdog", "cat dog", false},
        {"\xE9t\xE9", "\xC9T\xC9", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesQuery(c.subject, c.query), c.matches) << "query [" << c.query << "] subject [" << c.subject << "]";
}

TEST(ContainsOperand, FindsEveryPlacementAcrossWordBoundaries) {
    // Placements at the start, the end and across the eight-byte steps, with
    // near misses that share the first and last bytes.
    const std::string filler = "xaxbaaxb\xFF\x80";
    for (size_t len = 0; len < 40; ++len) {
        std::string hay;
        for (size_t i = 0; i < len; ++i) hay += filler[i % filler.size()];
        for (const char* needle : {"ab", "aab", "axb", "xb\xFF", "\xFF\x80", "a\x80x", "b", "\x80", "xaxbaaxb\xFF\x80x"})
            EXPECT_EQ(containsOperand(hay, needle), std::string_view(hay).find(needle) != std::string_view::npos)
                << "len " << len << " needle " << needle;
    }
}

TEST(ContainsOperand, AgreesWithPlainFindOnRandomTexts) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string hay(rng() % 70, 'a'), needle(1 + rng() % 5, 'a');
        for (char& c : hay) c = "ab\0\xFE"[rng() % 4];
        for (char& c : needle) c = "ab\0\xFE"[rng() % 4];
        ASSERT_EQ(containsOperand(hay, needle), hay.find(needle) != std::string::npos) << "round " << round;
    }
}

}  // namespace
}  // namespace varnel
