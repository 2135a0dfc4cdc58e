// libFuzzer entry: program statements over the string runtime, decoded from the input by
// the model interpreter (tests/strings/string_model.h) and checked call by call against a
// plain copy of every string. A mismatch is printed and aborts, which libFuzzer reports
// as a crash and keeps the input of.
//
// The string tables are set up once; every input starts with fresh variables and must
// leave the descriptor count where it found it, so that inputs cannot leak into each
// other. What stays from one input to the next (the packed or fragmented pools, the grown
// main pool) is state a long-running program would have too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/platform/message_box.h"
#include "runtime/strings/strings.h"
#include "tests/strings/string_model.h"

namespace {

// Enough for any input of the default maximum length; each statement reads a few bytes.
constexpr uint64_t STATEMENTS_PER_INPUT_MAX = 4000;

bool prepare_strings() {
    // A critical error shows its box through the seam (one line on standard error) and
    // ends the process; no display is needed.
    message_box_seam_install({});
    low_memory_init();
    string_tables_init();
    strings_init();
    return true;
}

[[noreturn]] void report(const std::string& problem) {
    std::fprintf(stderr, "string model mismatch: %s\n", problem.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = prepare_strings();
    (void)prepared;
    pending_error = 0;
    const uint32_t descriptors_before = descriptors_in_use();
    {
        InputDecisions decisions(data, size);
        StringModelInterpreter model(BookkeepingWalk::after_every_statement);
        while (!decisions.exhausted() && model.counters().statements < STATEMENTS_PER_INPUT_MAX) {
            const std::string problem = model.run_statement(decisions);
            if (!problem.empty()) report(problem);
        }
        const std::string problem = model.finish();
        if (!problem.empty()) report(problem);
    }
    if (descriptors_in_use() != descriptors_before) {
        report(std::to_string(descriptors_in_use()) + " descriptors in use after the input, " +
               std::to_string(descriptors_before) + " before it");
    }
    return 0;
}
