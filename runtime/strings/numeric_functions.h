// Hexadecimal and octal texts of numbers, and the numeric functions whose argument limits
// are the runtime's own. All return at once (0 or an empty string) while an error is
// pending.
#pragma once

#include <cstdint>

#include "runtime/core/program.h"
#include "runtime/strings/strings.h"

// v rounded to an integer (halves to even) in upper-case hexadecimal; a negative value as
// its 32-bit two's-complement pattern, or 64-bit below -2^31. Error 6 and "" when v does
// not fit in a signed 64-bit integer.
StrDesc* hex_text(long double v);

// The same in octal: 11 digits for a negative 32-bit pattern, 22 for a 64-bit one.
StrDesc* oct_text(long double v);

// The natural logarithm of x; error 5 and 0 when x is not above 0.
double natural_log(double x);

// e to the power x; error 6 and 0 above 88.02969 (single) or 709.782712893 (double),
// where the result would not fit the type.
float exponential_single(float x);
double exponential_double(double x);

// x without its fraction, rounded towards zero.
double truncate(double x);
long double truncate(long double x);

// The lower / upper bound of dimension of array, counted from 1 of dimension_count. A
// descriptor records one dimension, so only dimension 1 of an allocated array has bounds;
// anything else raises error 9 and gives 0.
int32_t lower_bound(const ArrayDescriptor* array, int32_t dimension, int32_t dimension_count);
int32_t upper_bound(const ArrayDescriptor* array, int32_t dimension, int32_t dimension_count);
