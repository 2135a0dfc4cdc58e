#include "runtime/strings/time_of_day.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/clock.h"
#include "tests/strings/strings_fixture.h"

namespace {

class TimeOfDay : public StringsTest {
protected:
    void TearDown() override {
        clock_seam_reset();
        StringsTest::TearDown();
    }
    // Starts the time base at local time h:m:s (the base is the second after it) and
    // moves the clock on by later_ms.
    static void start_at(LocalTime local, int64_t later_ms) {
        clock_seam_set_calendar(1783150000, local);
        time_base_init();
        clock_seam_shift_ms(later_ms);
    }
};

// The real clock runs on between the seam and the reading, by far less than this.
constexpr double SLACK_SECONDS = 0.5;

TEST_F(TimeOfDay, WithoutResolutionSecondsMoveInTicksOf18Point2Hz) {
    start_at({10, 0, 0}, 0);
    for (int n = 0; n < 40; ++n) {
        const double seconds = timer_seconds(0, OMITTED);
        EXPECT_EQ(seconds, static_cast<float>(seconds)) << "a single";
        const double ticks = std::nearbyint(seconds * 18.2);
        EXPECT_EQ(seconds, static_cast<float>(ticks / 18.2)) << "a whole tick";
        EXPECT_NEAR(seconds, 36001, SLACK_SECONDS + 0.2);
        clock_seam_shift_ms(7);
    }
}

TEST_F(TimeOfDay, WithResolutionSecondsAreRoundedToIt) {
    start_at({9, 59, 0}, 1234);
    struct Case {
        double resolution;
        double expected;  // about
    };
    const Case cases[] = {{0.001, 35942.234}, {0.25, 35942.25}, {60, 35940}, {1, 35942}};
    for (const Case& c : cases) {
        const double seconds = timer_seconds(c.resolution, GIVEN);
        const double steps = seconds / c.resolution;
        EXPECT_NEAR(steps, std::nearbyint(steps), 1e-6) << c.resolution;
        EXPECT_NEAR(seconds, c.expected, SLACK_SECONDS + c.resolution / 2) << c.resolution;
    }
}

TEST_F(TimeOfDay, ResolutionNotAboveZeroIsRefused) {
    start_at({12, 0, 0}, 0);
    for (double resolution : {0.0, -0.001, -1.0, std::nan("")}) {
        pending_error = 0;
        EXPECT_EQ(timer_seconds(resolution, GIVEN), 0) << resolution;
        EXPECT_EQ(pending_error, 5u) << resolution;
    }
    pending_error = 0;
}

TEST_F(TimeOfDay, SecondsWrapToZeroAtMidnight) {
    start_at({23, 59, 58}, 900);  // the base is 23:59:59
    const double before = timer_seconds(0.001, GIVEN);
    EXPECT_GT(before, 86399.8);
    EXPECT_LT(before, 86400);
    clock_seam_shift_ms(200);
    EXPECT_LT(timer_seconds(0.001, GIVEN), SLACK_SECONDS);
    EXPECT_LT(timer_seconds(0, OMITTED), SLACK_SECONDS);
}

// The calendar seam turns its second a millisecond after it is set; moving the clock back
// half a second keeps the readings inside that second however slowly the test runs.
TEST_F(TimeOfDay, DateAndTimeTextsHaveTheirFixedLayouts) {
    clock_seam_set_calendar(1783150000, {9, 5, 30, 2026, 7, 4});
    clock_seam_shift_ms(-500);
    EXPECT_EQ(string_copy_of(date_string()), "07-04-2026");
    EXPECT_EQ(string_copy_of(time_string()), "09:05:30");
    clock_seam_set_calendar(1783150000, {23, 59, 59, 2026, 12, 31});
    clock_seam_shift_ms(-500);
    clock_seam_shift_ms(600);  // the calendar turns to the next second
    EXPECT_EQ(string_copy_of(date_string()), "01-01-2027");
    EXPECT_EQ(string_copy_of(time_string()), "00:00:00");
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(TimeOfDay, AFailingClockGivesError5AndAnEmptyText) {
    clock_seam_set_calendar(-1, {12, 0, 0});
    EXPECT_EQ(string_copy_of(date_string()), "");
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
    clock_seam_set_calendar(1783150000, {-1, 0, 0});
    EXPECT_EQ(string_copy_of(time_string()), "");
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
}

TEST_F(TimeOfDay, APendingErrorReturnsAtOnce) {
    clock_seam_set_calendar(1783150000, {9, 5, 30, 2026, 7, 4});
    pending_error = 7;
    EXPECT_EQ(timer_seconds(-1, GIVEN), 0);
    EXPECT_EQ(string_copy_of(date_string()), "");
    EXPECT_EQ(string_copy_of(time_string()), "");
    EXPECT_EQ(pending_error, 7u);
    pending_error = 0;
}

}  // namespace
