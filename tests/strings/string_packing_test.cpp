#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/strings/string_functions.h"
#include "tests/strings/strings_fixture.h"

namespace {

class StringPacking : public StringsTest {};

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const StrDesc* s) {
    return Bytes(s->text, s->text + s->length);
}

StrDesc* string_of(const Bytes& bytes) {
    StrDesc* s = string_new(static_cast<uint32_t>(bytes.size()), TEMPORARY);
    std::copy(bytes.begin(), bytes.end(), s->text);
    return s;
}

TEST_F(StringPacking, NumbersAreStoredAsTheirLittleEndianBytes) {
    struct Case {
        const char* what;
        StrDesc* packed;
        Bytes bytes;
    };
    const Case cases[] = {
        {"byte 200", pack_byte(200), {0xC8}},
        {"int16 -2", pack_int16(-2), {0xFE, 0xFF}},
        {"int32", pack_int32(0x12345678), {0x78, 0x56, 0x34, 0x12}},
        {"int64 -1", pack_int64(-1), Bytes(8, 0xFF)},
        {"float32 1", pack_float32(1.0f), {0x00, 0x00, 0x80, 0x3F}},
        {"float64 1", pack_float64(1.0), {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {"12-bit -1", pack_bits(-1, 12), {0xFF, 0x0F}},
        {"1-bit 3", pack_bits(3, 1), {0x01}},
        {"64-bit", pack_bits(INT64_MIN, 64), {0, 0, 0, 0, 0, 0, 0, 0x80}},
        {"MBF single 1", pack_mbf_single(1.0f), {0x00, 0x00, 0x00, 0x81}},
        {"MBF single 0.5", pack_mbf_single(0.5f), {0x00, 0x00, 0x00, 0x80}},
        {"MBF single -1", pack_mbf_single(-1.0f), {0x00, 0x00, 0x80, 0x81}},
        {"MBF single 10", pack_mbf_single(10.0f), {0x00, 0x00, 0x20, 0x84}},
        {"MBF single 0", pack_mbf_single(0.0f), {0, 0, 0, 0}},
        {"MBF single -0", pack_mbf_single(-0.0f), {0, 0, 0, 0}},
        {"MBF double 1", pack_mbf_double(1.0), {0, 0, 0, 0, 0, 0, 0x00, 0x81}},
        {"MBF double -10", pack_mbf_double(-10.0), {0, 0, 0, 0, 0, 0, 0xA0, 0x84}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bytes_of(c.packed), c.bytes) << c.what;
        EXPECT_TRUE(c.packed->temporary) << c.what;
    }
    Bytes extended = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    extended.resize(32, 0);
    EXPECT_EQ(bytes_of(pack_float80(1.0L)), extended) << "zero-filled to 32 bytes";
    EXPECT_EQ(pending_error, 0u);
    free_temporaries(mark, 0);
}

template <typename Value>
void expect_round_trips(const char* what, StrDesc* (*pack)(Value), Value (*unpack)(const StrDesc*),
                        std::vector<Value> values) {
    for (Value value : values) {
        StrDesc* packed = pack(value);
        const Value back = unpack(packed);
        if constexpr (std::is_floating_point_v<Value>) {
            if (std::isnan(value)) {
                EXPECT_TRUE(std::isnan(back)) << what;
                continue;
            }
        }
        EXPECT_EQ(back, value) << what;
    }
}

TEST_F(StringPacking, EveryWidthRoundTrips) {
    using L16 = std::numeric_limits<int16_t>;
    using L32 = std::numeric_limits<int32_t>;
    using L64 = std::numeric_limits<int64_t>;
    using F = std::numeric_limits<float>;
    using D = std::numeric_limits<double>;
    using E = std::numeric_limits<long double>;
    expect_round_trips<uint8_t>("byte", pack_byte, unpack_byte, {0, 1, 127, 128, 255});
    expect_round_trips<int16_t>("int16", pack_int16, unpack_int16, {0, -1, L16::min(), L16::max()});
    expect_round_trips<int32_t>("int32", pack_int32, unpack_int32, {0, -1, L32::min(), L32::max()});
    expect_round_trips<int64_t>("int64", pack_int64, unpack_int64, {0, -1, L64::min(), L64::max()});
    expect_round_trips<float>(
        "float32", pack_float32, unpack_float32,
        {0.0f, -0.0f, 1.5f, F::max(), F::denorm_min(), F::infinity(), F::quiet_NaN()});
    expect_round_trips<double>(
        "float64", pack_float64, unpack_float64,
        {0.0, -2.25, D::max(), D::denorm_min(), -D::infinity(), D::quiet_NaN()});
    expect_round_trips<long double>("float80", pack_float80, unpack_float80,
                                    {0.0L, -1.0L / 3, E::max(), E::min(), E::infinity()});
    // Every float and double whose exponent the older layout can hold comes back exactly.
    expect_round_trips<float>("MBF single", pack_mbf_single, unpack_mbf_single,
                              {0.0f, 1.0f, -3.14159f, 1e-38f, 1.7e38f, std::ldexp(1.0f, -128),
                               std::nextafter(1.0f, 2.0f), 16777215.0f});
    expect_round_trips<double>("MBF double", pack_mbf_double, unpack_mbf_double,
                               {0.0, 1.0, -0.1, 1e38, -1.7e38, std::ldexp(1.0, -128),
                                std::nextafter(1.0, 2.0), 9007199254740991.0});
    EXPECT_EQ(pending_error, 0u);
    free_temporaries(mark, 0);
}

TEST_F(StringPacking, BitFieldsMaskAndSignExtend) {
    struct Case {
        int64_t value;
        int32_t bits;
        int64_t as_unsigned;
        int64_t as_signed;
    };
    const Case cases[] = {
        {-1, 12, 4095, -1},
        {0x800, 12, 0x800, -2048},
        {0x7FF, 12, 0x7FF, 0x7FF},
        {0x1234, 8, 0x34, 0x34},
        {0x80, 8, 0x80, -128},
        {5, 1, 1, -1},
        {-1, 64, -1, -1},
        {0x1FFFF, 17, 0x1FFFF, -1},
        {0x10000, 17, 0x10000, -65536},
        {INT64_MAX, 63, INT64_MAX, -1},
    };
    for (const Case& c : cases) {
        StrDesc* packed = pack_bits(c.value, c.bits);
        EXPECT_EQ(packed->length, (c.bits + 7) / 8) << c.bits << " bits";
        EXPECT_EQ(unpack_bits(packed, c.bits, UNSIGNED_FIELD), c.as_unsigned)
            << c.value << " in " << c.bits << " bits";
        EXPECT_EQ(unpack_bits(packed, c.bits, SIGNED_FIELD), c.as_signed)
            << c.value << " in " << c.bits << " bits";
    }
    // Only the field's bits of a longer string count.
    EXPECT_EQ(unpack_bits(string_of({0xFF, 0xFF, 0xFF}), 9, UNSIGNED_FIELD), 0x1FF);
    EXPECT_EQ(pending_error, 0u);
    free_temporaries(mark, 0);
}

TEST_F(StringPacking, TheOlderLayoutReadsExponentZeroAsZeroAndRoundsToNearest) {
    EXPECT_EQ(unpack_mbf_single(string_of({0xFF, 0xFF, 0xFF, 0x00})), 0.0f);
    EXPECT_EQ(unpack_mbf_double(string_of({1, 2, 3, 4, 5, 6, 7, 0})), 0.0);
    // Three fraction bits more than a double holds: a tie rounds to the even neighbour.
    EXPECT_EQ(unpack_mbf_double(string_of({0x04, 0, 0, 0, 0, 0, 0, 0x81})), 1.0);
    EXPECT_EQ(unpack_mbf_double(string_of({0x0C, 0, 0, 0, 0, 0, 0, 0x81})),
              1.0 + std::ldexp(1.0, -51));
    EXPECT_EQ(unpack_mbf_double(string_of({0x05, 0, 0, 0, 0, 0, 0, 0x81})),
              1.0 + std::ldexp(1.0, -52));
    // The largest exponent byte.
    EXPECT_EQ(unpack_mbf_single(string_of({0, 0, 0, 0xFF})), std::ldexp(1.0f, 126));
    EXPECT_EQ(pending_error, 0u);
    free_temporaries(mark, 0);
}

TEST_F(StringPacking, BadWidthsShortStringsAndUnholdableExponentsAreIllegalCalls) {
    struct Case {
        const char* what;
        std::function<bool()> call;  // true when the result is the empty string or 0
    };
    const Case cases[] = {
        {"MBF single of 2e38", [] { return pack_mbf_single(2e38f)->length == 0; }},
        {"MBF single of 1e-39", [] { return pack_mbf_single(1e-39f)->length == 0; }},
        {"MBF single of infinity",
         [] { return pack_mbf_single(std::numeric_limits<float>::infinity())->length == 0; }},
        {"MBF single of NaN",
         [] { return pack_mbf_single(std::numeric_limits<float>::quiet_NaN())->length == 0; }},
        {"MBF double of 1e300", [] { return pack_mbf_double(1e300)->length == 0; }},
        {"MBF double of -1e-300", [] { return pack_mbf_double(-1e-300)->length == 0; }},
        {"0-bit field", [] { return pack_bits(1, 0)->length == 0; }},
        {"65-bit field", [] { return pack_bits(1, 65)->length == 0; }},
        {"read 0-bit field", [] { return unpack_bits(string_of({1}), 0, SIGNED_FIELD) == 0; }},
        {"byte of empty", [] { return unpack_byte(string_of({})) == 0; }},
        {"int16 of 1 byte", [] { return unpack_int16(string_of({1})) == 0; }},
        {"int32 of 3 bytes",
         [] {
             return unpack_int32(string_of({1, 2, 3})) == 0;
         }},
        {"int64 of 7 bytes", [] { return unpack_int64(string_of(Bytes(7, 1))) == 0; }},
        {"float32 of 3 bytes",
         [] {
             return unpack_float32(string_of({1, 2, 3})) == 0;
         }},
        {"float64 of 7 bytes", [] { return unpack_float64(string_of(Bytes(7, 1))) == 0; }},
        {"float80 of 31 bytes", [] { return unpack_float80(string_of(Bytes(31, 1))) == 0; }},
        {"17-bit field of 2 bytes",
         [] {
             return unpack_bits(string_of({1, 1}), 17, UNSIGNED_FIELD) == 0;
         }},
        {"MBF single of 3 bytes",
         [] {
             return unpack_mbf_single(string_of({1, 2, 3})) == 0;
         }},
        {"MBF double of 7 bytes", [] { return unpack_mbf_double(string_of(Bytes(7, 0x81))) == 0; }},
    };
    for (const Case& c : cases) {
        pending_error = 0;
        EXPECT_TRUE(c.call()) << c.what;
        EXPECT_EQ(pending_error, 5u) << c.what;
        free_temporaries(mark, 0);
    }
}

}  // namespace
