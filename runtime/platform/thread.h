// Threads, sleeps and the wake word: how the runtime's threads pause and find each other.
//
// The threads meet only through flag words that they poll. A poll that sleeps a fixed
// time costs a wake-up per period, so the waits that would otherwise spin (the
// zero-length sleep and the timer scan) sleep on one process-wide wake word instead: a
// thread that sets a flag some poller may be waiting for notifies the word, and the
// pollers re-check their flags at once instead of at the end of their period.
#pragma once

#include <cstdint>

// Starts entry on a new thread with the default stack size; the thread is never joined.
void platform_start_thread(void (*entry)());

// Sleeps ms milliseconds. ms <= 0 is the zero-length sleep: it yields the processor until
// the wake word is notified or a few milliseconds have passed, so that a loop polling a
// flag with it idles instead of spinning, yet notices the flag as soon as it is set (and
// notified).
void platform_sleep_ms(int32_t ms);

// The wake word's current value; read it before checking the flags a wait depends on.
uint32_t platform_wake_sequence();

// Sleeps until the wake word differs from seen or timeout_us microseconds have passed.
// Returns at once when it was notified after seen was read, so no notification is lost.
void platform_wait_for_wake(uint32_t seen, int64_t timeout_us);

// Notifies the wake word: every wait on it returns and re-checks its flags.
void platform_wake_sleepers();
