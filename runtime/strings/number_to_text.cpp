// Numbers to their classic texts.
//
// The floating forms are derived from the library's exponent form: it tells how many
// significant digits the value has at the type's precision and where its decimal point
// lies, and those two decide between fixed point and exponent form. Working from one
// exponent-form text keeps the digit count and the exponent consistent even where
// rounding carries into a new power of ten.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/strings/number_text.h"
#include "runtime/strings/private/string_results.h"

namespace {

template <typename T>
StrDesc* integer_text(uint32_t reserved, const char* format, T value) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, format, value);
    return string_holding(text, length, reserved);
}

// How one floating type is written. The scratch text is the library's exponent form
// with three exponent digits: sign, leading digit, point, fraction digits, letter,
// exponent sign, exponent digits.
struct FloatForm {
    uint32_t reserved;    // what is asked of the string pool
    int fraction_digits;  // digits after the point in the scratch text
    char letter;          // E for single, D for double precision
    int largest_fixed;    // largest exponent written in fixed point
    int deepest_fixed;    // smallest exponent - digits written in fixed point
    bool sixteenth_nine;  // a 9 in the last place is rounded away (doubles)
};

constexpr FloatForm SINGLE_FORM = {16, 6, 'E', 6, -8, false};
constexpr FloatForm DOUBLE_FORM = {32, 15, 'D', 15, -17, true};

// Formats v with the given number of fraction digits in exponent form into scratch and
// widens a two-digit exponent to three; returns the scratch length.
int exponent_form(char* scratch, size_t size, double v, int fraction_digits) {
    int length = std::snprintf(scratch, size, "% .*E", fraction_digits, v);
    const int letter = 3 + fraction_digits;
    if (length == letter + 4) {
        std::memmove(scratch + letter + 3, scratch + letter + 2, 3);  // digits and the 0
        scratch[letter + 2] = '0';
        ++length;
    }
    return length;
}

StrDesc* special_text(double v) {
    if (std::isnan(v)) return string_holding(" NAN", 4);
    return string_holding(v < 0 ? "-INF" : " INF", 4);
}

StrDesc* float_text(double v, const FloatForm& form) {
    if (!std::isfinite(v)) return special_text(v);
    char scratch[48];
    const int letter = 3 + form.fraction_digits;
    const int last_digit = letter - 1;
    exponent_form(scratch, sizeof scratch, v, form.fraction_digits);
    if (form.sixteenth_nine && scratch[last_digit] == '9') {
        // A 9 in the last place is mostly binary noise (0.1 + 0.7): one digit fewer rounds
        // it away, and that conversion's exponent holds if the rounding carried (0.99...).
        char shorter[48];
        exponent_form(shorter, sizeof shorter, v, form.fraction_digits - 1);
        std::memcpy(scratch, shorter, static_cast<size_t>(last_digit));
        scratch[last_digit] = '0';
        std::memcpy(scratch + letter + 1, shorter + letter, 4);  // exponent sign and digits
    }
    scratch[letter] = form.letter;

    // Significant digits: trailing zeros of the digit run do not count.
    int count = form.fraction_digits + 1;
    for (int at = last_digit; at >= 1; --at) {
        if (scratch[at] == '.') continue;
        if (scratch[at] != '0') break;
        --count;
    }
    if (count == 0) return string_holding(" 0", 2, form.reserved);  // negative zero too

    int exponent = (scratch[letter + 2] - '0') * 100 + (scratch[letter + 3] - '0') * 10 +
                   (scratch[letter + 4] - '0');
    if (scratch[letter + 1] == '-') exponent = -exponent;

    char text[48];
    int length = 0;
    if (exponent <= form.largest_fixed && exponent - count >= form.deepest_fixed) {
        const int decimals = std::max(count - exponent - 1, 0);
        length = std::snprintf(text, sizeof text, "% .*f", decimals, v);
        if (text[1] == '0' && length > 2) {  // below 1: ".5", not "0.5"
            std::memmove(text + 1, text + 2, static_cast<size_t>(length - 2));
            --length;
        }
    } else {
        // The significant digits with their point (none for a single digit), the letter
        // and sign, and two exponent digits unless three are needed.
        const int mantissa = count == 1 ? 2 : count + 2;
        std::memcpy(text, scratch, static_cast<size_t>(mantissa));
        length = mantissa;
        text[length++] = scratch[letter];
        text[length++] = scratch[letter + 1];
        const int digits = std::abs(exponent) < 100 ? 2 : 3;
        std::memcpy(text + length, scratch + letter + 5 - digits, static_cast<size_t>(digits));
        length += digits;
    }
    return string_holding(text, length, form.reserved);
}

}  // namespace

StrDesc* number_to_text_int64(int64_t v) {
    return integer_text(20, "% lld", static_cast<long long>(v));
}
StrDesc* number_to_text_int32(int32_t v) {
    return integer_text(11, "% d", static_cast<int>(v));
}
StrDesc* number_to_text_int16(int16_t v) {
    return integer_text(6, "% d", static_cast<int>(v));
}
StrDesc* number_to_text_int8(int8_t v) {
    return integer_text(4, "% d", static_cast<int>(v));
}

StrDesc* number_to_text_uint64(uint64_t v) {
    return integer_text(21, " %llu", static_cast<unsigned long long>(v));
}
StrDesc* number_to_text_uint32(uint32_t v) {
    return integer_text(11, " %u", static_cast<unsigned>(v));
}
StrDesc* number_to_text_uint16(uint16_t v) {
    return integer_text(6, " %u", static_cast<unsigned>(v));
}
StrDesc* number_to_text_uint8(uint8_t v) {
    return integer_text(4, " %u", static_cast<unsigned>(v));
}

StrDesc* number_to_text_single(float v) {
    return float_text(v, SINGLE_FORM);
}

StrDesc* number_to_text_double(double v) {
    return float_text(v, DOUBLE_FORM);
}

StrDesc* number_to_text_extended(long double v) {
    return number_to_text_double(static_cast<double>(v));
}
