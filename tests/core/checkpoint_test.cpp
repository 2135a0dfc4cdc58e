#include "runtime/core/checkpoint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/program.h"
#include "runtime/platform/thread.h"
#include "tests/core/core_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Checkpoint : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ran.clear();
        set_handler_routine(record_handler);
    }

    // Handlers record (handler, argument) in the order they ran.
    static void record_handler(int32_t handler, int64_t argument) {
        ran.push_back({handler, argument});
        if (on_handler) on_handler(handler);
    }

    struct Ran {
        int32_t handler;
        int64_t argument;
        bool operator==(const Ran&) const = default;
    };
    static inline std::vector<Ran> ran;
    static inline void (*on_handler)(int32_t) = nullptr;
};

TEST_F(Checkpoint, StatementEndCallsTheCheckpointOnlyWhenRequested) {
    key_slot_set_handler(3, 30, 0);
    key_slot_switch(3, SlotSwitch::on);
    key_event_slots[3].pending = 1;

    statement_end(1);
    EXPECT_TRUE(ran.empty()) << "no request, no checkpoint";

    checkpoint_requested = 1;
    statement_end(2);
    EXPECT_EQ(ran.size(), 1u);
    EXPECT_EQ(checkpoint_requested.load(), 0) << "the checkpoint clears the request first";
}

TEST_F(Checkpoint, AConditionWithAPendingErrorCountsAsSatisfied) {
    EXPECT_TRUE(condition(true));
    EXPECT_FALSE(condition(false));
    raise_error(13);
    EXPECT_TRUE(condition(false));
}

TEST_F(Checkpoint, APendingErrorIsReportedBeforeAnyEventAndEventsWait) {
    script_boxes({MessageBoxAnswer::yes});
    key_slot_set_handler(5, 50, 0);
    key_slot_switch(5, SlotSwitch::on);
    key_event_slots[5].pending = 1;
    raise_error(9);
    statement_end(4);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(ran.empty()) << "events wait for the next request";
    checkpoint_requested = 1;
    statement_end(5);
    EXPECT_EQ(ran, (std::vector<Ran>{{50, 0}}));
}

TEST_F(Checkpoint, KeyEventsRunInSlotOrderUntilDrained) {
    for (int32_t slot : {7, 2}) {
        key_slot_set_handler(slot, slot * 10, slot * 100);
        key_slot_switch(slot, SlotSwitch::on);
    }
    key_event_slots[7].pending = 2;
    key_event_slots[2].pending = 1;
    dispatch_events();
    EXPECT_EQ(ran, (std::vector<Ran>{{20, 200}, {70, 700}, {70, 700}}));
    EXPECT_EQ(key_event_slots[7].pending.load(), 0);
}

TEST_F(Checkpoint, OnlySlotsThatAreOnWithAHandlerDispatch) {
    key_slot_set_handler(1, 11, 0);  // on, handler, pending: runs
    key_slot_switch(1, SlotSwitch::on);
    key_event_slots[1].pending = 1;
    key_slot_set_handler(2, 22, 0);  // stopped: remembers, does not run
    key_slot_switch(2, SlotSwitch::stop);
    key_event_slots[2].pending = 1;
    key_slot_switch(3, SlotSwitch::on);  // no handler
    key_event_slots[3].pending = 1;
    key_slot_set_handler(4, 44, 0);  // off
    key_event_slots[4].pending = 1;
    key_event_slots[0].handler = 99;  // slot 0 never dispatches
    key_event_slots[0].state = SLOT_ON;
    key_event_slots[0].pending = 1;
    dispatch_events();
    EXPECT_EQ(ran, (std::vector<Ran>{{11, 0}}));
    EXPECT_EQ(key_event_slots[2].pending.load(), 1);
}

TEST_F(Checkpoint, SlotSwitching) {
    struct Case {
        uint8_t state_before;
        uint8_t pending_before;
        SlotSwitch action;
        uint8_t state_after;
        uint8_t pending_after;
        int32_t checkpoint_after;
    };
    const Case cases[] = {
        {SLOT_OFF, 0, SlotSwitch::on, SLOT_ON, 0, 0},
        {SLOT_STOPPED, 3, SlotSwitch::on, SLOT_ON, 3, 1},
        {SLOT_ON, 4, SlotSwitch::off, SLOT_OFF, 0, 0},
        {SLOT_ON, 4, SlotSwitch::stop, SLOT_STOPPED, 1, 0},
        {SLOT_ON, 0, SlotSwitch::stop, SLOT_STOPPED, 0, 0},
    };
    for (const Case& c : cases) {
        checkpoint_requested = 0;
        key_event_slots[9].state = c.state_before;
        key_event_slots[9].pending = c.pending_before;
        key_slot_switch(9, c.action);
        EXPECT_EQ(key_event_slots[9].state.load(), c.state_after);
        EXPECT_EQ(key_event_slots[9].pending.load(), c.pending_after);
        EXPECT_EQ(checkpoint_requested.load(), c.checkpoint_after);
    }
}

