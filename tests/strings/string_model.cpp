#include "tests/strings/string_model.h"

#include "tests/strings/string_model_interpreter.h"

// ---------------------------------------------------------------------------------------
// Set-up
// ---------------------------------------------------------------------------------------

StringModelInterpreter::Interpreter::Interpreter(BookkeepingWalk walk_when) : walk(walk_when) {
    baseline_descriptors = descriptors_in_use();
    saved_record_top = data_segment.record_top;
    routine_mark = temporary_mark();
    temp_count = routine_mark;
    first_mark = routine_mark;
    seen_pool_base = main_pool.base;
    seen_pool_size = main_pool.size;

    for (size_t n = 0; n < MAIN_VARIABLES; ++n) {
        variables.push_back(
            {"M" + std::to_string(n), Place::main_pool, string_new(0, NOT_TEMPORARY), ""});
    }
    for (size_t n = 0; n < CONVENTIONAL_VARIABLES; ++n) {
        variables.push_back({"C" + std::to_string(n), Place::data_segment,
                             string_new_conventional(0, NOT_TEMPORARY), ""});
    }
    Variable outside{"F0", Place::fixed, nullptr, std::string(FIXED_OUTSIDE_LENGTH, '\0')};
    outside.fixed_text = outside_buffer.data();
    outside.fixed_length = FIXED_OUTSIDE_LENGTH;
    outside.desc = string_new_fixed(outside.fixed_text, outside.fixed_length, NOT_TEMPORARY);
    variables.push_back(std::move(outside));

    Variable inside{"F1", Place::fixed, nullptr, std::string(FIXED_IN_SEGMENT_LENGTH, '\0')};
    inside.fixed_text = data_segment.base + FIXED_IN_SEGMENT_OFFSET;
    inside.fixed_length = FIXED_IN_SEGMENT_LENGTH;
    inside.in_data_segment = true;
    std::memset(inside.fixed_text, 0, FIXED_IN_SEGMENT_LENGTH);
    inside.desc = string_new_fixed(inside.fixed_text, inside.fixed_length, NOT_TEMPORARY);
    variables.push_back(std::move(inside));
    owned_variables = variables.size();

    // The run's shared strings can be read like any variable.
    const std::pair<const char*, StrDesc*> shared[] = {
        {"shared_empty", shared_empty_string},
        {"shared_space", shared_space_string},
        {"unknown_opcode", unknown_opcode_text},
    };
    for (const auto& [shared_name, s] : shared) {
        if (s == nullptr) continue;
        Variable v{shared_name, s->in_conventional ? Place::data_segment : Place::main_pool, s,
                   string_copy_of(s)};
        v.owned = false;
        variables.push_back(std::move(v));
    }
}

// ---------------------------------------------------------------------------------------
// Decisions
// ---------------------------------------------------------------------------------------

uint32_t StringModelInterpreter::Interpreter::pick(uint32_t n) {
    if (n <= 1) return 0;
    uint32_t value = decisions->next();
    if (n > 256) value = value << 8 | decisions->next();
    if (n > 65536) {
        value = value << 8 | decisions->next();
        value = value << 8 | decisions->next();
    }
    return value % n;
}

// True in about in_256 of 256 decisions; false once the decisions are used up.
bool StringModelInterpreter::Interpreter::chance(uint32_t in_256) {
    return decisions->next() >= 256 - in_256;
}

uint64_t StringModelInterpreter::Interpreter::pick_bits64() {
    uint64_t value = 0;
    for (int n = 0; n < 8; ++n)
        value = value << 8 | decisions->next();
    return value;
}

