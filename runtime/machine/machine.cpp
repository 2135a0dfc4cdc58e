// The emulated machine's start-up state.
#include "runtime/machine/machine.h"

std::atomic<int32_t> retrace_flags[2];

void machine_registers_init() {
    // The register file arrives with the machine-code interpreter.
}
