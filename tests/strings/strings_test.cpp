#include "runtime/strings/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/memory.h"
#include "runtime/core/program.h"
#include "tests/strings/strings_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Strings : public StringsTest {};

// The two little-endian words of a string's length/offset record.
struct Record {
    uint16_t length;
    uint16_t offset;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << "{length " << r.length << ", offset " << r.offset << "}";
}

Record record_of(const StrDesc* s) {
    const uint8_t* bytes = data_segment.base + s->record_offset;
    return {static_cast<uint16_t>(bytes[0] | bytes[1] << 8),
            static_cast<uint16_t>(bytes[2] | bytes[3] << 8)};
}

Record expected_record(const StrDesc* s) {
    return {static_cast<uint16_t>(s->length), static_cast<uint16_t>(s->text - data_segment.base)};
}

StrDesc* conventional_holding(const std::string& value) {
    StrDesc* s = string_new_conventional(0, NOT_TEMPORARY);
    StrDesc* t = string_new_conventional(static_cast<uint32_t>(value.size()), TEMPORARY);
    value.copy(reinterpret_cast<char*>(t->text), value.size());
    return string_assign(s, t);
}

TEST_F(Strings, StartUpMakesTheThreeSharedStrings) {
    ASSERT_NE(shared_empty_string, nullptr);
    EXPECT_EQ(shared_empty_string->length, 0);
    EXPECT_TRUE(shared_empty_string->in_conventional);
    EXPECT_FALSE(shared_empty_string->temporary);
    EXPECT_EQ(record_of(shared_empty_string), (Record{0, 256}));

    EXPECT_EQ(text(shared_space_string), " ");
    EXPECT_TRUE(shared_space_string->in_conventional);
    EXPECT_EQ(record_of(shared_space_string), (Record{1, 256}));
    EXPECT_EQ(data_segment.base[256], ' ');

    EXPECT_EQ(text(unknown_opcode_text), "Unknown Opcode (  )");
    EXPECT_FALSE(unknown_opcode_text->in_conventional);
    EXPECT_FALSE(unknown_opcode_text->temporary);
    EXPECT_EQ(temporary_mark(), 1u) << "start-up leaves no temporaries";
    EXPECT_EQ(data_segment.record_top, 65528u - 8u);
}

TEST_F(Strings, EveryNewDescriptorStartsZeroed) {
    StrDesc* s = string_new_fixed(low_memory + 0xB8000, 4, NOT_TEMPORARY);
    s->read_only = 1;
    s->list_index = 77;
    string_free(s);
    StrDesc* again = string_from_literal("ab", 2);
    ASSERT_EQ(again, s) << "the free stack hands back the newest released descriptor";
    EXPECT_FALSE(again->fixed);
    EXPECT_EQ(again->list_index, 0u);
    EXPECT_EQ(again->record, nullptr);
    EXPECT_TRUE(again->read_only);
    free_temporaries(mark, 0);
}

// One statement of a routine: v = "ab" + "cd" + w, then the cleanup. Every temporary is
// consumed exactly once whichever way it goes, and nothing outlives the statement.
TEST_F(Strings, AStatementConsumesEachTemporaryOnceAndLeavesNoneBehind) {
    StrDesc* v = variable();
    StrDesc* w = variable_holding("ef");
    const uint32_t in_use = descriptors_in_use();
    for (int pass = 0; pass < 3; ++pass) {
        string_assign(v, string_concat(string_concat(literal("ab"), literal("cd")), w));
        EXPECT_EQ(text(v), "abcdef");
        EXPECT_EQ(free_temporaries(mark, 42), 42);
        EXPECT_EQ(temporary_mark(), mark);
        EXPECT_EQ(descriptors_in_use(), in_use) << "pass " << pass;
        EXPECT_EQ(string_state_problem(), "");
    }
    EXPECT_EQ(text(w), "ef") << "a variable argument is read, never consumed";
}