int32_t StringModelInterpreter::Interpreter::pick_length() {
    switch (pick(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            return static_cast<int32_t>(pick(9));
        case 4:
        case 5:
        case 6:
            return static_cast<int32_t>(pick(65));
        case 7:
        case 8:
            return static_cast<int32_t>(pick(601));
        default:
            return static_cast<int32_t>(pick(TEXT_LENGTH_MAX + 1));
    }
}

// A count for the runs of one byte, negative ones included.
int32_t StringModelInterpreter::Interpreter::pick_count() {
    switch (pick(8)) {
        case 0:
            return -1;
        case 1:
            return std::numeric_limits<int32_t>::min();
        case 2:
            return -static_cast<int32_t>(pick(100));
        default:
            return pick_length();
    }
}

// A position or length argument around a string of length bytes, with the extremes.
int32_t StringModelInterpreter::Interpreter::pick_position(int64_t length) {
    switch (pick(13)) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return -1;
        case 4:
            return clamp32(length);
        case 5:
            return clamp32(length + 1);
        case 6:
            return clamp32(length - 1);
        case 7:
            return std::numeric_limits<int32_t>::min();
        case 8:
            return std::numeric_limits<int32_t>::max();
        case 9:
            return -static_cast<int32_t>(pick(10));
        default:
            return static_cast<int32_t>(pick(static_cast<uint32_t>(length) + 3));
    }
}

// Text of one of a few kinds, drawn from a small generator seeded by two decisions so
// that long texts cost the fuzzer only a few input bytes.
std::string StringModelInterpreter::Interpreter::pick_text(int32_t length) {
    const uint32_t style = pick(6);
    uint32_t state = pick(65536) * 2654435761u + 1;
    std::string text(static_cast<size_t>(std::max(length, 0)), ' ');
    for (char& c : text) {
        state = state * 1664525u + 1013904223u;
        const uint32_t r = state >> 8;
        switch (style) {
            case 0:
                c = static_cast<char>((r & 1 ? 'a' : 'A') + (r >> 1) % 26);
                break;
            case 1:
                c = (r % 4 == 0) ? static_cast<char>('a' + (r >> 2) % 26) : ' ';
                break;
            case 2:
                c = ' ';
                break;
            case 3:
                c = static_cast<char>(r & 0xFF);
                break;
            case 4:
                c = (r & 1) ? 'a' : 'b';
                break;
            default:
                c = "\t AzbY\0"[r % 7];
                break;
        }
    }
    return text;
}

// ---------------------------------------------------------------------------------------
// Values: a variable, or a temporary the model tracks from creation to its freeing
// ---------------------------------------------------------------------------------------

StrDesc* StringModelInterpreter::Interpreter::desc(Value v) const {
    return v.temporary ? temps[v.index].desc : variables[v.index].desc;
}

std::string& StringModelInterpreter::Interpreter::model(Value v) {
    return v.temporary ? temps[v.index].model : variables[v.index].model;
}

Place StringModelInterpreter::Interpreter::place(Value v) const {
    return v.temporary ? temps[v.index].place : variables[v.index].place;
}

const std::string& StringModelInterpreter::Interpreter::name(Value v) const {
    return v.temporary ? temps[v.index].name : variables[v.index].name;
}

Value StringModelInterpreter::Interpreter::adopt(StrDesc* s, Place where, std::string value,
                                                 Allocation allocation,
                                                 std::unique_ptr<uint8_t[]> fixed_text) {
    TempString t;
    t.name = "t" + std::to_string(++temps_made);
    if (!trace.empty()) trace.back() += " -> " + t.name;
    // A new temporary goes on the list at the count found before the call; arguments the
    // call freed lie below it.
    if (s->temp_index != temp_count) {
        fail(t.name + " went on the temporary list at entry " + std::to_string(s->temp_index) +
             ", expected " + std::to_string(temp_count));
    }
    t.slot = temp_count++;
    if (allocation == Allocation::fresh) {
        const bool main = where == Place::main_pool;
        const size_t end =
            static_cast<size_t>(s->text - (main ? main_pool.base : data_segment.base)) +
            static_cast<size_t>(s->length) + (main ? MAIN_POOL_SLACK : 0);
        const size_t used = main ? main_pool.used : conventional_used;
        if (used != end) {
            fail(t.name + " is not at the end of its pool with its slack: used is " +
                 std::to_string(used) + ", expected " + std::to_string(end));
        }
    }
    t.place = where;
    t.desc = s;
    t.model = std::move(value);
    t.fixed_text = std::move(fixed_text);
    temps.push_back(std::move(t));
    return {true, temps.size() - 1};
}

