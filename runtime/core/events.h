// Event tables: key traps, timers and device events, and the handlers they run.
//
// Other threads count events into these tables (the key intake on the window thread, the
// timer scan on the timer thread) and ask for a checkpoint; the program thread runs the
// handlers inside statement_checkpoint. The fields both sides touch are atomics written
// whole, without a lock: a lost update costs at most one event.
#pragma once

#include <atomic>
#include <cstdint>

struct StrDesc;

// Slot states shared by the key, timer and device tables.
enum SlotState : uint8_t {
    SLOT_OFF = 0,
    SLOT_ON = 1,
    SLOT_STOPPED = 2,
};

// What a switching statement does to a slot.
enum class SlotSwitch { on, off, stop };

// Set to 1 by every key press and every timer event dispatched; a sleep ends when it is set.
extern std::atomic<int32_t> sleep_wake;

// Sets sleep_wake and wakes every zero-length sleep, so that waits notice at once.
void signal_sleep_wake();

// ----------------------------------------------------------------------------------------
// Key traps: 32 slots, 1 to 31 dispatched. Slots 1 to 14, 30 and 31 carry the default key
// codes of the function and cursor keys.
// ----------------------------------------------------------------------------------------
struct KeyEventSlot {
    std::atomic<int32_t> handler{0};  // 0 = none
    std::atomic<int64_t> handler_argument{0};
    std::atomic<uint8_t> state{SLOT_OFF};  // any value other than 0 and 1 is stopped
    std::atomic<uint8_t> pending{0};
    std::atomic<int32_t> key_code{0};
    std::atomic<int32_t> alternate_code{0};
    std::atomic<int32_t> user_scan_code{0};
    std::atomic<int32_t> user_shift_flags{0};
    std::atomic<StrDesc*> soft_key_text{nullptr};
};

inline constexpr int32_t KEY_EVENT_SLOTS = 32;
extern KeyEventSlot key_event_slots[KEY_EVENT_SLOTS];

// Clears the key trap table and fills in the default key codes.
void key_event_slots_init();

// Gives key slot 1..31 a handler (0 removes it).
void key_slot_set_handler(int32_t slot, int32_t handler, int64_t argument);

// Switches key slot 1..31, or every slot 0..31 when slot is 0.
void key_slot_switch(int32_t slot, SlotSwitch action);

// ----------------------------------------------------------------------------------------
// Timers: a growable table scanned by the timer thread. Slot 0 is allocated at start-up.
// ----------------------------------------------------------------------------------------
enum TimerPending : uint8_t {
    TIMER_IDLE = 0,
    TIMER_DUE = 1,
    TIMER_RUNNING = 2,
};

struct TimerSlot {
    std::atomic<uint8_t> allocated{0};
    std::atomic<int32_t> handler{0};
    std::atomic<int64_t> handler_argument{0};
    std::atomic<uint8_t> state{SLOT_OFF};
    std::atomic<uint8_t> pending{TIMER_IDLE};
    std::atomic<double> interval{0};  // seconds between events
    std::atomic<double> last{0};  // millisecond clock * 0.001 at the last event; 0 = not started
};

// 0 normally; 1: the program thread asks the timer thread to keep off the table while it
// is resized; 2: the timer thread has answered and only yields until the word is 0 again.
extern std::atomic<int32_t> timer_handshake;

// Empties the timer table and allocates slot 0, with no handler, off and not pending.
void timer_table_init();

// The number of slots in the timer table.
int32_t timer_slot_count();

// Slot number n of the timer table.
TimerSlot& timer_slot(int32_t n);

// Allocates a timer slot (growing the table under the handshake) and returns its number.
int32_t timer_new();

// Gives timer slot n its interval in seconds, handler and argument; the period restarts.
void timer_set(int32_t n, double interval_seconds, int32_t handler, int64_t argument);

// Switches timer slot n on, off or to stopped.
void timer_switch(int32_t n, SlotSwitch action);

// Releases timer slot n.
void timer_free(int32_t n);

// The timer thread: scans the table until the exit sequence starts, then acknowledges.
void timer_thread_entry();

// One scan of the timer table at now_seconds: marks due timers pending. Returns how many
// microseconds may pass before a timer can be due (a cap when none is armed).
int64_t timer_scan(double now_seconds);

// ----------------------------------------------------------------------------------------
// Device events: each active device owns a run of 256 records, one per button or axis.
// ----------------------------------------------------------------------------------------
struct DeviceEventRecord {
    std::atomic<int32_t> handler{0};
    std::atomic<int64_t> handler_argument{0};
    std::atomic<uint8_t> state{SLOT_OFF};
    std::atomic<uint8_t> pending{0};
};

inline constexpr int32_t DEVICE_EVENT_RECORDS = 65536;
inline constexpr int32_t DEVICE_EVENT_RECORDS_PER_DEVICE = 256;
inline constexpr int32_t MAX_EVENT_DEVICES = DEVICE_EVENT_RECORDS / DEVICE_EVENT_RECORDS_PER_DEVICE;

extern DeviceEventRecord device_event_records[DEVICE_EVENT_RECORDS];

// The mode word of each input device, in table order; devices in mode 1 deliver events.
inline constexpr int32_t DEVICE_TABLE_SIZE = 1024;
extern std::atomic<int32_t> device_mode[DEVICE_TABLE_SIZE];

// Clears the device tables.
void device_tables_init();

// ----------------------------------------------------------------------------------------
// Handlers and dispatch.
// ----------------------------------------------------------------------------------------

// The program's handler routine: runs handler number handler with its argument.
using HandlerRoutine = void (*)(int32_t handler, int64_t argument);

// Installs the program's handler routine (none in this game: handlers then do nothing).
void set_handler_routine(HandlerRoutine routine);

// Runs pending device, key and timer handlers on the program thread.
void dispatch_events();
