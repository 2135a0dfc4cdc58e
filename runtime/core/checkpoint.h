// The statement checkpoint: the one place where the program thread yields to the rest of
// the system (pausing, parking, reporting errors, running event handlers).
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/core/lifecycle.h"

// Holds the program while suspended, parks it when the process is ending, reports a
// pending error with line, or runs pending event handlers. Line 0 comes from waiting loops.
void statement_checkpoint(int32_t line);

// The stop key (Break, or Scroll Lock with Ctrl held): ends the process, or, while the
// program handles window closes itself, tells it through bit 1 of close_request.
void stop_key_pressed();

// The suspend key (Pause, or Num Lock with Ctrl held): holds the program at the end of
// its current statement.
void suspend_key_pressed();

// Any other key press: while the program is held it only resumes it. Returns true when
// the press was taken for that and must go no further.
bool resume_key_pressed();

// The test after every statement of the translated program: one load and one branch when
// nothing is pending.
inline void statement_end(int32_t line) {
    if (checkpoint_requested.load(std::memory_order_acquire) != 0) [[unlikely]] {
        statement_checkpoint(line);
    }
}
