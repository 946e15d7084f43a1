#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "decoders/TextNumber.h"

namespace {

// What this machine's C library stores for the scan conversion "%lf" of
// text, bit for bit; none when the conversion fails.
std::optional<std::uint64_t> ScannedBits(const std::string& text)
{
    double value = 0.0;
    if (std::sscanf(text.c_str(), "%lf", &value) != 1)
        return std::nullopt;
    return std::bit_cast<std::uint64_t>(value);
}

std::optional<std::uint64_t> ReadBits(const std::string& text)
{
    const std::optional<double> value = CTextNumber::Real(text);
    if (!value)
        return std::nullopt;
    return std::bit_cast<std::uint64_t>(*value);
}

// Every word reads as the C library scans it, to the last bit: the same
// rounding, the same infinities and signed zeros beyond the double range,
// the same subnormals, the same words that are no number.
TEST(TextNumber, RealIsWhatTheCLibraryScans)
{
    const char* words[] = {
        // decimal, at and beyond the ends of the double range
        "6543210.3", "-39.9", "1.7976931348623157e308", "1.7976931348623158e308", "1.797693134862315808e308",
        "-1.7976931348623159e308", "1e309", "-1e400", "4.9406564584124654e-324", "2.4703282292062327e-324",
        "2.4703282292062328e-324", "-1e-330", "2.2250738585072011e-308", "9007199254740993",
        "1.00000000000000011102230246251565404236316680908203125",
        "1.000000000000000111022302462515654042363166809082031251",
        // hexadecimal, the same ends in binary
        "0x1.fffffffffffffp1023", "0x1.fffffffffffff7p1023", "0x1.fffffffffffff8p1023", "-0x1p1024", "0x1p-1074",
        "0x1p-1075", "0x1.0000000000001p-1075", "0x1.00000000000008p0", "0x1.00000000000018p0",
        // the same words at the ends of the float range, well inside a double's
        "0", "-0", "1.5", " \t\r\n-2.5e1", "3.4028235e38", "3.40282357e38", "-3.4028236e38", "1e39", "-1e99",
        "1e99999999999999999999", "0.00000000000000000000000000000000000000000000000000000001e400",
        "1e-40", "-1e-45", "7.1e-46", "7e-46", "-1e-99", "-1e-99999999999999999999",
        "123456789012345678901234567890e-60", "0.000000000000000000000000000000000000000000001e-300",
        "16777217", "1.00000005960464477539062500001",
        // hexadecimal, the float's ends in binary
        "0x1A", "-0X1.8p3", "0x.8", "0x1.fffffep127", "0x1.ffffffp127", "0x1.fffffefp127", "-0x1p128",
        "0x1p99999999999", "0x1p-149", "0x1p-150", "0x1.0000001p-150", "-0x1p-200", "0x.000001p-99999999999",
        "0x1.000001p0", "0x1.0000011p0", "0x1e5", "0x1p", "0x1p+", "0x1P-3",
        // what the scan makes of "0x" without digits
        "0x", "-0x", "0xg", "-0xg", "0x-5", "0x.", "-0x.", "0x.p1", "0x.g", "00x1",
        // "inf", "infinity", "nan" and words that start like them
        "inf", "-INF", "+Inf", "infinity", "-InFiNiTy", "infinity5", "inf5", "inf.", "infx", "infi", "infin",
        "-infini", "infinit", "infinit ", "infix", "in", "i", "nan", "-NaN", "+nan", "nan(", "nan()", "nan(7)",
        "nan(a-b)", "nanx", "na", "n",
        // signs, points and exponents without digits
        "+", "-", "+-1", "-+1", "--1", "++1", "+.5", "-.5", ".", "-.", ".e5", "1e", "1e+", "1.5E-", "1ex", "5.",
        "- 1", "", "   ", "x1",
    };
    for (const std::string word : words)
        EXPECT_EQ(ReadBits(word), ScannedBits(word)) << '"' << word << '"';
}

// Random words put together from the pieces numbers are made of, against
// the C library.
TEST(TextNumber, RandomWordsReadAsTheCLibraryScansThem)
{
    const char* pieces[] = {"0", "1", "7", "9", "00", "123456789", ".", "e", "E", "p", "P", "+", "-", "0x", "0X",
                            "a", "f", "x", "i", "n", "inf", "INF", "inity", "nan", "(", ")", " ", "e38", "e39",
                            "e-45", "e-46", "p127", "p128", "p-149", "p-150", "e308", "e309", "e-323", "e-324",
                            "p1023", "p1024", "p-1074", "p-1075", "e99999999999", "fffff", "fffffffffffff"};
    std::mt19937 random(20260608);
    std::uniform_int_distribution<std::size_t> count(1, 6);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    int numbers = 0;
    for (int i = 0; i < 100000; ++i) {
        std::string word;
        for (std::size_t n = count(random); n > 0; --n)
            word += pieces[pick(random)];
        const std::optional<std::uint64_t> scanned = ScannedBits(word);
        ASSERT_EQ(ReadBits(word), scanned) << '"' << word << '"';
        numbers += scanned.has_value();
    }
    EXPECT_GT(numbers, 20000);  // the words are numbers often enough to compare values
}

} // namespace
