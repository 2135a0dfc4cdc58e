// A fixture that puts the core's global state back to how start-up leaves it, so that each
// test starts from the same place whatever ran before it in the process.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "runtime/platform/message_box.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Scripts the answers of the next message boxes (failed once they are used up).
    static void script_boxes(std::vector<MessageBoxAnswer> answers);
    // The boxes shown since the last script_boxes (or since SetUp).
    static std::vector<MessageBoxRecord> boxes();
};

// Resets every lifecycle flag and core table.
void reset_core_state();
