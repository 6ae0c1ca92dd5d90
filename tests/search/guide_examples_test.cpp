// The examples of the README's guide, run on the sample file they describe:
// the searches with the rows they select and the header clicks with the order
// they give. Each case is also a table row of the README, so a change to the
// program, the sample or the guide that makes them disagree fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "core/row_sort.h"
#include "search/fake_search_window.h"
#include "search/row_search.h"

namespace varnel {
namespace {

const std::string kSourceDir = VARNEL_SOURCE_DIR;
const std::string kSample = kSourceDir + "/samples/customers.csv";
const char* const kNothing = "none: \"Nothing matching your search was found\"";

struct SearchExample {
    const char* typed;     // the "Search for" box
    const char* in;        // the "in" box
    const char* selected;  // the names of the rows selected, in list order
};

// In the order the README shows them.
constexpr SearchExample kSearches[] = {
    {"FRANCE", "All", "Ann Baker, Eli Fenwick"},
    {"an", "All", "Ann Baker, Dee Ellis, Eli Fenwick"},
    {"an", "country", "Ann Baker, Eli Fenwick"},
    {"italy spain", "All", "Bob Carter, Fay Gordon, Ida Irwin"},
    {"france and 2019", "All", "Ann Baker"},
    {"norway and not oslo", "All", "Gus Hale"},
    {"not france", "All", "Bob Carter, Cyd Dorsey, Dee Ellis, Fay Gordon, Gus Hale, Ida Irwin"},
    {"italy spain and 2019", "All", "Ida Irwin"},
    {"france and paris or norway", "All", "Ann Baker"},
    {"portland, or", "All", "Dee Ellis"},
    {"and norway", "All", ""},
    {"or", "All", ""},
};

struct SortExample {
    const char* header;  // the column header clicked
    const char* order;   // the names, top to bottom, afterwards
};

constexpr SortExample kSorts[] = {
    {"visits", "Eli Fenwick, Bob Carter, Dee Ellis, Ida Irwin, Ann Baker, Gus Hale, Fay Gordon, Cyd Dorsey"},
    {"country", "Ann Baker, Eli Fenwick, Ida Irwin, Bob Carter, Cyd Dorsey, Gus Hale, Fay Gordon, Dee Ellis"},
};

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The sample as the import dialog loads it by default: names from the first
// line, every field.
TableDocument loadSample() {
    TableDocument table;
    table.currentFileName = kSample;
    EXPECT_TRUE(readFirstLine(standardFileSystem(), kSample, table.firstLine).ok);
    decideFileKind(table);
    ImportOptions options;
    options.importField.assign(static_cast<size_t>(table.firstLineFieldCount), true);
    const auto width = [](std::string_view text) { return 6.0 * static_cast<double>(text.size()); };
    EXPECT_TRUE(importTable(table, options, standardFileSystem()).ok);
    return table;
}

int32_t fieldNamed(const TableDocument& table, const std::string& name) {
    for (int32_t k = 1; k <= table.fieldCount(); ++k)
        if (table.fieldNames()[static_cast<size_t>(k - 1)] == name) return k;
    ADD_FAILURE() << "no field named " << name;
    return 1;
}

std::string namesOfRows(const TableDocument& table, const std::vector<int32_t>& rows) {
    std::string out;
    for (int32_t row : rows) out += (out.empty() ? "" : ", ") + std::string(table.cell(row, 1));
    return out;
}

// The README's rows for the examples.
std::string searchRow(const SearchExample& e) {
    return std::string("| `") + e.typed + "` | " + e.in + " | " + (*e.selected ? e.selected : kNothing) + " |";
}
std::string sortRow(const SortExample& e) { return std::string("| ") + e.header + " | " + e.order + " |"; }

// The lines of one section of the README (from its heading to the next
// heading of the same or a higher level) that start with `prefix`.
std::vector<std::string> sectionLines(const std::string& readme, const std::string& heading, const std::string& prefix) {
    std::vector<std::string> lines;
    const size_t start = readme.find("\n" + heading + "\n");
    if (start == std::string::npos) return lines;
    const std::string level = heading.substr(0, heading.find(' ') + 1);
    std::istringstream in(readme.substr(start + heading.size() + 2));
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("#") && line.find(' ') <= level.size() - 1) break;
        if (line.starts_with(prefix)) lines.push_back(line);
    }
    return lines;
}