Value StringModelInterpreter::Interpreter::push_temp(StrDesc* s, Place where, std::string value,
                                                     Allocation allocation,
                                                     std::unique_ptr<uint8_t[]> fixed_text) {
    const Value v = adopt(s, where, std::move(value), allocation, std::move(fixed_text));
    check();
    return v;
}

// The runtime has freed the temporary v (a call consumed it): its entry becomes a hole
// and the count drops over the holes at the top.
void StringModelInterpreter::Interpreter::consume(Value v) {
    if (!v.temporary) return;
    temps[v.index].life = Life::gone;
    auto alive = [this](uint32_t slot) {
        return std::any_of(temps.begin(), temps.end(), [slot](const TempString& t) {
            return t.life != Life::gone && t.slot == slot;
        });
    };
    while (temp_count > first_mark && !alive(temp_count - 1))
        --temp_count;
}

// An assignment took over the temporary v's text: its entry becomes a hole and the count
// drops by one only when it was the top entry.
void StringModelInterpreter::Interpreter::consume_stolen(Value v) {
    temps[v.index].life = Life::gone;
    if (temps[v.index].slot == temp_count - 1) --temp_count;
}

// The program let go of v without it being freed: only the statement cleanup frees it.
void StringModelInterpreter::Interpreter::orphan(Value v) {
    if (v.temporary && temps[v.index].life == Life::held) temps[v.index].life = Life::orphan;
}

// ---------------------------------------------------------------------------------------
// Budgets
// ---------------------------------------------------------------------------------------

int64_t StringModelInterpreter::Interpreter::main_live() const {
    int64_t bytes = 0;
    for (const Variable& v : variables) {
        if (v.desc != nullptr && v.place == Place::main_pool) bytes += v.model.size();
    }
    for (const TempString& t : temps) {
        if (t.life != Life::gone && t.place == Place::main_pool) bytes += t.model.size();
    }
    return bytes;
}

int64_t StringModelInterpreter::Interpreter::conventional_live() const {
    int64_t bytes = 0;
    for (const Variable& v : variables) {
        if (v.desc != nullptr && v.place == Place::data_segment) bytes += v.model.size();
    }
    for (const TempString& t : temps) {
        if (t.life != Life::gone && t.place == Place::data_segment) bytes += t.model.size();
    }
    return bytes;
}

// How long a new main-pool string may be.
int32_t StringModelInterpreter::Interpreter::main_room() const {
    return static_cast<int32_t>(
        std::clamp<int64_t>(MAIN_LIVE_MAX - main_live(), 0, MAIN_STRING_MAX));
}

// How many more bytes of text the data segment may be asked for.
int32_t StringModelInterpreter::Interpreter::conventional_room() const {
    const int64_t live = conventional_live();
    const int64_t to_records =
        static_cast<int64_t>(data_segment.record_top) - CONVENTIONAL_FIRST_OFFSET - live;
    const int64_t room = std::min(to_records - CONVENTIONAL_SAFETY, CONVENTIONAL_LIVE_MAX - live);
    return static_cast<int32_t>(std::clamp<int64_t>(room, 0, TEXT_LENGTH_MAX));
}

uint32_t StringModelInterpreter::Interpreter::record_bytes_used() const {
    return saved_record_top - data_segment.record_top;
}

// ---------------------------------------------------------------------------------------
// Checks
// ---------------------------------------------------------------------------------------

void StringModelInterpreter::Interpreter::note(std::string line) {
    ++counters.runtime_calls;
    trace.push_back(std::string(static_cast<size_t>(function_depth) * 2, ' ') + std::move(line));
}

