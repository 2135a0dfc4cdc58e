// Text read back as a number: the value-of-a-string function.
//
// The scan never fails on odd text; it stops at the first character that cannot continue
// the number and converts what it has. Only a radix literal too long for 64 bits is an
// error. Decimal numbers whose digits are all integer digits and fit in 64 bits come back
// exactly; everything else is normalised to one significant digit before the point and
// handed to the library's long-double reader, so the decimal exponent it sees is small
// however many zeros the text had.
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/core/errors.h"
#include "runtime/strings/number_text.h"

namespace {

// More significant digits than this are counted but not kept: they lie far below the
// precision of the result.
constexpr size_t SIGNIFICANT_DIGITS_KEPT = 256;
// An exponent stops taking digits after this many significant ones.
constexpr int EXPONENT_DIGITS_KEPT = 18;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

int digit_value(char c, int base) {
    int value = base;  // not a digit of any base
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    return value < base ? value : -1;
}

// An &H or &O literal; text starts just after the ampersand.
long double radix_literal(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && is_blank(text[at]))
        ++at;
    if (at == text.size()) return 0;
    const char kind = text[at++];
    int base = 0;
    int shift = 0;
    if (kind == 'H' || kind == 'h') {
        base = 16;
        shift = 4;
    } else if (kind == 'O' || kind == 'o') {
        base = 8;
        shift = 3;
    } else {
        return 0;
    }

    uint64_t value = 0;
    int significant = 0;
    int first_significant = 0;
    for (; at < text.size(); ++at) {
        if (is_blank(text[at])) continue;
        const int digit = digit_value(text[at], base);
        if (digit < 0) break;
        if (significant == 0 && digit == 0) continue;
        if (significant == 0) first_significant = digit;
        ++significant;
        // Sixteen hexadecimal digits fill 64 bits; twenty-one octal digits hold 63 bits,
        // and a twenty-second fits only behind a leading 1.
        const bool too_long =
            base == 16 ? significant > 16
                       : significant > 22 || (significant == 22 && first_significant != 1);
        if (too_long) {
            raise_error(ERROR_OVERFLOW);
            return 0;
        }
        value = (value << shift) | static_cast<uint64_t>(digit);
    }
    return static_cast<long double>(static_cast<int64_t>(value));
}

enum ScanState { START, INTEGER_PART, FRACTION, EXPONENT_LETTER, EXPONENT_DIGITS };

}  // namespace

long double text_to_number(const StrDesc* s) {
    const std::string_view text = string_view_of(s);
    if (text.empty()) return 0;

    ScanState state = START;
    bool negative = false;
    bool exponent_negative = false;
    std::string significant;       // from the first non-zero digit on, at most KEPT
    size_t significant_count = 0;  // all of them, kept or not
    int64_t integer_digits = 0;    // lowered by zeros between the point and the first digit
    uint64_t integer_value = 0;
    bool integer_overflow = false;  // integer_value no longer fits a signed 64-bit number
    int64_t exponent = 0;
    int exponent_digits = 0;

    const auto keep_digit = [&](char c) {
        if (significant.size() < SIGNIFICANT_DIGITS_KEPT) significant.push_back(c);
        ++significant_count;
    };

    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (is_blank(c)) continue;
        if (c == '&') {
            if (state != START) break;
            if (text.size() - at - 1 < 2) return 0;
            return radix_literal(text.substr(at + 1));
        }
        if (c == '-' || c == '+') {
            if (state == START) {
                negative = c == '-';
                state = INTEGER_PART;
            } else if (state == EXPONENT_LETTER) {
                exponent_negative = c == '-';
                state = EXPONENT_DIGITS;
            } else {
                break;
            }
            continue;
        }
        if (c == '.') {
            if (state != START && state != INTEGER_PART) break;
            state = FRACTION;
            continue;
        }
        if (c == 'D' || c == 'E' || c == 'd' || c == 'e') {
            if (state > FRACTION) break;
            state = EXPONENT_LETTER;
            continue;
        }
        if (c < '0' || c > '9') break;
        const int digit = c - '0';
        if (state == START || state == INTEGER_PART) {
            state = INTEGER_PART;
            if (significant_count == 0 && digit == 0) continue;
            keep_digit(c);
            ++integer_digits;
            if (!integer_overflow) {
                integer_overflow = __builtin_mul_overflow(integer_value, 10u, &integer_value) ||
                                   __builtin_add_overflow(integer_value, digit, &integer_value) ||
                                   integer_value > static_cast<uint64_t>(INT64_MAX);
            }
        } else if (state == FRACTION) {
            if (significant_count == 0 && digit == 0) {
                --integer_digits;
                continue;
            }
            keep_digit(c);
        } else {
            state = EXPONENT_DIGITS;
            if (exponent_digits == 0 && digit == 0) continue;
            if (exponent_digits == EXPONENT_DIGITS_KEPT) break;
            exponent = exponent * 10 + digit;
            ++exponent_digits;
        }
    }

    if (significant_count == 0) return 0;
    if (exponent_negative) exponent = -exponent;
    if (exponent == 0 && static_cast<int64_t>(significant_count) == integer_digits &&
        !integer_overflow) {
        const long double whole = static_cast<long double>(static_cast<int64_t>(integer_value));
        return negative ? -whole : whole;
    }

    std::string normalised;
    normalised.reserve(significant.size() + 32);
    if (negative) normalised.push_back('-');
    normalised.push_back(significant[0]);
    if (significant.size() > 1) {
        normalised.push_back('.');
        normalised.append(significant, 1);
    }
    normalised.push_back('E');
    normalised.append(std::to_string(integer_digits + exponent - 1));
    return std::strtold(normalised.c_str(), nullptr);
}