TEST_F(Strings, AssigningATemporaryStealsItsTextWithoutCopying) {
    StrDesc* v = variable_holding("old");
    StrDesc* t = temporary("a new value");
    uint8_t* const bytes = t->text;
    const uint32_t in_use = descriptors_in_use();
    EXPECT_EQ(string_assign(v, t), v);
    EXPECT_EQ(v->text, bytes) << "the variable now owns the temporary's bytes";
    EXPECT_EQ(text(v), "a new value");
    EXPECT_EQ(descriptors_in_use(), in_use - 1) << "the temporary's descriptor is released";
    EXPECT_EQ(main_list.entries[v->list_index], v);
    EXPECT_EQ(temporary_mark(), mark) << "the stolen temporary was the top entry";

    StrDesc* c = conventional_holding("x");
    StrDesc* ct = string_new_conventional(3, TEMPORARY);
    std::memcpy(ct->text, "xyz", 3);
    uint8_t* const conventional_bytes = ct->text;
    string_assign(c, ct);
    EXPECT_EQ(c->text, conventional_bytes);
    EXPECT_EQ(record_of(c), expected_record(c)) << "the record follows the stolen text";
}

TEST_F(Strings, AssignmentKeepsAVariableInPlaceWhileItFits) {
    StrDesc* v = variable_holding("abcdef");
    StrDesc* after = variable_holding("next");
    uint8_t* const place = v->text;

    struct Case {
        const char* value;
        bool stays;
    };
    // The variable has its 6 bytes, 32 bytes of slack and the 32-byte block of the empty
    // string that "after" started as (abandoned when it took its value) before "after".
    const std::string too_long(71, 'L');
    const Case cases[] = {
        {"abc", true},
        {"", true},
        {"0123456789012345678901234567890123456789", true},
        {too_long.c_str(), false},
    };
    for (const Case& c : cases) {
        uint8_t* const before = v->text;
        StrDesc* fixed_source = variable_holding(c.value);  // a variable: never stolen
        string_assign(v, fixed_source);
        EXPECT_EQ(text(v), c.value);
        EXPECT_EQ(v->text == before, c.stays) << c.value;
        string_free(fixed_source);
    }
    EXPECT_NE(v->text, place);
    EXPECT_EQ(text(after), "next") << "growing past the slack never overwrote the next string";

    // A literal is read-only, so it is copied; an empty one keeps the list place.
    const uint32_t index = v->list_index;
    string_assign(v, literal(""));
    EXPECT_EQ(v->length, 0);
    EXPECT_EQ(v->list_index, index);
}

TEST_F(Strings, TheNewestStringGrowsInPlaceUpToThePoolEnd) {
    StrDesc* v = variable_holding("ab");
    uint8_t* const place = v->text;
    const std::string longer(500, 'q');
    StrDesc* source = string_from_literal(longer.data(), 500);
    string_assign(v, source);
    EXPECT_EQ(v->text, place) << "nothing lies after the newest string";
    EXPECT_EQ(text(v), longer);
    EXPECT_EQ(main_pool.used, static_cast<size_t>(v->text - main_pool.base) + 500);
}

TEST_F(Strings, GrowingPastOnlyHolesDropsThemAndStaysInPlace) {
    // v is made after t and then steals t's text and list place: v's own, newer entry
    // becomes the hole at the top of the list.
    StrDesc* t = temporary("tt");
    StrDesc* v = variable();
    string_assign(v, t);
    ASSERT_EQ(main_list.entries[main_list.count - 1], STRING_LIST_HOLE);
    uint8_t* const place = v->text;
    string_assign(v, string_from_literal(std::string(100, 'z').c_str(), 100));
    EXPECT_EQ(v->text, place);
    EXPECT_EQ(main_list.count, v->list_index + 1);
    free_temporaries(mark, 0);
}

TEST_F(Strings, AssigningToAFixedStringPadsOrCuts) {
    uint8_t field[5];
    StrDesc* f = string_new_fixed(field, 5, NOT_TEMPORARY);
    struct Case {
        const char* value;
        const char* held;
    };
    const Case cases[] = {
        {"abc", "abc  "}, {"abcdefg", "abcde"}, {"", "     "}, {"vwxyz", "vwxyz"}};
    for (const Case& c : cases) {
        string_assign(f, literal(c.value));
        EXPECT_EQ(text(f), c.held) << c.value;
        EXPECT_EQ(f->text, field);
    }
    EXPECT_EQ(temporary_mark(), mark) << "each literal source was freed";
}