void StringModelInterpreter::Interpreter::check(bool statement_end) {
    if (pending_error != 0) {
        fail("error " + std::to_string(pending_error) +
             " is pending after a call that raises none");
    }
    if (statement_end || walk == BookkeepingWalk::after_every_call) {
        const std::string bookkeeping = string_state_problem();
        if (!bookkeeping.empty()) fail("the runtime's bookkeeping walk: " + bookkeeping);
    }

    seen_descriptors.clear();
    uint32_t expected_descriptors = baseline_descriptors;
    uint32_t live_temporaries = 0;
    bool main_moved = false;
    bool conventional_moved = false;
    for (Variable& v : variables) {
        if (v.desc == nullptr) continue;
        seen_descriptors.push_back(v.desc);
        if (v.owned) ++expected_descriptors;
        check_value(v.name, v.place, v.desc, v.model, false);
        if (v.in_data_segment) {
            const uint8_t* record = reinterpret_cast<const uint8_t*>(v.desc->record);
            if (record == nullptr) fail(v.name + " has no length/offset record");
            const uint32_t length = record[0] | record[1] << 8;
            const uint32_t offset = record[2] | record[3] << 8;
            if (length != static_cast<uint32_t>(v.fixed_length) ||
                offset != FIXED_IN_SEGMENT_OFFSET) {
                fail(v.name + "'s record holds length " + std::to_string(length) + " at offset " +
                     std::to_string(offset));
            }
        }
        track_move(v.name, v.place, v.desc, v.last_offset, v.touched, main_moved,
                   conventional_moved);
    }
    for (TempString& t : temps) {
        if (t.life == Life::gone) continue;
        seen_descriptors.push_back(t.desc);
        ++expected_descriptors;
        ++live_temporaries;
        check_value(t.name, t.place, t.desc, t.model, true);
        if (t.desc->temp_index != t.slot) fail(t.name + " moved on the temporary list");
        track_move(t.name, t.place, t.desc, t.last_offset, t.touched, main_moved,
                   conventional_moved);
    }

    std::sort(seen_descriptors.begin(), seen_descriptors.end());
    if (std::adjacent_find(seen_descriptors.begin(), seen_descriptors.end()) !=
        seen_descriptors.end()) {
        fail("two strings the model holds share one descriptor");
    }
    if (temporary_mark() != temp_count) {
        fail("the temporary count is " + std::to_string(temporary_mark()) + ", expected " +
             std::to_string(temp_count));
    }
    uint32_t listed = 0;
    for (uint32_t n = 1; n < temporary_list.count; ++n) {
        if (temporary_list.entries[n] != STRING_LIST_HOLE) ++listed;
    }
    if (listed != live_temporaries) {
        fail(std::to_string(listed) + " strings on the temporary list, but " +
             std::to_string(live_temporaries) +
             " temporaries are alive (one consumed was not freed, or one was freed too early)");
    }
    if (descriptors_in_use() != expected_descriptors) {
        fail(std::to_string(descriptors_in_use()) + " descriptors in use, expected " +
             std::to_string(expected_descriptors) + " (a leak or a double free)");
    }

    if (main_moved) ++counters.main_compactions;
    if (conventional_moved) ++counters.conventional_compactions;
    if (main_pool.size != seen_pool_size) {
        if (main_pool.size < seen_pool_size) fail("the main pool shrank");
        ++counters.main_pool_growths;
    }
    if (main_pool.base != seen_pool_base) ++counters.main_pool_moves;
    seen_pool_size = main_pool.size;
    seen_pool_base = main_pool.base;
}

void StringModelInterpreter::Interpreter::check_value(const std::string& value_name, Place where,
                                                      const StrDesc* d, const std::string& expected,
                                                      bool temporary) {
    if (d->length < 0 || static_cast<size_t>(d->length) != expected.size() ||
        (d->length != 0 && std::memcmp(d->text, expected.data(), expected.size()) != 0)) {
        fail(value_name + " " +
             difference(d->length < 0 ? std::string_view{} : string_view_of(d), expected));
    }
    if (temporary) {
        if (!d->temporary || d->temp_index == 0 || d->temp_index >= temporary_list.count ||
            temporary_list.entries[d->temp_index] != d) {
            fail(value_name + " is no longer on the temporary list");
        }
    } else if (d->temporary || d->temp_index != 0) {
        fail(value_name + " is a variable but on the temporary list");
    }
    const bool kind_holds =
        where == Place::main_pool      ? !d->in_conventional && !d->fixed && !d->read_only
        : where == Place::data_segment ? d->in_conventional && !d->fixed && !d->read_only &&
                                             (d->record == nullptr) == temporary
        : where == Place::literal ? d->read_only && !d->in_conventional
                                  : d->fixed && !d->in_conventional;
    if (!kind_holds) fail(value_name + "'s descriptor flags do not match where its text lives");
}

