// Byte-string helpers shared by every subsystem: the one lower-case table,
// trimming of spaces, and the "0," count format.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnel {

// One 256-entry table used for every case-insensitive comparison (search,
// replace, sort). It never changes a text's length. It starts with the
// Windows-1252 mapping; the Windows program refills it from CharLowerBuffA.
using LowerCaseTable = std::array<unsigned char, 256>;
const LowerCaseTable& lowerCaseTable();
void setLowerCaseTable(const LowerCaseTable& table);
LowerCaseTable windows1252LowerCaseTable();

inline unsigned char lowerByte(unsigned char c) { return lowerCaseTable()[c]; }
std::string toLower(std::string_view text);
void lowerInPlace(char* data, size_t length);
// Writes the n bytes at `in` lower-cased to `out` (the two must not overlap)
// and returns out + n. Many bytes per step while they are ASCII and the
// table lowers ASCII plainly (A-Z to a-z, nothing else); it reads and writes
// no byte outside the two ranges.
char* lowerCopy(char* out, const char* in, size_t n);

// Removes leading and trailing spaces (byte 32 only; tabs stay).
std::string_view trimSpaces(std::string_view text);

// 1234567 -> "1,234,567", whatever the regional settings.
std::string formatCount(int64_t value);

// A text for a control that shows one line of it: texts longer than
// `maxBytes` are cut and end in "...", so that the whole is at most
// `maxBytes` long. A control keeps a copy of every text it is given (two
// bytes a character), and no one-line control shows more than a few
// hundred characters of it.
constexpr size_t kMaxShownTextBytes = 4096;
std::string shownText(std::string_view text, size_t maxBytes = kMaxShownTextBytes);

}  // namespace varnel
