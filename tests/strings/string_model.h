// A model of the string runtime for randomized testing: an interpreter that decodes program
// statements from a stream of decision bytes, runs them against the real descriptors and
// pools exactly as translated program code would, and keeps a plain std::string copy of
// every string it can still see, so that each call can be checked against the copies.
//
// It holds string variables of every kind (main pool, data segment, fixed length inside and
// outside the data segment), evaluates expressions of the string functions into
// temporaries, consumes each temporary at most once, ends every statement with the
// temporary cleanup, and calls functions that have their own temporary mark and a local
// result variable. After every runtime call it checks the bytes of every variable and live
// temporary, the runtime's own bookkeeping walk and the pending error; after every
// statement it checks the temporary mark and the descriptor count.
//
// Nothing here depends on GoogleTest: the fuzz target links it too. A mismatch comes back
// as a text naming the statement, what differed and the calls the statement made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "runtime/strings/strings.h"

// Where the interpreter's decisions come from.
class DecisionBytes {
public:
    virtual ~DecisionBytes() = default;
    // The next decision byte; 0 once the bytes are used up.
    virtual uint8_t next() = 0;
    // True once every byte has been read.
    virtual bool exhausted() const = 0;
};

// Decisions from a seeded generator; never used up.
class SeededDecisions final : public DecisionBytes {
public:
    explicit SeededDecisions(uint32_t seed) : engine_(seed) {}
    uint8_t next() override { return static_cast<uint8_t>(engine_() >> 24); }
    bool exhausted() const override { return false; }

private:
    std::mt19937 engine_;
};

// Decisions from a fuzzer's input, then zeros.
class InputDecisions final : public DecisionBytes {
public:
    InputDecisions(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t next() override { return position_ < size_ ? data_[position_++] : 0; }
    bool exhausted() const override { return position_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// What a run exercised, so that a test can tell that the pools were really packed and grown.
struct ModelCounters {
    uint64_t statements = 0;
    uint64_t runtime_calls = 0;
    // Calls after which a string the call did not write had moved down in its pool, which
    // only packing does.
    uint64_t main_compactions = 0;
    uint64_t conventional_compactions = 0;
    // Calls after which the main pool was larger, or began at another address.
    uint64_t main_pool_growths = 0;
    uint64_t main_pool_moves = 0;
    // Assignments that took over a temporary's text instead of copying it.
    uint64_t steals = 0;
    uint64_t variables_freed = 0;
    uint64_t function_calls = 0;
    // Calls that raised error 5 as the model expected.
    uint64_t expected_errors = 0;
};

// How often the runtime's own bookkeeping walk runs. It visits every entry of both string
// lists, holes included, so after every call it is the dearest check by far; the fuzz
// target runs it once a statement and keeps every other check after each call.
enum class BookkeepingWalk { after_every_call, after_every_statement };

class StringModelInterpreter {
public:
    // Creates the variables. The string tables must be set up (string_tables_init and
    // strings_init after low_memory_init), no error may be pending, and no other code may
    // use strings while the model lives.
    explicit StringModelInterpreter(BookkeepingWalk walk = BookkeepingWalk::after_every_call);
    // Frees what the model still holds unless a mismatch was found (the state is then not
    // to be trusted, so it is left alone).
    ~StringModelInterpreter();
    StringModelInterpreter(const StringModelInterpreter&) = delete;
    StringModelInterpreter& operator=(const StringModelInterpreter&) = delete;

    // Runs one statement chosen by decisions; returns the mismatch found, or an empty text.
    // After a mismatch every further call returns it again.
    std::string run_statement(DecisionBytes& decisions);

    // Frees every variable, restores the data segment's record top as a routine does on
    // exit, and checks that the descriptor count and the temporary mark are back to where
    // they were when the model was made. Returns the mismatch found, or an empty text.
    std::string finish();

    // Compares every string the model holds with its copy now.
    std::string check_now();

    // The descriptor of variable n (null while it is freed), for the checker's own test.
    StrDesc* variable_descriptor(size_t n) const;
    size_t variable_count() const;

    const ModelCounters& counters() const;

private:
    struct Interpreter;
    std::unique_ptr<Interpreter> interpreter_;
};
