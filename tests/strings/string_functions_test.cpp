#include "runtime/strings/string_functions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <list>
#include <string>

#include "runtime/core/errors.h"
#include "tests/strings/strings_fixture.h"

namespace {

using namespace std::string_literals;

class StringFunctions : public StringsTest {
protected:
    // Live temporaries above the test's mark.
    uint32_t live_temporaries() const {
        uint32_t live = 0;
        for (uint32_t n = mark; n < temporary_list.count; ++n)
            live += temporary_list.entries[n] != STRING_LIST_HOLE;
        return live;
    }
};

// The kinds of argument a string function meets, each with its own rule: a variable is
// never changed, a reusable temporary may be changed in place, and the other temporaries
// are freed when the function returns a different string.
enum class Kind { variable, reusable_temporary, literal, conventional_temporary };
const Kind ALL_KINDS[] = {Kind::variable, Kind::reusable_temporary, Kind::literal,
                          Kind::conventional_temporary};

const char* kind_name(Kind kind) {
    switch (kind) {
        case Kind::variable:
            return "variable";
        case Kind::reusable_temporary:
            return "reusable temporary";
        case Kind::literal:
            return "literal";
        case Kind::conventional_temporary:
            return "conventional temporary";
    }
    return "?";
}

StrDesc* make(Kind kind, const std::string& value) {
    const auto length = static_cast<uint32_t>(value.size());
    StrDesc* s = nullptr;
    switch (kind) {
        case Kind::variable: {
            StrDesc* v = string_new(0, NOT_TEMPORARY);
            return string_assign(v, string_from_literal(value.data(), value.size()));
        }
        case Kind::reusable_temporary:
            s = string_new(length, TEMPORARY);
            break;
        case Kind::literal: {
            // The literal references its text, which must outlive it.
            static std::list<std::string> texts;
            return string_from_literal(texts.emplace_back(value).data(), length);
        }
        case Kind::conventional_temporary:
            s = string_new_conventional(length, TEMPORARY);
            break;
    }
    if (length != 0) std::memcpy(s->text, value.data(), length);
    return s;
}

struct TransformCase {
    const char* operation;
    std::function<StrDesc*(StrDesc*)> apply;
    std::string input;
    std::string expected;
};

TEST_F(StringFunctions, EachTransformGivesItsTextAndKeepsTheLifetimeRules) {
    const TransformCase cases[] = {
        {"upper", string_to_upper, "Mixed case, 123 z{", "MIXED CASE, 123 Z{"},
        {"upper", string_to_upper, "NO SMALL LETTERS", "NO SMALL LETTERS"},
        {"upper", string_to_upper, "", ""},
        {"upper", string_to_upper, "\xE4\xFF`{", "\xE4\xFF`{"},
        {"lower", string_to_lower, "Mixed CASE @[", "mixed case @["},
        {"lower", string_to_lower, "already", "already"},
        {"trim left", string_trim_left, "   lead", "lead"},
        {"trim left", string_trim_left, "     ", ""},
        {"trim left", string_trim_left, "\tspace", "\tspace"},
        {"trim left", string_trim_left, "none  ", "none  "},
        {"trim right", string_trim_right, "trail   ", "trail"},
        {"trim right", string_trim_right, "     ", ""},
        {"trim right", string_trim_right, "tab\t", "tab\t"},
        {"trim right", string_trim_right, "", ""},
        {"left 2", [](StrDesc* s) { return string_left(s, 2); }, "ABCDE", "AB"},
        {"left -3", [](StrDesc* s) { return string_left(s, -3); }, "ABCDE", ""},
        {"left 100", [](StrDesc* s) { return string_left(s, 100); }, "ABCDE", "ABCDE"},
        {"right 2", [](StrDesc* s) { return string_right(s, 2); }, "ABCDE", "DE"},
        {"right 0", [](StrDesc* s) { return string_right(s, 0); }, "ABCDE", ""},
        {"right max", [](StrDesc* s) { return string_right(s, INT_MAX); }, "ABCDE", "ABCDE"},
        {"mid 2,3", [](StrDesc* s) { return string_mid(s, 2, 3, GIVEN); }, "ABCDE", "BCD"},
        {"mid 0,3", [](StrDesc* s) { return string_mid(s, 0, 3, GIVEN); }, "ABCDE", "AB"},
        {"mid 6,1", [](StrDesc* s) { return string_mid(s, 6, 1, GIVEN); }, "ABCDE", ""},
        {"mid 4,9", [](StrDesc* s) { return string_mid(s, 4, 9, GIVEN); }, "ABCDE", "DE"},
        {"mid 1,0", [](StrDesc* s) { return string_mid(s, 1, 0, GIVEN); }, "ABCDE", ""},
        {"mid -5,7", [](StrDesc* s) { return string_mid(s, -5, 7, GIVEN); }, "ABCDE", "A"},
        {"mid min,max", [](StrDesc* s) { return string_mid(s, INT_MIN, INT_MAX, GIVEN); }, "ABCDE",
         ""},
        {"mid 1,max", [](StrDesc* s) { return string_mid(s, 1, INT_MAX, GIVEN); }, "ABCDE",
         "ABCDE"},
        {"mid 2", [](StrDesc* s) { return string_mid(s, 2, 0, OMITTED); }, "ABCDE", "BCDE"},
        {"mid -1", [](StrDesc* s) { return string_mid(s, -1, 0, OMITTED); }, "ABCDE", "ABCDE"},
        {"mid 9", [](StrDesc* s) { return string_mid(s, 9, 0, OMITTED); }, "ABCDE", ""},
    };
    for (const TransformCase& c : cases) {
        for (Kind kind : ALL_KINDS) {
            SCOPED_TRACE(std::string(c.operation) + " of \"" + c.input + "\" as " +
                         kind_name(kind));
            StrDesc* given = make(kind, c.input);
            const uint32_t in_use = descriptors_in_use();
            StrDesc* result = c.apply(given);
            EXPECT_EQ(text(result), c.expected);

            const bool unchanged = c.input == c.expected;
            if (kind == Kind::variable) {
                EXPECT_EQ(text(given), c.input) << "a variable is never changed";
                EXPECT_EQ(result == given, unchanged);
                EXPECT_EQ(live_temporaries(), unchanged ? 0u : 1u);
            } else if (kind == Kind::reusable_temporary) {
                EXPECT_EQ(result, given) << "changed in place";
                EXPECT_EQ(descriptors_in_use(), in_use);
            } else {
                EXPECT_EQ(result == given, unchanged);
                EXPECT_EQ(live_temporaries(), 1u) << "the argument was freed or returned";
                EXPECT_EQ(descriptors_in_use(), in_use);
            }
            EXPECT_EQ(string_state_problem(), "");
            free_temporaries(mark, 0);
            if (kind == Kind::variable) string_free(given);
            EXPECT_EQ(descriptors_in_use(), baseline);
        }
    }
}

TEST_F(StringFunctions, SearchFindsTheFirstMatchFromTheStart) {
    struct Case {
        int32_t start;
        Given start_given;
        const char* haystack;
        const char* needle;
        int32_t position;
    };
    const Case cases[] = {
        {0, OMITTED, "ABC", "", 1},
        {3, GIVEN, "ABC", "", 3},
        {4, GIVEN, "ABC", "", 0},
        {0, GIVEN, "ABC", "", 0},
        {0, OMITTED, "", "", 0},
        {0, OMITTED, "", "A", 0},
        {3, GIVEN, "ABCBC", "BC", 4},
        {0, OMITTED, "ABCBC", "BC", 2},
        {-7, GIVEN, "ABCBC", "BC", 2},
        {5, GIVEN, "ABCBC", "BC", 0},
        {0, OMITTED, "AAAB", "AAB", 2},
        {0, OMITTED, "AB", "ABC", 0},
        {0, OMITTED, "NORTH SOUTH", "SOUTH", 7},
        {INT_MAX, GIVEN, "ABC", "A", 0},
    };
    for (const Case& c : cases) {
        StrDesc* haystack = literal(c.haystack);
        StrDesc* needle = literal(c.needle);
        EXPECT_EQ(string_instr(c.start, haystack, needle, c.start_given), c.position)
            << "\"" << c.needle << "\" in \"" << c.haystack << "\" from " << c.start
            << (c.start_given ? "" : " (omitted)");
        EXPECT_EQ(temporary_mark(), mark + 2) << "searching frees neither argument";
        free_temporaries(mark, 0);
    }
    // Bytes after a zero are searched like any other.
    const std::string with_zero("a\0b\0c", 5);
    EXPECT_EQ(string_instr(0, make(Kind::literal, with_zero), literal("c"), OMITTED), 5);
    free_temporaries(mark, 0);
}

TEST_F(StringFunctions, ComparisonsAreUnsignedBytewiseWithThePrefixSmaller) {
    struct Case {
        std::string a;
        std::string b;
        int order;  // <0, 0, >0
    };
    const Case cases[] = {
        {"AB", "ABC", -1},      {"ABC", "AB", 1},
        {"ABC", "ABC", 0},      {"", "", 0},
        {"", "A", -1},          {"A", "", 1},
        {"B", "AZZ", 1},        {"ABD", "ABC", 1},
        {"\x80", "\x7F", 1},    {"\xFF", "\xFF\x00"s, -1},
        {"a\0b"s, "a\0c"s, -1}, {"abc", "ABC", 1},
    };
    for (const Case& c : cases) {
        StrDesc* a = make(Kind::literal, c.a);
        StrDesc* b = make(Kind::literal, c.b);
        const auto truth = [](bool holds) { return holds ? -1 : 0; };
        SCOPED_TRACE("\"" + c.a + "\" against \"" + c.b + "\"");
        EXPECT_EQ(string_equal(a, b), truth(c.order == 0));
        EXPECT_EQ(string_not_equal(a, b), truth(c.order != 0));
        EXPECT_EQ(string_less(a, b), truth(c.order < 0));
        EXPECT_EQ(string_greater(a, b), truth(c.order > 0));
        EXPECT_EQ(string_less_equal(a, b), truth(c.order <= 0));
        EXPECT_EQ(string_greater_equal(a, b), truth(c.order >= 0));
        EXPECT_EQ(temporary_mark(), mark + 2) << "comparing frees neither argument";
        free_temporaries(mark, 0);
    }
}

TEST_F(StringFunctions, RunsOfACharacterAndSingleBytes) {
    struct Case {
        const char* call;
        std::function<StrDesc*()> make;
        std::string expected;
        ErrorCode error;
    };
    const Case cases[] = {
        {"spaces 3", [] { return string_spaces(3); }, "   ", 0},
        {"spaces -1", [] { return string_spaces(-1); }, "", 0},
        {"repeat 3 of 65", [] { return string_repeat(3, 65); }, "AAA", 0},
        {"repeat 2 of 321", [] { return string_repeat(2, 321); }, "AA", 0},
        {"repeat -4", [] { return string_repeat(-4, 65); }, "", 0},
        {"chr 0", [] { return string_chr(0); }, "\0"s, 0},
        {"chr 255", [] { return string_chr(255); }, "\xFF", 0},
        {"chr 256", [] { return string_chr(256); }, "", 5},
        {"chr -1", [] { return string_chr(-1); }, "", 5},
    };
    for (const Case& c : cases) {
        pending_error = 0;
        StrDesc* s = c.make();
        EXPECT_EQ(text(s), c.expected) << c.call;
        EXPECT_TRUE(s->temporary) << c.call;
        EXPECT_EQ(pending_error, c.error) << c.call;
        free_temporaries(mark, 0);
    }
}

TEST_F(StringFunctions, ByteValuesAndLengths) {
    struct Case {
        std::string s;
        int32_t position;
        Given given;
        int32_t value;
        ErrorCode error;
    };
    const Case cases[] = {
        {"AB", 0, OMITTED, 65, 0}, {"AB", 2, GIVEN, 66, 0}, {"\xE9", 0, OMITTED, 233, 0},
        {"", 0, OMITTED, 0, 5},    {"AB", 3, GIVEN, 0, 5},  {"AB", 0, GIVEN, 0, 5},
        {"AB", -1, GIVEN, 0, 5},
    };
    for (const Case& c : cases) {
        pending_error = 0;
        StrDesc* s = make(Kind::literal, c.s);
        EXPECT_EQ(string_asc(s, c.position, c.given), c.value) << c.s << " at " << c.position;
        EXPECT_EQ(pending_error, c.error) << c.s << " at " << c.position;
        EXPECT_EQ(string_length(s), static_cast<int32_t>(c.s.size()));
        free_temporaries(mark, 0);
    }
}

TEST_F(StringFunctions, MiddleAssignmentOverwritesInsideTheDestination) {
    struct Case {
        const char* destination;
        int32_t start;
        int32_t length;
        Given length_given;
        const char* source;
        const char* result;
    };
    const Case cases[] = {
        {"ABCDE", 0, 2, GIVEN, "XYZ", "YBCDE"},
        {"ABCDE", 2, 0, OMITTED, "XY", "AXYDE"},
        {"ABCDE", 4, 0, OMITTED, "XYZ", "ABCXY"},
        {"ABCDE", 2, 1, GIVEN, "XYZ", "AXCDE"},
        {"ABCDE", 6, 0, OMITTED, "XYZ", "ABCDE"},
        {"ABCDE", 1, 0, GIVEN, "XYZ", "ABCDE"},
        {"ABCDE", -2, 0, OMITTED, "XYZ", "ABCDE"},
        {"ABCDE", -1, 0, OMITTED, "XYZW", "ZWCDE"},
        {"ABCDE", 1, 0, OMITTED, "", "ABCDE"},
        {"", 1, 0, OMITTED, "XYZ", ""},
        {"ABCDE", INT_MIN, INT_MAX, GIVEN, "XYZ", "ABCDE"},
    };
    for (const Case& c : cases) {
        StrDesc* dest = variable_holding(c.destination);
        StrDesc* source = literal(c.source);
        string_mid_assign(dest, c.start, c.length, source, c.length_given);
        EXPECT_EQ(text(dest), c.result)
            << c.source << " into " << c.destination << " at " << c.start;
        EXPECT_EQ(temporary_mark(), mark + 1) << "the source is not freed";
        free_temporaries(mark, 0);
        string_free(dest);
    }
}

TEST_F(StringFunctions, MiddleAssignmentFromItselfMovesSafely) {
    StrDesc* v = variable_holding("ABCDE");
    string_mid_assign(v, 2, 0, v, OMITTED);
    EXPECT_EQ(text(v), "AABCD");
    string_mid_assign(v, 1, 0, v, OMITTED);
    EXPECT_EQ(text(v), "AABCD") << "a part copied onto itself";
}

TEST_F(StringFunctions, MiddleAssignmentLeavesTheSharedEmptyStringAndPendingErrorsAlone) {
    string_mid_assign(shared_empty_string, 1, 0, literal("X"), OMITTED);
    EXPECT_EQ(shared_empty_string->length, 0);
    StrDesc* v = variable_holding("ABC");
    raise_error(9);
    string_mid_assign(v, 1, 0, literal("X"), OMITTED);
    EXPECT_EQ(text(v), "ABC");
    free_temporaries(mark, 0);
}

TEST_F(StringFunctions, SetLeftAndRightPadAFixedFieldWithSpaces) {
    struct Case {
        bool right;
        const char* source;
        const char* field;
    };
    const Case cases[] = {
        {false, "ab", "ab   "},   {false, "abcdefg", "abcde"}, {false, "", "     "},
        {true, "ab", "   ab"},    {true, "abcdefg", "abcde"},  {true, "", "     "},
        {true, "abcde", "abcde"},
    };
    for (const Case& c : cases) {
        uint8_t field[5] = {'#', '#', '#', '#', '#'};
        StrDesc* f = string_new_fixed(field, 5, NOT_TEMPORARY);
        StrDesc* source = literal(c.source);
        (c.right ? string_set_right : string_set_left)(f, source);
        EXPECT_EQ(text(f), c.field) << (c.right ? "right " : "left ") << c.source;
        EXPECT_EQ(temporary_mark(), mark + 1) << "the source is not freed";
        free_temporaries(mark, 0);
        string_free(f);
    }
    uint8_t field[3] = {'a', 'b', 'c'};
    StrDesc* f = string_new_fixed(field, 3, NOT_TEMPORARY);
    raise_error(5);
    string_set_left(f, literal("x"));
    string_set_right(f, literal("x"));
    EXPECT_EQ(text(f), "abc") << "nothing happens while an error is pending";
    free_temporaries(mark, 0);
}

// The game's prompt statement: command = trim left(trim right(upper(command))).
TEST_F(StringFunctions, TheCommandCleanupChainOnAVariable) {
    StrDesc* command = variable_holding("  north  ");
    string_assign(command, string_trim_left(string_trim_right(string_to_upper(command))));
    EXPECT_EQ(text(command), "NORTH");
    free_temporaries(mark, 0);
    EXPECT_EQ(descriptors_in_use(), baseline + 1);
}

}  // namespace
