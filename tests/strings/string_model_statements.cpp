// The statements the model draws: assignments, appends, replacements, comparisons,
// searches, packing round trips and the churn that makes the pools pack and grow.
#include "tests/strings/string_model_interpreter.h"

// ---------------------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------------------

void StringModelInterpreter::Interpreter::statement() {
    if (temporary_mark() != routine_mark) {
        fail("the temporary count is " + std::to_string(temporary_mark()) +
             " at the start of a statement, not the routine's mark " +
             std::to_string(routine_mark));
    }
    const uint32_t mark = routine_mark;
    const size_t first_temp = temps.size();
    // Inside a function only its result variable is written, and the variables are
    // neither freed nor made again.
    const size_t kinds = function_depth > 0 ? static_cast<size_t>(Statement::unpack) + 1
                                            : std::size(STATEMENT_WEIGHTS);
    Statement kind = pick_weighted(STATEMENT_WEIGHTS, kinds);
    if (function_depth > 0 && kind == Statement::set_fixed) kind = Statement::assign;
    int32_t value = 0;
    switch (kind) {
        case Statement::assign: {
            const size_t destination = pick_destination();
            assign(destination, expression(0));
            break;
        }
        case Statement::append:
            append_statement();
            break;
        case Statement::mid_assign:
            mid_assign_statement();
            break;
        case Statement::set_fixed:
            set_fixed_statement();
            break;
        case Statement::compare:
            value = compare_statement();
            break;
        case Statement::search:
            value = search_statement();
            break;
        case Statement::byte_value:
            value = byte_value_statement();
            break;
        case Statement::length:
            value = length_statement();
            break;
        case Statement::unpack:
            unpack_statement();
            break;
        case Statement::round_trip:
            round_trip_statement();
            break;
        case Statement::free_variable:
            free_variable_statement();
            break;
        case Statement::recreate_variable: {
            const size_t n = pick(static_cast<uint32_t>(owned_variables));
            if (variables[n].desc == nullptr) recreate(n);
            break;
        }
        case Statement::conventional_churn:
            conventional_churn_statement();
            break;
        case Statement::while_error_pending:
            while_error_pending_statement();
            break;
        case Statement::big_string:
            big_string_statement();
            break;
    }
    end_statement(mark, first_temp, value);
}

// The statement cleanup of translated code: the temporaries go, newest first, and a
// condition's value passes through unchanged.
void StringModelInterpreter::Interpreter::end_statement(uint32_t mark, size_t first_temp,
                                                        int32_t value) {
    note("free_temporaries(" + std::to_string(mark) + ", " + std::to_string(value) + ")");
    const int32_t returned = free_temporaries(mark, value);
    if (returned != value) {
        fail("free_temporaries returned " + std::to_string(returned) + " for the value " +
             std::to_string(value));
    }
    if (temporary_mark() != mark) {
        fail("the temporary count is " + std::to_string(temporary_mark()) +
             " after the cleanup, not the mark " + std::to_string(mark));
    }
    temp_count = mark;
    for (size_t n = first_temp; n < temps.size(); ++n) {
        if (temps[n].life == Life::held) fail("model: " + temps[n].name + " was never used");
    }
    temps.erase(temps.begin() + static_cast<std::ptrdiff_t>(first_temp), temps.end());
    check(true);
    if (function_depth == 0) statement_literals.clear();
}

size_t StringModelInterpreter::Interpreter::pick_destination() {
    if (function_depth > 0) return local_variable;
    const size_t n = pick(static_cast<uint32_t>(owned_variables));
    if (variables[n].desc == nullptr) recreate(n);
    return n;
}

size_t StringModelInterpreter::Interpreter::pick_fixed_destination() {
    const size_t n = owned_variables - FIXED_VARIABLES + pick(FIXED_VARIABLES);
    if (variables[n].desc == nullptr) recreate(n);
    return n;
}

