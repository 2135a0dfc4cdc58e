// The string functions of program statements: case, trimming, parts, searching, runs of
// one character, byte values, comparisons, fixed-length setting, and packing numbers into
// strings of their bytes.
//
// All follow the lifetime rules of strings.h. A function that returns a different string
// than the one it was given frees the given one when it is temporary; one that returns
// its argument returns it unchanged in kind. A reusable temporary (temporary, in the main
// pool, neither fixed nor read-only) may be changed in place and returned. Positions count
// from 1; only byte 32 is a space; only A-Z and a-z have a case.
#pragma once

#include <cstdint>

#include "runtime/strings/strings.h"

// Whether an optional argument of a statement was written.
enum Given : bool { OMITTED = false, GIVEN = true };

// How an n-bit field is read back.
enum Signedness : bool { UNSIGNED_FIELD = false, SIGNED_FIELD = true };

// ---------------------------------------------------------------------------------------
// Case, trimming and parts
// ---------------------------------------------------------------------------------------

// s with a-z turned into A-Z.
StrDesc* string_to_upper(StrDesc* s);
// s with A-Z turned into a-z.
StrDesc* string_to_lower(StrDesc* s);
// s without leading spaces.
StrDesc* string_trim_left(StrDesc* s);
// s without trailing spaces.
StrDesc* string_trim_right(StrDesc* s);
// The first n bytes of s (n clamped to 0 .. length).
StrDesc* string_left(StrDesc* s, int32_t n);
// The last n bytes of s (n clamped to 0 .. length).
StrDesc* string_right(StrDesc* s, int32_t n);
// The part of s from start, length bytes long when given, else to the end.
StrDesc* string_mid(StrDesc* s, int32_t start, int32_t length, Given length_given);
// Overwrites dest from start with source's bytes, never changing dest's length; nothing
// while an error is pending. source is not freed.
void string_mid_assign(StrDesc* dest, int32_t start, int32_t length, StrDesc* source,
                       Given length_given);

// ---------------------------------------------------------------------------------------
// Searching, building and reading single bytes
// ---------------------------------------------------------------------------------------

// The position of needle in haystack from start (1 when omitted), 0 when not found.
int32_t string_instr(int32_t start, const StrDesc* haystack, const StrDesc* needle,
                     Given start_given);
// A temporary of n spaces (negative n: none).
StrDesc* string_spaces(int32_t n);
// A temporary of n copies of the low byte of code (negative n: none).
StrDesc* string_repeat(int32_t n, int32_t code);
// A temporary holding the byte code; outside 0-255 error 5 and an empty temporary.
StrDesc* string_chr(int32_t code);
// The byte at position (the first when omitted); error 5 and 0 when there is none.
int32_t string_asc(const StrDesc* s, int32_t position, Given position_given);
// The length of s.
int32_t string_length(const StrDesc* s);

// ---------------------------------------------------------------------------------------
// Comparisons: unsigned bytes over the shorter length, a prefix being the smaller. Each
// returns -1 when it holds and 0 otherwise, and frees nothing.
// ---------------------------------------------------------------------------------------
int32_t string_equal(const StrDesc* a, const StrDesc* b);
int32_t string_not_equal(const StrDesc* a, const StrDesc* b);
int32_t string_less(const StrDesc* a, const StrDesc* b);
int32_t string_greater(const StrDesc* a, const StrDesc* b);
int32_t string_less_equal(const StrDesc* a, const StrDesc* b);
int32_t string_greater_equal(const StrDesc* a, const StrDesc* b);

// ---------------------------------------------------------------------------------------
// Fixed-length setting: nothing while an error is pending; source is not freed.
// ---------------------------------------------------------------------------------------

// source at the start of dest, padded with spaces or cut to dest's length.
void string_set_left(StrDesc* dest, const StrDesc* source);
// source at the end of dest, spaces before it, or its first bytes when it is too long.
void string_set_right(StrDesc* dest, const StrDesc* source);

// ---------------------------------------------------------------------------------------
// Packing: a pack operation turns a number into a temporary of its little-endian bytes;
// an unpack operation reads the first bytes of s back (s is not freed), raising error 5
// and giving 0 when s is shorter than the width.
// ---------------------------------------------------------------------------------------
StrDesc* pack_byte(uint8_t value);
StrDesc* pack_int16(int16_t value);
StrDesc* pack_int32(int32_t value);
StrDesc* pack_int64(int64_t value);
StrDesc* pack_float32(float value);
StrDesc* pack_float64(double value);
// The 80-bit extended value in a zero-filled 32-byte string.
StrDesc* pack_float80(long double value);
// value masked to bits (1-64) in (bits + 7) / 8 bytes; other widths error 5 and empty.
StrDesc* pack_bits(int64_t value, int32_t bits);
// The 4-byte floating layout with the exponent in the last byte; error 5 and an empty
// temporary for a value whose exponent it cannot hold.
StrDesc* pack_mbf_single(float value);
// The same for the 8-byte layout.
StrDesc* pack_mbf_double(double value);

uint8_t unpack_byte(const StrDesc* s);
int16_t unpack_int16(const StrDesc* s);
int32_t unpack_int32(const StrDesc* s);
int64_t unpack_int64(const StrDesc* s);
float unpack_float32(const StrDesc* s);
double unpack_float64(const StrDesc* s);
// Needs the whole 32 bytes.
long double unpack_float80(const StrDesc* s);
// The first (bits + 7) / 8 bytes masked to bits (1-64), sign-extended from bit bits - 1
// for a signed field; other widths error 5 and 0.
int64_t unpack_bits(const StrDesc* s, int32_t bits, Signedness signedness);
// The 4-byte floating layout to a float; a stored exponent of 0 gives 0.
float unpack_mbf_single(const StrDesc* s);
// The 8-byte floating layout to a double, rounded to nearest; exponent 0 gives 0.
double unpack_mbf_double(const StrDesc* s);
