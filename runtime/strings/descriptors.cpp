// Descriptor blocks and their free stack, the three string lists, and the heap growth
// behind all of them.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/strings/private/string_internals.h"

StringList main_list;
StringList conventional_list;
StringList temporary_list;
MainPool main_pool;
uint32_t conventional_used = CONVENTIONAL_FIRST_OFFSET;

namespace {

// Descriptors come from blocks that are never returned, so a descriptor's address stays
// valid for the whole run; released ones wait on the free stack.
struct DescriptorStore {
    StrDesc** blocks = nullptr;
    uint32_t block_count = 0;
    uint32_t next_free = 0;  // in the newest block
    StrDesc** free_stack = nullptr;
    uint32_t free_count = 0;
    uint32_t free_capacity = 0;
};

DescriptorStore store;
ErrorCode failing_growth = 0;

// Marks a released descriptor, so that freeing it a second time changes nothing instead
// of putting it on the free stack twice (where two later strings would share it).
constexpr int32_t RELEASED_LENGTH = -1;

void store_release_all() {
    for (uint32_t n = 0; n < store.block_count; ++n)
        std::free(store.blocks[n]);
    std::free(store.blocks);
    std::free(store.free_stack);
    store = DescriptorStore{};
}

void descriptor_block_add() {
    store.blocks = static_cast<StrDesc**>(string_heap_resize(
        store.blocks, store.block_count + 1, sizeof(StrDesc*), FREE_STACK_CANNOT_GROW));
    auto* block = static_cast<StrDesc*>(string_heap_resize(
        nullptr, DESCRIPTOR_BLOCK_SIZE, sizeof(StrDesc), FREE_STACK_CANNOT_GROW));
    std::memset(static_cast<void*>(block), 0, DESCRIPTOR_BLOCK_SIZE * sizeof(StrDesc));
    store.blocks[store.block_count++] = block;
    store.next_free = 0;
}

void list_reset(StringList& list, uint32_t count, ErrorCode on_failure) {
    std::free(list.entries);
    list.capacity = STRING_LIST_FIRST_CAPACITY;
    list.entries = static_cast<StrDesc**>(
        std::calloc(static_cast<size_t>(list.capacity) + 1, sizeof(StrDesc*)));
    if (list.entries == nullptr) critical_error(on_failure);
    list.count = count;
}

// Doubles a list's capacity; the array keeps one entry more than the capacity.
void list_double(StringList& list, ErrorCode on_failure) {
    if (list.capacity > std::numeric_limits<uint32_t>::max() / 2 - 1) critical_error(on_failure);
    const uint32_t doubled = list.capacity * 2;
    list.entries = static_cast<StrDesc**>(string_heap_resize(
        list.entries, static_cast<size_t>(doubled) + 1, sizeof(StrDesc*), on_failure));
    list.capacity = doubled;
}

// Closes the holes of a list, renumbering list_index, and doubles it when at least half
// of it is live.
void string_list_compact(StringList& list, ErrorCode on_failure) {
    uint32_t live = 0;
    for (uint32_t n = 0; n < list.count; ++n) {
        StrDesc* s = list.entries[n];
        if (s == STRING_LIST_HOLE) continue;
        list.entries[live] = s;
        s->list_index = live;
        ++live;
    }
    list.count = live;
    if (2ull * live >= list.capacity) list_double(list, on_failure);
}

}  // namespace

void* string_heap_resize(void* block, size_t count, size_t element_size, ErrorCode on_failure) {
    if (element_size != 0 && count > std::numeric_limits<size_t>::max() / element_size) {
        critical_error(on_failure);
    }
    const size_t bytes = count * element_size;
    if (failing_growth != 0 && on_failure == failing_growth) critical_error(on_failure);
    void* resized = std::realloc(block, bytes);
    if (resized == nullptr) critical_error(on_failure);
    return resized;
}

void strings_seam_fail_growth(uint32_t error) {
    failing_growth = error;
}

void string_tables_init() {
    store_release_all();
    descriptor_block_add();
    store.free_capacity = DESCRIPTOR_FREE_STACK_FIRST_CAPACITY;
    store.free_stack = static_cast<StrDesc**>(
        string_heap_resize(nullptr, store.free_capacity, sizeof(StrDesc*), FREE_STACK_CANNOT_GROW));

    list_reset(main_list, 0, MAIN_LIST_CANNOT_GROW);
    list_reset(conventional_list, 0, CONVENTIONAL_LIST_CANNOT_GROW);
    list_reset(temporary_list, 1,
               TEMPORARY_LIST_CANNOT_GROW);  // entry 0 stays zero and stops every downward walk

    std::free(main_pool.base);
    main_pool.base = static_cast<uint8_t*>(
        string_heap_resize(nullptr, MAIN_POOL_FIRST_SIZE, 1, MAIN_POOL_CANNOT_GROW));
    main_pool.size = MAIN_POOL_FIRST_SIZE;
    main_pool.used = 0;
    conventional_used = CONVENTIONAL_FIRST_OFFSET;

    shared_empty_string = nullptr;
    shared_space_string = nullptr;
    unknown_opcode_text = nullptr;
}

StrDesc* descriptor_take() {
    StrDesc* d;
    if (store.free_count != 0) {
        d = store.free_stack[--store.free_count];
    } else {
        if (store.next_free == DESCRIPTOR_BLOCK_SIZE) descriptor_block_add();
        d = &store.blocks[store.block_count - 1][store.next_free++];
    }
    *d = StrDesc{};
    return d;
}

void descriptor_release(StrDesc* d) {
    if (store.free_count == store.free_capacity) {
        if (store.free_capacity > std::numeric_limits<uint32_t>::max() / 2) {
            critical_error(FREE_STACK_CANNOT_GROW);
        }
        const uint32_t doubled = store.free_capacity * 2;
        store.free_stack = static_cast<StrDesc**>(string_heap_resize(
            store.free_stack, doubled, sizeof(StrDesc*), FREE_STACK_CANNOT_GROW));
        store.free_capacity = doubled;
    }
    d->length = RELEASED_LENGTH;
    store.free_stack[store.free_count++] = d;
}

bool descriptor_released(const StrDesc* d) {
    return d->length == RELEASED_LENGTH;
}

uint32_t descriptors_in_use() {
    const uint64_t handed_out =
        static_cast<uint64_t>(store.block_count - 1) * DESCRIPTOR_BLOCK_SIZE + store.next_free;
    return static_cast<uint32_t>(handed_out - store.free_count);
}

std::span<StrDesc* const> descriptor_free_stack() {
    return {store.free_stack, store.free_count};
}

void string_list_append(StringList& list, StrDesc* s, ErrorCode on_failure) {
    if (list.count > list.capacity) string_list_compact(list, on_failure);
    list.entries[list.count] = s;
    s->list_index = list.count;
    ++list.count;
}

void temporary_push(StrDesc* s) {
    if (temporary_list.count > temporary_list.capacity) {
        list_double(temporary_list, TEMPORARY_LIST_CANNOT_GROW);
    }
    temporary_list.entries[temporary_list.count] = s;
    s->temp_index = temporary_list.count;
    s->temporary = 1;
    ++temporary_list.count;
}

void temporary_remove(StrDesc* s) {
    temporary_list.entries[s->temp_index] = STRING_LIST_HOLE;
    while (temporary_list.entries[temporary_list.count - 1] == STRING_LIST_HOLE) {
        --temporary_list.count;
    }
    s->temp_index = 0;
    s->temporary = 0;
}

uint32_t temporary_mark() {
    return temporary_list.count;
}