// Packing moves texts down and growth keeps their offsets, so a text that no call wrote
// can only have moved down; one that moved up was overwritten or misplaced.
void StringModelInterpreter::Interpreter::track_move(const std::string& value_name, Place where,
                                                     const StrDesc* d, size_t& last_offset,
                                                     bool& touched, bool& main_moved,
                                                     bool& conventional_moved) {
    if (where != Place::main_pool && where != Place::data_segment) return;
    const uint8_t* base = where == Place::main_pool ? main_pool.base : data_segment.base;
    const auto offset = static_cast<size_t>(d->text - base);
    if (!touched && offset != last_offset) {
        if (offset > last_offset) {
            fail(value_name + "'s text moved up from offset " + std::to_string(last_offset) +
                 " to " + std::to_string(offset) + " though no call wrote it");
        }
        (where == Place::main_pool ? main_moved : conventional_moved) = true;
    }
    last_offset = offset;
    touched = false;
}

// Checks the pending error a call left (error 5 or none) and clears it, as the statement
// checkpoint would after showing it.
void StringModelInterpreter::Interpreter::expect_error(bool expected, const std::string& what) {
    const ErrorCode wanted = expected ? ERROR_ILLEGAL_FUNCTION_CALL : 0;
    if (pending_error != wanted) {
        fail(what + " left error " + std::to_string(pending_error) + " pending, expected " +
             std::to_string(wanted));
    }
    if (expected) ++counters.expected_errors;
    pending_error = 0;
    checkpoint_requested.store(0, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------
// StringModelInterpreter
// ---------------------------------------------------------------------------------------

StringModelInterpreter::StringModelInterpreter(BookkeepingWalk walk)
    : interpreter_(std::make_unique<Interpreter>(walk)) {}

StringModelInterpreter::~StringModelInterpreter() {
    if (!interpreter_->finished && interpreter_->problem.empty()) finish();
}

std::string StringModelInterpreter::run_statement(DecisionBytes& decisions) {
    Interpreter& in = *interpreter_;
    if (!in.problem.empty() || in.finished) return in.problem;
    in.decisions = &decisions;
    in.trace.clear();
    try {
        in.statement();
        ++in.counters.statements;
    } catch (const Mismatch& mismatch) {
        in.problem = "statement " + std::to_string(in.counters.statements + 1) + ": " +
                     mismatch.what + "\nits calls:";
        const size_t first =
            in.trace.size() > TRACE_LINES_SHOWN ? in.trace.size() - TRACE_LINES_SHOWN : 0;
        if (first != 0) in.problem += "\n  ...";
        for (size_t n = first; n < in.trace.size(); ++n)
            in.problem += "\n  " + in.trace[n];
    }
    return in.problem;
}

std::string StringModelInterpreter::finish() {
    Interpreter& in = *interpreter_;
    if (!in.problem.empty() || in.finished) return in.problem;
    in.finished = true;
    in.trace.clear();
    try {
        for (size_t n = in.owned_variables; n-- > 0;) {
            Variable& v = in.variables[n];
            if (v.desc == nullptr) continue;
            in.note("string_free(" + v.name + ")");
            string_free(v.desc);
            v.desc = nullptr;
        }
        data_segment.record_top = in.saved_record_top;
        in.check(true);
        if (temporary_mark() != in.routine_mark)
            fail("the temporary count is not back to its mark");
    } catch (const Mismatch& mismatch) {
        in.problem = "at the end: " + mismatch.what;
    }
    return in.problem;
}

std::string StringModelInterpreter::check_now() {
    try {
        interpreter_->check(true);
    } catch (const Mismatch& mismatch) {
        return mismatch.what;
    }
    return {};
}

StrDesc* StringModelInterpreter::variable_descriptor(size_t n) const {
    return interpreter_->variables.at(n).desc;
}

size_t StringModelInterpreter::variable_count() const {
    return interpreter_->variables.size();
}

const ModelCounters& StringModelInterpreter::counters() const {
    return interpreter_->counters;
}
