// Run-time errors: the pending error of the current statement and its dialogs.
//
// A failing operation records the first error of its statement and asks for a checkpoint;
// the rest of the statement's operations return at once; the checkpoint after the
// statement shows the error with its line number. A few conditions are critical: they show
// their box at once, from any thread, and end the process.
#pragma once

#include <cstdint>

// An error number; 0 means no error.
using ErrorCode = uint32_t;

// The numbers the runtime itself raises; the message of each is in the error table.
inline constexpr ErrorCode ERROR_RETURN_WITHOUT_GOSUB = 3;
inline constexpr ErrorCode ERROR_ILLEGAL_FUNCTION_CALL = 5;
inline constexpr ErrorCode ERROR_OVERFLOW = 6;
inline constexpr ErrorCode ERROR_OUT_OF_MEMORY = 7;
inline constexpr ErrorCode ERROR_SUBSCRIPT_OUT_OF_RANGE = 9;
inline constexpr ErrorCode ERROR_TYPE_MISMATCH = 13;
inline constexpr ErrorCode ERROR_OUT_OF_STACK_SPACE = 256;
inline constexpr ErrorCode ERROR_INVALID_HANDLE = 258;
// Critical numbers raised by more than one file.
inline constexpr ErrorCode CRITICAL_IMAGE_TABLE = 502;      // the image table cannot grow
inline constexpr ErrorCode CRITICAL_VARIABLE_MEMORY = 504;  // variable memory exhausted

// The first error raised in the current statement, 0 when none. Program thread only.
extern ErrorCode pending_error;
// The line of the statement whose checkpoint found the pending error.
extern int32_t error_line;
// An error trap is registered / a trap routine is running (never in this game).
extern int32_t error_trap_registered;
extern int32_t error_trap_running;

// True while the current statement has an error pending.
inline bool error_pending() {
    return pending_error != 0;
}

// Records error n for the current statement (n < 1 counts as 5) unless one is already
// pending, and returns the pending error. Critical numbers end the process instead.
int32_t raise_error(int32_t n);

// Shows the pending error's box for error_line; continues (clearing it) on Yes or when the
// box cannot appear, stops the program on No. Called only by statement_checkpoint.
void dispatch_error();

// The message of error n, or "Unprintable error" for a number without one.
const char* error_message(ErrorCode n);

// True for the numbers that end the process at once when raised.
bool is_critical_error(ErrorCode n);

// Shows the box of critical error n and ends the process with exit code 0.
[[noreturn]] void critical_error(ErrorCode n);
