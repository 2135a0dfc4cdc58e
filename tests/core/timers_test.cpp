#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "runtime/core/checkpoint.h"
#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/thread.h"
#include "tests/core/core_fixture.h"

namespace {

class Timers : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        fired = 0;
        set_handler_routine([](int32_t, int64_t) { fired.fetch_add(1); });
    }

    void TearDown() override {
        stop_timer_thread();
        CoreTest::TearDown();
    }

    // An armed timer: interval in seconds, handler 1, on.
    static int32_t armed_timer(double interval) {
        const int32_t n = timer_new();
        timer_set(n, interval, 1, 0);
        timer_switch(n, SlotSwitch::on);
        return n;
    }

    void start_timer_thread() {
        threads_started = 1;
        platform_start_thread(timer_thread_entry);
        thread_running = true;
    }

    void stop_timer_thread() {
        if (!thread_running) return;
        exit_in_progress = 1;
        platform_wake_sleepers();
        while ((thread_exit_acks.load() & 2) == 0)
            platform_sleep_ms(1);
        thread_running = false;
    }

    // Polls predicate for up to a few seconds; timing-insensitive waits for the timer
    // thread's answer.
    template <typename Predicate>
    static bool eventually(Predicate predicate) {
        for (int n = 0; n < 5000; ++n) {
            if (predicate()) return true;
            platform_sleep_ms(1);
        }
        return predicate();
    }

    static inline std::atomic<int32_t> fired{0};
    bool thread_running = false;
};

TEST_F(Timers, ScanRules) {
    // Each case arms one timer with interval 1 s and last as given, scans at now.
    struct Case {
        const char* what;
        double last;
        double now;
        uint8_t state;
        double last_after;
        uint8_t pending_after;
    };
    const Case cases[] = {
        {"first scan starts the period", 0, 50.0, SLOT_ON, 50.0, TIMER_IDLE},
        {"exactly one interval is not yet due", 50.0, 51.0, SLOT_ON, 50.0, TIMER_IDLE},
        {"just past one interval fires", 50.0, 51.001, SLOT_ON, 51.0, TIMER_DUE},
        {"a whole period behind restarts the period", 50.0, 55.5, SLOT_ON, 55.5, TIMER_DUE},
        {"a stopped timer still counts", 50.0, 51.5, SLOT_STOPPED, 51.0, TIMER_DUE},
        {"an off timer is ignored", 50.0, 60.0, SLOT_OFF, 50.0, TIMER_IDLE},
    };
    for (const Case& c : cases) {
        timer_table_init();
        TimerSlot& slot = timer_slot(0);
        slot.handler = 1;
        slot.interval = 1.0;
        slot.state = c.state;
        slot.last = c.last;
        checkpoint_requested = 0;
        timer_scan(c.now);
        EXPECT_DOUBLE_EQ(slot.last.load(), c.last_after) << c.what;
        EXPECT_EQ(slot.pending.load(), c.pending_after) << c.what;
        EXPECT_EQ(checkpoint_requested.load(), c.pending_after == TIMER_DUE ? 1 : 0) << c.what;
    }
}

TEST_F(Timers, PendingUnallocatedAndHandlerlessSlotsAreSkipped) {
    TimerSlot& slot = timer_slot(0);
    slot.interval = 1.0;
    slot.state = SLOT_ON;
    slot.last = 10.0;
    timer_scan(20.0);  // no handler
    EXPECT_EQ(slot.pending.load(), TIMER_IDLE);
    slot.handler = 1;
    slot.pending = TIMER_RUNNING;
    timer_scan(20.0);
    EXPECT_DOUBLE_EQ(slot.last.load(), 10.0);
    slot.pending = TIMER_IDLE;
    slot.allocated = 0;
    timer_scan(20.0);
    EXPECT_DOUBLE_EQ(slot.last.load(), 10.0);
}

TEST_F(Timers, TheScanSleepsUntilTheEarliestTimerCanBeDue) {
    EXPECT_GE(timer_scan(1.0), 50000) << "with nothing armed the thread rests";
    const int32_t slow = armed_timer(2.0);
    const int32_t fast = armed_timer(0.05);
    timer_slot(slow).last = 10.0;
    timer_slot(fast).last = 10.0;
    // Due at the first millisecond past 10.05 s, 30 ms after 10.02 s.
    const int64_t wait_us = timer_scan(10.02);
    EXPECT_GT(wait_us, 29000);
    EXPECT_LE(wait_us, 32000);
}

