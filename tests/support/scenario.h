// Scenarios: pieces of test code that run in a child process of their own, because they
// end the process (the exit sequence, critical errors, the answer No) or run the whole
// runtime with its threads.
//
// A test binary whose main is scenario_main_or_tests runs the scenario named after
// --scenario instead of its tests; run_scenario starts the binary that way and returns
// the child's exit code and output.
#pragma once

#include <string>
#include <vector>

#include "runtime/core/lifecycle.h"
#include "tests/support/child_process.h"

using ScenarioFunction = void (*)(const std::vector<std::string>& args);

struct ScenarioRegistration {
    ScenarioRegistration(const char* name, ScenarioFunction function);
};

// Defines scenario NAME; its body sees its arguments as args.
#define SCENARIO(NAME)                                                                      \
    static void scenario_##NAME(const std::vector<std::string>& args);                      \
    static const ScenarioRegistration scenario_registration_##NAME(#NAME, scenario_##NAME); \
    static void scenario_##NAME([[maybe_unused]] const std::vector<std::string>& args)

// The exit code of a scenario whose body returned instead of ending the process.
inline constexpr int SCENARIO_RETURNED = 99;

// main of a test binary with scenarios.
int scenario_main_or_tests(int argc, char** argv);

// Runs scenario name of this test binary in a child process and waits for it.
ChildResult run_scenario(const std::string& name, const std::vector<std::string>& args = {},
                         const std::vector<std::string>& extra_env = {}, int timeout_ms = 20000);

// Inside a scenario: runs the whole runtime (start-up, threads, exit sequence) with
// program on the program thread and no window; args become the command line. The clocks
// are left real, but start-up's wait for a whole second is cut short through the seam.
[[noreturn]] void run_runtime(ProgramMain program, const std::vector<std::string>& args = {});

// Inside a scenario: writes one line to standard error at once.
void scenario_say(const std::string& line);