// Makes a freed variable again, as a routine does with its variables at entry.
void StringModelInterpreter::Interpreter::recreate(size_t n) {
    Variable& v = variables[n];
    if (v.place == Place::data_segment || v.in_data_segment) make_record_room();
    switch (v.place) {
        case Place::main_pool:
            note(v.name + " = string_new(0, NOT_TEMPORARY)");
            v.desc = string_new(0, NOT_TEMPORARY);
            v.model.clear();
            break;
        case Place::data_segment:
            note(v.name + " = string_new_conventional(0, NOT_TEMPORARY)");
            v.desc = string_new_conventional(0, NOT_TEMPORARY);
            v.model.clear();
            break;
        default:
            // The bytes under a fixed-length variable stay as they were while it was freed.
            note(v.name + " = string_new_fixed(" + std::to_string(v.fixed_length) + ")");
            v.desc = string_new_fixed(v.fixed_text, v.fixed_length, NOT_TEMPORARY);
            break;
    }
    v.touched = true;
    check();
}

// A new record is taken below the record top and must not reach the conventional text,
// which may end right below it while dead text waits for packing. A conventional
// temporary one byte too long to fit makes the data segment pack first.
void StringModelInterpreter::Interpreter::make_record_room() {
    const uint32_t gap = data_segment.record_top - conventional_used;
    if (gap >= 2 * STRING_RECORD_SIZE) return;
    const std::string text(gap + 1, '#');
    note("string_new_conventional(" + std::to_string(text.size()) + ", TEMPORARY) to pack");
    StrDesc* s = string_new_conventional(static_cast<uint32_t>(text.size()), TEMPORARY);
    std::memcpy(s->text, text.data(), text.size());
    orphan(push_temp(s, Place::data_segment, text, Allocation::fresh));
}

// Cuts a source that would be too long for its destination's pool.
Value StringModelInterpreter::Interpreter::fit_for(size_t destination, Value source) {
    const Place where = variables[destination].place;
    int64_t limit = std::numeric_limits<int64_t>::max();
    // Moving to new room may need the source's length a second time before packing.
    if (where == Place::data_segment) limit = conventional_room() / 2;
    if (where == Place::main_pool) limit = main_room();
    if (static_cast<int64_t>(model(source).size()) <= limit) return source;
    return left(source, static_cast<int32_t>(pick(static_cast<uint32_t>(limit) + 1)));
}

void StringModelInterpreter::Interpreter::assign(size_t destination, Value source) {
    source = fit_for(destination, source);
    Variable& dest = variables[destination];
    StrDesc* s = desc(source);
    const Place from = place(source);
    const bool steal_expected = source.temporary && dest.place == from &&
                                (from == Place::main_pool || from == Place::data_segment);
    const uint8_t* source_text = s->text;
    std::string value = model(source);
    if (dest.place == Place::fixed) {
        value.resize(static_cast<size_t>(dest.fixed_length), ' ');
    }
    note(dest.name + " = string_assign(" + dest.name + ", " + name(source) + ")");
    StrDesc* returned = string_assign(dest.desc, s);
    if (returned != dest.desc) fail("string_assign returned another descriptor than " + dest.name);
    if (steal_expected) {
        consume_stolen(source);
    } else {
        consume(source);
    }
    dest.model = std::move(value);
    dest.touched = true;
    if (steal_expected) {
        ++counters.steals;
        if (dest.desc->text != source_text) {
            fail(dest.name + " copied the temporary " + name(source) +
                 " instead of taking over its text");
        }
    }
    check();
}

// v = v + x, and now and then v = x + v.
void StringModelInterpreter::Interpreter::append_statement() {
    const size_t destination = pick_destination();
    const Value self{false, destination};
    const Value other = expression(0);
    assign(destination, chance(64) ? concat(other, self) : concat(self, other));
}

