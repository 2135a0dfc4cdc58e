// The model interpreter's parts, shared by the files that implement it: its limits, the
// kinds of statement and expression it draws, how it tracks each string, and the
// interpreter itself.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>
#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/strings/string_functions.h"

#include "tests/strings/string_model.h"

namespace string_model {

// The interpreter keeps well away from the critical errors of exhausted pools, which end
// the process: most strings stay short, a few main-pool strings are large enough to push
// the pool past its first size, and the data segment never holds more than about two
// thirds of its room, so that packing always makes space.
constexpr int32_t TEXT_LENGTH_MAX = 4096;
constexpr int32_t BIG_LENGTH_MIN = 128 * 1024;
constexpr int32_t BIG_LENGTH_MAX = 640 * 1024;
constexpr int64_t MAIN_STRING_MAX = 1280 * 1024;
constexpr int64_t MAIN_LIVE_MAX = 8 * 1024 * 1024;
constexpr int64_t CONVENTIONAL_LIVE_MAX = 40000;
constexpr int64_t CONVENTIONAL_SAFETY = 2048;
// Each variable of the data segment made again takes a new record; a routine gets them
// back only when it returns, so the model frees such variables only within this budget.
constexpr uint32_t RECORD_BYTES_MAX = 2048;

// The model's own variables, in this order: main pool, data segment, then the fixed-length
// one outside the data segment and the one inside it.
constexpr size_t MAIN_VARIABLES = 4;
constexpr size_t CONVENTIONAL_VARIABLES = 3;
constexpr size_t FIXED_VARIABLES = 2;

constexpr int EXPRESSION_DEPTH_MAX = 3;
constexpr int FUNCTION_DEPTH_MAX = 2;
constexpr size_t TRACE_LINES_SHOWN = 48;

// The fixed-length variable inside the data segment lies below the first string text, in
// the offsets that never hold string text, so that nothing but the model writes there.
constexpr uint32_t FIXED_IN_SEGMENT_OFFSET = 16;
constexpr int32_t FIXED_IN_SEGMENT_LENGTH = 40;
constexpr int32_t FIXED_OUTSIDE_LENGTH = 24;

// Where a string's text lives, as far as the lifetime rules care.
enum class Place : uint8_t { main_pool, data_segment, literal, fixed };

// Thrown by a failed check and caught by run_statement; it never crosses runtime code,
// since every check runs after the runtime call it follows has returned.
struct Mismatch {
    std::string what;
};

[[noreturn]] inline void fail(std::string what) {
    throw Mismatch{std::move(what)};
}

inline std::string shown(std::string_view bytes) {
    constexpr size_t SHOWN_BYTES = 40;
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t n = 0; n < bytes.size() && n < SHOWN_BYTES; ++n) {
        const auto c = static_cast<uint8_t>(bytes[n]);
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 15];
        }
    }
    out += '"';
    if (bytes.size() > SHOWN_BYTES) out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

// Where two byte strings first differ, for a message that stays short with long strings.
inline std::string difference(std::string_view actual, std::string_view expected) {
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return "holds " + shown(actual.substr(at > 8 ? at - 8 : 0)) + " from byte " +
           std::to_string(at > 8 ? at - 8 : 0) + ", expected " +
           shown(expected.substr(at > 8 ? at - 8 : 0)) + " (lengths " +
           std::to_string(actual.size()) + " and " + std::to_string(expected.size()) + ")";
}

inline std::string little_endian(uint64_t value, int bytes) {
    std::string out;
    for (int n = 0; n < bytes; ++n)
        out += static_cast<char>(value >> (8 * n));
    return out;
}

inline uint64_t read_little_endian(std::string_view bytes, size_t count) {
    uint64_t value = 0;
    for (size_t n = count; n-- > 0;)
        value = value << 8 | static_cast<uint8_t>(bytes[n]);
    return value;
}

template <typename Number>
inline std::string bytes_of(Number value) {
    std::string out(sizeof value, '\0');
    std::memcpy(out.data(), &value, sizeof value);
    return out;
}

// The 80-bit value in the first 10 bytes of a zero-filled 32-byte string.
inline std::string extended_bytes(long double value) {
    std::string out(32, '\0');
    std::memcpy(out.data(), &value, 10);
    return out;
}

