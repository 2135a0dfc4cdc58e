// The keyboard's start-up steps and its lock-key poll.
#include "runtime/input/keyboard.h"

#include "runtime/core/memory.h"

uint8_t scan_code_queue[SCAN_CODE_QUEUE_SIZE];

namespace {

// BIOS data area: the keyboard buffer's head and tail words hold offsets from 400h; the
// buffer itself runs from 41Eh to 43Dh, so 1Eh is its first entry.
constexpr uint32_t KEYBOARD_BUFFER_HEAD = 0x41A;
constexpr uint32_t KEYBOARD_BUFFER_TAIL = 0x41C;
constexpr uint8_t KEYBOARD_BUFFER_START = 0x1E;

// The queue's first byte: a break code no key makes, so that a read before any key finds
// nothing new.
constexpr uint8_t SCAN_CODE_QUEUE_FIRST = 129;

}  // namespace

void scan_code_queue_init() {
    scan_code_queue[0] = SCAN_CODE_QUEUE_FIRST;
}

void keyboard_seed_from_host() {
    // The held-key list does not exist yet; the lock state is taken once it does.
}

void keyboard_buffer_init() {
    low_memory_store(KEYBOARD_BUFFER_HEAD, KEYBOARD_BUFFER_START);
    low_memory_store(KEYBOARD_BUFFER_HEAD + 1, 0);
    low_memory_store(KEYBOARD_BUFFER_TAIL, KEYBOARD_BUFFER_START);
    low_memory_store(KEYBOARD_BUFFER_TAIL + 1, 0);
}

void keyboard_poll_lock_keys() {
    // The held-key list does not exist yet, so there is nothing to keep in line.
}
