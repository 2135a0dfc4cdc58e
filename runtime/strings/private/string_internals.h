// What the string files share among themselves: descriptor handling, list upkeep, the
// two compactions and the length/offset records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "runtime/core/errors.h"
#include "runtime/strings/strings.h"

inline constexpr ErrorCode FREE_STACK_CANNOT_GROW = 508;
inline constexpr ErrorCode CONVENTIONAL_LIST_CANNOT_GROW = 509;
inline constexpr ErrorCode MAIN_LIST_CANNOT_GROW = 510;
inline constexpr ErrorCode TEMPORARY_LIST_CANNOT_GROW = 511;
inline constexpr ErrorCode MAIN_POOL_CANNOT_GROW = 512;
inline constexpr ErrorCode DATA_SEGMENT_FULL = 513;
inline constexpr ErrorCode RECORD_OVERLAPS_TEXT = 514;
inline constexpr ErrorCode FIXED_RECORD_OVERLAPS_TEXT = 515;

// A text address as a number: texts of different blocks are compared and offset through
// it, which pointer arithmetic may not do.
inline uintptr_t address_of(const void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

// A zeroed descriptor, from the free stack or the current block.
StrDesc* descriptor_take();

// Puts d on the free stack for reuse.
void descriptor_release(StrDesc* d);

// True for a descriptor that sits on the free stack.
bool descriptor_released(const StrDesc* d);

// The descriptors on the free stack.
std::span<StrDesc* const> descriptor_free_stack();

// Resizes a heap array to count elements; failure (or the growth seam) is critical error
// on_failure.
void* string_heap_resize(void* block, size_t count, size_t element_size, ErrorCode on_failure);

// Appends s to a string list, compacting (and maybe growing) the list first when full.
void string_list_append(StringList& list, StrDesc* s, ErrorCode on_failure);

// Pushes s on the temporary list, growing it when full.
void temporary_push(StrDesc* s);

// Removes s from the temporary list; the count drops only over holes at its top.
void temporary_remove(StrDesc* s);

// Packs the main pool and grows it when required more bytes would leave it too full.
void compact_main_pool(size_t required);

// Packs the data segment's strings; critical 513 when required bytes still do not fit.
void compact_conventional_pool(uint32_t required);

// Takes a record for s below the record top; critical error on_overlap when it would
// reach string text.
void record_take(StrDesc* s, ErrorCode on_overlap);

// Writes the current length and text offset of s into its record, if it has one.
void record_write(const StrDesc* s);

// Copies src to the start of dest without changing dest's length: cut to fit, or padded
// with spaces.
void copy_padded(StrDesc* dest, const StrDesc* src);

// A string's text as an offset into the data segment.
uint32_t data_segment_offset(const uint8_t* text);

// The end of the space a string's text may grow into: the pool end, or the record top.
uint8_t* pool_limit(const StrDesc* s);