inline uint64_t field_mask(int32_t bits) {
    return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

// The older floating layout read back: exponent byte e on top (0 means the value 0), then
// the sign, then fraction_bits of fraction; value = 1.fraction * 2^(e - 129).
inline long double older_layout_value(uint64_t packed, int fraction_bits) {
    const int exponent = static_cast<int>(packed >> (fraction_bits + 1));
    if (exponent == 0) return 0;
    const uint64_t significand = (packed & field_mask(fraction_bits)) | uint64_t{1}
                                                                            << fraction_bits;
    const long double magnitude =
        std::ldexp(static_cast<long double>(significand), exponent - 129 - fraction_bits);
    return (packed >> fraction_bits & 1) ? -magnitude : magnitude;
}

// Whether the older layout can hold value: finite, and 1.f * 2^(e - 129) with e in 1-255.
inline bool older_layout_holds(long double value) {
    if (value == 0) return true;
    if (!std::isfinite(value)) return false;
    int exponent = 0;
    std::frexp(value, &exponent);
    const int stored = exponent - 1 + 129;
    return stored >= 1 && stored <= 255;
}

inline int32_t clamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Texts the program could hold as literals: short ones that the string functions treat
// specially (spaces, both cases, zero and high bytes, needles that occur twice).
constexpr std::string_view LITERALS[] = {
    "",
    " ",
    "abc",
    "ABC",
    "AB",
    "ABCBC",
    "BC",
    "  Hello, World  ",
    "mixed Case 42",
    "     ",
    "\t tab \t",
    std::string_view("nul\0byte", 8),
    "\xff\x80\x7f high",
    "Unknown Opcode (  )",
    "x",
    "zZ aA",
};

constexpr const char* C_STRINGS[] = {nullptr, "", "quoted", "  lead", "trail  ", "UPPER lower"};

// A block of constant bytes that literals of any length up to its size are cut from.
constexpr size_t LITERAL_BLOCK_SIZE = 8192;

inline const std::array<char, LITERAL_BLOCK_SIZE>& literal_block() {
    static const std::array<char, LITERAL_BLOCK_SIZE> block = [] {
        std::array<char, LITERAL_BLOCK_SIZE> bytes{};
        uint32_t state = 12345;
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            const uint32_t r = state >> 16;
            c = (r % 5 == 0) ? ' ' : static_cast<char>((r % 3 == 0) ? 'a' + r % 26 : 'A' + r % 26);
        }
        return bytes;
    }();
    return block;
}

struct Variable {
    std::string name;
    Place place;
    StrDesc* desc = nullptr;  // null while freed
    std::string model;
    bool owned = true;  // false for the run's shared strings: never assigned or freed
    uint8_t* fixed_text = nullptr;
    int32_t fixed_length = 0;
    bool in_data_segment = false;  // a fixed variable with a record
    // The text offset seen by the last check, and whether an operation since then could
    // legitimately have moved the text.
    size_t last_offset = 0;
    bool touched = true;
};

// A temporary from its creation until the runtime frees it. A held one is an expression
// value the program still has; an orphan was handed to a call that read it or that gave
// back another argument, so only the statement cleanup frees it.
enum class Life : uint8_t { held, orphan, gone };

struct TempString {
    std::string name;
    Place place;
    StrDesc* desc = nullptr;
    std::string model;
    Life life = Life::held;
    std::unique_ptr<uint8_t[]> fixed_text;  // owned bytes of a fixed-length temporary
    uint32_t slot = 0;                      // its entry on the temporary list
    size_t last_offset = 0;
    bool touched = true;
};

struct Value {
    bool temporary = false;
    size_t index = 0;
};

// Whether a new temporary's text was just taken from the end of its pool, which puts it
// right at the pool's end (followed by the slack in the main pool).
enum class Allocation : bool { foreign_or_reused, fresh };

enum class Statement : uint8_t {
    assign,
    append,
    mid_assign,
    set_fixed,
    compare,
    search,
    byte_value,
    length,
    unpack,
    round_trip,
    free_variable,
    recreate_variable,
    conventional_churn,
    while_error_pending,
    big_string,
};

enum class Expression : uint8_t {
    // Leaves first: an exhausted input decides 0 and must end the recursion.
    variable,
    literal,
    c_string,
    main_temporary,
    conventional_temporary,
    fixed_temporary,
    fresh_copy,
    spaces,
    repeat,
    one_byte,
    packed,
    upper,
    lower,
    trim_left,
    trim_right,
    left,
    right,
    mid,
    concat,
    function_call,
};
constexpr size_t LEAF_KINDS = static_cast<size_t>(Expression::packed) + 1;

template <typename Kind>
struct Weighted {
    Kind kind;
    uint32_t weight;
};

// clang-format off
constexpr Weighted<Statement> STATEMENT_WEIGHTS[] = {
    // statement                     weight
    {Statement::assign,                  30},
    {Statement::append,                  12},
    {Statement::mid_assign,               6},
    {Statement::set_fixed,                4},
    {Statement::compare,                  8},
    {Statement::search,                   5},
    {Statement::byte_value,               3},
    {Statement::length,                   2},
    {Statement::unpack,                   3},
    {Statement::round_trip,               3},
    {Statement::free_variable,            4},
    {Statement::recreate_variable,        3},
    {Statement::conventional_churn,      12},
    {Statement::while_error_pending,      1},
    {Statement::big_string,               1},
};

constexpr Weighted<Expression> EXPRESSION_WEIGHTS[] = {
    // expression                    weight
    {Expression::variable,               14},
    {Expression::literal,                 8},
    {Expression::c_string,                2},
    {Expression::main_temporary,          6},
    {Expression::conventional_temporary,  4},
    {Expression::fixed_temporary,         2},
    {Expression::fresh_copy,              2},
    {Expression::spaces,                  2},
    {Expression::repeat,                  2},
    {Expression::one_byte,                3},
    {Expression::packed,                  2},
    {Expression::upper,                   3},
    {Expression::lower,                   3},
    {Expression::trim_left,               3},
    {Expression::trim_right,              3},
    {Expression::left,                    4},
    {Expression::right,                   4},
    {Expression::mid,                     5},
    {Expression::concat,                  8},
    {Expression::function_call,           2},
};
// clang-format on

}  // namespace string_model

