// statement_checkpoint and the dispatch of event handlers.
#include "runtime/core/checkpoint.h"

#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/platform/thread.h"

namespace {

constexpr int32_t SUSPENDED_POLL_MS = 10;

HandlerRoutine handler_routine = nullptr;
// 1 while a handler of that kind runs, so that a handler is never re-entered from a
// checkpoint inside itself.
int32_t key_handler_guard = 0;
int32_t device_handler_guard = 0;

void run_handler(int32_t handler, int64_t argument) {
    if (handler_routine != nullptr) handler_routine(handler, argument);
}

// Takes one pending event of the record, if it may run now, and runs its handler.
template <typename Record>
bool run_one(Record& record, int32_t& guard) {
    if (record.handler.load(std::memory_order_acquire) == 0 ||
        record.state.load(std::memory_order_acquire) != SLOT_ON ||
        record.pending.load(std::memory_order_acquire) == 0 || guard != 0) {
        return false;
    }
    guard = 1;
    record.pending.fetch_sub(1, std::memory_order_acq_rel);
    run_handler(record.handler.load(std::memory_order_acquire),
                record.handler_argument.load(std::memory_order_acquire));
    guard = 0;
    return true;
}

// One pass over the device records; true when a handler ran (the pass then restarts).
bool dispatch_one_device_event() {
    int32_t active = 0;
    for (int32_t device = 0; device < DEVICE_TABLE_SIZE && active < MAX_EVENT_DEVICES; ++device) {
        if (device_mode[device].load(std::memory_order_acquire) != 1) continue;
        DeviceEventRecord* records =
            &device_event_records[active * DEVICE_EVENT_RECORDS_PER_DEVICE];
        ++active;
        for (int32_t n = 0; n < DEVICE_EVENT_RECORDS_PER_DEVICE; ++n) {
            if (run_one(records[n], device_handler_guard)) return true;
        }
    }
    return false;
}

bool dispatch_one_key_event() {
    for (int32_t slot = 1; slot < KEY_EVENT_SLOTS; ++slot) {
        if (run_one(key_event_slots[slot], key_handler_guard)) return true;
    }
    return false;
}

void dispatch_timer_events() {
    for (int32_t n = 0; n < timer_slot_count(); ++n) {
        TimerSlot& slot = timer_slot(n);
        if (slot.allocated.load(std::memory_order_acquire) == 0 ||
            slot.handler.load(std::memory_order_acquire) == 0 ||
            slot.state.load(std::memory_order_acquire) != SLOT_ON ||
            slot.pending.load(std::memory_order_acquire) != TIMER_DUE) {
            continue;
        }
        slot.pending.store(TIMER_RUNNING, std::memory_order_release);
        run_handler(slot.handler.load(std::memory_order_acquire),
                    slot.handler_argument.load(std::memory_order_acquire));
        // The handler may have grown the table, which moves every slot.
        timer_slot(n).pending.store(TIMER_IDLE, std::memory_order_release);
        signal_sleep_wake();  // also wakes the timer thread to start the next period
    }
}

}  // namespace

void set_handler_routine(HandlerRoutine routine) {
    handler_routine = routine;
}

void dispatch_events() {
    if (error_trap_running != 0) return;
    while (dispatch_one_device_event()) {
    }
    while (dispatch_one_key_event()) {
    }
    dispatch_timer_events();
}

void stop_key_pressed() {
    if (program_handles_close.load(std::memory_order_acquire) != 0) {
        close_request.fetch_or(2, std::memory_order_acq_rel);
    } else {
        stop_requested.store(1, std::memory_order_release);
    }
}

void suspend_key_pressed() {
    suspended.fetch_or(1, std::memory_order_acq_rel);
    checkpoint_requested.store(1, std::memory_order_release);
}

bool resume_key_pressed() {
    const uint8_t before =
        suspended.fetch_and(static_cast<uint8_t>(~1u), std::memory_order_acq_rel);
    return (before & 1) != 0;
}

void statement_checkpoint(int32_t line) {
    checkpoint_requested.store(0, std::memory_order_release);
    while ((suspended.load(std::memory_order_acquire) & 1) != 0 ||
           exit_in_progress.load(std::memory_order_acquire) != 0) {
        if (exit_in_progress.load(std::memory_order_acquire) != 0) park_program_thread();
        platform_sleep_ms(SUSPENDED_POLL_MS);
    }
    if (error_pending()) {
        error_line = line;
        dispatch_error();
        return;
    }
    dispatch_events();
}