void StringModelInterpreter::Interpreter::mid_assign_statement() {
    const size_t destination = pick_destination();
    const Value source = chance(40) ? Value{false, destination} : expression(0);
    Variable& dest = variables[destination];
    const std::string from = model(source);
    const auto dest_length = static_cast<int64_t>(dest.model.size());
    const int32_t start = pick_position(dest_length);
    const int32_t length = pick_position(static_cast<int64_t>(from.size()));
    const bool given = chance(160);

    // Positions before the first skip source bytes; the part stays inside both strings.
    std::string expected = dest.model;
    int64_t first = start;
    int64_t count = given ? length : static_cast<int64_t>(from.size());
    int64_t skipped = 0;
    if (first <= 0) {
        skipped = 1 - first;
        count -= skipped;
        first = 1;
    }
    const int64_t source_left = static_cast<int64_t>(from.size()) - skipped;
    if (count > 0 && first <= dest_length && source_left > 0) {
        count = std::min({count, dest_length - first + 1, source_left});
        expected.replace(static_cast<size_t>(first - 1), static_cast<size_t>(count),
                         from.substr(static_cast<size_t>(skipped), static_cast<size_t>(count)));
    }
    note("string_mid_assign(" + dest.name + ", " + std::to_string(start) + ", " +
         std::to_string(length) + ", " + name(source) + (given ? ", GIVEN)" : ", OMITTED)"));
    string_mid_assign(dest.desc, start, length, desc(source), given ? GIVEN : OMITTED);
    dest.model = std::move(expected);
    orphan(source);
    check();
}

void StringModelInterpreter::Interpreter::set_fixed_statement() {
    const size_t destination = pick_fixed_destination();
    const Value source = expression(0);
    Variable& dest = variables[destination];
    const std::string& from = model(source);
    const auto copied = std::min(from.size(), dest.model.size());
    const bool right = chance(128);
    std::string expected;
    if (right) {
        expected = std::string(dest.model.size() - copied, ' ') + from.substr(0, copied);
        note("string_set_right(" + dest.name + ", " + name(source) + ")");
        string_set_right(dest.desc, desc(source));
    } else {
        expected = from.substr(0, copied) + std::string(dest.model.size() - copied, ' ');
        note("string_set_left(" + dest.name + ", " + name(source) + ")");
        string_set_left(dest.desc, desc(source));
    }
    dest.model = std::move(expected);
    orphan(source);
    check();
}

// IF a <relation> b: the truth value passes through the statement cleanup.
int32_t StringModelInterpreter::Interpreter::compare_statement() {
    const Value a = expression(0);
    const Value b = expression(0);
    const std::string& x = model(a);
    const std::string& y = model(b);
    const size_t shorter = std::min(x.size(), y.size());
    int order = shorter == 0 ? 0 : std::memcmp(x.data(), y.data(), shorter);
    if (order == 0) order = (x.size() > y.size()) - (x.size() < y.size());
    struct Relation {
        const char* name;
        int32_t (*function)(const StrDesc*, const StrDesc*);
        bool holds;
    };
    const Relation relations[] = {
        {"string_equal", string_equal, order == 0},
        {"string_not_equal", string_not_equal, order != 0},
        {"string_less", string_less, order < 0},
        {"string_greater", string_greater, order > 0},
        {"string_less_equal", string_less_equal, order <= 0},
        {"string_greater_equal", string_greater_equal, order >= 0},
    };
    const Relation& relation = relations[pick(std::size(relations))];
    note(std::string(relation.name) + "(" + name(a) + ", " + name(b) + ")");
    const int32_t truth = relation.function(desc(a), desc(b));
    if (truth != (relation.holds ? -1 : 0)) {
        fail(std::string(relation.name) + " gave " + std::to_string(truth) + " for " + shown(x) +
             " and " + shown(y));
    }
    orphan(a);
    orphan(b);
    check();
    return truth;
}

