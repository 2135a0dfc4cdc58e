#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "runtime/platform/clock.h"
#include "runtime/platform/keyboard_state.h"
#include "runtime/platform/message_box.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "tests/support/scenario.h"
#include "tests/support/xvfb.h"

namespace {

int64_t steady_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

TEST(Clock, TheMillisecondClockCountsFromProcessStartAndFollowsTheSeam) {
    const int64_t first = platform_clock_ms();
    EXPECT_GE(first, 0);
    platform_sleep_ms(20);
    EXPECT_GE(platform_clock_ms() - first, 20);

    clock_seam_set_ms(1000000);
    EXPECT_NEAR(static_cast<double>(platform_clock_ms()), 1000000.0, 5.0);
    clock_seam_shift_ms(-500000);
    EXPECT_NEAR(static_cast<double>(platform_clock_ms()), 500000.0, 5.0);
    clock_seam_reset();
    EXPECT_LT(platform_clock_ms(), 100000);
}

TEST(Clock, TheCalendarSeamTurnsToTheNextSecondAlmostAtOnce) {
    clock_seam_set_calendar(1000, {23, 59, 59});
    EXPECT_EQ(platform_calendar_seconds(), 1000);
    platform_sleep_ms(5);
    EXPECT_EQ(platform_calendar_seconds(), 1001);
    LocalTime local;
    ASSERT_TRUE(platform_local_time(1001, &local));
    EXPECT_EQ(local.hour, 0) << "the day wraps at midnight";
    EXPECT_EQ(local.minute, 0);
    EXPECT_EQ(local.second, 0);
    ASSERT_TRUE(platform_local_time(1000 + 59 * 86400, &local));
    EXPECT_EQ(local.year * 10000 + local.month * 100 + local.day, 19700301)
        << "the seam's date counts whole days from its own, 1970-01-01 unless given";
    clock_seam_set_calendar(-1, {});
    EXPECT_EQ(platform_calendar_seconds(), -1);
    clock_seam_reset();
    EXPECT_GT(platform_calendar_seconds(), 1700000000);
}

TEST(Clock, LocalTimeHonoursTheTimeZone) {
    setenv("TZ", "UTC", 1);
    tzset();
    LocalTime local;
    ASSERT_TRUE(platform_local_time(1700000000, &local));  // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(local.hour, 22);
    EXPECT_EQ(local.minute, 13);
    EXPECT_EQ(local.second, 20);
    EXPECT_EQ(local.year, 2023);
    EXPECT_EQ(local.month, 11);
    EXPECT_EQ(local.day, 14);
    setenv("TZ", "Asia/Kolkata", 1);  // UTC+05:30
    tzset();
    ASSERT_TRUE(platform_local_time(1700000000, &local));
    EXPECT_EQ(local.hour, 3);
    EXPECT_EQ(local.minute, 43);
    EXPECT_EQ(local.day, 15) << "the date turns with the time zone";
    unsetenv("TZ");
    tzset();
}

TEST(Sleep, AZeroLengthSleepYieldsForAboutAMillisecond) {
    const int64_t start = steady_us();
    for (int n = 0; n < 20; ++n)
        platform_sleep_ms(0);
    const int64_t elapsed = steady_us() - start;
    EXPECT_GE(elapsed, 20 * 900) << "it gives the processor up instead of spinning";
}

TEST(Sleep, AWakeEndsAZeroLengthSleepAndANotificationIsNeverLost) {
    // Notified after the sequence was read: the wait returns at once.
    const uint32_t seen = platform_wake_sequence();
    platform_wake_sleepers();
    const int64_t start = steady_us();
    platform_wait_for_wake(seen, 5000000);
    EXPECT_LT(steady_us() - start, 1000000);

    // Notified while waiting: the wait ends long before its time.
    std::thread waker([] {
        platform_sleep_ms(30);
        platform_wake_sleepers();
    });
    const int64_t wait_start = steady_us();
    platform_wait_for_wake(platform_wake_sequence(), 5000000);
    EXPECT_LT(steady_us() - wait_start, 2000000);
    waker.join();
}

TEST(Sleep, StartedThreadsRun) {
    static std::atomic<int> ran{0};
    platform_start_thread([] { ran = 1; });
    for (int n = 0; n < 2000 && ran.load() == 0; ++n)
        platform_sleep_ms(1);
    EXPECT_EQ(ran.load(), 1);
}

TEST(Process, ExecutablePathEnvironmentAndWorkingDirectory) {
    const std::string path = platform_executable_path();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_tests");
    int32_t count = 0;
    for (char** e = environ; *e != nullptr; ++e)
        ++count;
    EXPECT_EQ(platform_environment_count(), count);
    const std::string before = platform_working_directory();
    EXPECT_TRUE(platform_change_directory("/"));
    EXPECT_EQ(platform_working_directory(), "/");
    EXPECT_FALSE(platform_change_directory("/no/such/directory"));
    EXPECT_FALSE(platform_change_directory(""));
    EXPECT_TRUE(platform_change_directory(before));
}

TEST(MessageBoxSeam, ScriptedAnswersAreTakenInOrderAndRecorded) {
    message_box_seam_install({MessageBoxAnswer::yes, MessageBoxAnswer::no});
    EXPECT_EQ(platform_message_box("A", "one\ntwo", MessageBoxButtons::yes_no,
                                   MessageBoxModality::system),
              MessageBoxAnswer::yes);
    EXPECT_EQ(platform_message_box("B", "x", MessageBoxButtons::yes_no, MessageBoxModality::system),
              MessageBoxAnswer::no);
    EXPECT_EQ(
        platform_message_box("C", "y", MessageBoxButtons::ok, MessageBoxModality::application),
        MessageBoxAnswer::failed)
        << "once the script is used up boxes fail to appear";
    auto records = message_box_seam_records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].caption, "A");
    EXPECT_EQ(records[0].text, "one\ntwo");
    EXPECT_EQ(records[0].buttons, MessageBoxButtons::yes_no);
    EXPECT_EQ(records[0].modality, MessageBoxModality::system);
    EXPECT_EQ(records[2].modality, MessageBoxModality::application);
    EXPECT_EQ(message_box_describe(records[0]),
              "message box [A] [one\\ntwo] buttons=yes_no modality=system answer=yes");
    message_box_seam_remove();
    EXPECT_TRUE(message_box_seam_records().empty());
}

