// Case conversion, trimming, left/right/middle parts, in-place replacement of a part and
// the fixed-length setting statements.
#include "runtime/strings/string_functions.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/strings/private/string_internals.h"
#include "runtime/strings/private/string_results.h"

namespace {

constexpr uint8_t SPACE = ' ';

// Turns the bytes from..to of a case by distance, on a reusable temporary in place and on
// anything else in a copy, made only when a byte actually changes.
StrDesc* convert_case(StrDesc* s, uint8_t from, uint8_t to, int distance) {
    if (s->length == 0) return s;
    auto in_range = [from, to](uint8_t c) { return c >= from && c <= to; };
    if (!reusable_temporary(s)) {
        if (std::none_of(s->text, s->text + s->length, in_range)) return s;
        s = string_part_copy(s, 0, s->length);
    }
    for (uint8_t* c = s->text; c != s->text + s->length; ++c) {
        if (in_range(*c)) *c = static_cast<uint8_t>(*c + distance);
    }
    return s;
}

// The part of s at offset, length bytes: s itself when that is all of it, s narrowed in
// place when it is a reusable temporary, otherwise a copy.
StrDesc* string_part(StrDesc* s, int32_t offset, int32_t length) {
    if (offset == 0 && length == s->length) return s;
    if (reusable_temporary(s)) {
        s->text += offset;
        s->length = length;
        return s;
    }
    return string_part_copy(s, offset, length);
}

}  // namespace

StrDesc* string_part_copy(StrDesc* s, int32_t offset, int32_t length) {
    StrDesc* part = string_new(static_cast<uint32_t>(length), TEMPORARY);
    // The new string may have moved s: its text is read only now.
    std::memcpy(part->text, s->text + offset, static_cast<size_t>(length));
    if (s->temporary) string_free(s);
    return part;
}

StrDesc* string_filled(int32_t length, uint8_t byte) {
    StrDesc* s = string_new(static_cast<uint32_t>(std::max(length, 0)), TEMPORARY);
    std::memset(s->text, byte, static_cast<size_t>(s->length));
    return s;
}

StrDesc* string_holding(const char* bytes, int32_t length, uint32_t reserved) {
    const auto count = static_cast<uint32_t>(std::max(length, 0));
    StrDesc* s = string_new(std::max(reserved, count), TEMPORARY);
    std::memcpy(s->text, bytes, count);
    s->length = static_cast<int32_t>(count);
    return s;
}

StrDesc* string_to_upper(StrDesc* s) {
    return convert_case(s, 'a', 'z', -32);
}

StrDesc* string_to_lower(StrDesc* s) {
    return convert_case(s, 'A', 'Z', 32);
}

StrDesc* string_trim_left(StrDesc* s) {
    int32_t spaces = 0;
    while (spaces < s->length && s->text[spaces] == SPACE)
        ++spaces;
    return string_part(s, spaces, s->length - spaces);
}

StrDesc* string_trim_right(StrDesc* s) {
    int32_t length = s->length;
    while (length > 0 && s->text[length - 1] == SPACE)
        --length;
    return string_part(s, 0, length);
}

StrDesc* string_left(StrDesc* s, int32_t n) {
    return string_part(s, 0, std::clamp(n, 0, s->length));
}

StrDesc* string_right(StrDesc* s, int32_t n) {
    const int32_t length = std::clamp(n, 0, s->length);
    return string_part(s, s->length - length, length);
}

StrDesc* string_mid(StrDesc* s, int32_t start, int32_t length, Given length_given) {
    // 64 bits, so that start - 1 and start + length cannot overflow.
    int64_t first = start;
    int64_t count;
    if (length_given) {
        count = length;
        if (first <= 0) {
            count -= 1 - first;
            first = 1;
        }
        if (count <= 0 || first > s->length) {
            count = 0;
            first = 1;
        } else {
            count = std::min<int64_t>(count, s->length - first + 1);
        }
    } else {
        first = std::max<int64_t>(first, 1);
        count = s->length - first + 1;
        if (count <= 0) {
            count = 0;
            first = 1;
        }
    }
    return string_part(s, static_cast<int32_t>(first - 1), static_cast<int32_t>(count));
}

void string_mid_assign(StrDesc* dest, int32_t start, int32_t length, StrDesc* source,
                       Given length_given) {
    if (error_pending()) return;
    // The shared empty string stays empty; read-only text is never written.
    if (dest == shared_empty_string || dest->read_only) return;
    int64_t first = start;
    int64_t count = length_given ? length : source->length;
    int64_t skipped = 0;
    if (first <= 0) {
        skipped = 1 - first;
        count -= skipped;
        first = 1;
    }
    const int64_t source_left = source->length - skipped;
    if (count <= 0 || first > dest->length || source_left <= 0) return;
    count = std::min({count, dest->length - first + 1, source_left});
    uint8_t* to = dest->text + (first - 1);
    const uint8_t* from = source->text + skipped;
    if (to != from) std::memmove(to, from, static_cast<size_t>(count));
}

void string_set_left(StrDesc* dest, const StrDesc* source) {
    if (error_pending() || dest->read_only) return;
    copy_padded(dest, source);
    // FIXME: a string bound to a record buffer tells it of the change once record buffers
    // arrive with the file numbers.
}

void string_set_right(StrDesc* dest, const StrDesc* source) {
    if (error_pending() || dest->read_only) return;
    const int32_t copied = std::min(source->length, dest->length);
    const int32_t padding = dest->length - copied;
    std::memmove(dest->text + padding, source->text, static_cast<size_t>(copied));
    std::memset(dest->text, SPACE, static_cast<size_t>(padding));
    // FIXME: as for string_set_left, the record-buffer binding is told once it exists.
}
