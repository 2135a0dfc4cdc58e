#include "runtime/core/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "tests/core/core_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Memory : public CoreTest {};

TEST_F(Memory, VariablesAreBumpAllocatedInTheFirstBlock) {
    uint8_t* base = variable_memory.base;
    EXPECT_EQ(variable_memory.block_size, 1048576);
    EXPECT_EQ(variable_alloc(4), base);
    EXPECT_EQ(variable_alloc(8), base + 4);
    EXPECT_EQ(variable_alloc(32), base + 12);
    EXPECT_EQ(variable_memory.top, base + 44);
}

TEST_F(Memory, ARequestThatDoesNotFitMovesToABlockOfRequestPlusTwiceTheOldSize) {
    uint8_t* first_base = variable_memory.base;
    uint8_t* kept = variable_alloc(16);
    std::memset(kept, 0xAB, 16);
    uint8_t* saved_top = variable_memory.top;

    uint8_t* big = variable_alloc(1048576 - 16);  // would reach the limit exactly
    EXPECT_NE(variable_memory.base, first_base);
    EXPECT_EQ(big, variable_memory.base);
    EXPECT_EQ(variable_memory.block_size, (1048576 - 16) + 2 * 1048576);
    EXPECT_EQ(variable_memory.top, variable_memory.base + (1048576 - 16));
    EXPECT_EQ(variable_memory.limit, variable_memory.base + variable_memory.block_size);
    EXPECT_EQ(kept[15], 0xAB) << "variables in the old block keep their address and value";

    variable_top_restore(saved_top);
    EXPECT_EQ(variable_memory.top, variable_memory.base)
        << "a top saved in the old block restores to the new block's base";
}

TEST_F(Memory, ATopSavedInTheCurrentBlockIsRestoredExactly) {
    variable_alloc(100);
    uint8_t* saved = variable_memory.top;
    variable_alloc(4000);
    variable_top_restore(saved);
    EXPECT_EQ(variable_memory.top, saved);
    variable_top_restore(variable_memory.limit);
    EXPECT_EQ(variable_memory.top, variable_memory.limit) << "the limit itself is inside";
}

TEST_F(Memory, LockIdentitiesAreNeverReused) {
    LockRecord* a = lock_take();
    LockRecord* b = lock_take();
    EXPECT_EQ(a->identity, 1u);
    EXPECT_EQ(b->identity, a->identity + 1);
    const uint64_t old_identity = a->identity;
    lock_release(a);
    EXPECT_EQ(a->identity, 0u);
    LockRecord* again = lock_take();
    EXPECT_EQ(again, a) << "the released record is taken again";
    EXPECT_NE(again->identity, old_identity);
    EXPECT_EQ(again->identity, 3u);
}

TEST_F(Memory, LockRecordsComeFromBlocksOfTenThousand) {
    std::set<uint64_t> identities;
    LockRecord* first = lock_take();
    for (int n = 1; n < LOCK_BLOCK_RECORDS; ++n)
        lock_take();
    LockRecord* beyond = lock_take();  // the 10,001st comes from a new block
    EXPECT_FALSE(beyond >= first && beyond < first + LOCK_BLOCK_RECORDS);
    EXPECT_EQ(beyond->identity, static_cast<uint64_t>(LOCK_BLOCK_RECORDS) + 1);
}

TEST_F(Memory, AMemoryOwningRecordFreesItsMemoryWhenReleased) {
    LockRecord* r = lock_take();
    r->kind = LOCK_OWNS_MEMORY;
    void* memory = std::malloc(64);
    lock_attach_memory(r, memory);
    EXPECT_EQ(lock_owned_memory(r), memory);
    lock_release(r);  // under the address sanitizer a leak or double free would show
    EXPECT_EQ(lock_owned_memory(r), nullptr);
}

TEST_F(Memory, LowMemoryAddressesAndTheDataSegment) {
    EXPECT_EQ(LOW_MEMORY_SIZE, 1114099u);
    EXPECT_EQ(linear_address(0xFFFF, 0xFFFF), 0x10FFEFu);
    EXPECT_EQ(linear_address(0xFFFF, 0xFFFF) + 4, LOW_MEMORY_SIZE) << "a 32-bit access fits";
    EXPECT_EQ(linear_address(0x0050, 0), 1280u);
    EXPECT_EQ(data_segment.base, low_memory + 1280);
    low_memory_init();
    EXPECT_EQ(data_segment.record_top, 65528u);
    for (uint32_t n = 65528; n < 65536; ++n)
        EXPECT_EQ(data_segment.base[n], 0);
}

SCENARIO(variable_memory_exhausted) {
    message_box_seam_install({});
    reset_core_state();
    variable_alloc(-1);
    scenario_say("returned");
}

TEST(MemoryProcess, AnImpossibleVariableRequestIsCriticalError504) {
    ChildResult result = run_scenario("variable_memory_exhausted");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("[Critical Error #4] [Out of memory]"), std::string::npos)
        << result.output;
}

}  // namespace
