// libFuzzer entry: number texts in both directions.
//
// The whole input is read as a number text; the scan may stop anywhere, but it must never
// read past the text, must raise no error other than 6 (a radix literal too long), and
// must leave its argument as it was. The first bytes are also taken as a double and a
// single, written as their classic texts, and those texts must read back as the values to
// the precision the text form keeps.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/number_text.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

[[noreturn]] void report(const char* what, const std::string& text) {
    fuzz_fail("number text fault", std::string(what) + ": \"" + text + "\"");
}

// A finite value's text must read back within half a unit of its last digit, which is
// never coarser than relative_precision of the value.
void check_round_trip(double value, StrDesc* text, double relative_precision) {
    const std::string copy = string_copy_of(text);
    const long double back = text_to_number(text);
    if (pending_error != 0) report("an error reading a number's own text", copy);
    // Compared as long doubles: the text of a value near the largest double may round to
    // a decimal just beyond it.
    const long double difference = std::fabs(back - static_cast<long double>(value));
    if (difference > std::fabs(static_cast<long double>(value)) * relative_precision)
        report("read back wrongly", copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = fuzz_strings_prepare();
    (void)prepared;
    pending_error = 0;
    const uint32_t mark = temporary_mark();
    const uint32_t descriptors_before = descriptors_in_use();

    // An exact-size copy, so that AddressSanitizer sees any read past the text.
    char* bytes = static_cast<char*>(std::malloc(size > 0 ? size : 1));
    std::memcpy(bytes, data, size);
    StrDesc* text = string_from_literal(bytes, static_cast<int32_t>(size));
    const long double value = text_to_number(text);
    (void)value;
    if (pending_error != 0 && pending_error != 6)
        report("an error other than overflow", std::string(bytes, size));
    if (std::memcmp(bytes, data, size) != 0) report("the text was changed", "");
    pending_error = 0;

    double as_double;
    float as_single;
    if (size >= sizeof as_double) {
        std::memcpy(&as_double, data, sizeof as_double);
        if (std::isfinite(as_double))
            check_round_trip(as_double, number_to_text_double(as_double), 5e-15);
    }
    if (size >= sizeof as_single) {
        std::memcpy(&as_single, data, sizeof as_single);
        if (std::isfinite(as_single))
            check_round_trip(as_single, number_to_text_single(as_single), 5e-7);
    }

    free_temporaries(mark, 0);
    std::free(bytes);
    fuzz_check_descriptors("number text fault", descriptors_before);
    return 0;
}