TEST_F(Checkpoint, SlotZeroSwitchesEverySlotAndBadSlotsAreIllegal) {
    key_slot_switch(0, SlotSwitch::on);
    for (const KeyEventSlot& slot : key_event_slots)
        EXPECT_EQ(slot.state.load(), SLOT_ON);
    key_slot_switch(32, SlotSwitch::on);
    EXPECT_EQ(pending_error, 5u);
    pending_error = 0;
    key_slot_switch(-1, SlotSwitch::off);
    EXPECT_EQ(pending_error, 5u);
}

TEST_F(Checkpoint, DefaultKeyCodesOfTheTrapTable) {
    const int32_t function_keys[] = {0x3B00, 0x3C00, 0x3D00, 0x3E00, 0x3F00,
                                     0x4000, 0x4100, 0x4200, 0x4300, 0x4400};
    for (int32_t n = 0; n < 10; ++n)
        EXPECT_EQ(key_event_slots[n + 1].key_code.load(), function_keys[n]);
    EXPECT_EQ(key_event_slots[11].key_code.load(), 0x4800);
    EXPECT_EQ(key_event_slots[11].alternate_code.load(), 100264);
    EXPECT_EQ(key_event_slots[12].alternate_code.load(), 100260);
    EXPECT_EQ(key_event_slots[13].alternate_code.load(), 100262);
    EXPECT_EQ(key_event_slots[14].key_code.load(), 0x5000);
    EXPECT_EQ(key_event_slots[14].alternate_code.load(), 100258);
    EXPECT_EQ(key_event_slots[30].key_code.load(), 0x8500);
    EXPECT_EQ(key_event_slots[31].key_code.load(), 0x8600);
    EXPECT_EQ(key_event_slots[15].key_code.load(), 0);
    EXPECT_EQ(key_event_slots[0].key_code.load(), 0);
}

TEST_F(Checkpoint, AHandlerIsNotReenteredFromACheckpointInsideIt) {
    key_slot_set_handler(6, 60, 0);
    key_slot_switch(6, SlotSwitch::on);
    key_event_slots[6].pending = 2;
    on_handler = [](int32_t) {
        // A statement of the handler ends with a request: the same slot must wait.
        checkpoint_requested = 1;
        statement_end(100);
    };
    dispatch_events();
    on_handler = nullptr;
    EXPECT_EQ(ran.size(), 2u) << "both events run, one after the other";
}

TEST_F(Checkpoint, DeviceEventsOfActiveDevicesRunFirst) {
    device_mode[0] = 0;  // inactive devices do not count
    device_mode[3] = 1;  // the first active device owns records 0..255
    device_mode[5] = 1;  // the second owns 256..511
    device_event_records[256 + 4].handler = 81;
    device_event_records[256 + 4].state = SLOT_ON;
    device_event_records[256 + 4].pending = 1;
    device_event_records[10].handler = 80;
    device_event_records[10].state = SLOT_ON;
    device_event_records[10].pending = 1;
    key_slot_set_handler(1, 11, 0);
    key_slot_switch(1, SlotSwitch::on);
    key_event_slots[1].pending = 1;
    dispatch_events();
    EXPECT_EQ(ran, (std::vector<Ran>{{80, 0}, {81, 0}, {11, 0}}));
}

TEST_F(Checkpoint, NothingIsDispatchedWhileAnErrorTrapRuns) {
    key_slot_set_handler(1, 11, 0);
    key_slot_switch(1, SlotSwitch::on);
    key_event_slots[1].pending = 1;
    error_trap_running = 1;
    dispatch_events();
    EXPECT_TRUE(ran.empty());
}

TEST_F(Checkpoint, ASuspendedProgramIsHeldUntilTheBitClears) {
    std::atomic<bool> released{false};
    suspended = 1;
    checkpoint_requested = 1;
    std::thread resumer([&] {
        platform_sleep_ms(50);
        released = true;
        suspended = 0;
    });
    statement_end(1);
    EXPECT_TRUE(released.load()) << "the checkpoint returned before the resume";
    resumer.join();
}

