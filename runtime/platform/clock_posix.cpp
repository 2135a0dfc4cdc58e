// POSIX backend of the clocks: CLOCK_MONOTONIC from process start, time(), localtime_r.
//
// The seam is a set of atomics read on every call, because the clocks are read on every
// thread; with no seam installed each costs one relaxed load.
#include <ctime>

#include <atomic>

#include "runtime/platform/clock.h"
#include "runtime/platform/thread.h"

namespace {

int64_t monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The process clock starts at 0 when the runtime first asks, at start-up.
const int64_t process_start_ms = monotonic_ms();

std::atomic<int64_t> clock_offset_ms{0};

std::atomic<bool> calendar_seam_on{false};
std::atomic<int64_t> seam_calendar_seconds{0};
std::atomic<int64_t> seam_calendar_set_at_ms{0};
std::atomic<int32_t> seam_local_seconds_of_day{0};
std::atomic<int64_t> seam_local_day{0};  // days since 1970-01-01 of the seam's date
std::atomic<bool> seam_local_fails{false};

constexpr int64_t SECONDS_PER_DAY = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back: the seam counts whole
// days so that its date turns at midnight like the real conversion's.
int64_t day_number(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

void date_of_day_number(int64_t days, LocalTime* local) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t shifted_month = (5 * day_of_year + 2) / 153;
    local->day = static_cast<int32_t>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    local->month = static_cast<int32_t>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    local->year = static_cast<int32_t>(year_of_era + era * 400 + (local->month <= 2));
}

}  // namespace

int64_t platform_clock_ms() {
    return monotonic_ms() - process_start_ms + clock_offset_ms.load(std::memory_order_relaxed);
}

int64_t platform_calendar_seconds() {
    if (calendar_seam_on.load(std::memory_order_acquire)) {
        int64_t base = seam_calendar_seconds.load(std::memory_order_relaxed);
        if (base < 0) return -1;
        int64_t elapsed_ms =
            platform_clock_ms() - seam_calendar_set_at_ms.load(std::memory_order_relaxed);
        return base + (elapsed_ms >= 0 ? elapsed_ms / 1000 : 0);
    }
    time_t now = time(nullptr);
    return now == static_cast<time_t>(-1) ? -1 : static_cast<int64_t>(now);
}

bool platform_local_time(int64_t calendar_seconds, LocalTime* local) {
    if (calendar_seam_on.load(std::memory_order_acquire)) {
        if (seam_local_fails.load(std::memory_order_relaxed)) return false;
        const int64_t seconds =
            seam_local_seconds_of_day.load(std::memory_order_relaxed) +
            (calendar_seconds - seam_calendar_seconds.load(std::memory_order_relaxed));
        int64_t days = seconds / SECONDS_PER_DAY;
        int64_t of_day = seconds % SECONDS_PER_DAY;
        if (of_day < 0) {
            of_day += SECONDS_PER_DAY;
            --days;
        }
        local->hour = static_cast<int32_t>(of_day / 3600);
        local->minute = static_cast<int32_t>(of_day / 60 % 60);
        local->second = static_cast<int32_t>(of_day % 60);
        date_of_day_number(seam_local_day.load(std::memory_order_relaxed) + days, local);
        return true;
    }
    time_t when = static_cast<time_t>(calendar_seconds);
    tm parts{};
    if (localtime_r(&when, &parts) == nullptr) return false;
    local->hour = parts.tm_hour;
    local->minute = parts.tm_min;
    local->second = parts.tm_sec;
    local->year = parts.tm_year + 1900;
    local->month = parts.tm_mon + 1;
    local->day = parts.tm_mday;
    return true;
}

void clock_seam_set_ms(int64_t ms) {
    clock_offset_ms.store(ms - (monotonic_ms() - process_start_ms), std::memory_order_relaxed);
    platform_wake_sleepers();
}

void clock_seam_shift_ms(int64_t delta_ms) {
    clock_offset_ms.fetch_add(delta_ms, std::memory_order_relaxed);
    platform_wake_sleepers();
}

void clock_seam_set_calendar(int64_t calendar_seconds, LocalTime local) {
    seam_calendar_seconds.store(calendar_seconds, std::memory_order_relaxed);
    // Set as if the second had begun 999 ms ago, so that its end is a millisecond away.
    seam_calendar_set_at_ms.store(platform_clock_ms() - 999, std::memory_order_relaxed);
    seam_local_fails.store(local.hour < 0, std::memory_order_relaxed);
    seam_local_seconds_of_day.store(local.hour * 3600 + local.minute * 60 + local.second,
                                    std::memory_order_relaxed);
    seam_local_day.store(day_number(local.year, local.month, local.day), std::memory_order_relaxed);
    calendar_seam_on.store(true, std::memory_order_release);
}

void clock_seam_reset() {
    calendar_seam_on.store(false, std::memory_order_release);
    clock_offset_ms.store(0, std::memory_order_relaxed);
    platform_wake_sleepers();
}
