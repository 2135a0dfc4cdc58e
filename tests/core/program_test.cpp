#include "runtime/core/program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/core/core_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Program : public CoreTest {};

TEST_F(Program, ReturnPointsComeBackNewestFirst) {
    return_stack_push(1);
    return_stack_push(2);
    return_stack_push(11);
    EXPECT_EQ(return_stack_pop(), 11);
    EXPECT_EQ(return_stack_pop(), 2);
    EXPECT_EQ(return_stack_pop(), 1);
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(Program, AReturnWithoutACallRaisesError3) {
    EXPECT_EQ(return_stack_pop(), 0);
    EXPECT_EQ(pending_error, 3u);
    EXPECT_EQ(checkpoint_requested.load(), 1);
}

TEST_F(Program, TheReturnStackDoublesPastItsFirstCapacity) {
    for (int32_t n = 0; n < RETURN_STACK_FIRST_CAPACITY * 2 + 1; ++n)
        return_stack_push(n);
    EXPECT_EQ(return_stack_depth(), RETURN_STACK_FIRST_CAPACITY * 2 + 1);
    for (int32_t n = RETURN_STACK_FIRST_CAPACITY * 2; n >= 0; --n) {
        ASSERT_EQ(return_stack_pop(), n);
    }
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(Program, ArrayIndexesRoundHalvesToEvenAndFailOutsideTheBounds) {
    ArrayDescriptor* exits = array_new(1, 9, 8);
    EXPECT_EQ(exits->lower_bound, 1);
    EXPECT_EQ(exits->count, 9);
    EXPECT_EQ(exits->lock->kind, LOCK_ARRAY);
    struct Case {
        double index;
        int32_t element;
        ErrorCode error;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {1, 0, 0},   {9, 8, 0},   {1.4, 0, 0},   {1.5, 1, 0},  {2.5, 1, 0},
        {8.5, 7, 0}, {9.4, 8, 0}, {0.5, 0, 9},   {0, 0, 9},    {9.5, 0, 9},
        {10, 0, 9},  {-1, 0, 9},  {-1e30, 0, 9}, {1e30, 0, 9}, {nan, 0, 9},
    };
    for (const Case& c : cases) {
        pending_error = 0;
        EXPECT_EQ(array_element(*exits, c.index), c.element) << "index " << c.index;
        EXPECT_EQ(pending_error, c.error) << "index " << c.index;
    }
}

TEST_F(Program, ArrayStorageIsZeroedAndLivesInVariableMemory) {
    uint8_t* before = variable_memory.top;
    ArrayDescriptor* a = array_new(1, 9, 8);
    EXPECT_GE(reinterpret_cast<uint8_t*>(a), before);
    EXPECT_GE(a->elements, before);
    EXPECT_LE(a->elements + 72, variable_memory.top);
    for (int n = 0; n < 72; ++n)
        EXPECT_EQ(a->elements[n], 0);
}

TEST_F(Program, ANegativeArraySizeRaisesError9AndEveryIndexFails) {
    ArrayDescriptor* a = array_new(1, -3, 4);
    EXPECT_EQ(pending_error, 9u);
    pending_error = 0;
    EXPECT_EQ(array_element(*a, 1), 0);
    EXPECT_EQ(pending_error, 9u);
}

TEST_F(Program, ARoutineFrameGivesBackItsVariablesRecordsAndScope) {
    uint8_t* top = variable_memory.top;
    const uint32_t record_top = data_segment.record_top;
    RoutineFrame frame = routine_enter();
    EXPECT_EQ(frame.scope->kind, LOCK_ROUTINE);
    const uint64_t scope_identity = frame.scope->identity;
    EXPECT_NE(scope_identity, 0u);
    variable_alloc(64);
    data_segment.record_top -= 8;
    routine_exit(frame);
    EXPECT_EQ(variable_memory.top, top);
    EXPECT_EQ(data_segment.record_top, record_top);
    EXPECT_EQ(frame.scope->identity, 0u) << "the scope's identity is released";
    RoutineFrame next = routine_enter();
    EXPECT_NE(next.scope->identity, scope_identity);
    routine_exit(next);
}

}  // namespace