int32_t StringModelInterpreter::Interpreter::search_statement() {
    const Value haystack = expression(0);
    Value needle;
    const std::string& hay = model(haystack);
    if (!hay.empty() && chance(128)) {
        // A needle cut from the haystack, so that searches also find something.
        const size_t from = pick(static_cast<uint32_t>(hay.size()));
        const size_t count =
            pick(static_cast<uint32_t>(std::min<size_t>(hay.size() - from, 12)) + 1);
        statement_literals.push_back(std::make_unique<std::string>(hay.substr(from, count)));
        const std::string& text = *statement_literals.back();
        note("string_from_literal(" + shown(text) + ")");
        needle = push_temp(string_from_literal(text.data(), static_cast<int32_t>(text.size())),
                           Place::literal, text, Allocation::foreign_or_reused);
    } else {
        needle = expression(0);
    }
    const std::string& h = model(haystack);
    const std::string& n = model(needle);
    const bool given = chance(128);
    const int32_t start = given ? pick_position(static_cast<int64_t>(h.size())) : 0;

    int64_t from = given ? start : 1;
    int32_t expected = 0;
    if (h.empty()) {
        expected = 0;
    } else if (from <= 0 && n.empty()) {
        expected = 0;
    } else {
        from = std::max<int64_t>(from, 1);
        if (from > static_cast<int64_t>(h.size())) {
            expected = 0;
        } else if (n.empty()) {
            expected = static_cast<int32_t>(from);
        } else {
            const size_t at = h.find(n, static_cast<size_t>(from - 1));
            expected = at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
        }
    }
    note("string_instr(" + std::to_string(start) + ", " + name(haystack) + ", " + name(needle) +
         (given ? ", GIVEN)" : ", OMITTED)"));
    const int32_t found =
        string_instr(start, desc(haystack), desc(needle), given ? GIVEN : OMITTED);
    if (found != expected) {
        fail("string_instr gave " + std::to_string(found) + ", expected " +
             std::to_string(expected) + " for " + shown(n) + " in " + shown(h) + " from " +
             std::to_string(start));
    }
    orphan(haystack);
    orphan(needle);
    check();
    return found;
}

int32_t StringModelInterpreter::Interpreter::byte_value_statement() {
    const Value s = expression(0);
    const std::string& text = model(s);
    const bool given = chance(128);
    const int32_t position = given ? pick_position(static_cast<int64_t>(text.size())) : 1;
    const bool inside = position >= 1 && static_cast<size_t>(position) <= text.size();
    const int32_t expected = inside ? static_cast<uint8_t>(text[position - 1]) : 0;
    note("string_asc(" + name(s) + ", " + std::to_string(position) + ")");
    const int32_t byte = string_asc(desc(s), position, given ? GIVEN : OMITTED);
    expect_error(!inside, "string_asc");
    if (byte != expected) {
        fail("string_asc gave " + std::to_string(byte) + ", expected " + std::to_string(expected));
    }
    orphan(s);
    check();
    return byte;
}

int32_t StringModelInterpreter::Interpreter::length_statement() {
    const Value s = expression(0);
    note("string_length(" + name(s) + ")");
    const int32_t length = string_length(desc(s));
    if (length != static_cast<int32_t>(model(s).size())) {
        fail("string_length gave " + std::to_string(length) + " for " + name(s));
    }
    orphan(s);
    check();
    return length;
}

// x = one of the unpack functions over any string: the value from its first bytes, or
// error 5 and 0 when it is too short.
void StringModelInterpreter::Interpreter::unpack_statement() {
    const Value s = expression(0);
    const std::string bytes = model(s);
    const StrDesc* d = desc(s);
    const uint32_t kind = pick(10);
    static constexpr size_t WIDTHS[] = {1, 2, 4, 8, 4, 8, 32, 0, 4, 8};
    size_t width = WIDTHS[kind];
    int32_t bits = 0;
    bool bad_width = false;
    if (kind == 7) {
        static constexpr int32_t BITS[] = {0, -1, 65, 1, 7, 8, 9, 16, 31, 33, 63, 64};
        bits = BITS[pick(std::size(BITS))];
        bad_width = bits < 1 || bits > 64;
        width = bad_width ? 0 : static_cast<size_t>(bits + 7) / 8;
    }
    const bool short_string = bytes.size() < width;
    const bool error = bad_width || short_string;
    const uint64_t raw = error ? 0 : read_little_endian(bytes, width);
    const bool signed_field = chance(128);
    uint64_t expected_bits = raw;
    uint64_t got_bits = 0;
    const std::string what = "unpack kind " + std::to_string(kind) + " of " + name(s);
    note(what);
    switch (kind) {
        case 0:
            got_bits = unpack_byte(d);
            break;
        case 1:
            got_bits = static_cast<uint16_t>(unpack_int16(d));
            break;
        case 2:
            got_bits = static_cast<uint32_t>(unpack_int32(d));
            break;
        case 3:
            got_bits = static_cast<uint64_t>(unpack_int64(d));
            break;
        case 4: {
            const float f = unpack_float32(d);
            uint32_t b = 0;
            std::memcpy(&b, &f, sizeof b);
            got_bits = b;
            break;
        }
        case 5: {
            const double f = unpack_float64(d);
            std::memcpy(&got_bits, &f, sizeof f);
            break;
        }
        case 6: {
            // Only an ordinary 80-bit value is sure to come back bit for bit.
            const long double value = unpack_float80(d);
            expected_bits = 0;
            if (!error) {
                long double stored = 0;
                std::memcpy(&stored, bytes.data(), 10);
                const int kind80 = std::fpclassify(stored);
                if (kind80 == FP_NORMAL || kind80 == FP_ZERO) {
                    got_bits = value == stored ? 0 : 1;
                }
            }
            break;
        }
        case 7: {
            got_bits = static_cast<uint64_t>(
                unpack_bits(d, bits, signed_field ? SIGNED_FIELD : UNSIGNED_FIELD));
            if (!error) {
                expected_bits = raw & field_mask(bits);
                if (signed_field && bits < 64 && (expected_bits >> (bits - 1) & 1)) {
                    expected_bits |= ~field_mask(bits);
                }
            }
            break;
        }
        case 8: {
            const float f = unpack_mbf_single(d);
            const float wanted = error ? 0.0f : static_cast<float>(older_layout_value(raw, 23));
            std::memcpy(&got_bits, &f, sizeof f);
            expected_bits = 0;
            std::memcpy(&expected_bits, &wanted, sizeof wanted);
            break;
        }
        default: {
            const double f = unpack_mbf_double(d);
            const double wanted = error ? 0.0 : static_cast<double>(older_layout_value(raw, 55));
            std::memcpy(&got_bits, &f, sizeof f);
            std::memcpy(&expected_bits, &wanted, sizeof wanted);
            break;
        }
    }
    expect_error(error, what);
    if (got_bits != expected_bits) {
        fail(what + " gave bits " + std::to_string(got_bits) + ", expected " +
             std::to_string(expected_bits) + " from " + shown(bytes));
    }
    orphan(s);
    check();
}

