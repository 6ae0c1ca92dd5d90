#include "core/text.h"

namespace varnel {
namespace {

LowerCaseTable& mutableTable() {
    static LowerCaseTable table = windows1252LowerCaseTable();
    return table;
}

}  // namespace

LowerCaseTable windows1252LowerCaseTable() {
    LowerCaseTable t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
    // Accented capitals of code page 1252 (0xD7 is the multiplication sign).
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
    t[0x8A] = 0x9A;  // S caron
    t[0x8C] = 0x9C;  // OE
    t[0x8E] = 0x9E;  // Z caron
    t[0x9F] = 0xFF;  // Y diaeresis
    return t;
}

const LowerCaseTable& lowerCaseTable() { return mutableTable(); }

void setLowerCaseTable(const LowerCaseTable& table) { mutableTable() = table; }

void lowerInPlace(char* data, size_t length) {
    const LowerCaseTable& t = lowerCaseTable();
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<char>(t[static_cast<unsigned char>(data[i])]);
}

std::string toLower(std::string_view text) {
    std::string out(text);
    lowerInPlace(out.data(), out.size());
    return out;
}

std::string_view trimSpaces(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

std::string formatCount(int64_t value) {
    const bool negative = value < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::string digits = std::to_string(v);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (negative) out.push_back('-');
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string shownText(std::string_view text, size_t maxBytes) {
    constexpr std::string_view kEllipsis = "...";
    if (text.size() <= maxBytes) return std::string(text);
    if (maxBytes <= kEllipsis.size()) return std::string(kEllipsis.substr(0, maxBytes));
    std::string out(text.substr(0, maxBytes - kEllipsis.size()));
    out += kEllipsis;
    return out;
}

}  // namespace varnel
