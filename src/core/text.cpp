#include "core/text.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel {
namespace {

LowerCaseTable& mutableTable() {
    static LowerCaseTable table = windows1252LowerCaseTable();
    return table;
}

// Whether the table maps A-Z to a-z and leaves every other byte below 128
// as it is, so that ASCII can be lowered many bytes at a time.
bool lowersAsciiPlainly(const LowerCaseTable& t) {
    for (int c = 0; c < 128; ++c)
        if (t[static_cast<size_t>(c)] != ((c >= 'A' && c <= 'Z') ? c + 32 : c)) return false;
    return true;
}

bool& asciiPlain() {
    static bool plain = lowersAsciiPlainly(mutableTable());
    return plain;
}

char* lowerBytes(char* out, const char* in, size_t n) {
    const LowerCaseTable& t = mutableTable();
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(t[static_cast<unsigned char>(in[i])]);
    return out + n;
}

// Eight or four ASCII bytes lowered as one word; false when one is not ASCII.
template <typename Word>
bool lowerWord(Word& w) {
    // A byte repeated over the word.
    constexpr auto each = [](uint8_t b) { return static_cast<Word>(~Word{0} / 0xFF * b); };
    constexpr Word kHigh = each(0x80);
    if (w & kHigh) return false;
    // Per byte: the top bit of aboveA is set for c >= 'A', of aboveZ for c > 'Z'.
    const Word aboveA = w + each(0x3F);
    const Word aboveZ = w + each(0x25);
    w |= ((aboveA ^ aboveZ) & kHigh) >> 2;
    return true;
}

template <typename Word>
bool lowerTwoWords(char* out, const char* in, size_t n) {
    Word a, b;
    std::memcpy(&a, in, sizeof a);
    std::memcpy(&b, in + n - sizeof b, sizeof b);
    if (!lowerWord(a) || !lowerWord(b)) return false;
    // The two may overlap: the bytes they share are lowered alike.
    std::memcpy(out, &a, sizeof a);
    std::memcpy(out + n - sizeof b, &b, sizeof b);
    return true;
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

void setLowerCaseTable(const LowerCaseTable& table) {
    mutableTable() = table;
    asciiPlain() = lowersAsciiPlainly(table);
}

char* lowerCopy(char* out, const char* in, size_t n) {
    if (!asciiPlain()) return lowerBytes(out, in, n);
    if (n >= 16) {
#if defined(__SSE2__)
        const __m128i beforeA = _mm_set1_epi8('A' - 1), afterZ = _mm_set1_epi8('Z' + 1), bit = _mm_set1_epi8(0x20);
        auto lowered = [&](const char* from, char* to) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            if (_mm_movemask_epi8(v)) {
                lowerBytes(to, from, 16);
                return;
            }
            // Signed compares are right here: every byte is below 128.
            const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, beforeA), _mm_cmpgt_epi8(afterZ, v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(v, _mm_and_si128(upper, bit)));
        };
        size_t i = 0;
        for (; i + 16 <= n; i += 16) lowered(in + i, out + i);
        // The last 16 bytes again: lowering them twice gives the same bytes.
        if (i < n) lowered(in + n - 16, out + n - 16);
        return out + n;
#else
        size_t i = 0;
        for (; i + 8 <= n; i += 8)
            if (!lowerTwoWords<uint64_t>(out + i, in + i, 8)) lowerBytes(out + i, in + i, 8);
        return lowerBytes(out + i, in + i, n - i);
#endif
    }
    if (n >= 8 && lowerTwoWords<uint64_t>(out, in, n)) return out + n;
    if (n >= 4 && n < 8 && lowerTwoWords<uint32_t>(out, in, n)) return out + n;
    return lowerBytes(out, in, n);
}

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
