// Search and replace: the text operation and the replacement prompt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnel {

// The first p - 1 bytes of text, the replacement, then the bytes from
// position p + n on (positions from 1).
std::string replaceAt(std::string_view text, std::string_view replacement, size_t position, size_t length);

}  // namespace varnel
