// The template operations of each value type: a number is reduced to its decimal digits
// and exponent through the platform's formatted conversion, then handed to the template
// walk; and the calling pattern of a whole statement.
//
// The digits are those of the exact binary value written out to 256 significant digits
// (single and double, both as doubles) or to 255 places after the point (extended),
// rounded where that cuts the expansion short. Asking the conversion for that many digits
// costs microseconds, and most values end long before it, so each conversion asks only for
// as many digits as the value can have and stops there: what it leaves out is zeros, which
// the layout supplies past the end of the digits anyway.
#include "runtime/strings/print_using.h"

#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/private/print_using_core.h"
#include "runtime/strings/private/string_results.h"

namespace {

// Whether a number text ends in an exponent ("5.25E+00") or simply ends ("5.250").
enum class NumberForm { exponent, fixed };

// The widest float text: the largest extended value has 4,933 integer digits, then a
// sign, a point and 255 decimals. Double texts in exponent form need about 265 bytes.
constexpr size_t NUMBER_TEXT_CAPACITY = 5376;

// The most places after the point, or significant digits less one, ever asked for.
constexpr int DIGITS_AFTER_FIRST = 255;

// The platform's conversion into text (which grows when the capacity is ever short).
[[gnu::format(printf, 2, 3)]] void format_number(std::string& text, const char* format, ...) {
    text.resize(NUMBER_TEXT_CAPACITY);
    va_list arguments;
    va_start(arguments, format);
    int written = std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    if (written >= 0 && static_cast<size_t>(written) >= text.size()) {
        text.resize(static_cast<size_t>(written) + 1);
        va_start(arguments, format);
        written = std::vsnprintf(text.data(), text.size(), format, arguments);
        va_end(arguments);
    }
    text.resize(written < 0 ? 0 : static_cast<size_t>(written));
}

// Drops leading zeros (the fixed form writes a 0 before the point of a value below 1) and
// trailing ones, so the digits start at the first significant one and zero is the single
// digit 0 with exponent 0.
void normalise(ReducedNumber& number) {
    std::string& digits = number.digits;
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        digits.assign(1, '0');
        number.exponent = 0;
        return;
    }
    digits.erase(0, first);
    const size_t last = digits.find_last_not_of('0');
    number.exponent += static_cast<int64_t>(digits.size() - 1 - last);
    digits.resize(last + 1);
}

// Walks a float text after its sign position: digits, a point (each digit after it lowers
// the exponent), then the exponent letter with an optional sign and digits. Any other
// character, as in the texts of infinities and not-a-number values, fails the reduction.
bool reduce_float_text(const std::string& text, NumberForm form, ReducedNumber& number) {
    number.negative = !text.empty() && text[0] == '-';
    number.digits.clear();
    number.exponent = 0;
    size_t p = 1;
    bool after_point = false;
    for (; p < text.size(); ++p) {
        const char c = text[p];
        if (c >= '0' && c <= '9') {
            number.digits += c;
            if (after_point) --number.exponent;
        } else if (c == '.') {
            after_point = true;
        } else {
            break;
        }
    }
    if (p == text.size()) {
        if (form != NumberForm::fixed) return false;
    } else {
        if (text[p] != 'E') return false;
        ++p;
        const bool exponent_negative = p < text.size() && text[p] == '-';
        if (p < text.size() && (text[p] == '-' || text[p] == '+')) ++p;
        int64_t exponent = 0;
        for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
            exponent = exponent * 10 + (text[p] - '0');
            if (exponent > 100000) return false;  // no finite value comes near
        }
        number.exponent += exponent_negative ? -exponent : exponent;
    }
    normalise(number);
    return true;
}

// A bound on the significant digits of v's exact decimal expansion. With v = m × 2^k and m
// odd, an integer (k >= 0) has at most (bits of m + k) × log10 2 + 1 digits, and a
// fraction is m × 5^-k / 10^-k, whose digits are those of m × 5^-k.
int significant_digits_bound(double v) {
    int binary_exponent = 0;
    const double fraction = std::frexp(std::fabs(v), &binary_exponent);
    auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    if (mantissa == 0) return 1;
    int64_t k = binary_exponent - 53;
    const int trailing_zeros = std::countr_zero(mantissa);
    mantissa >>= trailing_zeros;
    k += trailing_zeros;
    const int64_t bits = std::bit_width(mantissa);
    // log10 2 and log10 5 in hundred-thousandths, rounded up.
    const int64_t scaled = k >= 0 ? (bits + k) * 30103 : bits * 30103 - k * 69898;
    return static_cast<int>(scaled / 100000) + 2;
}

// The places after the point of v's exact decimal expansion.
int64_t fraction_digits(long double v) {
    int binary_exponent = 0;
    const long double fraction = std::frexp(std::fabs(v), &binary_exponent);
    auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    if (mantissa == 0) return 0;
    const int64_t k = binary_exponent - 64 + std::countr_zero(mantissa);
    return k >= 0 ? 0 : -k;
}

// Program thread only, like every string operation: reused so a statement allocates no
// heap memory once the buffers have grown.
std::string number_text;
UsingValue number_value;

// A single or double widened to a double, as "% .255E" writes it.
bool reduce_double(double v, ReducedNumber& number) {
    int precision = DIGITS_AFTER_FIRST;
    if (std::isfinite(v)) precision = std::min(precision, significant_digits_bound(v) - 1);
    format_number(number_text, "% .*E", precision, v);
    return reduce_float_text(number_text, NumberForm::exponent, number);
}

