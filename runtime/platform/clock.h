// The process millisecond clock, the calendar clock and local time, with test seams.
//
// The seams let a test move the millisecond clock (and with it the runtime's time of day)
// and fix what the calendar clock and the local-time conversion answer, without waiting.
#pragma once

#include <cstdint>

// Milliseconds since the process started, never going backwards except through a seam.
int64_t platform_clock_ms();

// Seconds of the calendar clock since 1970; -1 when the clock fails.
int64_t platform_calendar_seconds();

// A calendar second as local wall-clock time: the time of day and the date.
struct LocalTime {
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t year = 1970;
    int32_t month = 1;  // 1 to 12
    int32_t day = 1;    // of the month, from 1
};

// Converts a calendar second to local time and date (honouring TZ); false when that fails.
bool platform_local_time(int64_t calendar_seconds, LocalTime* local);

// Test seam: from now on the millisecond clock reads ms and advances in real time.
void clock_seam_set_ms(int64_t ms);

// Test seam: moves the millisecond clock by delta_ms and wakes every timed wait.
void clock_seam_shift_ms(int64_t delta_ms);

// Test seam: the calendar reads calendar_seconds now, turns to the next second one
// millisecond later and then advances with the millisecond clock; calendar_seconds
// converts to local and later seconds to the times after it, the date turning at
// midnight. A negative calendar_seconds makes the calendar fail, a negative local.hour
// makes the conversion fail.
void clock_seam_set_calendar(int64_t calendar_seconds, LocalTime local);

// Test seam: back to the real clocks.
void clock_seam_reset();
