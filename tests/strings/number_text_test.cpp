#include "runtime/strings/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "runtime/core/errors.h"
#include "tests/strings/strings_fixture.h"

namespace {

class NumberText : public StringsTest {
protected:
    // The text of a conversion's result; the result is a temporary the cleanup frees.
    static std::string text_of(StrDesc* s) {
        EXPECT_TRUE(s->temporary);
        return string_copy_of(s);
    }
    // text_to_number over a copy of text in the main pool, the error it raised, and a
    // check that it left its argument alone.
    static long double value_of(const std::string& text, ErrorCode* error = nullptr) {
        pending_error = 0;
        StrDesc* s = temporary(text);
        const long double value = text_to_number(s);
        EXPECT_EQ(string_copy_of(s), text) << "the argument is only read";
        if (error != nullptr) *error = pending_error;
        pending_error = 0;
        return value;
    }
};

// ---------------------------------------------------------------------------------------
// Number to text
// ---------------------------------------------------------------------------------------

TEST_F(NumberText, SinglesTakeFixedPointOrExponentFormBySize) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.0f, " 0"},
        {-0.0f, " 0"},  // negative zero has no sign
        {1.0f, " 1"},
        {-1.5f, "-1.5"},
        {0.5f, " .5"},
        {-0.25f, "-.25"},
        {3.14159265f, " 3.141593"},
        {1234567.0f, " 1234567"},
        {10000000.0f, " 1E+07"},
        {12345678.0f, " 1.234568E+07"},
        {0.0000001f, " .0000001"},
        {0.00000001f, " 1E-08"},
        {0.00000015f, " 1.5E-07"},
        // Rounding to seven digits carries into a new power of ten.
        {999999.96875f, " 1000000"},
        {9999999.0f, " 9999999"},
        {99999996.0f, " 1E+08"},
        {0.001f, " .001"},
        {-123.456f, "-123.456"},
        {1e38f, " 1E+38"},
        {FLT_MAX, " 3.402823E+38"},
        {FLT_TRUE_MIN, " 1.401298E-45"},
        {59.7f, " 59.7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(number_to_text_single(c.value)), c.text) << c.value;
}

TEST_F(NumberText, DoublesRoundAwayANineInTheSixteenthDigit) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, " 0"},
        {-0.0, " 0"},
        {1.0 / 3.0, " .3333333333333333"},
        {0.1 + 0.2, " .3"},
        {0.1 + 0.7, " .8"},  // .7999999999999999 rounds at fifteen digits
        {0.9999999999999999, " 1"},
        {123456789012345.0, " 123456789012345"},
        {1e16, " 1D+16"},
        {1e-16, " .0000000000000001"},
        {1e-17, " 1D-17"},
        {1.5e300, " 1.5D+300"},
        {-2.5, "-2.5"},
        {1e15, " 1000000000000000"},
        {9999999999999998.0, " 9999999999999998"},
        {-1e-100, "-1D-100"},
        {DBL_MAX, " 1.797693134862316D+308"},
        {0.001, " .001"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(number_to_text_double(c.value)), c.text) << c.value;
    EXPECT_EQ(text_of(number_to_text_extended(0.1L + 0.7L)), " .8");
}

// Infinities and not-a-number values keep the sign position and name the value.
TEST_F(NumberText, SpecialValuesAreNamed) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(text_of(number_to_text_single(inf)), " INF");
    EXPECT_EQ(text_of(number_to_text_single(-inf)), "-INF");
    EXPECT_EQ(text_of(number_to_text_single(nan)), " NAN");
    EXPECT_EQ(text_of(number_to_text_double(-std::numeric_limits<double>::infinity())), "-INF");
    EXPECT_EQ(text_of(number_to_text_double(-std::numeric_limits<double>::quiet_NaN())), " NAN");
}

