// Support for translated program code: statement ends, conditions, the subroutine return
// stack, routine frames and array element access.
//
// A translated routine is a run of numbered statements. After each one it calls
// statement_end with the statement's source line; a condition counts as satisfied when it
// holds or when evaluating it left an error pending (the error is then reported at the
// checkpoint of the condition's line); a subroutine call pushes the number of its return
// point on the return stack and jumps to its label, and a return pops it.
#pragma once

#include <cstdint>

#include "runtime/core/checkpoint.h"
#include "runtime/core/errors.h"
#include "runtime/core/memory.h"

// True when value holds or the statement that computed it left an error pending.
inline bool condition(bool value) {
    return value || error_pending();
}

// ---------------------------------------------------------------------------------------
// The subroutine return stack, one for the program.
// ---------------------------------------------------------------------------------------
inline constexpr int32_t RETURN_STACK_FIRST_CAPACITY = 16384;

// Empties the return stack and gives it its first capacity.
void return_stack_init();

// Pushes a return point; the stack doubles when full (critical 256 when it cannot).
void return_stack_push(int32_t return_point);

// Pops the newest return point; with an empty stack raises error 3 and returns 0.
int32_t return_stack_pop();

// The number of return points on the stack.
int32_t return_stack_depth();

// ---------------------------------------------------------------------------------------
// Routine frames: what a routine saves at entry and restores at exit.
// ---------------------------------------------------------------------------------------
struct RoutineFrame {
    uint32_t temporary_mark = 0;  // statement cleanups free the temporaries above it
    uint8_t* variable_top = nullptr;
    uint32_t record_top = 0;
    LockRecord* scope = nullptr;  // kind LOCK_ROUTINE, the identity of this activation
};

// Saves the temporary mark, the variable-memory top and the data segment's record top and
// takes the routine's scope lock, at routine entry.
RoutineFrame routine_enter();

// Releases the scope lock and restores the variable-memory top and record top, at routine
// exit. Temporaries above the mark stay: a string function's result is one of them, and
// the caller's statement cleanup frees it.
void routine_exit(const RoutineFrame& frame);

// ---------------------------------------------------------------------------------------
// Arrays in variable memory.
// ---------------------------------------------------------------------------------------
struct ArrayDescriptor {
    uint8_t* elements;  // element storage, also in variable memory
    int32_t lower_bound;
    int32_t count;
    LockRecord* lock;  // kind LOCK_ARRAY
};

// Creates an array of count elements of element_size bytes, zeroed, with lower bound
// lower_bound and its own lock record; descriptor and elements live in variable memory.
// A count below 0 raises error 9 and makes an empty array.
ArrayDescriptor* array_new(int32_t lower_bound, int32_t count, int32_t element_size);

// The element number (from 0) that index names: index rounded to the nearest integer
// (halves to even) minus the lower bound. An index outside the array raises error 9 and
// names element 0.
int32_t array_element(const ArrayDescriptor& array, double index);
