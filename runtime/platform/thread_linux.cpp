// Linux backend of the thread layer: std::thread, nanosleep and a futex wake word.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <thread>

#include "runtime/platform/thread.h"

namespace {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
                  std::atomic<uint32_t>::is_always_lock_free,
              "a futex waits on a plain 32-bit word");

std::atomic<uint32_t> wake_word{0};

// The longest a zero-length sleep gives the processor up for. Every flag a poller waits
// on is set together with a notification of the wake word, which ends the sleep at once;
// the bound only matters for a notification that came just before the sleep began.
constexpr int64_t ZERO_SLEEP_US = 4000;

uint32_t* wake_word_address() {
    return reinterpret_cast<uint32_t*>(&wake_word);
}

}  // namespace

void platform_start_thread(void (*entry)()) {
    std::thread(entry).detach();
}

void platform_sleep_ms(int32_t ms) {
    if (ms <= 0) {
        platform_wait_for_wake(platform_wake_sequence(), ZERO_SLEEP_US);
        return;
    }
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

uint32_t platform_wake_sequence() {
    return wake_word.load(std::memory_order_acquire);
}

void platform_wait_for_wake(uint32_t seen, int64_t timeout_us) {
    if (timeout_us <= 0) return;
    timespec timeout{static_cast<time_t>(timeout_us / 1000000),
                     static_cast<long>(timeout_us % 1000000) * 1000L};
    // An early return is harmless: every caller re-checks its own flags afterwards.
    syscall(SYS_futex, wake_word_address(), FUTEX_WAIT_PRIVATE, seen, &timeout, nullptr, 0);
}

void platform_wake_sleepers() {
    wake_word.fetch_add(1, std::memory_order_release);
    syscall(SYS_futex, wake_word_address(), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}
