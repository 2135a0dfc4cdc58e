// Helpers the string functions share for building their results.
#pragma once

#include <cstdint>

#include "runtime/core/errors.h"
#include "runtime/strings/strings.h"

// True when s may be changed in place and returned: a temporary of the main pool that is
// neither fixed nor read-only.
inline bool reusable_temporary(const StrDesc* s) {
    return s->temporary && !s->fixed && !s->read_only && !s->in_conventional;
}

// A new temporary holding length bytes of s from offset; s is freed when temporary.
StrDesc* string_part_copy(StrDesc* s, int32_t offset, int32_t length);

// A new temporary of length bytes, all byte.
StrDesc* string_filled(int32_t length, uint8_t byte);

// A new temporary holding length bytes copied from native text (not string text, which
// the allocation could move). reserved, when larger, is the length asked of the pool
// before the text is written, as conversions that size their result in advance do.
StrDesc* string_holding(const char* bytes, int32_t length, uint32_t reserved = 0);
