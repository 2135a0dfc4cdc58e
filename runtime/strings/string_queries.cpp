// Searching, runs of one character, single bytes, lengths and comparisons.
#include <algorithm>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/strings/private/string_results.h"
#include "runtime/strings/string_functions.h"

namespace {

// <0, 0 or >0 as a sorts before, with or after b: unsigned bytes over the shorter length,
// then the shorter first.
int compare(const StrDesc* a, const StrDesc* b) {
    const int32_t shorter = std::min(a->length, b->length);
    if (shorter != 0) {
        const int bytes = std::memcmp(a->text, b->text, static_cast<size_t>(shorter));
        if (bytes != 0) return bytes;
    }
    return (a->length > b->length) - (a->length < b->length);
}

int32_t truth(bool holds) {
    return holds ? -1 : 0;
}

}  // namespace

int32_t string_instr(int32_t start, const StrDesc* haystack, const StrDesc* needle,
                     Given start_given) {
    int64_t from = start_given ? start : 1;
    if (haystack->length == 0) return 0;
    if (from <= 0) {
        from = 1;
        if (needle->length == 0) return 0;
    }
    if (from > haystack->length) return 0;
    if (needle->length == 0) return static_cast<int32_t>(from);
    const uint8_t* const text = haystack->text;
    const int64_t last_start = haystack->length - needle->length;  // as an offset
    for (int64_t at = from - 1; at <= last_start;) {
        const void* first =
            std::memchr(text + at, needle->text[0], static_cast<size_t>(last_start - at + 1));
        if (first == nullptr) return 0;
        at = static_cast<const uint8_t*>(first) - text;
        if (std::memcmp(text + at, needle->text, static_cast<size_t>(needle->length)) == 0) {
            return static_cast<int32_t>(at + 1);
        }
        ++at;
    }
    return 0;
}

StrDesc* string_spaces(int32_t n) {
    return string_filled(n, ' ');
}

StrDesc* string_repeat(int32_t n, int32_t code) {
    return string_filled(n, static_cast<uint8_t>(code));
}

StrDesc* string_chr(int32_t code) {
    if (code < 0 || code > 255) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return string_new(0, TEMPORARY);
    }
    return string_filled(1, static_cast<uint8_t>(code));
}

int32_t string_asc(const StrDesc* s, int32_t position, Given position_given) {
    if (!position_given) position = 1;
    if (position < 1 || position > s->length) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    return s->text[position - 1];
}

int32_t string_length(const StrDesc* s) {
    return s->length;
}

int32_t string_equal(const StrDesc* a, const StrDesc* b) {
    return truth(a->length == b->length &&
                 (a->length == 0 || std::memcmp(a->text, b->text, a->length) == 0));
}

int32_t string_not_equal(const StrDesc* a, const StrDesc* b) {
    return ~string_equal(a, b);
}

int32_t string_less(const StrDesc* a, const StrDesc* b) {
    return truth(compare(a, b) < 0);
}

int32_t string_greater(const StrDesc* a, const StrDesc* b) {
    return truth(compare(a, b) > 0);
}

int32_t string_less_equal(const StrDesc* a, const StrDesc* b) {
    return truth(compare(a, b) <= 0);
}

int32_t string_greater_equal(const StrDesc* a, const StrDesc* b) {
    return truth(compare(a, b) >= 0);
}