// x = unpack(pack(value)) for the kinds whose bytes the model does not build itself: the
// floats of both layouts and the 80-bit value.
void StringModelInterpreter::Interpreter::round_trip_statement() {
    const uint32_t kind = pick(5);
    const uint64_t bits = pick_bits64();
    // Ordinary values now and then, since random bits are mostly huge or tiny.
    static constexpr double ORDINARY[] = {0.0, 1.0, -1.0, 0.5, 3.14159, -2.5e-3, 1e30, 6.02e23};
    const bool ordinary = chance(128);
    double as_double = 0;
    std::memcpy(&as_double, &bits, sizeof as_double);
    if (ordinary) as_double = ORDINARY[bits % std::size(ORDINARY)];
    float as_float = 0;
    const auto low = static_cast<uint32_t>(bits);
    std::memcpy(&as_float, &low, sizeof as_float);
    if (ordinary) as_float = static_cast<float>(as_double);

    std::string what;
    StrDesc* packed_string = nullptr;
    bool pack_error = false;
    int32_t packed_length = 0;
    switch (kind) {
        case 0:
            what = "pack_mbf_single(" + std::to_string(as_float) + ")";
            pack_error = !older_layout_holds(as_float);
            packed_length = 4;
            note(what);
            packed_string = pack_mbf_single(as_float);
            break;
        case 1:
            what = "pack_mbf_double(" + std::to_string(as_double) + ")";
            pack_error = !older_layout_holds(as_double);
            packed_length = 8;
            note(what);
            packed_string = pack_mbf_double(as_double);
            break;
        case 2:
            what = "pack_float32(" + std::to_string(as_float) + ")";
            packed_length = 4;
            note(what);
            packed_string = pack_float32(as_float);
            break;
        case 3:
            what = "pack_float64(" + std::to_string(as_double) + ")";
            packed_length = 8;
            note(what);
            packed_string = pack_float64(as_double);
            break;
        default:
            what = "pack_float80(" + std::to_string(as_double) + ")";
            packed_length = 32;
            note(what);
            packed_string = pack_float80(static_cast<long double>(as_double) / 3);
            break;
    }
    expect_error(pack_error, what);
    // The model takes the bytes as they came; reading them back is what checks them.
    const Value t = push_temp(packed_string, Place::main_pool, string_copy_of(packed_string),
                              Allocation::fresh);
    if (model(t).size() != static_cast<size_t>(pack_error ? 0 : packed_length)) {
        fail(what + " gave " + std::to_string(model(t).size()) + " bytes");
    }
    bool same = true;
    note("unpack of " + name(t));
    switch (kind) {
        case 0:
            same = unpack_mbf_single(desc(t)) == (pack_error ? 0.0f : as_float);
            break;
        case 1:
            same = unpack_mbf_double(desc(t)) == (pack_error ? 0.0 : as_double);
            break;
        case 2: {
            const float back = unpack_float32(desc(t));
            same = std::memcmp(&back, &as_float, sizeof back) == 0;
            break;
        }
        case 3: {
            const double back = unpack_float64(desc(t));
            same = std::memcmp(&back, &as_double, sizeof back) == 0;
            break;
        }
        default: {
            const long double back = unpack_float80(desc(t));
            const long double wanted = static_cast<long double>(as_double) / 3;
            same = std::isnan(wanted) ? std::isnan(back) : back == wanted;
            break;
        }
    }
    expect_error(pack_error, "unpacking " + what);
    if (!same) fail(what + " did not read back as the same value");
    orphan(t);
    check();
}

