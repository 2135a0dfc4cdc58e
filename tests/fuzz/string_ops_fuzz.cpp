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
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/strings/string_model.h"

namespace {

// Enough for any input of the default maximum length; each statement reads a few bytes.
constexpr uint64_t STATEMENTS_PER_INPUT_MAX = 4000;

constexpr char CHECK[] = "string model mismatch";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = fuzz_strings_prepare();
    (void)prepared;
    pending_error = 0;
    const uint32_t descriptors_before = descriptors_in_use();
    {
        InputDecisions decisions(data, size);
        StringModelInterpreter model(BookkeepingWalk::after_every_statement);
        while (!decisions.exhausted() && model.counters().statements < STATEMENTS_PER_INPUT_MAX) {
            const std::string problem = model.run_statement(decisions);
            if (!problem.empty()) fuzz_fail(CHECK, problem);
        }
        const std::string problem = model.finish();
        if (!problem.empty()) fuzz_fail(CHECK, problem);
    }
    fuzz_check_descriptors(CHECK, descriptors_before);
    return 0;
}
