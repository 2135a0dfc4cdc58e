// What the two template files share: a value as the formatter core sees it, and the core.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/strings.h"

// A number reduced to its decimal digits: value = digits × 10^exponent. The digits carry
// no leading zero except for zero itself, which is the single digit 0 with exponent 0.
struct ReducedNumber {
    std::string digits;  // most significant first, no sign
    int64_t exponent = 0;
    bool negative = false;
    char exponent_letter = 'E';  // D while a double-precision value is formatted
};

// The value of one call: a reduced number, a string, or none (literal text only).
struct UsingValue {
    enum class Kind { none, number, text };
    Kind kind = Kind::none;
    ReducedNumber number;
    const StrDesc* text = nullptr;
};

// Formats value by the next field of format_template from position and appends what was
// built to output; the next position, or 0 when the template was used up or on an error.
int32_t print_using_core(const StrDesc* format_template, const UsingValue& value, int32_t position,
                         StrDesc* output);
