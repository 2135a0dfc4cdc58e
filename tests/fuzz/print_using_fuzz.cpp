// libFuzzer entry: formatted print statements over templates and values decoded from the
// input, checked for what must hold whatever the template says.
//
// Input layout: a flag byte (bit 0: the output lives in the data segment; bit 1: the first
// field check below runs), a template length byte and that many template bytes, then
// values until the input ends, each a kind byte and its bytes (little endian). A template
// byte with its top bit set stands for one of the characters templates are made of, so
// short inputs reach deep into the field parse.
//
// Checked after every call: the output only grows and keeps what it held; the template
// and the string value are unchanged; the returned position lies inside the template;
// no temporary stays behind; an error is 5 or 13 and stops the statement. Template and
// string texts live in heap blocks of exactly their length, so a read past them is caught
// by AddressSanitizer. After each input the string bookkeeping must hold together and the
// descriptor count must be back where it was.
//
// The field check builds a template of one numeric field from the input and formats one
// value: unless the value overflowed (the output then starts with %), the text is exactly
// as wide as the field.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/strings/print_using.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr char TEMPLATE_ALPHABET[] = "#.,+-^*$&!\\ _:;0A";
constexpr int VALUES_PER_INPUT_MAX = 64;
// A data-segment string cannot outgrow the 64 KB segment (a critical error ends the
// process); one call adds at most a template's literal text and one field of about 5,200
// characters, so a statement stops once its output passes this.
constexpr int32_t CONVENTIONAL_OUTPUT_MAX = 16384;

[[noreturn]] void report(const std::string& problem) {
    fuzz_fail("print_using check failed", problem);
}

// A read-only string over a heap block of exactly the text's length.
struct ExactText {
    std::unique_ptr<char[]> bytes;
    StrDesc* string = nullptr;
    std::string copy;

    explicit ExactText(std::string text) : copy(std::move(text)) {
        bytes = std::make_unique<char[]>(copy.size());
        std::memcpy(bytes.get(), copy.data(), copy.size());
        string = string_from_literal(bytes.get(), static_cast<int32_t>(copy.size()));
    }
};

enum class ValueKind : uint8_t { int64, uint64, single, double_, extended, text, none, count };

// Formats the next value of the input, of the given kind, at position.
int32_t call_with_value(InputBytes& in, ValueKind kind, const StrDesc* format_template,
                        int32_t position, StrDesc* output, std::unique_ptr<ExactText>& text) {
    switch (kind) {
        case ValueKind::int64:
            return print_using_int64(format_template, in.number<int64_t>(), position, output);
        case ValueKind::uint64:
            return print_using_uint64(format_template, in.number<uint64_t>(), position, output);
        case ValueKind::single:
            return print_using_single(format_template, in.number<float>(), position, output);
        case ValueKind::double_:
            return print_using_double(format_template, in.number<double>(), position, output);
        case ValueKind::extended: {
            // Ten bytes of the 80-bit format; the padding of the type stays zero.
            long double value = 0;
            uint8_t bytes[10];
            for (uint8_t& b : bytes)
                b = in.byte();
            std::memcpy(&value, bytes, sizeof bytes);
            return print_using_extended(format_template, value, position, output);
        }
        case ValueKind::text: {
            std::string value(in.byte() % 24, '\0');
            for (char& c : value)
                c = static_cast<char>(in.byte());
            text = std::make_unique<ExactText>(std::move(value));
            return print_using(format_template, position, output, text->string);
        }
        case ValueKind::none:
        case ValueKind::count:
            break;
    }
    return print_using(format_template, position, output, nullptr);
}