// An extended value as "% .255Lf" writes it.
bool reduce_extended(long double v, ReducedNumber& number) {
    int64_t precision = DIGITS_AFTER_FIRST;
    if (std::isfinite(v)) precision = std::min(precision, fraction_digits(v));
    format_number(number_text, "% .*Lf", static_cast<int>(precision), v);
    return reduce_float_text(number_text, NumberForm::fixed, number);
}

int32_t format_float(const StrDesc* format_template, bool reduced, char exponent_letter,
                     int32_t position, StrDesc* output) {
    if (!reduced) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    number_value.kind = UsingValue::Kind::number;
    number_value.number.exponent_letter = exponent_letter;
    return print_using_core(format_template, number_value, position, output);
}

// Whether an integer text starts with a sign position ("% lld") or with its digits.
enum class IntegerText { signed_text, unsigned_text };

// An integer text: its sign position (when signed) and then its digits.
int32_t format_integer(const StrDesc* format_template, IntegerText kind, int32_t position,
                       StrDesc* output) {
    const bool has_sign_position = kind == IntegerText::signed_text;
    ReducedNumber& number = number_value.number;
    number.negative = has_sign_position && number_text[0] == '-';
    number.digits.assign(number_text, has_sign_position ? 1 : 0);
    number.exponent = 0;
    normalise(number);
    number.exponent_letter = 'E';
    number_value.kind = UsingValue::Kind::number;
    return print_using_core(format_template, number_value, position, output);
}

}  // namespace

int32_t print_using_int64(const StrDesc* format_template, int64_t value, int32_t position,
                          StrDesc* output) {
    if (error_pending()) return 0;
    format_number(number_text, "% lld", static_cast<long long>(value));
    return format_integer(format_template, IntegerText::signed_text, position, output);
}

int32_t print_using_uint64(const StrDesc* format_template, uint64_t value, int32_t position,
                           StrDesc* output) {
    if (error_pending()) return 0;
    format_number(number_text, "%llu", static_cast<unsigned long long>(value));
    return format_integer(format_template, IntegerText::unsigned_text, position, output);
}

int32_t print_using_single(const StrDesc* format_template, float value, int32_t position,
                           StrDesc* output) {
    if (error_pending()) return 0;
    const bool reduced = reduce_double(static_cast<double>(value), number_value.number);
    return format_float(format_template, reduced, 'E', position, output);
}

int32_t print_using_double(const StrDesc* format_template, double value, int32_t position,
                           StrDesc* output) {
    if (error_pending()) return 0;
    const bool reduced = reduce_double(value, number_value.number);
    return format_float(format_template, reduced, 'D', position, output);
}

int32_t print_using_extended(const StrDesc* format_template, long double value, int32_t position,
                             StrDesc* output) {
    if (error_pending()) return 0;
    const bool reduced = reduce_extended(value, number_value.number);
    return format_float(format_template, reduced, 'E', position, output);
}

int32_t print_using(const StrDesc* format_template, int32_t position, StrDesc* output,
                    const StrDesc* value) {
    if (error_pending()) return 0;
    UsingValue text_value;
    text_value.kind = value == nullptr ? UsingValue::Kind::none : UsingValue::Kind::text;
    text_value.text = value;
    return print_using_core(format_template, text_value, position, output);
}

PrintUsingStatement print_using_begin(StrDesc* format_template) {
    StrDesc* own_template = string_assign(string_new(0, NOT_TEMPORARY), format_template);
    return {own_template, string_new(0, NOT_TEMPORARY), 0};
}

void print_using_next(PrintUsingStatement& statement, int64_t value) {
    if (error_pending()) return;
    statement.position =
        print_using_int64(statement.format_template, value, statement.position, statement.output);
}

void print_using_next(PrintUsingStatement& statement, uint64_t value) {
    if (error_pending()) return;
    statement.position =
        print_using_uint64(statement.format_template, value, statement.position, statement.output);
}

void print_using_next(PrintUsingStatement& statement, float value) {
    if (error_pending()) return;
    statement.position =
        print_using_single(statement.format_template, value, statement.position, statement.output);
}

void print_using_next(PrintUsingStatement& statement, double value) {
    if (error_pending()) return;
    statement.position =
        print_using_double(statement.format_template, value, statement.position, statement.output);
}

void print_using_next(PrintUsingStatement& statement, long double value) {
    if (error_pending()) return;
    statement.position = print_using_extended(statement.format_template, value, statement.position,
                                              statement.output);
}

void print_using_next(PrintUsingStatement& statement, const StrDesc* value) {
    if (error_pending()) return;
    statement.position =
        print_using(statement.format_template, statement.position, statement.output, value);
}

void print_using_print(const PrintUsingStatement& statement) {
    if (!error_pending()) {
        print_string(statement.output, WITH_LINE_END);
        return;
    }
    // What was built before the error still shows; the error stays for the checkpoint.
    const ErrorCode set_aside = pending_error;
    pending_error = 0;
    print_string(statement.output, WITHOUT_LINE_END);
    pending_error = set_aside;
}

void print_using_end(PrintUsingStatement& statement) {
    string_free(statement.format_template);
    string_free(statement.output);
    statement = {};
}