void StringModelInterpreter::Interpreter::free_variable_statement() {
    const size_t n = pick(static_cast<uint32_t>(owned_variables));
    Variable& v = variables[n];
    if (v.desc == nullptr) {
        recreate(n);
        return;
    }
    const bool takes_record = v.place == Place::data_segment || v.in_data_segment;
    if (takes_record && record_bytes_used() + STRING_RECORD_SIZE > RECORD_BYTES_MAX) return;
    note("string_free(" + v.name + ")");
    string_free(v.desc);
    v.desc = nullptr;
    ++counters.variables_freed;
    check();
}

// C = a conventional temporary, the way a program fills a variable of the data segment
// from a statement that builds its value there; it churns the data segment.
void StringModelInterpreter::Interpreter::conventional_churn_statement() {
    const size_t n = MAIN_VARIABLES + pick(CONVENTIONAL_VARIABLES);
    if (variables[n].desc == nullptr) recreate(n);
    // Longer texts than elsewhere, so that the data segment fills and is packed often.
    const int32_t length = static_cast<int32_t>(256 + pick(TEXT_LENGTH_MAX - 255));
    assign(n, chance(192) ? conventional_temporary(length) : expression(0));
}

// While an error is pending, the part-replacing and fixed-setting statements change nothing.
void StringModelInterpreter::Interpreter::while_error_pending_statement() {
    const bool fixed = chance(128);
    const size_t destination = fixed ? pick_fixed_destination() : pick_destination();
    const Value source = expression(0);
    pending_error = ERROR_ILLEGAL_FUNCTION_CALL;
    const Variable& dest = variables[destination];
    note("with error 5 pending: " + std::string(fixed ? "string_set_left(" : "string_mid_assign(") +
         dest.name + ", " + name(source) + ")");
    if (fixed) {
        string_set_left(dest.desc, desc(source));
    } else {
        string_mid_assign(dest.desc, 1, 0, desc(source), OMITTED);
    }
    expect_error(true, "a statement while error 5 was pending");
    orphan(source);
    check();
}

// A main-pool variable given a value of a few hundred kilobytes, or two such joined, so
// that the main pool fills up and grows.
void StringModelInterpreter::Interpreter::big_string_statement() {
    const size_t destination = pick(MAIN_VARIABLES);
    if (variables[destination].desc == nullptr) recreate(destination);
    const int32_t big = std::min<int32_t>(
        BIG_LENGTH_MIN + static_cast<int32_t>(pick(BIG_LENGTH_MAX - BIG_LENGTH_MIN)), main_room());
    switch (pick(3)) {
        case 0:
            assign(destination, filled(Expression::repeat, big));
            break;
        case 1: {
            const size_t other = pick(MAIN_VARIABLES);
            const Value a{false, destination};
            const Value b{false, variables[other].desc != nullptr ? other : destination};
            assign(destination, concat(a, b));
            break;
        }
        default:
            assign(destination, concat(filled(Expression::spaces, big), Value{false, destination}));
            break;
    }
}
