// Hexadecimal and octal texts and the guarded numeric functions.
#include <cmath>
#include <cstdio>

#include "runtime/core/errors.h"
#include "runtime/strings/numeric_functions.h"
#include "runtime/strings/private/string_results.h"

namespace {

constexpr long double TWO_TO_63 = 9223372036854775808.0L;
constexpr float EXPONENTIAL_SINGLE_LIMIT = 88.02969f;
constexpr double EXPONENTIAL_DOUBLE_LIMIT = 709.782712893;

// The text of v's integer pattern in a base: "%llX" or "%llo" of the pattern, which for
// a negative value is 32 bits wide when it fits, else 64.
StrDesc* radix_text(long double v, const char* format) {
    if (error_pending()) return string_new(0, TEMPORARY);
    // Not-a-number fits no integer; a value just under 2^63 may still round up to it.
    const long double rounded = std::nearbyint(v);
    if (!(v < TWO_TO_63 && v > -TWO_TO_63) || rounded >= TWO_TO_63) {
        raise_error(ERROR_OVERFLOW);
        return string_new(0, TEMPORARY);
    }
    const auto n = static_cast<int64_t>(rounded);
    uint64_t pattern = static_cast<uint64_t>(n);
    if (n < 0 && n >= INT32_MIN) pattern &= 0xFFFFFFFFu;
    char text[32];
    const int length =
        std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(pattern));
    return string_holding(text, length);
}

bool has_bounds(const ArrayDescriptor* array, int32_t dimension, int32_t dimension_count) {
    if (array != nullptr && array->elements != nullptr && dimension == 1 &&
        dimension <= dimension_count) {
        return true;
    }
    raise_error(ERROR_SUBSCRIPT_OUT_OF_RANGE);
    return false;
}

}  // namespace

StrDesc* hex_text(long double v) {
    return radix_text(v, "%llX");
}

StrDesc* oct_text(long double v) {
    return radix_text(v, "%llo");
}

double natural_log(double x) {
    if (error_pending()) return 0;
    if (!(x > 0)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    return std::log(x);
}

float exponential_single(float x) {
    if (error_pending()) return 0;
    if (!(x <= EXPONENTIAL_SINGLE_LIMIT)) {
        raise_error(ERROR_OVERFLOW);
        return 0;
    }
    return std::exp(x);
}

double exponential_double(double x) {
    if (error_pending()) return 0;
    if (!(x <= EXPONENTIAL_DOUBLE_LIMIT)) {
        raise_error(ERROR_OVERFLOW);
        return 0;
    }
    return std::exp(x);
}

double truncate(double x) {
    return error_pending() ? 0 : std::trunc(x);
}

long double truncate(long double x) {
    return error_pending() ? 0 : std::trunc(x);
}

int32_t lower_bound(const ArrayDescriptor* array, int32_t dimension, int32_t dimension_count) {
    if (error_pending() || !has_bounds(array, dimension, dimension_count)) return 0;
    return array->lower_bound;
}

int32_t upper_bound(const ArrayDescriptor* array, int32_t dimension, int32_t dimension_count) {
    if (error_pending() || !has_bounds(array, dimension, dimension_count)) return 0;
    return array->lower_bound + array->count - 1;
}