// A null text is an empty string, and copying it anywhere copies nothing.
TEST_F(Strings, AStringOverNoTextCopiesAsEmpty) {
    uint8_t field[3] = {'a', 'b', 'c'};
    StrDesc* f = string_new_fixed(field, 3, NOT_TEMPORARY);
    StrDesc* v = variable_holding("was here");
    string_assign(f, string_from_cstring(nullptr));
    string_assign(v, string_from_literal(nullptr, 0));
    string_assign(v, string_new_fixed(nullptr, 8, TEMPORARY));
    EXPECT_EQ(text(f), "   ");
    EXPECT_EQ(v->length, 0);
    EXPECT_EQ(text(string_concat(string_from_cstring(nullptr), literal("x"))), "x");
    free_temporaries(mark, 0);
}

TEST_F(Strings, AssigningAStringToItselfChangesNothing) {
    StrDesc* v = variable_holding("same");
    string_assign(v, v);
    EXPECT_EQ(text(v), "same");
    StrDesc* t = temporary("temp");
    EXPECT_EQ(string_assign(t, t), t);
    EXPECT_EQ(text(t), "temp") << "a temporary given as both sides is not freed";
    free_temporaries(mark, 0);
}

TEST_F(Strings, ConcatenatingWithAnEmptyStringReturnsTheOtherItself) {
    StrDesc* x = variable_holding("x");
    StrDesc* empty = literal("");
    const uint32_t in_use = descriptors_in_use();
    EXPECT_EQ(string_concat(empty, x), x);
    EXPECT_EQ(string_concat(x, empty), x);
    EXPECT_EQ(descriptors_in_use(), in_use) << "nothing is freed";
    EXPECT_FALSE(x->temporary) << "the result keeps its kind: a variable";
    free_temporaries(mark, 0);
}

TEST_F(Strings, TheStatementCleanupFreesNewestFirstAndPassesTheValueThrough) {
    StrDesc* a = temporary("a");
    StrDesc* b = temporary("b");
    StrDesc* c = temporary("c");
    string_free(b);  // not the newest: a hole stays behind
    EXPECT_EQ(temporary_mark(), mark + 3);
    EXPECT_EQ(temporary_list.entries[mark + 1], STRING_LIST_HOLE);
    string_free(c);  // now the holes reach the top and the count drops over both
    EXPECT_EQ(temporary_mark(), mark + 1);
    EXPECT_EQ(temporary_list.entries[mark], a);
    EXPECT_EQ(free_temporaries(mark, -1), -1);
    EXPECT_EQ(temporary_mark(), mark);
    EXPECT_EQ(descriptors_in_use(), baseline);
}

TEST_F(Strings, FreeingTheNewestStringsGivesTheirSpaceBackLikeAStack) {
    StrDesc* a = variable_holding("first");
    StrDesc* b = variable_holding("second");
    uint8_t* const after_a = a->text + a->length + MAIN_POOL_SLACK;
    string_free(b);
    EXPECT_EQ(main_pool.base + main_pool.used, after_a);
    StrDesc* c = temporary("third");
    EXPECT_EQ(c->text, after_a) << "the next string takes the freed space";
    free_temporaries(mark, 0);
    string_free(a);
    EXPECT_EQ(main_pool.base + main_pool.used,
              unknown_opcode_text->text + unknown_opcode_text->length + MAIN_POOL_SLACK);
}

TEST_F(Strings, MakingATemporaryTwiceListsItOnce) {
    StrDesc* v = variable_holding("result");
    string_make_temporary(v);
    string_make_temporary(v);
    EXPECT_EQ(temporary_mark(), mark + 1);
    free_temporaries(mark, 0);
    EXPECT_EQ(descriptors_in_use(), baseline);
}

TEST_F(Strings, FreeingAStringTwiceReleasesItOnce) {
    StrDesc* v = variable_holding("v");
    string_free(v);
    string_free(v);
    StrDesc* a = variable();
    StrDesc* b = variable();
    EXPECT_NE(a, b) << "a descriptor twice on the free stack would be handed out twice";
}

// A function returns its result variable as a temporary; the caller's statement frees it.
TEST_F(Strings, AFunctionResultOutlivesItsRoutineUntilTheCallersCleanup) {
    StrDesc* caller_variable = variable();
    const RoutineFrame frame = routine_enter();
    EXPECT_EQ(frame.temporary_mark, mark);
    StrDesc* result = variable();
    StrDesc* local = conventional_holding("local");
    string_assign(result, string_concat(literal("made "), literal("inside")));
    free_temporaries(frame.temporary_mark, 0);
    string_free(local);
    string_make_temporary(result);
    routine_exit(frame);
    EXPECT_EQ(data_segment.record_top, 65520u) << "the local's record is given back";

    string_assign(caller_variable, result);
    EXPECT_EQ(text(caller_variable), "made inside");
    free_temporaries(mark, 0);
    EXPECT_EQ(descriptors_in_use(), baseline + 1);
}

