// Numbers packed into strings of their bytes and read back: integers and floats of every
// width in little-endian order, n-bit fields, and the older floating layout whose
// exponent sits in the last byte.
//
// The older layout: a biased exponent byte e (0 means the value 0) and a sign bit ahead
// of the mantissa's fraction bits, with value = 1.fraction * 2^(e - 129):
//
//   4 bytes   f[7:0]  f[15:8]  sign|f[22:16]  e
//   8 bytes   f[7:0]  ...      f[47:40]       sign|f[54:48]  e
#include <cfloat>
#include <cmath>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/strings/private/string_results.h"
#include "runtime/strings/string_functions.h"

static_assert(LDBL_MANT_DIG == 64, "the 32-byte float holds the 80-bit extended format");

namespace {

constexpr int32_t EXTENDED_STRING_SIZE = 32;
constexpr int32_t EXTENDED_SIZE = 10;  // the bytes of an 80-bit value
constexpr int MBF_EXPONENT_BIAS = 129;

uint64_t read_little_endian(const uint8_t* bytes, int32_t count) {
    uint64_t value = 0;
    for (int32_t n = count; n-- > 0;)
        value = value << 8 | bytes[n];
    return value;
}

StrDesc* pack_little_endian(uint64_t value, int32_t count) {
    StrDesc* s = string_new(static_cast<uint32_t>(count), TEMPORARY);
    for (int32_t n = 0; n < count; ++n)
        s->text[n] = static_cast<uint8_t>(value >> (8 * n));
    return s;
}

// The first width bytes of s, or error 5 and false when s is shorter.
bool long_enough(const StrDesc* s, int32_t width) {
    if (s->length >= width) return true;
    raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
    return false;
}

template <typename Value>
StrDesc* pack_value(Value value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return pack_little_endian(bits, sizeof value);
}

template <typename Value>
Value unpack_value(const StrDesc* s) {
    if (!long_enough(s, sizeof(Value))) return 0;
    const uint64_t bits = read_little_endian(s->text, sizeof(Value));
    Value value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t field_mask(int32_t bits) {
    return bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

// Packs value (finite or not) into the older layout with fraction_bits bits of fraction;
// false when its exponent does not fit the exponent byte.
bool pack_mbf(long double value, int fraction_bits, uint64_t& packed) {
    if (value == 0) {
        packed = 0;
        return true;
    }
    if (!std::isfinite(value)) return false;
    int exponent = 0;
    // value = mantissa * 2^exponent with 0.5 <= |mantissa| < 1, so the stored exponent
    // of 1.fraction * 2^(exponent - 1) is exponent - 1 + bias.
    const long double mantissa = std::frexp(std::fabs(value), &exponent);
    const int stored = exponent - 1 + MBF_EXPONENT_BIAS;
    if (stored < 1 || stored > 255) return false;
    // Exact: a float or double has no more bits than the layout's fraction plus one.
    const auto significand =
        static_cast<uint64_t>(std::ldexp(mantissa, fraction_bits + 1)) & field_mask(fraction_bits);
    const uint64_t sign = std::signbit(value) ? 1 : 0;
    packed =
        static_cast<uint64_t>(stored) << (fraction_bits + 1) | sign << fraction_bits | significand;
    return true;
}

long double unpack_mbf(uint64_t packed, int fraction_bits) {
    const int stored = static_cast<int>(packed >> (fraction_bits + 1));
    if (stored == 0) return 0;
    const uint64_t significand = (packed & field_mask(fraction_bits)) | uint64_t{1}
                                                                            << fraction_bits;
    const long double magnitude = std::ldexp(static_cast<long double>(significand),
                                             stored - MBF_EXPONENT_BIAS - fraction_bits);
    return (packed >> fraction_bits & 1) ? -magnitude : magnitude;
}

// The older layout of value in width bytes, or error 5 and an empty temporary.
StrDesc* pack_mbf_string(long double value, int fraction_bits, int32_t width) {
    uint64_t packed = 0;
    if (!pack_mbf(value, fraction_bits, packed)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return string_new(0, TEMPORARY);
    }
    return pack_little_endian(packed, width);
}

constexpr int MBF_SINGLE_FRACTION = 23;
constexpr int MBF_DOUBLE_FRACTION = 55;

}  // namespace

StrDesc* pack_byte(uint8_t value) {
    return pack_little_endian(value, 1);
}
StrDesc* pack_int16(int16_t value) {
    return pack_value(value);
}
StrDesc* pack_int32(int32_t value) {
    return pack_value(value);
}
StrDesc* pack_int64(int64_t value) {
    return pack_value(value);
}
StrDesc* pack_float32(float value) {
    return pack_value(value);
}
StrDesc* pack_float64(double value) {
    return pack_value(value);
}

StrDesc* pack_float80(long double value) {
    StrDesc* s = string_filled(EXTENDED_STRING_SIZE, 0);
    std::memcpy(s->text, &value, EXTENDED_SIZE);
    return s;
}

StrDesc* pack_bits(int64_t value, int32_t bits) {
    if (bits < 1 || bits > 64) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return string_new(0, TEMPORARY);
    }
    return pack_little_endian(static_cast<uint64_t>(value) & field_mask(bits), (bits + 7) / 8);
}

StrDesc* pack_mbf_single(float value) {
    return pack_mbf_string(value, MBF_SINGLE_FRACTION, 4);
}

StrDesc* pack_mbf_double(double value) {
    return pack_mbf_string(value, MBF_DOUBLE_FRACTION, 8);
}

uint8_t unpack_byte(const StrDesc* s) {
    return long_enough(s, 1) ? s->text[0] : 0;
}
int16_t unpack_int16(const StrDesc* s) {
    return unpack_value<int16_t>(s);
}
int32_t unpack_int32(const StrDesc* s) {
    return unpack_value<int32_t>(s);
}
int64_t unpack_int64(const StrDesc* s) {
    return unpack_value<int64_t>(s);
}
float unpack_float32(const StrDesc* s) {
    return unpack_value<float>(s);
}
double unpack_float64(const StrDesc* s) {
    return unpack_value<double>(s);
}

long double unpack_float80(const StrDesc* s) {
    if (!long_enough(s, EXTENDED_STRING_SIZE)) return 0;
    long double value = 0;
    std::memcpy(&value, s->text, EXTENDED_SIZE);
    return value;
}

int64_t unpack_bits(const StrDesc* s, int32_t bits, Signedness signedness) {
    if (bits < 1 || bits > 64) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    const int32_t width = (bits + 7) / 8;
    if (!long_enough(s, width)) return 0;
    uint64_t value = read_little_endian(s->text, width) & field_mask(bits);
    if (signedness == SIGNED_FIELD && bits < 64 && (value >> (bits - 1) & 1)) {
        value |= ~field_mask(bits);
    }
    return static_cast<int64_t>(value);
}

float unpack_mbf_single(const StrDesc* s) {
    if (!long_enough(s, 4)) return 0;
    return static_cast<float>(unpack_mbf(read_little_endian(s->text, 4), MBF_SINGLE_FRACTION));
}

double unpack_mbf_double(const StrDesc* s) {
    if (!long_enough(s, 8)) return 0;
    // Exact in 80 bits; the cast rounds the 56-bit significand to the double's 53 bits.
    return static_cast<double>(unpack_mbf(read_little_endian(s->text, 8), MBF_DOUBLE_FRACTION));
}
