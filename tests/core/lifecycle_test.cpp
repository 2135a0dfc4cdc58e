#include "runtime/core/lifecycle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/checkpoint.h"
#include "runtime/core/memory.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"
#include "tests/core/core_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Lifecycle : public CoreTest {};

TEST_F(Lifecycle, TheCommandLineJoinsTheArgumentsWithSingleSpaces) {
    struct Case {
        std::vector<std::string> argv;
        const char* command_line;
    };
    const Case cases[] = {
        {{"gravewick"}, ""},
        {{"gravewick", "a", "b"}, "a b"},
        {{"gravewick", "look"}, "look"},
        {{"gravewick", "two  spaces", "x"}, "two  spaces x"},
        {{"gravewick", "", "x"}, " x"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> strings = c.argv;
        std::vector<char*> argv;
        for (std::string& s : strings)
            argv.push_back(s.data());
        command_line_build(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(string_view_of(command_line()), c.command_line);
    }
}

TEST_F(Lifecycle, TheExecutableDirectoryIsCutAtItsLastSeparator) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"/work/main/build/game/gravewick", "/work/main/build/game"},
        {"/gravewick", "/"},
        {"C:\\GAMES\\GW.EXE", "C:\\GAMES"},
        {"C:\\GW.EXE", "C:"},
        {"C:GW.EXE", "C:"},
        {"dir/sub\\gw", "dir/sub"},
        {"gravewick", "gravewick"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(executable_directory_of(c.path), c.directory) << c.path;
}

TEST_F(Lifecycle, TheBiosTickCountFollowsTheTimeOfDay) {
    struct Case {
        LocalTime seam_time;  // the calendar turns one second later, where the base is taken
        int64_t later_ms;
        uint32_t ticks;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, 18},            // 00:00:01
        {{11, 59, 59}, 0, 786240},     // noon
        {{23, 59, 58}, -20, 1572461},  // just before 23:59:59, the highest counts of the day
        {{23, 59, 59}, 500, 9},        // past midnight the count starts again
    };
    for (const Case& c : cases) {
        clock_seam_set_calendar(1700000000, c.seam_time);
        time_base_init();
        clock_seam_shift_ms(c.later_ms);
        low_memory[BIOS_TICK_COUNT + 3] = 0x5A;
        bios_tick_update();
        const uint32_t ticks = low_memory[BIOS_TICK_COUNT] | low_memory[BIOS_TICK_COUNT + 1] << 8 |
                               low_memory[BIOS_TICK_COUNT + 2] << 16;
        EXPECT_EQ(ticks, c.ticks);
        EXPECT_EQ(low_memory[BIOS_TICK_COUNT + 3], 0x5A) << "the fourth byte is never written";
        clock_seam_reset();
    }
}

TEST_F(Lifecycle, NoonIsStoredAsThreeBytesLowFirst) {
    clock_seam_set_calendar(1700000000, {11, 59, 59});
    time_base_init();
    bios_tick_update();
    EXPECT_EQ(low_memory[0x46C], 0x40);
    EXPECT_EQ(low_memory[0x46D], 0xFF);
    EXPECT_EQ(low_memory[0x46E], 0x0B);
}

TEST_F(Lifecycle, AFailingCalendarOrTimeZoneGivesTimeOfDayBaseZero) {
    clock_seam_set_calendar(-1, {12, 0, 0});
    time_base_init();
    EXPECT_EQ(time_of_day_base(), 0);
    clock_seam_set_calendar(1700000000, {-1, 0, 0});
    time_base_init();
    EXPECT_EQ(time_of_day_base(), 0);
}

TEST_F(Lifecycle, TheTimeBaseIsTakenAtTheNextWholeSecond) {
    clock_seam_set_calendar(1700000000, {8, 30, 0});
    time_base_init();
    EXPECT_EQ(time_of_day_base(), (8 * 3600 + 30 * 60 + 1) * 1000);
    EXPECT_NEAR(static_cast<double>(tick_base()), static_cast<double>(platform_clock_ms()), 50.0);
}

