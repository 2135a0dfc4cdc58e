// Formatted output with templates: each value of a formatted print statement is laid out
// by the next field of a template, and the text is appended to the statement's output.
//
// A template holds numeric fields (# digit places, a point, commas, leading + and
// trailing + or -, ** star fill, $$ currency, **$ both, and 4 or 5 carets for an
// exponent), string fields (& the whole string, ! one character, a backslash, spaces and a
// backslash for that many characters) and literal text, where _ makes the next character
// literal. A position is a 0-based index into the template: each call starts at the field
// the previous call returned, copies literal text, formats its value, and copies on up to
// the next field (whose position it returns) or the template's end (returning 0). A value
// that outlasts the template starts it again from the beginning.
//
// The output is a string variable the statement owns (variable length, not read-only);
// each call appends what it built to it with one string assignment, so its text survives
// the statement cleanup and no temporary is left behind. The template and a string value
// are only read. Every operation returns 0 at once, appending nothing, while an error is
// pending. Errors: 5 for a template without any field and for an infinity or not-a-number
// value; 13 for a number met by a string field or a string met by a numeric field; after
// an error the text built before it stays in the output. Program thread only.
#pragma once

#include <cstdint>

#include "runtime/strings/strings.h"

// ---------------------------------------------------------------------------------------
// One value into the next field
// ---------------------------------------------------------------------------------------

// value by the numeric field at or after position; the next position (0: template used up).
int32_t print_using_int64(const StrDesc* format_template, int64_t value, int32_t position,
                          StrDesc* output);
// As print_using_int64 for an unsigned value.
int32_t print_using_uint64(const StrDesc* format_template, uint64_t value, int32_t position,
                           StrDesc* output);
// As print_using_int64 for a single-precision value (exponent letter E).
int32_t print_using_single(const StrDesc* format_template, float value, int32_t position,
                           StrDesc* output);
// As print_using_int64 for a double-precision value (exponent letter D).
int32_t print_using_double(const StrDesc* format_template, double value, int32_t position,
                           StrDesc* output);
// As print_using_int64 for an extended value (exponent letter E).
int32_t print_using_extended(const StrDesc* format_template, long double value, int32_t position,
                             StrDesc* output);
// value (null: none, copying literal text only) by the string field at or after position;
// the next position, 0 when the template was used up.
int32_t print_using(const StrDesc* format_template, int32_t position, StrDesc* output,
                    const StrDesc* value);

// ---------------------------------------------------------------------------------------
// The calling pattern of one formatted print statement
// ---------------------------------------------------------------------------------------

// A statement in progress: its copy of the template, the text built so far and where the
// next value's field starts.
struct PrintUsingStatement {
    StrDesc* format_template;
    StrDesc* output;
    int32_t position;
};

// Starts a statement with an empty output and its own copy of format_template (consumed
// when temporary).
PrintUsingStatement print_using_begin(StrDesc* format_template);

// Formats the statement's next value, unless an error is already pending. Each overload
// calls the operation of its type; a string value goes to print_using.
void print_using_next(PrintUsingStatement& statement, int64_t value);
void print_using_next(PrintUsingStatement& statement, uint64_t value);
void print_using_next(PrintUsingStatement& statement, float value);
void print_using_next(PrintUsingStatement& statement, double value);
void print_using_next(PrintUsingStatement& statement, long double value);
void print_using_next(PrintUsingStatement& statement, const StrDesc* value);

// Prints the statement's output at the write page's cursor and ends the line; while an
// error is pending, prints it without the line end, the error set aside meanwhile.
void print_using_print(const PrintUsingStatement& statement);

// Frees the statement's template and output; the caller has printed the output by then.
void print_using_end(PrintUsingStatement& statement);