// A statement over the decoded template: each value at the position the previous call
// returned, or (kind byte's top bit) at a position of the input's choosing.
void run_statement(InputBytes& in, const ExactText& format_template, StrDesc* output) {
    const uint32_t mark = temporary_mark();
    int32_t position = 0;
    for (int n = 0; n < VALUES_PER_INPUT_MAX && !in.exhausted(); ++n) {
        if (output->in_conventional && output->length > CONVENTIONAL_OUTPUT_MAX) break;
        const uint8_t kind_byte = in.byte();
        if (kind_byte & 0x80) position = static_cast<int8_t>(in.byte());
        const auto kind =
            static_cast<ValueKind>((kind_byte & 0x7F) % static_cast<uint8_t>(ValueKind::count));
        const bool error_before = error_pending();
        const std::string before = string_copy_of(output);
        std::unique_ptr<ExactText> text;
        position = call_with_value(in, kind, format_template.string, position, output, text);

        const std::string after = string_copy_of(output);
        if (after.compare(0, before.size(), before) != 0 || after.size() < before.size()) {
            report("the output lost text it held");
        }
        if (error_before && after != before) report("text was appended while an error was pending");
        if (position < 0 || (position != 0 && position >= format_template.string->length)) {
            report("position " + std::to_string(position) + " outside the template");
        }
        if (error_pending() && position != 0) report("a failing call returned a position");
        if (pending_error != 0 && pending_error != 5 && pending_error != 13) {
            report("unexpected error " + std::to_string(pending_error));
        }
        if (string_view_of(format_template.string) != format_template.copy) {
            report("the template changed");
        }
        if (text && string_view_of(text->string) != text->copy) report("the string value changed");
        if (text) string_free(text->string);
        if (temporary_list.count > mark) report("a temporary stayed behind");
    }
}

// One numeric field from a few bytes: its marks, integer and decimal places, exponent.
std::string numeric_field(InputBytes& in) {
    const uint8_t marks = in.byte();
    std::string field;
    if (marks & 1) field += '+';
    if (marks & 2)
        field += (marks & 4) ? "**$" : "**";
    else if (marks & 4)
        field += "$$";
    const int integers = in.byte() % 24;
    for (int k = 0; k < integers; ++k)
        field += (marks & 8) && k % 2 == 1 ? ',' : '#';
    if (marks & 16) field += '.';
    const int decimals = in.byte() % 12;
    field.append(static_cast<size_t>(decimals), '#');
    if (marks & 32) field += (marks & 64) ? "^^^^^" : "^^^^";
    if (marks & 128) field += (integers & 1) ? '+' : '-';
    return field;
}

void check_field_width(InputBytes& in) {
    const ExactText format_template(numeric_field(in));
    const ValueKind kind = static_cast<ValueKind>(in.byte() % 5);
    StrDesc* output = string_new(0, NOT_TEMPORARY);
    std::unique_ptr<ExactText> unused;
    call_with_value(in, kind, format_template.string, 0, output, unused);
    const std::string built = string_copy_of(output);
    // A template that is no field at all (a lone point, a mark without places) fails with
    // 5; an infinity fails with 5 too.
    if (!error_pending() && !built.empty() && built[0] != '%' &&
        built.size() != format_template.copy.size()) {
        report("field \"" + format_template.copy + "\" laid out as \"" + built + "\"");
    }
    pending_error = 0;
    string_free(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = fuzz_strings_prepare();
    (void)prepared;
    pending_error = 0;
    const uint32_t descriptors_before = descriptors_in_use();
    const uint32_t mark = temporary_mark();
    // Each input is a routine: the records its data-segment strings take below the record
    // top come back when it returns, as they do at a routine's exit.
    const uint32_t record_top = data_segment.record_top;
    {
        InputBytes in(data, size);
        const uint8_t flags = in.byte();
        if (flags & 2) check_field_width(in);
        std::string template_text(in.byte(), '\0');
        for (char& c : template_text) {
            const uint8_t b = in.byte();
            c = (b & 0x80) ? TEMPLATE_ALPHABET[(b & 0x7F) % (sizeof TEMPLATE_ALPHABET - 1)]
                           : static_cast<char>(b);
        }
        const ExactText format_template(std::move(template_text));
        StrDesc* output =
            (flags & 1) ? string_new_conventional(0, NOT_TEMPORARY) : string_new(0, NOT_TEMPORARY);
        run_statement(in, format_template, output);
        pending_error = 0;
        string_free(output);
        free_temporaries(mark, 0);
    }
    data_segment.record_top = record_top;
    if (const std::string problem = string_state_problem(); !problem.empty()) report(problem);
    fuzz_check_descriptors("print_using check failed", descriptors_before);
    return 0;
}
