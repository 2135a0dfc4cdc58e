// The expressions the model draws: leaves of every kind of string, the string functions
// over them, joins and calls of functions with their own temporary mark.
#include "tests/strings/string_model_interpreter.h"

// ---------------------------------------------------------------------------------------
// Expressions
// ---------------------------------------------------------------------------------------

Value StringModelInterpreter::Interpreter::expression(int depth) {
    const size_t kinds = depth >= EXPRESSION_DEPTH_MAX ? LEAF_KINDS : std::size(EXPRESSION_WEIGHTS);
    Expression kind = pick_weighted(EXPRESSION_WEIGHTS, kinds);
    if (kind == Expression::function_call && function_depth >= FUNCTION_DEPTH_MAX) {
        kind = Expression::variable;
    }
    switch (kind) {
        case Expression::variable:
            return variable_leaf();
        case Expression::literal:
            return literal_leaf();
        case Expression::c_string:
            return c_string_leaf();
        case Expression::main_temporary:
            return main_temporary(pick_length());
        case Expression::conventional_temporary:
            return conventional_temporary(pick_length());
        case Expression::fixed_temporary:
            return fixed_temporary();
        case Expression::fresh_copy:
            return fresh_copy();
        case Expression::spaces:
        case Expression::repeat:
            return filled(kind, pick_count());
        case Expression::one_byte:
            return one_byte();
        case Expression::packed:
            return packed();
        case Expression::upper:
        case Expression::lower: {
            const Value arg = expression(depth + 1);
            const bool up = kind == Expression::upper;
            std::string expected = model(arg);
            for (char& c : expected) {
                if (up && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
                if (!up && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            }
            return apply(arg, up ? "string_to_upper" : "string_to_lower", expected,
                         up ? string_to_upper : string_to_lower);
        }
        case Expression::trim_left: {
            const Value arg = expression(depth + 1);
            const std::string& text = model(arg);
            const size_t first = text.find_first_not_of(' ');
            return apply(arg, "string_trim_left",
                         first == std::string::npos ? std::string() : text.substr(first),
                         string_trim_left);
        }
        case Expression::trim_right: {
            const Value arg = expression(depth + 1);
            const std::string& text = model(arg);
            const size_t last = text.find_last_not_of(' ');
            return apply(arg, "string_trim_right",
                         last == std::string::npos ? std::string() : text.substr(0, last + 1),
                         string_trim_right);
        }
        case Expression::left: {
            const Value arg = expression(depth + 1);
            return left(arg, pick_position(static_cast<int64_t>(model(arg).size())));
        }
        case Expression::right: {
            const Value arg = expression(depth + 1);
            const std::string& text = model(arg);
            const int32_t n = pick_position(static_cast<int64_t>(text.size()));
            const auto kept = static_cast<size_t>(std::clamp<int64_t>(n, 0, text.size()));
            return apply(arg, "string_right " + std::to_string(n), text.substr(text.size() - kept),
                         [n](StrDesc* s) { return string_right(s, n); });
        }
        case Expression::mid: {
            const Value arg = expression(depth + 1);
            const std::string& text = model(arg);
            const auto length = static_cast<int64_t>(text.size());
            const int32_t start = pick_position(length);
            const int32_t count = pick_position(length);
            const bool given = chance(160);
            // Positions before the first shorten a given length; the part ends at the end.
            int64_t first = start;
            int64_t taken = 0;
            if (given) {
                taken = count;
                if (first <= 0) {
                    taken -= 1 - first;
                    first = 1;
                }
                taken = (taken <= 0 || first > length) ? 0 : std::min(taken, length - first + 1);
            } else {
                first = std::max<int64_t>(first, 1);
                taken = std::max<int64_t>(length - first + 1, 0);
            }
            const std::string expected = taken == 0 ? std::string()
                                                    : text.substr(static_cast<size_t>(first - 1),
                                                                  static_cast<size_t>(taken));
            // The empty part of an empty string may be the string itself or a new one.
            return apply(
                arg,
                "string_mid " + std::to_string(start) + " " +
                    (given ? std::to_string(count) : std::string("OMITTED")),
                expected,
                [=](StrDesc* s) { return string_mid(s, start, count, given ? GIVEN : OMITTED); },
                text.empty());
        }
        case Expression::concat: {
            const Value a = expression(depth + 1);
            const Value b = expression(depth + 1);
            return concat(a, b);
        }
        case Expression::function_call:
            return function_call();
    }
    return variable_leaf();
}

Value StringModelInterpreter::Interpreter::variable_leaf() {
    const size_t n = pick(static_cast<uint32_t>(variables.size()));
    if (variables[n].desc == nullptr) return literal_leaf();
    return {false, n};
}

Value StringModelInterpreter::Interpreter::literal_leaf() {
    const char* text = nullptr;
    int32_t length = 0;
    if (chance(160)) {
        const std::string_view literal = LITERALS[pick(std::size(LITERALS))];
        text = literal.data();
        length = static_cast<int32_t>(literal.size());
    } else {
        const uint32_t from = pick(LITERAL_BLOCK_SIZE);
        text = literal_block().data() + from;
        length = std::min<int32_t>(pick_length(), static_cast<int32_t>(LITERAL_BLOCK_SIZE - from));
    }
    // A negative length counts as empty.
    if (chance(8)) length = -1 - static_cast<int32_t>(pick(5));
    const std::string expected(text, static_cast<size_t>(std::max(length, 0)));
    note("string_from_literal(" + shown(expected) + ", " + std::to_string(length) + ")");
    return push_temp(string_from_literal(text, length), Place::literal, expected,
                     Allocation::foreign_or_reused);
}

Value StringModelInterpreter::Interpreter::c_string_leaf() {
    const char* text = C_STRINGS[pick(std::size(C_STRINGS))];
    const std::string expected = text == nullptr ? std::string() : std::string(text);
    note("string_from_cstring(" + (text == nullptr ? std::string("null") : shown(expected)) + ")");
    return push_temp(string_from_cstring(text), Place::literal, expected,
                     Allocation::foreign_or_reused);
}

// A new temporary in the main pool, as a conversion to text would make.
Value StringModelInterpreter::Interpreter::main_temporary(int32_t length) {
    length = std::min(length, main_room());
    const std::string text = pick_text(length);
    note("string_new(" + std::to_string(length) + ", TEMPORARY) filled with " + shown(text));
    StrDesc* s = string_new(static_cast<uint32_t>(length), TEMPORARY);
    std::memcpy(s->text, text.data(), text.size());
    return push_temp(s, Place::main_pool, text, Allocation::fresh);
}

Value StringModelInterpreter::Interpreter::conventional_temporary(int32_t length) {
    length = std::min(length, conventional_room());
    const std::string text = pick_text(length);
    note("string_new_conventional(" + std::to_string(length) + ", TEMPORARY) filled with " +
         shown(text));
    StrDesc* s = string_new_conventional(static_cast<uint32_t>(length), TEMPORARY);
    std::memcpy(s->text, text.data(), text.size());
    return push_temp(s, Place::data_segment, text, Allocation::fresh);
}

// A fixed-length temporary over bytes of its own, like a field handed to an expression.
Value StringModelInterpreter::Interpreter::fixed_temporary() {
    const int32_t length = pick_length();
    const std::string text = pick_text(length);
    auto bytes = std::make_unique<uint8_t[]>(text.size() + 1);
    std::memcpy(bytes.get(), text.data(), text.size());
    note("string_new_fixed(" + std::to_string(length) + ", TEMPORARY) over " + shown(text));
    StrDesc* s = string_new_fixed(bytes.get(), length, TEMPORARY);
    return push_temp(s, Place::fixed, text, Allocation::foreign_or_reused, std::move(bytes));
}

// A function's way of returning a string: a new non-temporary string, filled (here with a
// copy of a variable, read only after the allocation that may have moved it), then handed
// to the caller by string_make_temporary.
Value StringModelInterpreter::Interpreter::fresh_copy() {
    const size_t n = pick(static_cast<uint32_t>(variables.size()));
    const bool copy = variables[n].desc != nullptr &&
                      static_cast<int64_t>(variables[n].model.size()) <= main_room();
    const std::string text =
        copy ? variables[n].model : pick_text(std::min(pick_length(), main_room()));
    note("string_new(" + std::to_string(text.size()) + ", NOT_TEMPORARY) filled from " +
         (copy ? variables[n].name : shown(text)) + ", then string_make_temporary");
    StrDesc* s = string_new(static_cast<uint32_t>(text.size()), NOT_TEMPORARY);
    std::memcpy(s->text,
                copy ? variables[n].desc->text : reinterpret_cast<const uint8_t*>(text.data()),
                text.size());
    if (string_make_temporary(s) != s) fail("string_make_temporary returned another descriptor");
    return push_temp(s, Place::main_pool, text, Allocation::fresh);
}

Value StringModelInterpreter::Interpreter::filled(Expression kind, int32_t count) {
    count = std::min(count, main_room());
    const auto length = static_cast<size_t>(std::max(count, 0));
    if (kind == Expression::spaces) {
        note("string_spaces(" + std::to_string(count) + ")");
        return push_temp(string_spaces(count), Place::main_pool, std::string(length, ' '),
                         Allocation::fresh);
    }
    static constexpr int32_t CODES[] = {'*',       0,  255,
                                        256 + 'A', -1, std::numeric_limits<int32_t>::min()};
    const int32_t code =
        chance(128) ? static_cast<int32_t>(pick(256)) : CODES[pick(std::size(CODES))];
    note("string_repeat(" + std::to_string(count) + ", " + std::to_string(code) + ")");
    return push_temp(string_repeat(count, code), Place::main_pool,
                     std::string(length, static_cast<char>(code & 0xFF)), Allocation::fresh);
}

Value StringModelInterpreter::Interpreter::one_byte() {
    static constexpr int32_t BAD_CODES[] = {-1, 256, 1000, std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max()};
    const int32_t code =
        chance(32) ? BAD_CODES[pick(std::size(BAD_CODES))] : static_cast<int32_t>(pick(256));
    const bool bad = code < 0 || code > 255;
    note("string_chr(" + std::to_string(code) + ")");
    StrDesc* s = string_chr(code);
    expect_error(bad, "string_chr(" + std::to_string(code) + ")");
    return push_temp(s, Place::main_pool,
                     bad ? std::string() : std::string(1, static_cast<char>(code)),
                     Allocation::fresh);
}

// The pack functions whose bytes the model builds itself.
Value StringModelInterpreter::Interpreter::packed() {
    const uint64_t bits = pick_bits64();
    const uint32_t kind = pick(8);
    std::string expected;
    StrDesc* s = nullptr;
    std::string what;
    bool error = false;
    switch (kind) {
        case 0:
            what = "pack_byte";
            expected = little_endian(bits, 1);
            note(what);
            s = pack_byte(static_cast<uint8_t>(bits));
            break;
        case 1:
            what = "pack_int16";
            expected = little_endian(bits, 2);
            note(what);
            s = pack_int16(static_cast<int16_t>(bits));
            break;
        case 2:
            what = "pack_int32";
            expected = little_endian(bits, 4);
            note(what);
            s = pack_int32(static_cast<int32_t>(bits));
            break;
        case 3:
            what = "pack_int64";
            expected = little_endian(bits, 8);
            note(what);
            s = pack_int64(static_cast<int64_t>(bits));
            break;
        case 4: {
            float f = 0;
            const auto low = static_cast<uint32_t>(bits);
            std::memcpy(&f, &low, sizeof f);
            what = "pack_float32";
            expected = bytes_of(f);
            note(what);
            s = pack_float32(f);
            break;
        }
        case 5: {
            double f = 0;
            std::memcpy(&f, &bits, sizeof f);
            what = "pack_float64";
            expected = bytes_of(f);
            note(what);
            s = pack_float64(f);
            break;
        }
        case 6: {
            const long double f = static_cast<long double>(static_cast<int64_t>(bits)) / 7;
            what = "pack_float80";
            expected = extended_bytes(f);
            note(what);
            s = pack_float80(f);
            break;
        }
        default: {
            static constexpr int32_t WIDTHS[] = {0, 65, -4, 1, 3, 8, 12, 17, 32, 40, 63, 64};
            const int32_t width = WIDTHS[pick(std::size(WIDTHS))];
            error = width < 1 || width > 64;
            what = "pack_bits(" + std::to_string(width) + ")";
            if (!error) expected = little_endian(bits & field_mask(width), (width + 7) / 8);
            note(what);
            s = pack_bits(static_cast<int64_t>(bits), width);
            break;
        }
    }
    expect_error(error, what);
    return push_temp(s, Place::main_pool, expected, Allocation::fresh);
}

// Runs a string function of one argument and follows the lifetime rules: the argument
// comes back (changed in place only when it is a reusable temporary) when the result
// equals it or it may be reused; otherwise a new temporary comes back and a temporary
// argument has been freed.
Value StringModelInterpreter::Interpreter::apply(Value arg, const std::string& call,
                                                 const std::string& expected,
                                                 const std::function<StrDesc*(StrDesc*)>& function,
                                                 bool either_allowed) {
    const bool reusable = arg.temporary && place(arg) == Place::main_pool;
    const bool unchanged = expected == model(arg);
    const bool same_expected = unchanged || reusable;
    StrDesc* a = desc(arg);
    if (arg.temporary) temps[arg.index].touched = true;
    note(call + "(" + name(arg) + ")");
    StrDesc* result = function(a);
    if (result == a) {
        if (!same_expected && !either_allowed) {
            fail(call + " handed back " + name(arg) +
                 " though its value changes and it may not be changed in place");
        }
        if (arg.temporary) temps[arg.index].model = expected;
        check();
        return arg;
    }
    if (same_expected && !either_allowed) {
        fail(call + " made a new string instead of handing back " + name(arg));
    }
    const Value made = adopt(result, Place::main_pool, expected, Allocation::fresh);
    consume(arg);
    check();
    return made;
}

Value StringModelInterpreter::Interpreter::left(Value arg, int32_t n) {
    const std::string& text = model(arg);
    const auto kept = static_cast<size_t>(std::clamp<int64_t>(n, 0, text.size()));
    return apply(arg, "string_left " + std::to_string(n), text.substr(0, kept),
                 [n](StrDesc* s) { return string_left(s, n); });
}

// a + b. An empty side gives the other side back (which may be a variable) and is left
// for the cleanup; otherwise both temporaries are consumed.
Value StringModelInterpreter::Interpreter::concat(Value a, Value b) {
    const int64_t total = static_cast<int64_t>(model(a).size() + model(b).size());
    if (total > main_room()) {
        a = left(a, static_cast<int32_t>(pick(64)));
        b = left(b, static_cast<int32_t>(pick(64)));
    }
    const std::string joined = model(a) + model(b);
    note("string_concat(" + name(a) + ", " + name(b) + ")");
    StrDesc* result = string_concat(desc(a), desc(b));
    if (model(b).empty()) {
        if (result != desc(a))
            fail("string_concat with an empty right side did not give back " + name(a));
        orphan(b);
        check();
        return a;
    }
    if (model(a).empty()) {
        if (result != desc(b))
            fail("string_concat with an empty left side did not give back " + name(b));
        orphan(a);
        check();
        return b;
    }
    if (result == desc(a) || result == desc(b))
        fail("string_concat gave back one of its arguments");
    const Value made = adopt(result, Place::main_pool, joined, Allocation::fresh);
    consume(a);
    consume(b);
    check();
    return made;
}

// A user function returning a string: it keeps the temporary count at entry as its mark,
// makes its result variable, runs a statement or three with their cleanups, and hands the
// variable to its caller with string_make_temporary.
Value StringModelInterpreter::Interpreter::function_call() {
    ++counters.function_calls;
    const uint32_t saved_mark = routine_mark;
    const size_t saved_local = local_variable;
    routine_mark = temporary_mark();
    const size_t local = variables.size();
    const std::string local_name = "r" + std::to_string(function_depth + 1);
    note("function entry: " + local_name + " = string_new(0, NOT_TEMPORARY), mark " +
         std::to_string(routine_mark));
    variables.push_back({local_name, Place::main_pool, string_new(0, NOT_TEMPORARY), ""});
    check();

    ++function_depth;
    local_variable = local;
    const uint32_t statements = 1 + pick(3);
    for (uint32_t n = 0; n < statements; ++n)
        statement();
    --function_depth;
    local_variable = saved_local;
    routine_mark = saved_mark;

    StrDesc* result = variables[local].desc;
    note("function exit: string_make_temporary(" + local_name + ")");
    if (string_make_temporary(result) != result)
        fail("string_make_temporary returned another descriptor");
    std::string value = std::move(variables[local].model);
    variables.pop_back();
    return push_temp(result, Place::main_pool, std::move(value), Allocation::foreign_or_reused);
}
