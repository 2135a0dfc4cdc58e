// Where string text comes from: the main pool, the data segment with its length/offset
// records, and foreign text; and how the two pools are packed when they fill up.
#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/strings/private/string_internals.h"

namespace {

// What an empty string over no text points at: copies of zero bytes still need a valid
// address to copy from and to.
uint8_t no_text[1];

}  // namespace

// ---------------------------------------------------------------------------------------
// Length/offset records: two little-endian 16-bit words in the data segment, the length
// first, then the text's offset. They let code that knows only segment and offset (the
// machine-code calls) find a string; every change of length or place rewrites them.
// ---------------------------------------------------------------------------------------

uint32_t data_segment_offset(const uint8_t* text) {
    return static_cast<uint32_t>(address_of(text) - address_of(data_segment.base));
}

void record_take(StrDesc* s, ErrorCode on_overlap) {
    if (data_segment.record_top < conventional_used + STRING_RECORD_SIZE) {
        critical_error(on_overlap);
    }
    data_segment.record_top -= STRING_RECORD_SIZE;
    s->record = reinterpret_cast<uint16_t*>(data_segment.base + data_segment.record_top);
    s->record_offset = static_cast<uint16_t>(data_segment.record_top);
    record_write(s);
}

void record_write(const StrDesc* s) {
    if (s->record == nullptr) return;
    auto* record = reinterpret_cast<uint8_t*>(s->record);
    const uint32_t length = static_cast<uint32_t>(s->length);
    const uint32_t offset = data_segment_offset(s->text);
    record[0] = static_cast<uint8_t>(length);
    record[1] = static_cast<uint8_t>(length >> 8);
    record[2] = static_cast<uint8_t>(offset);
    record[3] = static_cast<uint8_t>(offset >> 8);
}

uint8_t* pool_limit(const StrDesc* s) {
    if (s->in_conventional) return data_segment.base + data_segment.record_top;
    return main_pool.base + main_pool.size;
}

// ---------------------------------------------------------------------------------------
// New strings
// ---------------------------------------------------------------------------------------

StrDesc* string_new(uint32_t length, Temporary temporary) {
    if (length > STRING_MAX_LENGTH) critical_error(MAIN_POOL_CANNOT_GROW);
    const size_t reserved = static_cast<size_t>(length) + MAIN_POOL_SLACK;
    if (main_pool.used + reserved > main_pool.size) compact_main_pool(reserved);

    StrDesc* s = descriptor_take();
    s->length = static_cast<int32_t>(length);
    s->text = main_pool.base + main_pool.used;
    main_pool.used += reserved;
    string_list_append(main_list, s, MAIN_LIST_CANNOT_GROW);
    if (temporary) temporary_push(s);
    return s;
}

StrDesc* string_new_conventional(uint32_t length, Temporary temporary) {
    if (length > DATA_SEGMENT_SIZE) critical_error(DATA_SEGMENT_FULL);
    if (conventional_used + length > data_segment.record_top) compact_conventional_pool(length);

    StrDesc* s = descriptor_take();
    s->length = static_cast<int32_t>(length);
    s->text = data_segment.base + conventional_used;
    conventional_used += length;
    s->in_conventional = 1;
    string_list_append(conventional_list, s, CONVENTIONAL_LIST_CANNOT_GROW);
    if (temporary) {
        temporary_push(s);
    } else {
        record_take(s, RECORD_OVERLAPS_TEXT);
    }
    return s;
}

StrDesc* string_from_literal(const char* text, int32_t length) {
    StrDesc* s = descriptor_take();
    // Read-only: the text is never written through this pointer.
    s->text = text == nullptr ? no_text : reinterpret_cast<uint8_t*>(const_cast<char*>(text));
    s->length = (text == nullptr || length < 0) ? 0 : length;
    s->read_only = 1;
    temporary_push(s);
    return s;
}

StrDesc* string_from_cstring(const char* text) {
    const size_t length = text == nullptr ? 0 : std::strlen(text);
    if (length > STRING_MAX_LENGTH) critical_error(MAIN_POOL_CANNOT_GROW);
    return string_from_literal(text, static_cast<int32_t>(length));
}

StrDesc* string_new_fixed(uint8_t* address, int32_t length, Temporary temporary) {
    StrDesc* s = descriptor_take();
    s->text = address == nullptr ? no_text : address;
    s->length = (address == nullptr || length < 0) ? 0 : length;
    s->fixed = 1;
    if (temporary) {
        temporary_push(s);
    } else if (address_of(address) > address_of(data_segment.base) &&
               address_of(address) < address_of(data_segment.base) + DATA_SEGMENT_SIZE) {
        record_take(s, FIXED_RECORD_OVERLAPS_TEXT);
    }
    return s;
}

// ---------------------------------------------------------------------------------------
// Compaction. The lists hold their strings in text order, so packing walks a list and
// slides each text down to the end of the one before.
// ---------------------------------------------------------------------------------------

void compact_main_pool(size_t required) {
    if (main_list.count != 0) {
        uint8_t* cursor = main_pool.base;
        for (uint32_t n = 0; n < main_list.count; ++n) {
            StrDesc* s = main_list.entries[n];
            if (s == STRING_LIST_HOLE) continue;
            // Gaps of up to the slack are left alone: moving a string costs more than
            // the few bytes it would win.
            if (address_of(s->text) > address_of(cursor) + MAIN_POOL_SLACK) {
                if (s->length != 0) std::memmove(cursor, s->text, static_cast<size_t>(s->length));
                s->text = cursor;
            }
            cursor = s->text + s->length;
        }
        main_pool.used = static_cast<size_t>(cursor - main_pool.base);
    }
    if (required + 2 * main_pool.used + MAIN_POOL_SLACK < main_pool.size) return;

    if (main_pool.size > (SIZE_MAX - required) / 2) critical_error(MAIN_POOL_CANNOT_GROW);
    const size_t grown = required + 2 * main_pool.size;
    const uintptr_t old_base = address_of(main_pool.base);
    main_pool.base =
        static_cast<uint8_t*>(string_heap_resize(main_pool.base, grown, 1, MAIN_POOL_CANNOT_GROW));
    main_pool.size = grown;
    for (uint32_t n = 0; n < main_list.count; ++n) {
        StrDesc* s = main_list.entries[n];
        if (s == STRING_LIST_HOLE) continue;
        s->text = main_pool.base + (address_of(s->text) - old_base);
    }
}

void compact_conventional_pool(uint32_t required) {
    uint32_t cursor = CONVENTIONAL_FIRST_OFFSET;
    for (uint32_t n = 0; n < conventional_list.count; ++n) {
        StrDesc* s = conventional_list.entries[n];
        if (s == STRING_LIST_HOLE) continue;
        uint8_t* target = data_segment.base + cursor;
        if (s->text != target) {
            if (s->length != 0) std::memmove(target, s->text, static_cast<size_t>(s->length));
            s->text = target;
            record_write(s);
        }
        cursor += static_cast<uint32_t>(s->length);
    }
    conventional_used = cursor;
    if (static_cast<uint64_t>(conventional_used) + required > data_segment.record_top) {
        critical_error(DATA_SEGMENT_FULL);
    }
}