TEST_F(Checkpoint, TheStopKeyEndsTheProgramOrTellsAProgramThatHandlesCloses) {
    stop_key_pressed();
    EXPECT_EQ(stop_requested.load(), 1);
    EXPECT_EQ(close_request.load(), 0u);

    stop_requested = 0;
    program_handles_close = 1;
    stop_key_pressed();
    EXPECT_EQ(stop_requested.load(), 0);
    EXPECT_EQ(close_request.load(), 2u);
}

TEST_F(Checkpoint, SuspendHoldsAtTheNextCheckpointAndOnlyTheNextKeyResumes) {
    EXPECT_FALSE(resume_key_pressed()) << "a key while running is an ordinary key";
    suspend_key_pressed();
    EXPECT_EQ(suspended.load() & 1, 1);
    EXPECT_EQ(checkpoint_requested.load(), 1);
    EXPECT_TRUE(resume_key_pressed()) << "the resuming key goes no further";
    EXPECT_EQ(suspended.load() & 1, 0);
    EXPECT_FALSE(resume_key_pressed());
}

// Pause holds the running program at the end of its statement, the next key resumes it,
// and Break ends it.
std::atomic<int32_t> statements_run{0};

void counting_program(int32_t) {
    platform_start_thread([] {
        platform_sleep_ms(50);
        suspend_key_pressed();
        platform_sleep_ms(50);  // the program reaches its checkpoint
        const int32_t held_at = statements_run.load();
        platform_sleep_ms(200);
        const int32_t still = statements_run.load();
        scenario_say(held_at == still ? "held" : "ran while held");
        resume_key_pressed();
        platform_sleep_ms(50);
        scenario_say(statements_run.load() > still ? "resumed" : "still held");
        stop_key_pressed();
    });
    for (int32_t line = 1;; ++line) {
        statements_run.fetch_add(1);
        platform_sleep_ms(0);
        statement_end(line);
    }
}

SCENARIO(pause_resume_break) {
    run_runtime(counting_program);
}

TEST(CheckpointProcess, PauseHoldsTheProgramAKeyResumesItAndBreakEndsIt) {
    ChildResult result = run_scenario("pause_resume_break");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("held\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("resumed\n"), std::string::npos) << result.output;
}

// A program held at a checkpoint parks when the exit sequence starts, and the process
// ends; the held statement's successor never runs.
std::atomic<bool> end_by_window_close{false};

void hold_then_end(int32_t) {
    platform_start_thread([] {
        platform_sleep_ms(200);
        if (end_by_window_close) {
            close_request.fetch_or(1);
        } else {
            stop_requested = 1;
        }
    });
    suspended = 1;
    checkpoint_requested = 1;
    statement_end(1);
    scenario_say("resumed");
    end_program();
}

SCENARIO(held_program_stopped) {
    run_runtime(hold_then_end);
}

SCENARIO(held_program_window_closed) {
    end_by_window_close = true;
    run_runtime(hold_then_end);
}

TEST(CheckpointProcess, AHeldProgramParksWhenTheExitSequenceStarts) {
    for (const char* scenario : {"held_program_stopped", "held_program_window_closed"}) {
        ChildResult result = run_scenario(scenario);
        EXPECT_TRUE(result.exited) << scenario << "\n" << result.output;
        EXPECT_EQ(result.exit_code, 0) << scenario << "\n" << result.output;
        EXPECT_EQ(result.output.find("resumed"), std::string::npos) << scenario;
    }
}

// Every thread at once on the lifecycle flags: the program runs statements and timer
// handlers while another thread keeps suspending and resuming it, then the program ends.
// Run under the thread sanitizer this is the check that the flag protocol has no race.
std::atomic<int32_t> storm_handled{0};

void storm_program(int32_t) {
    set_handler_routine([](int32_t, int64_t) { storm_handled.fetch_add(1); });
    const int32_t timer = timer_new();
    timer_set(timer, 0.001, 1, 0);
    timer_switch(timer, SlotSwitch::on);
    platform_start_thread([] {
        for (int n = 0; n < 200; ++n) {
            suspended.fetch_or(1);
            checkpoint_requested = 1;
            platform_sleep_ms(1);
            suspended.fetch_and(static_cast<uint8_t>(~1u));
        }
    });
    for (int32_t line = 1; line <= 20000; ++line) {
        if (line % 100 == 0) platform_sleep_ms(0);
        statement_end(line);
    }
    scenario_say("handled " + std::to_string(storm_handled.load() > 0 ? 1 : 0));
    end_program();
}

SCENARIO(flag_storm) {
    run_runtime(storm_program);
}

TEST(CheckpointProcess, FlagsTimersAndPausesFromEveryThreadAtOnce) {
    ChildResult result = run_scenario("flag_storm");
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("handled 1"), std::string::npos) << result.output;
}

}  // namespace
