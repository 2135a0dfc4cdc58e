// String descriptors, the pools that hold string text, and the temporary-string rules.
//
// Every string value is a StrDesc: a descriptor pointing at a counted run of bytes (any
// byte, zero included; never zero-terminated). Text lives in one of three places:
//
//   the main pool       one growable heap block; each new string is followed by 32 bytes
//                       of slack so a variable re-assigned slightly longer values stays put
//   the data segment    LowMemory 500h-104FFh; conventional strings, addressable by
//                       segment and offset, each variable one with a 4-byte length/offset
//                       record taken downwards from the record top
//   foreign text        literals and fixed-length fields the descriptor does not own
//
// Lifetime rules every caller keeps:
//   - An operation that returns a new string returns a temporary; one given a temporary
//     returns it (maybe changed in place) or frees it; reading operations free nothing.
//   - A routine keeps the temporary count at entry as its mark, and after each statement
//     calls free_temporaries(mark, value); a condition's value passes through it, so the
//     temporaries are gone before the value is tested.
//   - Any allocation may move the text of every main-pool or conventional string: a text
//     pointer read from a descriptor is good only until the next allocation.
//
// Nothing here looks at the pending run-time error; exhausted tables and pools are
// critical errors 508-515. Program thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct FieldBinding;  // a random-access record buffer a string is bound to (files)

struct StrDesc {
    uint8_t* text;                // first byte of the string
    int32_t length;               // never negative
    uint8_t in_conventional;      // the text lies in the data segment
    uint16_t* record;             // the length/offset record in the data segment, or null
    uint16_t record_offset;       // offset of that record within the data segment
    uint32_t list_index;          // position on the main or conventional list
    uint8_t temporary;            // on the temporary list
    uint32_t temp_index;          // position on the temporary list; 0 = not on it
    uint8_t fixed;                // fixed length over foreign text
    uint8_t read_only;            // foreign text that must not be written
    FieldBinding* field_binding;  // null while unbound
};

// Whether a new string goes on the temporary list.
enum Temporary : bool { NOT_TEMPORARY = false, TEMPORARY = true };

// ---------------------------------------------------------------------------------------
// Sizes and state
// ---------------------------------------------------------------------------------------
inline constexpr uint32_t DESCRIPTOR_BLOCK_SIZE = 65536;
inline constexpr uint32_t DESCRIPTOR_FREE_STACK_FIRST_CAPACITY = 65536;
inline constexpr uint32_t STRING_LIST_FIRST_CAPACITY = 65535;
inline constexpr size_t MAIN_POOL_FIRST_SIZE = 1048576;
inline constexpr uint32_t MAIN_POOL_SLACK = 32;
// Offsets 0 to 255 of the data segment never hold string text.
inline constexpr uint32_t CONVENTIONAL_FIRST_OFFSET = 256;
inline constexpr uint32_t STRING_RECORD_SIZE = 4;
// The longest string a descriptor can count, slack included in the pool.
inline constexpr uint32_t STRING_MAX_LENGTH = 0x7FFFFFFF - MAIN_POOL_SLACK;

// A list of descriptors: entries[0 .. count-1] are live descriptors or holes; the array
// holds capacity + 1 entries, so one append past the capacity still fits before the list
// is compacted or grown.
struct StringList {
    StrDesc** entries = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;
};

// A freed list entry: all bits set.
inline StrDesc* const STRING_LIST_HOLE = reinterpret_cast<StrDesc*>(~uintptr_t{0});

struct MainPool {
    uint8_t* base = nullptr;
    size_t size = 0;
    size_t used = 0;  // offset just past the last reserved byte
};

extern StringList main_list;          // main-pool strings in creation order
extern StringList conventional_list;  // data-segment strings
extern StringList temporary_list;     // entry 0 is never used and stays zero
extern MainPool main_pool;
extern uint32_t conventional_used;  // data-segment offset where the next text goes

// The strings made at start-up that live for the whole run.
extern StrDesc* shared_empty_string;  // empty, conventional: what an empty print prints
extern StrDesc* shared_space_string;  // one space, conventional: the fill character
extern StrDesc* unknown_opcode_text;  // "Unknown Opcode (  )", main pool

// ---------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------

// Sets up the descriptor blocks, free stack, lists, main pool and conventional pool as
// the process finds them before start-up; any earlier state is dropped. Needs the data
// segment (low_memory_init).
void string_tables_init();

// Creates the three strings that live for the whole run (start-up).
void strings_init();

// ---------------------------------------------------------------------------------------
// Creating, handing on and freeing strings
// ---------------------------------------------------------------------------------------

// A new string of length bytes (contents undefined) in the main pool.
StrDesc* string_new(uint32_t length, Temporary temporary);

// A new string of length bytes (contents undefined) in the data segment; a non-temporary
// one gets its length/offset record.
StrDesc* string_new_conventional(uint32_t length, Temporary temporary);

// A read-only temporary over a zero-terminated text (null: empty); nothing is copied.
StrDesc* string_from_cstring(const char* text);

// A read-only temporary over length bytes of text (negative: empty); nothing is copied.
StrDesc* string_from_literal(const char* text, int32_t length);

// A fixed-length string over length bytes at address; a non-temporary one inside the data
// segment gets a length/offset record.
StrDesc* string_new_fixed(uint8_t* address, int32_t length, Temporary temporary);

// Puts s on the temporary list and returns it.
StrDesc* string_make_temporary(StrDesc* s);

// Releases s and whatever text it owns.
void string_free(StrDesc* s);

// Gives the variable dest the value of src (consumed when temporary) and returns dest.
StrDesc* string_assign(StrDesc* dest, StrDesc* src);

// a followed by b; temporary arguments are consumed. An empty argument gives the other
// one back unchanged, which may be a variable.
StrDesc* string_concat(StrDesc* a, StrDesc* b);

// Frees every temporary at or above mark, newest first, and returns value unchanged.
int32_t free_temporaries(uint32_t mark, int32_t value);

// The temporary count: what a routine keeps at entry as its temporary mark.
uint32_t temporary_mark();

// ---------------------------------------------------------------------------------------
// Reading strings from native code, and checking the bookkeeping
// ---------------------------------------------------------------------------------------

// The bytes of s (valid until the next string allocation).
inline std::string_view string_view_of(const StrDesc* s) {
    return {reinterpret_cast<const char*>(s->text), static_cast<size_t>(s->length)};
}

// A copy of the bytes of s.
inline std::string string_copy_of(const StrDesc* s) {
    return std::string(string_view_of(s));
}

// Descriptors handed out and not released.
uint32_t descriptors_in_use();

// Walks every list, pool and record and describes the first inconsistency found, or
// returns an empty text when the bookkeeping holds together.
std::string string_state_problem();

// Makes every later heap growth that would fail with critical error error fail (0: none),
// so tests can reach the critical errors of exhausted memory.
void strings_seam_fail_growth(uint32_t error);
