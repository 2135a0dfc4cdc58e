// The emulated machine, as far as the lifecycle touches it.
#pragma once

#include <atomic>
#include <cstdint>

// The vertical-retrace pulse: both set by the housekeeping thread after its 15 ms sleep,
// the first cleared again at its compose tick, read by the retrace status port.
extern std::atomic<int32_t> retrace_flags[2];

// Zeroes the emulated register file (start-up).
void machine_registers_init();
