// The template walk: numeric and string fields, literal text, template reuse, and the
// layout of a reduced number in its field.
//
// Everything one call builds goes into a scratch text first and reaches the output with a
// single assignment at the end of the call. Until then nothing allocates a string, so the
// template's and the string value's text pointers stay valid for the whole walk.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/strings/private/print_using_core.h"
#include "runtime/strings/private/string_internals.h"
#include "runtime/strings/private/string_results.h"

namespace {

// One numeric field as the template spells it.
struct NumericField {
    bool leading_plus = false;
    bool comma = false;
    bool point = false;
    bool dollar = false;
    bool star_fill = false;
    bool trailing_plus = false;
    bool trailing_minus = false;
    int64_t integer_positions = 0;
    int64_t decimal_positions = 0;
    int64_t exponent_digits = 0;  // 0: no exponent, else 2 or 3
};

// Where the field parse stands.
enum class ParseState { start, after_plus, integer, decimal, exponent };

bool run_of(std::string_view t, size_t position, char c, size_t count) {
    if (t.size() - position < count) return false;
    for (size_t k = 0; k < count; ++k) {
        if (t[position + k] != c) return false;
    }
    return true;
}

// Reads a numeric field at position; true (with end just past it) when the characters
// make one: the integer or decimal part was reached and holds at least one place.
bool parse_numeric_field(std::string_view t, size_t position, NumericField& field, size_t& end) {
    ParseState state = ParseState::start;
    size_t p = position;
    while (p < t.size()) {
        const char c = t[p];
        const bool placed = state == ParseState::integer || state == ParseState::decimal;
        if ((placed || state == ParseState::exponent) && (c == '+' || c == '-')) {
            (c == '+' ? field.trailing_plus : field.trailing_minus) = true;
            ++p;
            break;
        }
        if (placed && run_of(t, p, '^', 5)) {
            field.exponent_digits = 3;
            p += 5;
            state = ParseState::exponent;
            continue;
        }
        if (placed && run_of(t, p, '^', 4)) {
            field.exponent_digits = 2;
            p += 4;
            state = ParseState::exponent;
            continue;
        }
        if (state == ParseState::decimal && c == '#') {
            ++field.decimal_positions;
            ++p;
            continue;
        }
        if (state == ParseState::integer && c == ',') {
            field.comma = true;
            ++field.integer_positions;
            ++p;
            continue;
        }
        const bool before_point = state == ParseState::start || state == ParseState::after_plus ||
                                  state == ParseState::integer;
        if (before_point && (c == '#' || c == '.')) {
            if (c == '#') {
                ++field.integer_positions;
                state = ParseState::integer;
            } else {
                field.point = true;
                state = ParseState::decimal;
            }
            ++p;
            continue;
        }
        if (state == ParseState::start || state == ParseState::after_plus) {
            // The longest mark first: **$ would otherwise read as ** and a literal $.
            if (t.substr(p, 3) == "**$") {
                field.star_fill = field.dollar = true;
                field.integer_positions += 2;
                p += 3;
                state = ParseState::integer;
                continue;
            }
            if (t.substr(p, 2) == "**") {
                field.star_fill = true;
                field.integer_positions += 2;
                p += 2;
                state = ParseState::integer;
                continue;
            }
            if (t.substr(p, 2) == "$$") {
                field.dollar = true;
                field.integer_positions += 1;
                p += 2;
                state = ParseState::integer;
                continue;
            }
        }
        if (state == ParseState::start && c == '+') {
            field.leading_plus = true;
            state = ParseState::after_plus;
            ++p;
            continue;
        }
        break;
    }
    end = p;
    const bool reached_places = state == ParseState::integer || state == ParseState::decimal ||
                                state == ParseState::exponent;
    return reached_places && field.integer_positions + field.decimal_positions > 0;
}

// The width of a string field at position: the whole string for &, 1 for !, the span of
// two backslashes with only spaces between them; 0 when no string field starts here.
constexpr int64_t WHOLE_STRING = -1;
int64_t string_field_width(std::string_view t, size_t position) {
    if (t[position] == '&') return WHOLE_STRING;
    if (t[position] == '!') return 1;
    if (t[position] != '\\') return 0;
    size_t p = position + 1;
    while (p < t.size() && t[p] == ' ')
        ++p;
    if (p == t.size() || t[p] != '\\') return 0;
    return static_cast<int64_t>(p - position + 1);
}

// How many digits the value has before its point (0 or less: none).
int64_t integer_digit_count(const ReducedNumber& number) {
    return static_cast<int64_t>(number.digits.size()) + number.exponent;
}

// A lone integer digit 0 is not printed where the field has no integer place.
void drop_lone_zero(ReducedNumber& number) {
    if (integer_digit_count(number) == 1 && !number.digits.empty() && number.digits[0] == '0') {
        number.digits.erase(0, 1);
    }
}

// The digit at index of a reduced number's digits; zeros before and after them.
char digit_at(const std::string& digits, int64_t index) {
    if (index < 0 || index >= static_cast<int64_t>(digits.size())) return '0';
    return digits[static_cast<size_t>(index)];
}

// Rounds the digits once at the first one not laid out (index laid_out): when it is 5 or
// more, the laid-out part goes up by one, and a carry out of all nines becomes a new
// leading 1 that gives the value one more integer digit. The integer digit count
// (digits + exponent) is kept otherwise.
void round_at(std::string& digits, int64_t& exponent, int64_t laid_out) {
    const auto count = static_cast<int64_t>(digits.size());
    if (laid_out < 0 || laid_out >= count) return;  // the next digit is a zero
    if (digits[static_cast<size_t>(laid_out)] < '5') return;
    int64_t integer_digits = count + exponent;
    digits.resize(static_cast<size_t>(laid_out));
    int64_t k = laid_out - 1;
    while (k >= 0 && digits[static_cast<size_t>(k)] == '9')
        digits[static_cast<size_t>(k--)] = '0';
    if (k >= 0) {
        ++digits[static_cast<size_t>(k)];
    } else {
        digits.insert(digits.begin(), '1');
        ++integer_digits;
    }
    exponent = integer_digits - static_cast<int64_t>(digits.size());
}

char leading_sign(bool negative) {
    return negative ? '-' : '+';
}

void append_trailing_sign(std::string& out, const NumericField& field, bool negative) {
    if (field.trailing_plus) out += negative ? '-' : '+';
    if (field.trailing_minus) out += negative ? '-' : ' ';
}

// A field without an exponent: fill, sign, currency, integer digits with their commas, the
// point and the decimals. A value with more integer digits than the field has places
// widens it and is marked with %.
void lay_out_fixed(std::string& out, const NumericField& field, ReducedNumber& number) {
    std::string& digits = number.digits;
    const bool sign_marks = field.leading_plus || field.trailing_plus || field.trailing_minus;
    int64_t places = field.integer_positions;
    // A negative value with no sign mark of its own prints its minus in an integer place.
    const bool minus_in_place = number.negative && !sign_marks;
    if (minus_in_place) --places;
    if (places == 0) drop_lone_zero(number);
    round_at(digits, number.exponent, integer_digit_count(number) + field.decimal_positions);

    const int64_t integer_digits = std::max<int64_t>(0, integer_digit_count(number));
    const int64_t digit_places = field.comma ? places - places / 4 : places;
    const bool overflow = integer_digits > digit_places;
    const int64_t commas = field.comma && integer_digits > 0 ? (integer_digits - 1) / 3 : 0;
    int64_t fill = overflow ? 0 : std::max<int64_t>(0, places - integer_digits - commas);
    const bool zero_before_point = integer_digits == 0 && fill > 0;
    if (zero_before_point) --fill;

    if (overflow) out += '%';
    if (field.leading_plus) out += leading_sign(number.negative);
    out.append(static_cast<size_t>(fill), field.star_fill ? '*' : ' ');
    if (minus_in_place) out += '-';
    if (field.dollar) out += '$';
    if (zero_before_point) out += '0';
    for (int64_t k = 0; k < integer_digits; ++k) {
        out += digit_at(digits, k);
        const int64_t left = integer_digits - 1 - k;
        if (field.comma && left > 0 && left % 3 == 0) out += ',';
    }
    if (field.point) out += '.';
    const int64_t first_decimal = integer_digit_count(number);
    for (int64_t k = 0; k < field.decimal_positions; ++k) {
        out += digit_at(digits, first_decimal + k);
    }
    append_trailing_sign(out, field, number.negative);
}

// A field with an exponent: the integer places hold the leading digits, and the exponent
// says how far the point was moved; an exponent too long for its places widens them and
// is marked with %.
void lay_out_exponent(std::string& out, const NumericField& field, ReducedNumber& number) {
    std::string& digits = number.digits;
    const bool sign_marks = field.leading_plus || field.trailing_plus || field.trailing_minus;
    int64_t places = field.integer_positions;
    int64_t decimals = field.decimal_positions;
    bool point = field.point;
    // Without sign marks one place always holds the sign: an integer place if there is one,
    // else a decimal place; when that was the only decimal place, the point gives way and
    // the place becomes an integer place.
    bool sign_place = !sign_marks;
    if (sign_place) {
        if (places > 0) {
            --places;
        } else if (--decimals == 0) {
            point = false;
            ++places;
        }
    }
    if (sign_place && !number.negative && places == 0 && decimals == 0) {
        sign_place = false;
        places = 1;
    }
    // A positive value's sign place shows 0 where it stands before the point.
    const char sign_place_text = number.negative ? '-' : places == 0 ? '0' : ' ';
    if (places == 0) drop_lone_zero(number);
    bool overflow = false;
    if (places == 0 && decimals == 0) {
        places = 1;
        overflow = true;
    }
    round_at(digits, number.exponent, places + decimals);

    const int64_t shown_exponent = integer_digit_count(number) - places;
    const std::string magnitude =
        std::to_string(shown_exponent < 0 ? -shown_exponent : shown_exponent);
    const auto magnitude_digits = static_cast<int64_t>(magnitude.size());
    const int64_t exponent_width = std::max(field.exponent_digits, magnitude_digits);
    overflow = overflow || magnitude_digits > field.exponent_digits;

    if (overflow) out += '%';
    if (field.leading_plus) out += leading_sign(number.negative);
    if (field.dollar) out += '$';
    if (sign_place) out += sign_place_text;
    for (int64_t k = 0; k < places; ++k)
        out += digit_at(digits, k);
    if (point) out += '.';
    for (int64_t k = 0; k < decimals; ++k)
        out += digit_at(digits, places + k);
    out += number.exponent_letter;
    out += shown_exponent < 0 ? '-' : '+';
    out.append(static_cast<size_t>(exponent_width - magnitude_digits), '0');
    out += magnitude;
    append_trailing_sign(out, field, number.negative);
}

// What one call builds before it reaches the output. Reused from call to call so a
// statement does not allocate; program thread only, like every string operation.
std::string built_text;
ReducedNumber working_number;

// Appends the text built by this call to output with one assignment; output's text is
// read only after the new string exists, since making it may move every string.
void append_built_text(StrDesc* output) {
    if (built_text.empty()) return;
    const uint64_t total = static_cast<uint64_t>(output->length) + built_text.size();
    if (total > STRING_MAX_LENGTH) critical_error(MAIN_POOL_CANNOT_GROW);
    StrDesc* joined = string_new(static_cast<uint32_t>(total), TEMPORARY);
    std::memcpy(joined->text, output->text, static_cast<size_t>(output->length));
    std::memcpy(joined->text + output->length, built_text.data(), built_text.size());
    string_assign(output, joined);
}

int32_t finish(StrDesc* output, size_t next_position) {
    append_built_text(output);
    return static_cast<int32_t>(next_position);
}

int32_t fail(StrDesc* output, ErrorCode error) {
    append_built_text(output);
    raise_error(static_cast<int32_t>(error));
    return 0;
}

}  // namespace

