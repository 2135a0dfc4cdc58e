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
std::atomic<bool> seam_local_fails{false};

constexpr int64_t SECONDS_PER_DAY = 86400;

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
        int64_t seconds =
            seam_local_seconds_of_day.load(std::memory_order_relaxed) +
            (calendar_seconds - seam_calendar_seconds.load(std::memory_order_relaxed));
        seconds %= SECONDS_PER_DAY;
        if (seconds < 0) seconds += SECONDS_PER_DAY;
        local->hour = static_cast<int32_t>(seconds / 3600);
        local->minute = static_cast<int32_t>(seconds / 60 % 60);
        local->second = static_cast<int32_t>(seconds % 60);
        return true;
    }
    time_t when = static_cast<time_t>(calendar_seconds);
    tm parts{};
    if (localtime_r(&when, &parts) == nullptr) return false;
    local->hour = parts.tm_hour;
    local->minute = parts.tm_min;
    local->second = parts.tm_sec;
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
    calendar_seam_on.store(true, std::memory_order_release);
}

void clock_seam_reset() {
    calendar_seam_on.store(false, std::memory_order_release);
    clock_offset_ms.store(0, std::memory_order_relaxed);
    platform_wake_sleepers();
}
