// Numbers whose value is easy to get wrong: past either end of the double
// range, huge exponents, long radix forms, halfway cases, and short decimals
// that an x87 unit rounds twice. The expected value is the nearest double to
// the whole number (the compiler's reading of the same literal). Shared by
// the native tests and the 32-bit Windows test program.
#pragma once

#include <limits>
#include <string>
#include <vector>

namespace varnel::testing {

struct NumberCase {
    const char* what;
    std::string text;
    double value;
};

inline std::vector<NumberCase> numberCases() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::string zeros400(400, '0');
    const std::string nines320(320, '9');
    const std::string hexFs300(300, 'F');
    return {
        // Past the range without an exponent, or with one that points the
        // other way than the whole number goes.
        {"400 digits, no exponent", "1" + zeros400, inf},
        {"400 digits and text after", "1" + zeros400 + "abc", inf},
        {"320 nines, negative", "-" + nines320, -inf},
        {"1e-396 written with 400 zeros and e5", "0." + zeros400 + "1e5", 0.0},
        {"tiny written with 400 zeros, negative", "-0." + zeros400 + "1", -0.0},
        {"400 digits times 1e-400", "1" + zeros400 + "e-400", 1.0},
        {"400 zeros after the point times 1e400", "0." + zeros400.substr(1) + "5e400", 5.0},
        {"1e-396", "1e-396", 0.0},
        {"1e-400", "1e-400", 0.0},
        {"1e400", "1e400", inf},
        {"-1e400", "-1e400", -inf},
        // Huge exponents, and zero times anything.
        {"exponent of 11 digits", "1e99999999999", inf},
        {"negative exponent of 11 digits", "1e-99999999999", 0.0},
        {"negative number, exponent of 11 digits", "-2.5e99999999999", -inf},
        {"exponent of 30 digits", "7e999999999999999999999999999999", inf},
        {"zero with a big exponent", "0e99999", 0.0},
        {"zero with an exponent of 20 digits", "0.000e99999999999999999999", 0.0},
        {"many zeros with a big exponent", zeros400 + "e400", 0.0},
        // D exponents read as E.
        {"D exponent past the range", "1D400", inf},
        {"d exponent below the range", "1d-400", 0.0},
        {"D exponent", "2.5D3", 2500.0},
        {"D exponent, 17 digits", "1.2345678901234567D-5", 1.2345678901234567e-5},
        // Both ends of the range.
        {"largest double", "1.7976931348623157e308", 1.7976931348623157e308},
        {"below the halfway point to 2^1024", "1.7976931348623158e308", 1.7976931348623157e308},
        {"above the halfway point to 2^1024", "1.7976931348623159e308", inf},
        {"smallest normal", "2.2250738585072014e-308", 2.2250738585072014e-308},
        {"subnormal", "1e-320", 1e-320},
        {"smallest subnormal", "4.9406564584124654e-324", 4.9406564584124654e-324},
        {"just above half the smallest subnormal", "2.4703282292062328e-324", 4.9406564584124654e-324},
        {"just below half the smallest subnormal", "2.4703282292062327e-324", 0.0},
        // Halfway between two doubles: ties go to the even one.
        {"2^53 + 1", "9007199254740993", 9007199254740992.0},
        {"2^53 + 3", "9007199254740995", 9007199254740996.0},
        {"exactly halfway above 1", "1.00000000000000011102230246251565404236316680908203125", 1.0},
        {"just past halfway above 1", "1.00000000000000011102230246251565404236316680908203126", 1.0000000000000002},
        // Short decimals an x87 unit rounds twice (to 64 bits, then to 53).
        {"x87 quotient 1", "6.39952342294248", 6.39952342294248},
        {"x87 quotient 2", "99.3926212036151", 99.3926212036151},
        {"x87 quotient 3", "-72755758.0315715", -72755758.0315715},
        {"x87 quotient 4", "845374.152109830xyz", 845374.152109830},
        {"x87 product", "82741496943e14", 82741496943e14},
        {"x87 product, D exponent", "82741496943D14", 82741496943e14},
        // Radix forms are whole numbers too: rounded once, to the nearest.
        {"300 hex digits", "&H" + hexFs300, inf},
        {"256 hex digits of F: 2^1024 - 1", "&H" + std::string(256, 'F'), inf},
        {"255 hex digits of F: 2^1020 - 1", "&H" + std::string(255, 'F'), 0x1p1020},
        {"400 octal digits", "&O" + std::string(400, '7'), inf},
        {"1100 binary ones", "&B" + std::string(1100, '1'), inf},
        {"2^53 + 1 in hex", "&H20000000000001", 9007199254740992.0},
        {"2^53 + 3 in hex", "&h20000000000003", 9007199254740996.0},
        {"2^54 + 3 in binary", "&B1" + std::string(52, '0') + "11", 18014398509481988.0},
        {"64 bits of ones", "&HFFFFFFFFFFFFFFFF", 18446744073709551616.0},
        {"a tie decided by a digit far below", "&H100000000000008" + std::string(20, '0') + "1", 0x1.0000000000001p140},
        {"a tie with nothing below", "&H100000000000008" + std::string(20, '0'), 0x1p136},
        {"leading zeros do not count", "&H" + std::string(500, '0') + "1F", 31.0},
        {"octal without a letter", "&" + std::string(30, '0') + "17", 15.0},
        {"hex stops at a letter past F", "&HFFg", 255.0},
    };
}

}  // namespace varnel::testing