TEST_F(Timers, DispatchRunsDueTimersAndWakesSleeps) {
    const int32_t n = armed_timer(1.0);
    timer_slot(n).pending = TIMER_DUE;
    sleep_wake = 0;
    dispatch_events();
    EXPECT_EQ(fired.load(), 1);
    EXPECT_EQ(timer_slot(n).pending.load(), TIMER_IDLE);
    EXPECT_EQ(sleep_wake.load(), 1);
}

TEST_F(Timers, BadTimerArgumentsAreIllegal) {
    timer_set(5, 1.0, 1, 0);
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
    timer_set(0, -1.0, 1, 0);
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
    timer_set(0, std::nan(""), 1, 0);
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
    timer_free(0);  // slot 0 belongs to the runtime
    EXPECT_EQ(pending_error, 5u);
}

TEST_F(Timers, FreedSlotsAreReusedAndTheTableGrows) {
    const int32_t a = timer_new();
    const int32_t b = timer_new();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(timer_slot_count(), 3);
    timer_free(a);
    EXPECT_EQ(timer_new(), a);
}

TEST_F(Timers, AnArmedTimerFiresEveryIntervalOnTheTimerThread) {
    armed_timer(0.02);
    start_timer_thread();
    ASSERT_TRUE(eventually([] {
        checkpoint_requested = 1;
        statement_end(0);
        return fired.load() >= 3;
    }));
}

TEST_F(Timers, AProgramHeldFiveSecondsFindsOneEventPendingNotFive) {
    const int32_t n = armed_timer(1.0);
    start_timer_thread();
    ASSERT_TRUE(eventually([&] { return timer_slot(n).last.load() != 0; })) << "period starts";

    // The timer falls due once while the program is held, then four more intervals pass.
    clock_seam_shift_ms(1001);
    ASSERT_TRUE(eventually([&] { return timer_slot(n).pending.load() == TIMER_DUE; }));
    const double fired_at = timer_slot(n).last.load();
    clock_seam_shift_ms(4000);
    platform_sleep_ms(20);
    EXPECT_EQ(timer_slot(n).pending.load(), TIMER_DUE) << "one event, waiting for the program";
    EXPECT_DOUBLE_EQ(timer_slot(n).last.load(), fired_at) << "a pending timer is left alone";

    checkpoint_requested = 1;
    statement_end(0);
    EXPECT_EQ(fired.load(), 1) << "one event, not five";

    // Handled four seconds late: the next scan fires once more at once and restarts the
    // period from that moment.
    ASSERT_TRUE(eventually([&] { return timer_slot(n).pending.load() == TIMER_DUE; }));
    const double now = static_cast<double>(platform_clock_ms()) * 0.001;
    EXPECT_NEAR(timer_slot(n).last.load(), now, 0.5);
    checkpoint_requested = 1;
    statement_end(0);
    EXPECT_EQ(fired.load(), 2);
}

TEST_F(Timers, TheTableGrowsUnderTheHandshakeWhileTheThreadScans) {
    start_timer_thread();
    for (int32_t round = 0; round < 200; ++round) {
        const int32_t n = timer_new();
        timer_set(n, 0.001, 1, 0);
        timer_switch(n, SlotSwitch::on);
        checkpoint_requested = 1;
        statement_end(0);
    }
    EXPECT_GE(timer_slot_count(), 201);
    EXPECT_EQ(timer_handshake.load(), 0);
    ASSERT_TRUE(eventually([] {
        checkpoint_requested = 1;
        statement_end(0);
        return fired.load() >= 200;
    }));
}

TEST_F(Timers, TheTimerThreadAcknowledgesTheExitSequence) {
    start_timer_thread();
    exit_in_progress = 1;
    platform_wake_sleepers();
    EXPECT_TRUE(eventually([] { return (thread_exit_acks.load() & 2) != 0; }));
    thread_running = false;
}

}  // namespace