// Packing moves texts, so a pointer read before an allocation is stale after it; the
// descriptors themselves always point at the current place.
TEST_F(Strings, APackedPoolMovesTextsUnderTheirDescriptors) {
    StrDesc* doomed = variable_holding(std::string(100, 'd'));
    StrDesc* kept = variable_holding("kept");
    string_free(doomed);  // a hole of 132 bytes ahead of kept
    uint8_t* const before = kept->text;
    const size_t size = main_pool.size;
    // Take what is left of the pool, then one string more.
    StrDesc* filler = string_new(static_cast<uint32_t>(size - main_pool.used - 32), TEMPORARY);
    std::memset(filler->text, 'f', filler->length);
    StrDesc* one_more = temporary("!");
    EXPECT_NE(kept->text, before) << "kept slid down into the hole";
    EXPECT_EQ(text(kept), "kept");
    EXPECT_EQ(std::string(string_view_of(filler)), std::string(filler->length, 'f'));
    EXPECT_EQ(text(one_more), "!");
    free_temporaries(mark, 0);
}

TEST_F(Strings, AFullPoolGrowsToRequiredPlusTwiceItsSizeWithEveryStringIntact) {
    std::vector<std::pair<StrDesc*, std::string>> live;
    for (int n = 0; n < 300; ++n) {
        std::string value(n * 7 % 1000, static_cast<char>('a' + n % 26));
        live.emplace_back(variable_holding(value), value);
    }
    for (size_t n = 0; n < live.size(); n += 3)
        string_free(live[n].first);
    const size_t old_size = main_pool.size;
    const uint32_t big = 900000;
    StrDesc* huge = string_new(big, NOT_TEMPORARY);
    std::memset(huge->text, 'H', big);
    EXPECT_EQ(main_pool.size, big + 32 + 2 * old_size);
    for (size_t n = 0; n < live.size(); ++n) {
        if (n % 3 == 0) continue;
        ASSERT_EQ(text(live[n].first), live[n].second) << "string " << n;
    }
    EXPECT_EQ(std::string(string_view_of(huge)), std::string(big, 'H'));
}

TEST_F(Strings, ConcatenationReadsItsArgumentsAfterTheResultIsMade) {
    // a sits after a hole, so the result's allocation packs the pool and moves a.
    StrDesc* doomed = variable_holding(std::string(200, 'd'));
    StrDesc* a = variable_holding("left+");
    string_free(doomed);
    StrDesc* filler =
        string_new(static_cast<uint32_t>(main_pool.size - main_pool.used - 40), TEMPORARY);
    StrDesc* joined = string_concat(a, literal("right"));
    EXPECT_EQ(text(joined), "left+right");
    string_free(filler);
    free_temporaries(mark, 0);
}

TEST_F(Strings, AConventionalRecordAlwaysHoldsTheCurrentLengthAndOffset) {
    StrDesc* c = conventional_holding("abc");
    StrDesc* d = conventional_holding("defgh");
    EXPECT_EQ(record_of(c), expected_record(c));
    const auto check = [&](const char* step) {
        EXPECT_EQ(record_of(c), expected_record(c)) << step;
        EXPECT_EQ(record_of(d), expected_record(d)) << step;
    };
    string_assign(c, literal("a"));
    check("shorter, in place");
    string_assign(c, literal("abcdefghijkl"));  // d follows: relocated
    check("relocated");
    string_assign(d, literal("de"));
    string_assign(c, literal("abcdefghijklmnop"));  // the last one: grows in place
    check("grown in place");

    // Fill the data segment with a throwaway temporary so that the next string packs it.
    StrDesc* filler =
        string_new_conventional(data_segment.record_top - conventional_used - 2, TEMPORARY);
    string_free(filler);
    const uint8_t* const c_before = c->text;
    StrDesc* e = string_new_conventional(5, TEMPORARY);
    EXPECT_LT(c->text, c_before) << "packed down over the abandoned texts";
    check("packed");
    EXPECT_EQ(text(c), "abcdefghijklmnop");
    EXPECT_EQ(text(d), "de");
    EXPECT_EQ(e->text, data_segment.base + conventional_used - 5);
    free_temporaries(mark, 0);
}