TEST(GuideExamples, SearchesSelectTheRowsTheGuideNames) {
    TableDocument table = loadSample();
    ASSERT_EQ(table.rowCount(), 8);
    for (const SearchExample& e : kSearches) {
        SearchState state;
        FakeSearchWindow window;
        window.typed = e.typed;
        window.selector = e.in;
        window.selected.assign(static_cast<size_t>(table.rowCount()), false);
        runSearch(table, window.request(), state, window);
        std::vector<int32_t> rows;
        for (size_t i = 0; i < window.selected.size(); ++i)
            if (window.selected[i]) rows.push_back(static_cast<int32_t>(i) + 1);
        EXPECT_EQ(namesOfRows(table, rows), e.selected) << e.typed << " in " << e.in;
        const bool saidNothing = !window.actions().empty() && window.actions().back() == kNothingFound;
        EXPECT_EQ(saidNothing, rows.empty()) << e.typed << " in " << e.in;
    }
}

TEST(GuideExamples, HeaderClicksGiveTheOrderTheGuideShows) {
    for (const SortExample& e : kSorts) {
        TableDocument table = loadSample();
        sortRowsByColumn(table, fieldNamed(table, e.header));
        std::vector<int32_t> rows;
        for (int32_t r = 1; r <= table.rowCount(); ++r) rows.push_back(r);
        EXPECT_EQ(namesOfRows(table, rows), e.order) << e.header;
    }
}

// A date starts with its year, which is the number a numeric sort goes by.
TEST(GuideExamples, DatesSortByTheirYearOnly) {
    TableDocument table = loadSample();
    const int32_t joined = fieldNamed(table, "joined");
    sortRowsByColumn(table, joined);
    for (int32_t r = 2; r <= table.rowCount(); ++r)
        EXPECT_LE(table.cell(r - 1, joined).substr(0, 4), table.cell(r, joined).substr(0, 4)) << "row " << r;
    // Two dates of one year tie, and two tied rows change places: a sort by
    // the whole date would keep them as they are.
    TableDocument sameYear = makeTable({"joined"}, {{"2020-03-05"}, {"2020-11-17"}});
    sortRowsByColumn(sameYear, 1);
    EXPECT_EQ(column(sameYear, 1), "2020-11-17|2020-03-05");
}

TEST(GuideExamples, TheReadmeShowsTheSampleAndEveryExample) {
    const std::string readme = readText(kSourceDir + "/README.md");
    ASSERT_FALSE(readme.empty());
    // The sample, line by line, as an indented block.
    std::istringstream sample(readText(kSample));
    int sampleLines = 0;
    for (std::string line; std::getline(sample, line); ++sampleLines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        EXPECT_NE(readme.find("\n    " + line + "\n"), std::string::npos) << line;
    }
    EXPECT_EQ(sampleLines, 9);

    std::vector<std::string> expected;
    for (const SearchExample& e : kSearches) expected.push_back(searchRow(e));
    std::vector<std::string> shown = sectionLines(readme, "### Search examples", "| `");
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(shown[i].starts_with(expected[i])) << shown[i];

    expected.clear();
    for (const SortExample& e : kSorts) expected.push_back(sortRow(e));
    shown = sectionLines(readme, "### The list and sorting", "|");
    // The table's first two lines are its head and rule.
    ASSERT_EQ(shown.size(), expected.size() + 2);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(shown[i + 2], expected[i]);
}

}  // namespace
}  // namespace varnel