TEST(MessageBoxSeam, BoxesFromSeveralThreadsAreAllRecorded) {
    message_box_seam_install({});
    std::thread others[4];
    for (auto& t : others) {
        t = std::thread([] {
            for (int n = 0; n < 8; ++n) {
                platform_message_box("T", "t", MessageBoxButtons::ok, MessageBoxModality::system);
            }
        });
    }
    for (auto& t : others)
        t.join();
    EXPECT_EQ(message_box_seam_records().size(), 32u);
    message_box_seam_remove();
}

SCENARIO(box_without_display) {
    const MessageBoxAnswer answer =
        platform_message_box("Unhandled Error #9", "Line:3\nSubscript out of range\nContinue?",
                             MessageBoxButtons::yes_no, MessageBoxModality::system);
    scenario_say(answer == MessageBoxAnswer::failed ? "answer failed" : "answer given");
}

TEST(MessageBox, WithoutADisplayTheBoxGoesToStandardErrorAndFails) {
    ChildResult result = run_scenario("box_without_display", {}, {"DISPLAY"});
    EXPECT_NE(result.output.find("Unhandled Error #9\nLine:3\nSubscript out of range\nContinue?\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("answer failed"), std::string::npos) << result.output;
}

SCENARIO(keyboard_state) {
    const HostKeyboardState state = platform_keyboard_state();
    scenario_say(std::string("caps ") + (state.caps_lock_on ? "on" : "off") + " num " +
                 (state.num_lock_on ? "on" : "off") + " lshift " +
                 (state.left_shift_down ? "down" : "up") + " rctrl " +
                 (state.right_ctrl_down ? "down" : "up"));
}

TEST(KeyboardState, WithoutADisplayEverythingIsOffAndUp) {
    ChildResult result = run_scenario("keyboard_state", {}, {"DISPLAY"});
    EXPECT_NE(result.output.find("caps off num off lshift up rctrl up"), std::string::npos)
        << result.output;
}

TEST(KeyboardState, LockTogglesAndHeldModifiersComeFromTheXServer) {
    XvfbServer server;
    ASSERT_TRUE(server.ok());
    XClient client(server.display_name());
    ASSERT_TRUE(client.ok());

    ChildResult before = run_scenario("keyboard_state", {}, {server.display_env()});
    EXPECT_NE(before.output.find("caps off num off lshift up rctrl up"), std::string::npos)
        << before.output;

    ASSERT_TRUE(client.key_event("Caps_Lock", true));
    ASSERT_TRUE(client.key_event("Caps_Lock", false));
    ASSERT_TRUE(client.key_event("Shift_L", true));
    ASSERT_TRUE(client.key_event("Control_R", true));
    ChildResult after = run_scenario("keyboard_state", {}, {server.display_env()});
    EXPECT_NE(after.output.find("caps on num off lshift down rctrl down"), std::string::npos)
        << after.output;
    client.key_event("Shift_L", false);
    client.key_event("Control_R", false);
}

}  // namespace