TEST_F(Strings, AFixedStringInsideTheDataSegmentGetsARecord) {
    StrDesc* inside = string_new_fixed(data_segment.base + 0x8000, 12, NOT_TEMPORARY);
    EXPECT_NE(inside->record, nullptr);
    EXPECT_EQ(record_of(inside), (Record{12, 0x8000}));
    StrDesc* at_base = string_new_fixed(data_segment.base, 4, NOT_TEMPORARY);
    EXPECT_EQ(at_base->record, nullptr) << "only strictly inside";
    StrDesc* outside = string_new_fixed(low_memory + 0xB8000, 4, NOT_TEMPORARY);
    EXPECT_EQ(outside->record, nullptr);
    StrDesc* temporary_inside = string_new_fixed(data_segment.base + 0x9000, 4, TEMPORARY);
    EXPECT_EQ(temporary_inside->record, nullptr);
    free_temporaries(mark, 0);
}

// Critical errors end the process, so each runs in a child process of its own.
SCENARIO(string_exhaustion) {
    message_box_seam_install({});
    reset_core_state();
    string_tables_init();
    strings_init();
    const std::string& which = args.at(0);
    static uint8_t bytes[16];
    if (which == "free_stack") {
        std::vector<StrDesc*> made;
        for (uint32_t n = 0; n <= DESCRIPTOR_FREE_STACK_FIRST_CAPACITY; ++n)
            made.push_back(string_new_fixed(bytes, 1, NOT_TEMPORARY));
        strings_seam_fail_growth(508);
        for (StrDesc* s : made)
            string_free(s);
    } else if (which == "conventional_list") {
        // Fill the list to its capacity; the second string after that needs it to grow.
        while (conventional_list.count < STRING_LIST_FIRST_CAPACITY)
            string_new_conventional(0, TEMPORARY);
        strings_seam_fail_growth(509);
        string_new_conventional(0, NOT_TEMPORARY);
        string_new_conventional(0, NOT_TEMPORARY);
    } else if (which == "main_list") {
        strings_seam_fail_growth(510);
        for (uint32_t n = 0; n <= STRING_LIST_FIRST_CAPACITY + 1; ++n)
            string_new(0, NOT_TEMPORARY);
    } else if (which == "temporary_list") {
        strings_seam_fail_growth(511);
        for (uint32_t n = 0; n <= STRING_LIST_FIRST_CAPACITY; ++n)
            string_from_literal("t", 1);
    } else if (which == "main_pool") {
        strings_seam_fail_growth(512);
        string_new(MAIN_POOL_FIRST_SIZE, TEMPORARY);
    } else if (which == "too_long") {
        string_new(STRING_MAX_LENGTH + 1, TEMPORARY);
    } else if (which == "data_segment") {
        for (;;)
            string_new_conventional(1000, TEMPORARY);
    } else if (which == "record") {
        string_new_conventional(data_segment.record_top - conventional_used, NOT_TEMPORARY);
    } else if (which == "fixed_record") {
        string_new_conventional(data_segment.record_top - conventional_used - 2, TEMPORARY);
        string_new_fixed(data_segment.base + 0x100, 4, NOT_TEMPORARY);
    }
    scenario_say("returned");
}

TEST(StringsProcess, ExhaustedStringMemoryIsACriticalError) {
    struct Case {
        const char* exhausted;
        const char* caption;
    };
    const Case cases[] = {
        {"free_stack", "Critical Error #8"},    {"conventional_list", "Critical Error #9"},
        {"main_list", "Critical Error #10"},    {"temporary_list", "Critical Error #11"},
        {"main_pool", "Critical Error #12"},    {"too_long", "Critical Error #12"},
        {"data_segment", "Critical Error #13"}, {"record", "Critical Error #14"},
        {"fixed_record", "Critical Error #15"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_scenario("string_exhaustion", {c.exhausted});
        EXPECT_EQ(result.exit_code, 0) << c.exhausted << "\n" << result.output;
        EXPECT_NE(result.output.find(std::string("[") + c.caption + "] [Out of memory]"),
                  std::string::npos)
            << c.exhausted << "\n"
            << result.output;
        EXPECT_EQ(result.output.find("returned"), std::string::npos) << c.exhausted;
    }
}

}  // namespace
