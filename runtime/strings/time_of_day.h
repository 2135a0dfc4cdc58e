// The time of day as the program sees it: seconds since local midnight and the date and
// time texts. All return at once (0 or an empty string) while an error is pending.
#pragma once

#include "runtime/strings/string_functions.h"
#include "runtime/strings/strings.h"

// Seconds since local midnight. Without a resolution: a single in steps of the 18.2 Hz
// tick. With one: rounded to the nearest multiple of resolution (halves to even), as a
// double; a resolution that is not above 0 raises error 5 and gives 0.
double timer_seconds(double resolution, Given resolution_given);

// Today's local date as month-day-year, "07-04-2026"; error 5 and "" when the calendar or
// the local-time conversion fails.
StrDesc* date_string();

// The local time as hours:minutes:seconds, "09:05:30"; error 5 and "" on the same failures.
StrDesc* time_string();
