// Seconds since midnight and the date and time texts.
//
// Seconds since midnight come from the time base taken at start-up and the millisecond
// clock, never from the calendar, so that they advance smoothly and the countdown of a
// program cannot jump when the calendar is set.
#include <cmath>
#include <cstdio>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/clock.h"
#include "runtime/strings/private/string_results.h"
#include "runtime/strings/time_of_day.h"

namespace {

// The classic timer interrupt rate (1,193,182 Hz over 65,536 is 18.2065), in the rounded
// form programs have always been written against.
constexpr double TICKS_PER_SECOND = 18.2;

StrDesc* empty_result() {
    return string_new(0, TEMPORARY);
}

// Reads the local time now; false after raising error 5 when it cannot be had.
bool local_now(LocalTime* local) {
    const int64_t now = platform_calendar_seconds();
    if (now < 0 || !platform_local_time(now, local)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return false;
    }
    return true;
}

}  // namespace

double timer_seconds(double resolution, Given resolution_given) {
    if (error_pending()) return 0;
    const double seconds = static_cast<uint32_t>(time_of_day_ms()) / 1000.0;
    // nearbyint rounds halves to even in the default rounding mode.
    if (!resolution_given) {
        return static_cast<float>(std::nearbyint(seconds * TICKS_PER_SECOND) / TICKS_PER_SECOND);
    }
    // A not-a-number resolution is refused like a negative one: it has no steps to round to.
    if (!(resolution > 0)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    const double steps_per_second = 1 / resolution;
    return std::nearbyint(seconds * steps_per_second) / steps_per_second;
}

StrDesc* date_string() {
    LocalTime local;
    if (error_pending() || !local_now(&local)) return empty_result();
    char text[48];
    const int length =
        std::snprintf(text, sizeof text, "%02d-%02d-%04d", local.month, local.day, local.year);
    return string_holding(text, length);
}

StrDesc* time_string() {
    LocalTime local;
    if (error_pending() || !local_now(&local)) return empty_result();
    char text[48];
    const int length =
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.hour, local.minute, local.second);
    return string_holding(text, length);
}
