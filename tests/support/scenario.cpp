#include "tests/support/scenario.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

#include "runtime/platform/clock.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace {

std::map<std::string, ScenarioFunction>& scenarios() {
    static std::map<std::string, ScenarioFunction> registered;
    return registered;
}

void idle_window_loop(int, char**) {
    for (;;)
        platform_sleep_ms(1000);
}

}  // namespace

ScenarioRegistration::ScenarioRegistration(const char* name, ScenarioFunction function) {
    scenarios()[name] = function;
}

int scenario_main_or_tests(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--scenario") == 0) {
        auto found = scenarios().find(argv[2]);
        if (found == scenarios().end()) {
            std::fprintf(stderr, "no scenario %s\n", argv[2]);
            return 2;
        }
        found->second(std::vector<std::string>(argv + 3, argv + argc));
        std::fflush(stderr);
        return SCENARIO_RETURNED;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

ChildResult run_scenario(const std::string& name, const std::vector<std::string>& args,
                         const std::vector<std::string>& extra_env, int timeout_ms) {
    std::vector<std::string> child_args{"--scenario", name};
    child_args.insert(child_args.end(), args.begin(), args.end());
    ChildProcess child("/proc/self/exe", child_args, extra_env);
    return child.wait(timeout_ms);
}

void run_runtime(ProgramMain program, const std::vector<std::string>& args) {
    // The calendar turns to its next second a millisecond after this, so start-up does not
    // spend up to a second waiting for it; the time of day stays within a second of the
    // real one.
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    clock_seam_set_calendar(now, {local.tm_hour, local.tm_min, local.tm_sec});

    std::vector<std::string> arg_strings{"scenario"};
    arg_strings.insert(arg_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : arg_strings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    runtime_main(static_cast<int>(arg_strings.size()), argv.data(), program, idle_window_loop);
    platform_exit(SCENARIO_RETURNED);
}

void scenario_say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}