TEST_F(Lifecycle, StartUpLeavesTheBiosDataAreaAndTablesAsTheProgramExpects) {
    clock_seam_set_calendar(1700000000, {10, 0, 0});
    std::string args[] = {"gravewick", "a", "b"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data()};
    low_memory[0x100] = 0xEE;  // start-up clears whatever was there
    runtime_prepare(3, argv);

    for (uint32_t n = 0; n < 0x400; ++n)
        ASSERT_EQ(low_memory[n], 0) << "byte " << n;
    EXPECT_EQ(low_memory[0x41A], 0x1E);
    EXPECT_EQ(low_memory[0x41B], 0x00);
    EXPECT_EQ(low_memory[0x41C], 0x1E);
    EXPECT_EQ(low_memory[0x41D], 0x00);
    // Below the 8 zero bytes: the records of the empty and the space string.
    EXPECT_EQ(data_segment.record_top, 65520u);
    EXPECT_EQ(string_view_of(command_line()), "a b");
    EXPECT_EQ(environment_count(), platform_environment_count());
    EXPECT_EQ(platform_working_directory(), executable_directory());
    EXPECT_EQ(variable_memory.top, variable_memory.base);
    // Taken at the first whole second the calendar reached after start-up began.
    EXPECT_EQ(time_of_day_base() % 1000, 0);
    EXPECT_GE(time_of_day_base(), 36001000);
    EXPECT_LE(time_of_day_base(), 36003000);

    struct Font {
        int32_t number, width, height;
    };
    for (const Font& f : {Font{8, 8, 8}, Font{9, 16, 8}, Font{14, 8, 14}, Font{15, 16, 14},
                          Font{16, 8, 16}, Font{17, 16, 16}}) {
        EXPECT_EQ(font_width[f.number], f.width) << "font " << f.number;
        EXPECT_EQ(font_height[f.number], f.height) << "font " << f.number;
        EXPECT_EQ(font_style[f.number], FONT_STYLE_MONOSPACE) << "font " << f.number;
    }
    EXPECT_EQ(font_width[10], 0);
}

// ---------------------------------------------------------------------------------------
// Whole-process paths, one child process each.
// ---------------------------------------------------------------------------------------

SCENARIO(exit_sequence_waits_for_both_threads) {
    reset_core_state();
    platform_start_thread([] {
        while (exit_in_progress.load() == 0)
            platform_sleep_ms(1);
        platform_sleep_ms(150);
        scenario_say("program parked");
        thread_exit_acks.fetch_or(1);
    });
    platform_start_thread([] {
        while (exit_in_progress.load() == 0)
            platform_sleep_ms(1);
        platform_sleep_ms(300);
        scenario_say("timer ended");
        thread_exit_acks.fetch_or(2);
    });
    run_exit_sequence();
}

SCENARIO(end_statement) {
    run_runtime([](int32_t) {
        statement_end(1);
        end_program();
    });
}

SCENARIO(window_close) {
    run_runtime([](int32_t) {
        platform_start_thread([] {
            platform_sleep_ms(100);
            close_request.fetch_or(1);
        });
        for (int32_t line = 1;; ++line) {
            platform_sleep_ms(1);
            statement_end(line);
        }
    });
}

SCENARIO(program_handles_close) {
    run_runtime([](int32_t) {
        read_close_request();
        platform_start_thread([] {
            platform_sleep_ms(100);
            close_request.fetch_or(1);
        });
        int32_t seen = 0;
        while ((seen = read_close_request()) == 0) {
            platform_sleep_ms(1);
            statement_end(1);
        }
        platform_sleep_ms(200);  // the housekeeping thread must leave the close to us
        scenario_say("close seen " + std::to_string(seen));
        end_program();
    });
}

SCENARIO(program_returns) {
    run_runtime([](int32_t) {
        platform_start_thread([] {
            platform_sleep_ms(100);
            scenario_say("stopping");
            stop_requested = 1;
        });
    });
}

SCENARIO(tick_count_advances) {
    run_runtime([](int32_t) {
        auto ticks = [] {
            return low_memory_load(0x46C) | low_memory_load(0x46D) << 8 |
                   low_memory_load(0x46E) << 16;
        };
        platform_sleep_ms(50);
        const uint32_t first = ticks();
        platform_sleep_ms(300);
        const uint32_t second = ticks();
        scenario_say("ticks " + std::to_string(first) + " " + std::to_string(second) + " " +
                     std::to_string(low_memory_load(0x46F)));
        end_program();
    });
}

TEST(LifecycleProcess, TheExitSequenceWaitsForBothAcknowledgements) {
    ChildResult result = run_scenario("exit_sequence_waits_for_both_threads");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("program parked"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("timer ended"), std::string::npos) << result.output;
}

TEST(LifecycleProcess, EveryWayOutEndsWithExitCodeZero) {
    for (const char* scenario : {"end_statement", "window_close", "program_returns"}) {
        ChildResult result = run_scenario(scenario);
        EXPECT_TRUE(result.exited) << scenario << "\n" << result.output;
        EXPECT_EQ(result.exit_code, 0) << scenario << "\n" << result.output;
    }
}

TEST(LifecycleProcess, AProgramThatReadsCloseRequestsIsNotEndedByThem) {
    ChildResult result = run_scenario("program_handles_close");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("close seen 1"), std::string::npos) << result.output;
}

TEST(LifecycleProcess, TheHousekeepingThreadKeepsTheBiosClockRunning) {
    ChildResult result = run_scenario("tick_count_advances");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    const size_t at = result.output.find("ticks ");
    ASSERT_NE(at, std::string::npos) << result.output;
    unsigned first = 0, second = 0, fourth = 1;
    ASSERT_EQ(std::sscanf(result.output.c_str() + at, "ticks %u %u %u", &first, &second, &fourth),
              3);
    EXPECT_GE(second, first + 3) << "about 18 ticks a second";
    EXPECT_EQ(fourth, 0u);
}

}  // namespace
