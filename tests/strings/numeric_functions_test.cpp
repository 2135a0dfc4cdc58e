#include "runtime/strings/numeric_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/core/errors.h"
#include "tests/strings/strings_fixture.h"

namespace {

class NumericFunctions : public StringsTest {
protected:
    // The error the last call raised; clears it.
    static ErrorCode raised() {
        const ErrorCode error = pending_error;
        pending_error = 0;
        return error;
    }
};

TEST_F(NumericFunctions, HexAndOctalTextsUseTwosComplementWidths) {
    struct Case {
        long double value;
        const char* hex;
        const char* oct;
        ErrorCode error;
    };
    // clang-format off
    const Case cases[] = {
        // value                      hex                  oct                       error
        {0,                           "0",                 "0",                      0},
        {8,                           "8",                 "10",                     0},
        {255,                         "FF",                "377",                    0},
        {-1,                          "FFFFFFFF",          "37777777777",            0},
        {-2147483648.0L,              "80000000",          "20000000000",            0},
        {-2147483649.0L,              "FFFFFFFF7FFFFFFF",  "1777777777757777777777", 0},
        {2.5L,                        "2",                 "2",                      0},
        {3.5L,                        "4",                 "4",                      0},
        {-0.5L,                       "0",                 "0",                      0},
        {9223372036854775807.0L,      "7FFFFFFFFFFFFFFF",  "777777777777777777777",  0},
        {-9223372036854775807.0L,     "8000000000000001",  "1000000000000000000001", 0},
        {9223372036854775808.0L,      "",                  "",                       6},
        {-9223372036854775808.0L,     "",                  "",                       6},
        {9223372036854775807.5L,      "",                  "",                       6},  // rounds up to 2^63
        {NAN,                         "",                  "",                       6},
        {INFINITY,                    "",                  "",                       6},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(string_copy_of(hex_text(c.value)), c.hex) << c.value;
        EXPECT_EQ(raised(), c.error) << c.value;
        EXPECT_EQ(string_copy_of(oct_text(c.value)), c.oct) << c.value;
        EXPECT_EQ(raised(), c.error) << c.value;
    }
}

TEST_F(NumericFunctions, LogarithmAndExponentialsGuardTheirArguments) {
    EXPECT_EQ(natural_log(0), 0);
    EXPECT_EQ(raised(), 5u);
    EXPECT_EQ(natural_log(-1), 0);
    EXPECT_EQ(raised(), 5u);
    EXPECT_DOUBLE_EQ(natural_log(std::exp(2.0)), 2.0);
    EXPECT_EQ(raised(), 0u);

    EXPECT_EQ(exponential_single(89), 0);
    EXPECT_EQ(raised(), 6u);
    EXPECT_FLOAT_EQ(exponential_single(88), std::exp(88.0f));
    EXPECT_TRUE(std::isfinite(exponential_single(88.02969f)));
    EXPECT_EQ(raised(), 0u);

    EXPECT_EQ(exponential_double(709.8), 0);
    EXPECT_EQ(raised(), 6u);
    EXPECT_TRUE(std::isfinite(exponential_double(709.782712893)));
    EXPECT_DOUBLE_EQ(exponential_double(1), std::exp(1.0));
    EXPECT_EQ(raised(), 0u);
}

TEST_F(NumericFunctions, TruncateRoundsTowardsZero) {
    EXPECT_EQ(truncate(-2.7), -2);
    EXPECT_EQ(truncate(2.7), 2);
    EXPECT_EQ(truncate(-2.7L), -2);
    EXPECT_EQ(truncate(1e300), 1e300);
}

TEST_F(NumericFunctions, BoundsOfAnAllocatedDimension) {
    const ArrayDescriptor* exits = array_new(1, 9, 8);
    EXPECT_EQ(lower_bound(exits, 1, 1), 1);
    EXPECT_EQ(upper_bound(exits, 1, 1), 9);
    const ArrayDescriptor* from_minus_five = array_new(-5, 3, 4);
    EXPECT_EQ(lower_bound(from_minus_five, 1, 1), -5);
    EXPECT_EQ(upper_bound(from_minus_five, 1, 1), -3);
    EXPECT_EQ(raised(), 0u);

    struct Case {
        const ArrayDescriptor* array;
        int32_t dimension;
        int32_t count;
    };
    const Case refused[] = {{exits, 2, 1}, {exits, 0, 1}, {exits, 1, 0}, {nullptr, 1, 1}};
    for (const Case& c : refused) {
        EXPECT_EQ(lower_bound(c.array, c.dimension, c.count), 0) << c.dimension;
        EXPECT_EQ(raised(), 9u);
        EXPECT_EQ(upper_bound(c.array, c.dimension, c.count), 0) << c.dimension;
        EXPECT_EQ(raised(), 9u);
    }
}

TEST_F(NumericFunctions, APendingErrorReturnsAtOnce) {
    pending_error = 11;
    EXPECT_EQ(string_copy_of(hex_text(255)), "");
    EXPECT_EQ(natural_log(0), 0);
    EXPECT_EQ(exponential_double(1000), 0);
    EXPECT_EQ(truncate(2.5), 0);
    EXPECT_EQ(upper_bound(nullptr, 1, 1), 0);
    EXPECT_EQ(raised(), 11u);
}

}  // namespace
