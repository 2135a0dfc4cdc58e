// The event tables and the statements that switch their slots.
#include "runtime/core/events.h"

#include <memory>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/thread.h"

std::atomic<int32_t> sleep_wake{0};
KeyEventSlot key_event_slots[KEY_EVENT_SLOTS];
DeviceEventRecord device_event_records[DEVICE_EVENT_RECORDS];
std::atomic<int32_t> device_mode[DEVICE_TABLE_SIZE];

void signal_sleep_wake() {
    sleep_wake.store(1, std::memory_order_release);
    platform_wake_sleepers();
}

// ---------------------------------------------------------------------------------------
// Key traps
// ---------------------------------------------------------------------------------------

namespace {

struct DefaultKey {
    int32_t slot;
    int32_t key_code;
    int32_t alternate_code;
};

// The function keys are scan code * 256; the cursor keys' alternates are their keypad twins.
// clang-format off
constexpr DefaultKey DEFAULT_KEYS[] = {
    // slot  key code  alternate
    {1,  0x3B00, 0},        // F1
    {2,  0x3C00, 0},
    {3,  0x3D00, 0},
    {4,  0x3E00, 0},
    {5,  0x3F00, 0},
    {6,  0x4000, 0},
    {7,  0x4100, 0},
    {8,  0x4200, 0},
    {9,  0x4300, 0},
    {10, 0x4400, 0},        // F10
    {11, 0x4800, 100264},   // Up, keypad 8
    {12, 0x4B00, 100260},   // Left, keypad 4
    {13, 0x4D00, 100262},   // Right, keypad 6
    {14, 0x5000, 100258},   // Down, keypad 2
    {30, 0x8500, 0},        // F11
    {31, 0x8600, 0},        // F12
};
// clang-format on

bool valid_key_slot(int32_t slot) {
    return slot >= 0 && slot < KEY_EVENT_SLOTS;
}

void switch_key_slot(KeyEventSlot& slot, SlotSwitch action) {
    switch (action) {
        case SlotSwitch::on:
            slot.state.store(SLOT_ON, std::memory_order_release);
            if (slot.pending.load(std::memory_order_acquire) != 0) {
                checkpoint_requested.store(1, std::memory_order_release);
            }
            break;
        case SlotSwitch::off:
            slot.state.store(SLOT_OFF, std::memory_order_release);
            slot.pending.store(0, std::memory_order_release);
            break;
        case SlotSwitch::stop:
            slot.state.store(SLOT_STOPPED, std::memory_order_release);
            if (slot.pending.load(std::memory_order_acquire) != 0) {
                slot.pending.store(1, std::memory_order_release);
            }
            break;
    }
}

}  // namespace

void key_event_slots_init() {
    for (KeyEventSlot& slot : key_event_slots) {
        slot.handler = 0;
        slot.handler_argument = 0;
        slot.state = SLOT_OFF;
        slot.pending = 0;
        slot.key_code = 0;
        slot.alternate_code = 0;
        slot.user_scan_code = 0;
        slot.user_shift_flags = 0;
        slot.soft_key_text = nullptr;
    }
    for (const DefaultKey& key : DEFAULT_KEYS) {
        key_event_slots[key.slot].key_code = key.key_code;
        key_event_slots[key.slot].alternate_code = key.alternate_code;
    }
}

void key_slot_set_handler(int32_t slot, int32_t handler, int64_t argument) {
    if (error_pending()) return;
    if (slot < 1 || slot >= KEY_EVENT_SLOTS) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    key_event_slots[slot].handler_argument.store(argument, std::memory_order_relaxed);
    key_event_slots[slot].handler.store(handler, std::memory_order_release);
}

void key_slot_switch(int32_t slot, SlotSwitch action) {
    if (error_pending()) return;
    if (!valid_key_slot(slot)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (slot != 0) {
        switch_key_slot(key_event_slots[slot], action);
        return;
    }
    for (KeyEventSlot& each : key_event_slots)
        switch_key_slot(each, action);
}

// ---------------------------------------------------------------------------------------
// Device events
// ---------------------------------------------------------------------------------------

void device_tables_init() {
    for (DeviceEventRecord& record : device_event_records) {
        record.handler = 0;
        record.handler_argument = 0;
        record.state = SLOT_OFF;
        record.pending = 0;
    }
    for (auto& mode : device_mode)
        mode = 0;
}
