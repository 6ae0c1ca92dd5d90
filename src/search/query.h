// The query language: words joined by "and", "or", "not" (or the marks
// "&", "!", "&!"), matched as case-insensitive substrings, left to right.
#pragma once

#include <string>
#include <string_view>

namespace varnel {

std::string normaliseQuery(std::string_view typed);
// Lower-cases the subject itself.
bool matchesQuery(std::string_view subject, std::string_view normalisedQuery);

}  // namespace varnel
