// The numbers the column sort reads, in the Windows builds: the 32-bit one
// computes on the x87 unit, which rounds twice unless told otherwise.
#include <cmath>
#include <cstdio>
#include <string>

#include "core/numeric_value_cases.h"
#include "core/row_sort.h"
#include "edit_fixture.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

std::string exact(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

}  // namespace

UI_TEST(numbers_read_as_the_nearest_double_to_the_whole_number) {
    for (const testing::NumberCase& c : testing::numberCases()) {
        // Compared as returned: a value kept wider than a double would differ.
        const double got = numericValue(c.text);
        if (!(got == c.value) || std::signbit(got) != std::signbit(c.value))
            fail(__FILE__, __LINE__, std::string(c.what) + ": " + exact(got) + ", expected " + exact(c.value));
    }
}

// A header click on a column whose first cell is a number of 400 digits
// sorts it as numbers; one whose first cell is 1e-396 (0) sorts it as text.
UI_TEST(numbers_past_the_range_in_row_one_decide_the_sort) {
    const std::string huge = "1" + std::string(400, '0');
    edittest::showTable({"big", "small"}, {{huge, "1e-396"}, {"20", "20"}, {"abc", "3"}, {"-3", "100"}});
    notifyColumnClick(0);
    // Read by the other column: the list may cut a 401-byte text.
    CHECK_EQ(listColumn(control(IDC_TABLE_LIST), 1), (std::vector<std::string>{"100", "3", "20", "1e-396"}));
    edittest::showTable({"big", "small"}, {{huge, "1e-396"}, {"20", "20"}, {"abc", "3"}, {"-3", "100"}});
    notifyColumnClick(1);
    CHECK_EQ(listColumn(control(IDC_TABLE_LIST), 1), (std::vector<std::string>{"100", "1e-396", "20", "3"}));
}
