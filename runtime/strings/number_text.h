// Numbers as the classic texts of a string conversion or a print, and text read back as a
// number.
//
// A number text starts with a sign position: a minus sign for negative values, a space
// otherwise. There are no superfluous zeros (".5", not "0.50"); moderate values are
// written in fixed point and others in exponent form, whose letter tells single precision
// (E) from double precision (D). The conversions to text never raise an error; each
// returns a new temporary.
#pragma once

#include <cstdint>

#include "runtime/strings/strings.h"

// ---------------------------------------------------------------------------------------
// Number to text
// ---------------------------------------------------------------------------------------

// The sign position (minus or space) and the decimal digits of v.
StrDesc* number_to_text_int64(int64_t v);
StrDesc* number_to_text_int32(int32_t v);
StrDesc* number_to_text_int16(int16_t v);
StrDesc* number_to_text_int8(int8_t v);

// A space and the decimal digits of v.
StrDesc* number_to_text_uint64(uint64_t v);
StrDesc* number_to_text_uint32(uint32_t v);
StrDesc* number_to_text_uint16(uint16_t v);
StrDesc* number_to_text_uint8(uint8_t v);

// v to seven significant digits: fixed point for exponents -8 .. 6 that need no more than
// eight places after the point, else the E form ("1.5E-07"). Infinities and not-a-number
// values give " INF", "-INF" and " NAN".
StrDesc* number_to_text_single(float v);

// v to sixteen significant digits (fifteen when the sixteenth is a 9): fixed point for
// exponents up to 15 needing no more than seventeen places after the point, else the D
// form ("1.5D+300"). Infinities and not-a-number values as for singles.
StrDesc* number_to_text_double(double v);

// v rounded to a double, then written as a double.
StrDesc* number_to_text_extended(long double v);

// ---------------------------------------------------------------------------------------
// Text to number
// ---------------------------------------------------------------------------------------

// The longest number at the start of s, with spaces and tabs skipped anywhere: a decimal
// number with an optional fraction and E or D exponent, or a hexadecimal (&H) or octal
// (&O) literal read as a signed 64-bit pattern; 0 when s starts no number. A radix
// literal too long for 64 bits raises error 6 and gives 0. s is only read.
long double text_to_number(const StrDesc* s);