int32_t print_using_core(const StrDesc* format_template, const UsingValue& value, int32_t position,
                         StrDesc* output) {
    if (error_pending()) return 0;
    const std::string_view t = string_view_of(format_template);
    built_text.clear();
    size_t p = std::clamp<size_t>(position < 0 ? 0 : static_cast<size_t>(position), 0, t.size());
    bool value_pending = value.kind != UsingValue::Kind::none;
    // A pass that began at the template's start and found no field for a pending value
    // proves the template has none; a later start gets one more pass from the beginning.
    bool passed_from_start = p == 0;
    while (true) {
        if (p == t.size()) {
            if (!value_pending) return finish(output, 0);
            if (passed_from_start) return fail(output, ERROR_ILLEGAL_FUNCTION_CALL);
            p = 0;
            passed_from_start = true;
            continue;
        }
        NumericField field;
        size_t field_end = 0;
        if (parse_numeric_field(t, p, field, field_end)) {
            if (!value_pending) return finish(output, p);
            if (value.kind == UsingValue::Kind::text) return fail(output, ERROR_TYPE_MISMATCH);
            working_number.digits.assign(value.number.digits);
            working_number.exponent = value.number.exponent;
            working_number.negative = value.number.negative;
            working_number.exponent_letter = value.number.exponent_letter;
            if (field.exponent_digits == 0) {
                lay_out_fixed(built_text, field, working_number);
            } else {
                lay_out_exponent(built_text, field, working_number);
            }
            p = field_end;
            value_pending = false;
            continue;
        }
        if (const int64_t width = string_field_width(t, p); width != 0) {
            if (!value_pending) return finish(output, p);
            if (value.kind == UsingValue::Kind::number) return fail(output, ERROR_TYPE_MISMATCH);
            const std::string_view s = string_view_of(value.text);
            if (width == WHOLE_STRING) {
                built_text += s;
                p += 1;
            } else {
                const auto shown = static_cast<size_t>(width);
                built_text += s.substr(0, shown);
                if (s.size() < shown) built_text.append(shown - s.size(), ' ');
                p += shown;
            }
            value_pending = false;
            continue;
        }
        if (t[p] == '_' && p + 1 < t.size()) ++p;
        built_text += t[p];
        ++p;
    }
}
