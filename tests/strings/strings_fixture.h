// A fixture for string tests: the core and the string tables as start-up leaves them, and
// a check after every test that the string bookkeeping still holds together.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/strings/strings.h"
#include "tests/core/core_fixture.h"

class StringsTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        baseline = descriptors_in_use();
        mark = temporary_mark();
    }
    void TearDown() override {
        EXPECT_EQ(string_state_problem(), "");
        CoreTest::TearDown();
    }

    // A variable as a routine makes it at entry: empty, non-temporary, in the main pool.
    static StrDesc* variable() { return string_new(0, NOT_TEMPORARY); }
    // A temporary over a literal, as translated code writes "text".
    static StrDesc* literal(const char* text) { return string_from_cstring(text); }
    // A main-pool temporary holding text.
    static StrDesc* temporary(const std::string& text) {
        StrDesc* s = string_new(static_cast<uint32_t>(text.size()), TEMPORARY);
        text.copy(reinterpret_cast<char*>(s->text), text.size());
        return s;
    }
    // A main-pool variable holding text.
    static StrDesc* variable_holding(const std::string& text) {
        StrDesc* v = variable();
        return string_assign(v, temporary(text));
    }
    static std::string text(const StrDesc* s) { return string_copy_of(s); }

    uint32_t baseline = 0;  // descriptors in use after start-up
    uint32_t mark = 0;      // the temporary mark of the test's "routine"
};
