// The keyboard's start-up steps and its lock-key poll.
#pragma once

#include <cstdint>

// The scan-code queue a program reads as the keyboard port.
inline constexpr int32_t SCAN_CODE_QUEUE_SIZE = 256;
extern uint8_t scan_code_queue[SCAN_CODE_QUEUE_SIZE];

// Prepares the scan-code queue (start-up).
void scan_code_queue_init();

// Takes the lock toggles and the held modifier keys from the host (start-up).
void keyboard_seed_from_host();

// Empties the BIOS keyboard buffer: head and tail both at 1Eh (start-up).
void keyboard_buffer_init();

// Brings the lock keys in line with the host's toggles (housekeeping thread).
void keyboard_poll_lock_keys();