// Only the model's own files include this header.
using namespace string_model;

struct StringModelInterpreter::Interpreter {
    explicit Interpreter(BookkeepingWalk walk);

    // Decisions.
    uint32_t pick(uint32_t n);
    bool chance(uint32_t in_256);
    uint64_t pick_bits64();
    int32_t pick_length();
    int32_t pick_count();
    int32_t pick_position(int64_t length);
    std::string pick_text(int32_t length);
    template <typename Kind, size_t N>
    Kind pick_weighted(const Weighted<Kind> (&table)[N], size_t count);

    // Values.
    StrDesc* desc(Value v) const;
    std::string& model(Value v);
    Place place(Value v) const;
    const std::string& name(Value v) const;
    Value adopt(StrDesc* s, Place place, std::string model, Allocation allocation,
                std::unique_ptr<uint8_t[]> fixed_text = nullptr);
    Value push_temp(StrDesc* s, Place place, std::string model, Allocation allocation,
                    std::unique_ptr<uint8_t[]> fixed_text = nullptr);
    void consume(Value v);
    void consume_stolen(Value v);
    void orphan(Value v);

    // Budgets.
    int64_t main_live() const;
    int64_t conventional_live() const;
    int32_t main_room() const;
    int32_t conventional_room() const;
    uint32_t record_bytes_used() const;

    // Checks.
    void note(std::string line);
    void check(bool statement_end = false);
    void check_value(const std::string& name, Place place, const StrDesc* d,
                     const std::string& model, bool temporary);
    void track_move(const std::string& name, Place place, const StrDesc* d, size_t& last_offset,
                    bool& touched, bool& main_moved, bool& conventional_moved);
    void expect_error(bool expected, const std::string& what);

    // Statements.
    void statement();
    void end_statement(uint32_t mark, size_t first_temp, int32_t value);
    size_t pick_destination();
    size_t pick_fixed_destination();
    void recreate(size_t n);
    void make_record_room();
    Value fit_for(size_t destination, Value source);
    void assign(size_t destination, Value source);
    void append_statement();
    void mid_assign_statement();
    void set_fixed_statement();
    int32_t compare_statement();
    int32_t search_statement();
    int32_t byte_value_statement();
    int32_t length_statement();
    void unpack_statement();
    void round_trip_statement();
    void free_variable_statement();
    void conventional_churn_statement();
    void while_error_pending_statement();
    void big_string_statement();

    // Expressions.
    Value expression(int depth);
    Value variable_leaf();
    Value literal_leaf();
    Value c_string_leaf();
    Value main_temporary(int32_t length);
    Value conventional_temporary(int32_t length);
    Value fixed_temporary();
    Value fresh_copy();
    Value filled(Expression kind, int32_t count);
    Value one_byte();
    Value packed();
    Value apply(Value arg, const std::string& call, const std::string& expected,
                const std::function<StrDesc*(StrDesc*)>& function, bool either_allowed = false);
    Value left(Value arg, int32_t n);
    Value concat(Value a, Value b);
    Value function_call();

    BookkeepingWalk walk;
    std::vector<Variable> variables;
    std::vector<const StrDesc*> seen_descriptors;  // kept to spare an allocation per check
    std::vector<TempString> temps;
    std::array<uint8_t, FIXED_OUTSIDE_LENGTH> outside_buffer{};
    // Texts cut from the strings of a statement to use as literals (needles); each lives
    // until its statement's cleanup has freed every temporary that could point at it.
    std::deque<std::unique_ptr<std::string>> statement_literals;
    size_t owned_variables = 0;  // variables 0 .. owned_variables - 1 are the model's own
    ModelCounters counters;
    DecisionBytes* decisions = nullptr;
    uint32_t baseline_descriptors = 0;
    uint32_t saved_record_top = 0;
    uint32_t routine_mark = 0;  // the temporary mark of the routine now running
    // The temporary count the lifetime rules predict, and the count found at the start
    // (entries below it are not the model's).
    uint32_t temp_count = 0;
    uint32_t first_mark = 0;
    int function_depth = 0;
    size_t local_variable = 0;  // the result variable of the innermost function
    uint64_t temps_made = 0;
    std::vector<std::string> trace;
    std::string problem;
    bool finished = false;
    uint8_t* seen_pool_base = nullptr;
    size_t seen_pool_size = 0;
};

template <typename Kind, size_t N>
Kind StringModelInterpreter::Interpreter::pick_weighted(const Weighted<Kind> (&table)[N],
                                                        size_t count) {
    uint32_t total = 0;
    for (size_t n = 0; n < count; ++n)
        total += table[n].weight;
    uint32_t at = pick(total);
    for (size_t n = 0; n < count; ++n) {
        if (at < table[n].weight) return table[n].kind;
        at -= table[n].weight;
    }
    return table[0].kind;
}
