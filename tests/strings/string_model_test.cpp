// Long random sequences of string statements, checked call by call against a plain model
// of every string (see string_model.h).
//
// Each seed runs in a child process: a critical error ends the process with exit code 0,
// which in the test's own process would end the test silently instead of failing it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "runtime/core/memory.h"
#include "runtime/strings/strings.h"
#include "tests/core/core_fixture.h"
#include "tests/strings/string_model.h"
#include "tests/support/scenario.h"

namespace {

constexpr uint32_t STATEMENTS_PER_SEED = 6000;
constexpr int SEED_RUN_LIMIT_MS = 60000;

const char* const COUNTERS_LINE = "model counters:";

std::map<std::string, uint64_t> parse_counters(const std::string& output) {
    std::map<std::string, uint64_t> counters;
    const size_t at = output.find(COUNTERS_LINE);
    if (at == std::string::npos) return counters;
    std::istringstream line(output.substr(at + std::strlen(COUNTERS_LINE),
                                          output.find('\n', at) - at - std::strlen(COUNTERS_LINE)));
    std::string field;
    while (line >> field) {
        const size_t equals = field.find('=');
        if (equals != std::string::npos) {
            counters[field.substr(0, equals)] = std::stoull(field.substr(equals + 1));
        }
    }
    return counters;
}

}  // namespace

// Runs the model for the seed and statement count in args and reports on standard error.
SCENARIO(string_model_seed) {
    reset_core_state();
    message_box_seam_install({});
    const auto seed = static_cast<uint32_t>(std::stoul(args.at(0)));
    const auto statements = static_cast<uint32_t>(std::stoul(args.at(1)));
    SeededDecisions decisions(seed);
    StringModelInterpreter model;
    std::string problem;
    for (uint32_t n = 0; n < statements && problem.empty(); ++n)
        problem = model.run_statement(decisions);
    if (problem.empty()) problem = model.finish();
    const ModelCounters& c = model.counters();
    scenario_say(problem.empty() ? "model agrees" : "model mismatch: " + problem);
    scenario_say(std::string(COUNTERS_LINE) + " statements=" + std::to_string(c.statements) +
                 " main_compactions=" + std::to_string(c.main_compactions) +
                 " main_pool_growths=" + std::to_string(c.main_pool_growths) +
                 " conventional_compactions=" + std::to_string(c.conventional_compactions) +
                 " steals=" + std::to_string(c.steals) +
                 " variables_freed=" + std::to_string(c.variables_freed) +
                 " function_calls=" + std::to_string(c.function_calls) +
                 " expected_errors=" + std::to_string(c.expected_errors));
}

class StringModel : public CoreTest {};

TEST_F(StringModel, RandomStatementsAgreeWithThePlainModel) {
    const uint32_t seeds[] = {1, 77, 4242, 90125, 20240611};
    for (const uint32_t seed : seeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const ChildResult result = run_scenario(
            "string_model_seed", {std::to_string(seed), std::to_string(STATEMENTS_PER_SEED)}, {},
            SEED_RUN_LIMIT_MS);
        ASSERT_TRUE(result.exited) << result.output;
        ASSERT_EQ(result.exit_code, SCENARIO_RETURNED)
            << "the run ended early (a sanitizer report, or a critical error's exit):\n"
            << result.output;
        EXPECT_NE(result.output.find("model agrees"), std::string::npos) << result.output;

        // The run has to have packed and grown the pools, or it proved little about them.
        auto counters = parse_counters(result.output);
        EXPECT_EQ(counters["statements"], STATEMENTS_PER_SEED) << result.output;
        for (const char* exercised :
             {"main_compactions", "main_pool_growths", "conventional_compactions", "steals",
              "variables_freed", "function_calls", "expected_errors"}) {
            EXPECT_GE(counters[exercised], 1u) << exercised << "\n" << result.output;
        }
    }
}

// The model is only worth its runs if it notices damage; each case damages one thing
// behind its back.
TEST_F(StringModel, CheckNamesWhatWasDamaged) {
    struct Case {
        const char* damage;
        void (*apply)(StringModelInterpreter& model);
        const char* named;
    };
    const Case cases[] = {
        {"a byte of a fixed-length variable",
         [](StringModelInterpreter& model) { model.variable_descriptor(7)->text[3] ^= 0x20; },
         "F0 holds"},
        {"the record of the fixed-length variable in the data segment",
         [](StringModelInterpreter& model) {
             reinterpret_cast<uint8_t*>(model.variable_descriptor(8)->record)[0] ^= 1;
         },
         "F1's record"},
        {"a temporary the model did not make",
         [](StringModelInterpreter&) { string_from_literal("stray", 5); }, "temporary count"},
        {"a variable freed behind the model's back",
         [](StringModelInterpreter& model) { string_free(model.variable_descriptor(0)); }, "M0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        reset_core_state();
        StringModelInterpreter model;
        ASSERT_EQ(model.check_now(), "");
        c.apply(model);
        const std::string problem = model.check_now();
        EXPECT_NE(problem.find(c.named), std::string::npos) << problem;
    }
}
