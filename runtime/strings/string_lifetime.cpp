// How strings are handed on and given back: assignment (with stealing and in-place
// growth), concatenation, freeing, and the statement cleanup of temporaries.
#include <algorithm>
#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/strings/private/string_internals.h"

namespace {

StringList& list_of(const StrDesc* s) {
    return s->in_conventional ? conventional_list : main_list;
}

uint8_t* pool_base_of(const StrDesc* s) {
    return s->in_conventional ? data_segment.base : main_pool.base;
}

// A temporary whose text may simply change owner: it is in one of the pools.
bool stealable(const StrDesc* src, const StrDesc* dest) {
    return src->temporary && !src->fixed && !src->read_only &&
           src->in_conventional == dest->in_conventional;
}

// dest takes over src's text and list place; src's descriptor goes, its text stays.
StrDesc* steal(StrDesc* dest, StrDesc* src) {
    StringList& list = list_of(dest);
    list.entries[dest->list_index] = STRING_LIST_HOLE;
    list.entries[src->list_index] = dest;
    dest->list_index = src->list_index;
    temporary_list.entries[src->temp_index] = STRING_LIST_HOLE;
    if (src->temp_index == temporary_list.count - 1) --temporary_list.count;
    dest->text = src->text;
    dest->length = src->length;
    descriptor_release(src);
    record_write(dest);
    return dest;
}

// The first live string after dest on its list, or null; src is passed over when it is a
// temporary, since its text is about to be released.
StrDesc* next_live_after(const StrDesc* dest, const StrDesc* src) {
    const StringList& list = list_of(dest);
    for (uint32_t n = dest->list_index + 1; n < list.count; ++n) {
        StrDesc* s = list.entries[n];
        if (s == STRING_LIST_HOLE || (s == src && src->temporary)) continue;
        return s;
    }
    return nullptr;
}

// Gives dest fresh room at the end of its pool and copies src there.
void relocate(StrDesc* dest, const StrDesc* src) {
    const uint32_t length = static_cast<uint32_t>(src->length);
    StringList& list = list_of(dest);
    list.entries[dest->list_index] = STRING_LIST_HOLE;
    if (dest->in_conventional) {
        if (conventional_used + length > data_segment.record_top) {
            compact_conventional_pool(length);
        }
        string_list_append(list, dest, CONVENTIONAL_LIST_CANNOT_GROW);
        dest->text = data_segment.base + conventional_used;
        conventional_used += length;
    } else {
        if (main_pool.used + length > main_pool.size) compact_main_pool(length);
        string_list_append(list, dest, MAIN_LIST_CANNOT_GROW);
        dest->text = main_pool.base + main_pool.used;
        main_pool.used += length;
    }
    // Packing may have moved src, so its text is read only now.
    std::memcpy(dest->text, src->text, length);
    dest->length = src->length;
}

// Grows dest to src's longer value where it lies when the bytes after it are free, and
// relocates it otherwise.
void assign_longer(StrDesc* dest, const StrDesc* src) {
    const uintptr_t end = address_of(dest->text) + src->length;
    StringList& list = list_of(dest);
    if (dest->list_index != list.count - 1) {
        if (const StrDesc* next = next_live_after(dest, src)) {
            if (end > address_of(next->text)) {
                relocate(dest, src);
            } else {
                std::memmove(dest->text, src->text, static_cast<size_t>(src->length));
                dest->length = src->length;
            }
            return;
        }
        list.count = dest->list_index + 1;  // only holes were above dest
    }
    if (end > address_of(pool_limit(dest))) {
        relocate(dest, src);
        return;
    }
    std::memmove(dest->text, src->text, static_cast<size_t>(src->length));
    dest->length = src->length;
    const size_t end_offset = static_cast<size_t>(dest->text - pool_base_of(dest)) + dest->length;
    if (dest->in_conventional) {
        conventional_used = static_cast<uint32_t>(end_offset);
    } else {
        main_pool.used = end_offset;
    }
}

}  // namespace

void copy_padded(StrDesc* dest, const StrDesc* src) {
    const int32_t copied = std::min(src->length, dest->length);
    std::memmove(dest->text, src->text, static_cast<size_t>(copied));
    std::memset(dest->text + copied, ' ', static_cast<size_t>(dest->length - copied));
}

StrDesc* string_make_temporary(StrDesc* s) {
    // A second push would put s on the list twice, and the cleanup would free it twice.
    if (!s->temporary) temporary_push(s);
    return s;
}

void string_free(StrDesc* s) {
    if (descriptor_released(s)) return;
    // FIXME: record buffers arrive with the file numbers; until then no string is bound.
    s->field_binding = nullptr;
    if (s->temp_index != 0) temporary_remove(s);
    if (s->fixed || s->read_only) {
        descriptor_release(s);
        return;
    }
    if (s->in_conventional) {
        // The text's space comes back only when the data segment is packed.
        conventional_list.entries[s->list_index] = STRING_LIST_HOLE;
        if (s->list_index == conventional_list.count - 1) --conventional_list.count;
    } else {
        // Freeing the newest strings hands their space back at once, like a stack.
        main_list.entries[s->list_index] = STRING_LIST_HOLE;
        while (main_list.count != 0 && main_list.entries[main_list.count - 1] == STRING_LIST_HOLE) {
            --main_list.count;
        }
        if (main_list.count == 0) {
            main_pool.used = 0;
        } else {
            const StrDesc* last = main_list.entries[main_list.count - 1];
            const size_t end =
                static_cast<size_t>(last->text - main_pool.base) + last->length + MAIN_POOL_SLACK;
            main_pool.used = std::min(end, main_pool.size);
        }
    }
    descriptor_release(s);
}

StrDesc* string_assign(StrDesc* dest, StrDesc* src) {
    if (dest == src) return dest;  // freeing a temporary src would free dest itself
    if (dest->fixed) {
        copy_padded(dest, src);
    } else if (stealable(src, dest)) {
        return steal(dest, src);
    } else if (src->length <= dest->length) {
        std::memmove(dest->text, src->text, static_cast<size_t>(src->length));
        dest->length = src->length;
    } else {
        assign_longer(dest, src);
    }
    if (src->temporary) string_free(src);
    record_write(dest);
    return dest;
}

StrDesc* string_concat(StrDesc* a, StrDesc* b) {
    if (b->length == 0) return a;
    if (a->length == 0) return b;
    const uint64_t total = static_cast<uint64_t>(a->length) + static_cast<uint64_t>(b->length);
    if (total > STRING_MAX_LENGTH) critical_error(MAIN_POOL_CANNOT_GROW);
    StrDesc* joined = string_new(static_cast<uint32_t>(total), TEMPORARY);
    // The new string may have moved both texts: they are read only now.
    std::memcpy(joined->text, a->text, static_cast<size_t>(a->length));
    std::memcpy(joined->text + a->length, b->text, static_cast<size_t>(b->length));
    if (a->temporary) string_free(a);
    if (b->temporary && b != a) string_free(b);
    return joined;
}

int32_t free_temporaries(uint32_t mark, int32_t value) {
    mark = std::max<uint32_t>(mark, 1);  // entry 0 is never a temporary
    while (temporary_list.count > mark) {
        --temporary_list.count;
        StrDesc* s = temporary_list.entries[temporary_list.count];
        if (s != STRING_LIST_HOLE) string_free(s);
    }
    return value;
}
