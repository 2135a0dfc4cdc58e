// The timer table, its statements, and the timer thread's scan.
//
// The scan keeps the classic rules (a period starts at the first scan that sees the timer,
// a thread that fell a whole period behind restarts the period instead of firing a burst),
// but between scans the thread sleeps until the earliest timer can be due, and is woken
// early when a timer changes, rather than polling with zero-length sleeps: an idle process
// then costs almost nothing while a due timer still fires within about a millisecond.
#include <cmath>
#include <memory>

#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/thread.h"

std::atomic<int32_t> timer_handshake{0};

namespace {

// The table moves when it grows; the timer thread only touches it while the handshake
// word is 0, and the program thread only moves it after the timer thread answered 2.
std::unique_ptr<TimerSlot[]> timers;
std::atomic<int32_t> timer_count{0};
int32_t timer_capacity = 0;

// How long the thread sleeps when no timer is armed; arming a timer wakes it anyway.
constexpr int64_t IDLE_WAIT_US = 100000;

constexpr uint32_t TIMER_THREAD_ACK = 2;

void copy_slot(TimerSlot& to, const TimerSlot& from) {
    to.allocated = from.allocated.load();
    to.handler = from.handler.load();
    to.handler_argument = from.handler_argument.load();
    to.state = from.state.load();
    to.pending = from.pending.load();
    to.interval = from.interval.load();
    to.last = from.last.load();
}

bool timer_thread_running() {
    return threads_started.load(std::memory_order_acquire) != 0 &&
           (thread_exit_acks.load(std::memory_order_acquire) & TIMER_THREAD_ACK) == 0;
}

// Asks the timer thread to keep off the table and waits for its answer.
void take_timer_handshake() {
    if (!timer_thread_running()) return;
    int32_t idle = 0;
    timer_handshake.compare_exchange_strong(idle, 1, std::memory_order_acq_rel);
    platform_wake_sleepers();
    while (timer_handshake.load(std::memory_order_acquire) != 2 && timer_thread_running()) {
        if (exit_in_progress.load(std::memory_order_acquire) != 0) park_program_thread();
        platform_sleep_ms(0);
    }
}

void release_timer_handshake() {
    timer_handshake.store(0, std::memory_order_release);
    platform_wake_sleepers();
}

void grow_timer_table() {
    int32_t capacity = timer_capacity == 0 ? 1 : timer_capacity * 2;
    std::unique_ptr<TimerSlot[]> grown(new TimerSlot[capacity]);
    take_timer_handshake();
    for (int32_t n = 0; n < timer_count.load(); ++n)
        copy_slot(grown[n], timers[n]);
    timers = std::move(grown);
    timer_capacity = capacity;
    release_timer_handshake();
}

bool valid_timer(int32_t n) {
    return n >= 0 && n < timer_count.load(std::memory_order_acquire) &&
           timers[n].allocated.load(std::memory_order_acquire) != 0;
}

}  // namespace

void timer_table_init() {
    timers.reset(new TimerSlot[1]);
    timer_capacity = 1;
    timers[0].allocated = 1;
    timer_count.store(1, std::memory_order_release);
    timer_handshake.store(0, std::memory_order_release);
}

int32_t timer_slot_count() {
    return timer_count.load(std::memory_order_acquire);
}

TimerSlot& timer_slot(int32_t n) {
    return timers[n];
}

int32_t timer_new() {
    int32_t count = timer_count.load(std::memory_order_acquire);
    for (int32_t n = 0; n < count; ++n) {
        if (timers[n].allocated.load(std::memory_order_acquire) == 0) {
            TimerSlot& slot = timers[n];
            slot.handler = 0;
            slot.handler_argument = 0;
            slot.state = SLOT_OFF;
            slot.pending = TIMER_IDLE;
            slot.interval = 0;
            slot.last = 0;
            slot.allocated.store(1, std::memory_order_release);
            return n;
        }
    }
    if (count == timer_capacity) grow_timer_table();
    timers[count].allocated.store(1, std::memory_order_release);
    timer_count.store(count + 1, std::memory_order_release);
    return count;
}