TEST_F(NumberText, IntegersHaveASignPositionAndUnsignedOnesASpace) {
    EXPECT_EQ(text_of(number_to_text_int32(INT32_MIN)), "-2147483648");
    EXPECT_EQ(text_of(number_to_text_int32(0)), " 0");
    EXPECT_EQ(text_of(number_to_text_int64(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text_of(number_to_text_int64(INT64_MAX)), " 9223372036854775807");
    EXPECT_EQ(text_of(number_to_text_int16(-32768)), "-32768");
    EXPECT_EQ(text_of(number_to_text_int8(-128)), "-128");
    EXPECT_EQ(text_of(number_to_text_int8(7)), " 7");
    EXPECT_EQ(text_of(number_to_text_uint8(255)), " 255");
    EXPECT_EQ(text_of(number_to_text_uint16(65535)), " 65535");
    EXPECT_EQ(text_of(number_to_text_uint32(UINT32_MAX)), " 4294967295");
    EXPECT_EQ(text_of(number_to_text_uint64(UINT64_MAX)), " 18446744073709551615");
}

// The decimal value a text must name: v rounded to the given significant digits.
long double rounded_to(double v, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", digits - 1, v);
    return std::strtold(text, nullptr);
}

bool all_digits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// The classic shapes: a sign position, then digits; or a fraction ending in a non-zero
// digit; or one digit, such a fraction, a letter, a sign and two or three digits.
bool classic_shape(const std::string& text) {
    if (text.size() < 2 || (text[0] != ' ' && text[0] != '-')) return false;
    std::string mantissa = text.substr(1);
    const size_t letter = mantissa.find_first_of("ED");
    if (letter != std::string::npos) {
        const std::string exponent = mantissa.substr(letter + 1);
        mantissa.resize(letter);
        if (exponent.size() < 3 || exponent.size() > 4 ||
            (exponent[0] != '+' && exponent[0] != '-') || !all_digits(exponent.substr(1)) ||
            mantissa.find('.') > 1 || mantissa[0] == '0')
            return false;
    }
    const size_t point = mantissa.find('.');
    if (point == std::string::npos) return all_digits(mantissa);
    const std::string whole = mantissa.substr(0, point);
    const std::string fraction = mantissa.substr(point + 1);
    return (whole.empty() || (all_digits(whole) && whole[0] != '0')) && all_digits(fraction) &&
           fraction.back() != '0';
}

// Random singles and doubles of every magnitude: each text has the classic shape and
// reads back as the value rounded to the type's digits (fifteen for the doubles whose
// sixteenth digit is a 9, but all of a sixteen-digit integer).
TEST_F(NumberText, RandomValuesReadBackToTheirPrecision) {
    std::mt19937_64 random(20261211);
    for (int n = 0; n < 20000; ++n) {
        float single;
        const auto bits = static_cast<uint32_t>(random());
        std::memcpy(&single, &bits, sizeof single);
        if (std::isfinite(single)) {
            const std::string text = text_of(number_to_text_single(single));
            ASSERT_TRUE(classic_shape(text)) << single << " -> " << text;
            ASSERT_EQ(value_of(text), rounded_to(single, 7)) << single << " -> " << text;
        }

        double value;
        const uint64_t pattern = random();
        std::memcpy(&value, &pattern, sizeof value);
        if (std::isfinite(value)) {
            const std::string text = text_of(number_to_text_double(value));
            ASSERT_TRUE(classic_shape(text)) << value << " -> " << text;
            char sixteen[64];
            std::snprintf(sixteen, sizeof sixteen, "% .15E", value);
            // A fixed-point text keeps every integer digit, even a rounded-away 9.
            const size_t whole =
                text.find_first_of(".D") == std::string::npos ? text.size() - 1 : 0;
            const int digits = std::max<int>(sixteen[17] == '9' ? 15 : 16, static_cast<int>(whole));
            const long double back = value_of(text);
            ASSERT_EQ(back, rounded_to(value, digits)) << value << " -> " << text;
            ASSERT_LE(std::fabs(static_cast<double>(back) - value), std::fabs(value) * 5e-15);
        }
        free_temporaries(mark, 0);
    }
}

// ---------------------------------------------------------------------------------------
// Text to number
// ---------------------------------------------------------------------------------------

TEST_F(NumberText, TextsReadAsTheLongestNumberAtTheirStart) {
    struct Case {
        const char* text;
        long double value;
    };
    const Case cases[] = {
        {"", 0},
        {"12abc", 12},
        {"1 2 3", 123},
        {"-1.5E+2", -150},
        {" \t42", 42},
        {".", 0},
        {"1E", 1},
        {"1E2.5", 100},
        {"0.001", 0.001L},
        {"0", 0},
        {"0.000", 0},
        {"abc", 0},
        {"- 5", -5},
        {"+7", 7},
        {"1-2", 1},
        {"1.5.5", 1.5L},
        {"2d3", 2000},
        {"2e-3", 0.002L},
        {"1e--2", 1},
        {".5", 0.5L},
        {"-.25", -0.25L},
        {"00012", 12},
        {"9223372036854775807", 9223372036854775807.0L},
        {"-9223372036854775807", -9223372036854775807.0L},
        {"99999999999999999999", 1e20L},
        {"1E0000000000000000000002", 100},     // leading exponent zeros are not digits
        {"1E1234567890123456789", HUGE_VALL},  // the nineteenth digit ends the exponent
        {"1 E 1 0", 1e10L},
        {"12&H10", 12},  // an ampersand after digits ends the number
    };
    for (const Case& c : cases) {
        ErrorCode error = 0;
        EXPECT_EQ(value_of(c.text, &error), c.value) << '"' << c.text << '"';
        EXPECT_EQ(error, 0u) << c.text;
    }
    // The exact-integer path keeps all nineteen digits, which a decimal scan would round.
    EXPECT_EQ(static_cast<int64_t>(value_of("1234567890123456789")), 1234567890123456789);
}

TEST_F(NumberText, RadixLiteralsReadAsSigned64BitPatterns) {
    struct Case {
        const char* text;
        long double value;
        ErrorCode error;
    };
    const Case cases[] = {
        {"&H1F", 31, 0},
        {"&h1f", 31, 0},
        {"&O17", 15, 0},
        {"&o17", 15, 0},
        {"&H", 0, 0},
        {"&H1", 1, 0},
        {"&X12", 0, 0},
        {"&HFFFFFFFFFFFFFFFF", -1, 0},
        {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0L, 0},
        {"&H0000000000000000001", 1, 0},  // leading zeros are not significant
        {"&H1FFFFFFFFFFFFFFFF", 0, 6},    // seventeen digits
        {"&O1777777777777777777777", -1, 0},
        {"&O777777777777777777777", 9223372036854775807.0L, 0},
        {"&O2000000000000000000000", 0, 6},  // twenty-two digits, the first above 1
        {"&O17777777777777777777777", 0, 6},
        {"&H1G", 1, 0},
        {"&O78", 7, 0},
        {" & H 1 F", 31, 0},
        {"-&H1F", 0, 0},  // an ampersand after a sign ends the number
    };
    for (const Case& c : cases) {
        ErrorCode error = 0;
        EXPECT_EQ(value_of(c.text, &error), c.value) << '"' << c.text << '"';
        EXPECT_EQ(error, c.error) << c.text;
    }
}

// Far more digits than are kept: the integer digits are still counted, so the magnitude
// is right, and nothing is written past the kept digits.
TEST_F(NumberText, VeryLongDigitRunsKeepTheirMagnitude) {
    EXPECT_EQ(value_of("1" + std::string(400, '0')), 1e400L);
    EXPECT_EQ(value_of(std::string(300, '9') + ".5"), 1e300L);
    EXPECT_EQ(value_of("." + std::string(500, '0') + "25"), 2.5e-501L);
    EXPECT_EQ(value_of("-" + std::string(1000, '3') + "E-999"), -10.0L / 3);
}

}  // namespace
