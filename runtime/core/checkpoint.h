// The statement checkpoint: the one place where the program thread yields to the rest of
// the system (pausing, parking, reporting errors, running event handlers).
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/core/lifecycle.h"

// Holds the program while suspended, parks it when the process is ending, reports a
// pending error with line, or runs pending event handlers. Line 0 comes from waiting loops.
void statement_checkpoint(int32_t line);

// The test after every statement of the translated program: one load and one branch when
// nothing is pending.
inline void statement_end(int32_t line) {
    if (checkpoint_requested.load(std::memory_order_acquire) != 0) [[unlikely]] {
        statement_checkpoint(line);
    }
}