void timer_set(int32_t n, double interval_seconds, int32_t handler, int64_t argument) {
    if (error_pending()) return;
    if (!valid_timer(n) || !(interval_seconds >= 0) || !std::isfinite(interval_seconds)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    TimerSlot& slot = timers[n];
    slot.handler_argument.store(argument, std::memory_order_relaxed);
    slot.interval.store(interval_seconds, std::memory_order_relaxed);
    slot.last.store(0, std::memory_order_relaxed);
    slot.handler.store(handler, std::memory_order_release);
    platform_wake_sleepers();
}

void timer_switch(int32_t n, SlotSwitch action) {
    if (error_pending()) return;
    if (!valid_timer(n)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    TimerSlot& slot = timers[n];
    switch (action) {
        case SlotSwitch::on:
            slot.state.store(SLOT_ON, std::memory_order_release);
            if (slot.pending.load(std::memory_order_acquire) == TIMER_DUE) {
                checkpoint_requested.store(1, std::memory_order_release);
            }
            break;
        case SlotSwitch::off:
            slot.state.store(SLOT_OFF, std::memory_order_release);
            slot.pending.store(TIMER_IDLE, std::memory_order_release);
            break;
        case SlotSwitch::stop:
            slot.state.store(SLOT_STOPPED, std::memory_order_release);
            break;
    }
    platform_wake_sleepers();
}

void timer_free(int32_t n) {
    if (error_pending()) return;
    if (n == 0 || !valid_timer(n)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    TimerSlot& slot = timers[n];
    slot.state.store(SLOT_OFF, std::memory_order_release);
    slot.handler.store(0, std::memory_order_release);
    slot.pending.store(TIMER_IDLE, std::memory_order_release);
    slot.allocated.store(0, std::memory_order_release);
}

int64_t timer_scan(double now_seconds) {
    int64_t wait_us = IDLE_WAIT_US;
    const int32_t count = timer_count.load(std::memory_order_acquire);
    for (int32_t n = 0; n < count; ++n) {
        TimerSlot& slot = timers[n];
        if (slot.allocated.load(std::memory_order_acquire) == 0 ||
            slot.handler.load(std::memory_order_acquire) == 0 ||
            slot.state.load(std::memory_order_acquire) == SLOT_OFF ||
            slot.pending.load(std::memory_order_acquire) != TIMER_IDLE) {
            continue;
        }
        const double interval = slot.interval.load(std::memory_order_relaxed);
        double last = slot.last.load(std::memory_order_relaxed);
        if (now_seconds - last > interval) {
            if (last == 0) {
                last = now_seconds;  // the first period starts; nothing fires
            } else {
                last += interval;
                if (std::fabs(now_seconds - last) >= interval) last = now_seconds;
                slot.pending.store(TIMER_DUE, std::memory_order_release);
                checkpoint_requested.store(1, std::memory_order_release);
                platform_wake_sleepers();  // a program waiting in a sleep runs it at once
            }
            slot.last.store(last, std::memory_order_relaxed);
        }
        if (slot.pending.load(std::memory_order_acquire) == TIMER_IDLE) {
            // The slot is due at the first millisecond strictly past last + interval.
            const double due_ms = std::floor((last + interval) * 1000.0) + 1.0;
            const double wait_ms = due_ms - std::floor(now_seconds * 1000.0);
            wait_us =
                std::min<int64_t>(wait_us, static_cast<int64_t>(std::max(wait_ms, 0.0)) * 1000);
        }
        if (timer_handshake.load(std::memory_order_acquire) == 1) return 0;
    }
    return wait_us;
}

void timer_thread_entry() {
    for (;;) {
        const uint32_t seen = platform_wake_sequence();
        if (exit_in_progress.load(std::memory_order_acquire) != 0) break;
        int32_t requested = 1;
        if (timer_handshake.compare_exchange_strong(requested, 2, std::memory_order_acq_rel)) {
            platform_wake_sleepers();  // the program thread waits for this answer
        }
        if (timer_handshake.load(std::memory_order_acquire) != 0) {
            // The release of the handshake notifies the wake word; seen was read before
            // the word was checked, so that notification cannot be missed.
            platform_wait_for_wake(seen, IDLE_WAIT_US);
            continue;
        }
        const int64_t wait_us = timer_scan(static_cast<double>(platform_clock_ms()) * 0.001);
        if (wait_us > 0) platform_wait_for_wake(seen, wait_us);
    }
    thread_exit_acks.fetch_or(TIMER_THREAD_ACK, std::memory_order_acq_rel);
    platform_wake_sleepers();
}
