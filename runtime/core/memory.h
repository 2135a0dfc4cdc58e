// Variable memory, the emulated first megabyte (LowMemory) and lock records.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------
// LowMemory: the emulated first megabyte, addressed as segment * 16 + offset. The highest
// such address is 10FFEFh; three more bytes let a 32-bit access there stay inside.
//
//   00000h-003FFh  interrupt vector table, always zero
//   00417h-00418h  keyboard shift-state bytes
//   0041Ah, 0041Ch keyboard buffer head and tail words (offsets from 400h; 1Eh when empty)
//   0041Eh-0043Dh  keyboard buffer, 16 two-byte entries
//   0046Ch-0046Eh  timer tick count, low byte first (046Fh is never written)
//   00496h         keyboard status byte
//   00500h-104FFh  the data segment (segment 0050h): conventional strings and records
//   A0000h-        video memory of the pixel modes kept in emulated memory
//   B8000h-C7FFFh  video memory of the text pages
// ---------------------------------------------------------------------------------------
inline constexpr size_t LOW_MEMORY_SIZE = 0x10FFF3;
inline constexpr uint32_t BIOS_TICK_COUNT = 0x46C;
inline constexpr uint32_t DATA_SEGMENT_LINEAR = 0x500;
inline constexpr uint32_t DATA_SEGMENT_SIZE = 0x10000;

extern uint8_t low_memory[LOW_MEMORY_SIZE];

// The linear address of segment:offset.
inline constexpr uint32_t linear_address(uint16_t segment, uint16_t offset) {
    return static_cast<uint32_t>(segment) * 16 + offset;
}

// Reads a byte that another thread may be writing (the BIOS data area, video memory).
inline uint8_t low_memory_load(uint32_t address) {
    return std::atomic_ref<uint8_t>(low_memory[address]).load(std::memory_order_acquire);
}

// Writes a byte that another thread may be reading, as one store.
inline void low_memory_store(uint32_t address, uint8_t value) {
    std::atomic_ref<uint8_t>(low_memory[address]).store(value, std::memory_order_release);
}

// Zeroes LowMemory and places the data segment's record top below its zeroed top 8 bytes.
void low_memory_init();

// The data segment where conventional strings and their length/offset records live.
struct DataSegment {
    uint8_t* base = nullptr;                  // LowMemory + 500h
    uint32_t record_top = DATA_SEGMENT_SIZE;  // records are taken downwards from here
};

extern DataSegment data_segment;

// ---------------------------------------------------------------------------------------
// Variable memory: a bump-allocated block for the translated program's numeric variables
// and array descriptors. A block that fills up is left behind (never freed, so every
// variable keeps its address) and allocation moves to a new, larger block.
// ---------------------------------------------------------------------------------------
inline constexpr int64_t VARIABLE_MEMORY_FIRST_BLOCK = 1048576;

struct VariableMemory {
    int64_t block_size = 0;
    uint8_t* base = nullptr;
    uint8_t* top = nullptr;
    uint8_t* limit = nullptr;
};

extern VariableMemory variable_memory;

// Allocates the first block of variable memory.
void variable_memory_init();

// Reserves size bytes (not cleared); moves to a new block of size + twice the old block
// size when they do not fit. A block that cannot be had is critical error 504.
uint8_t* variable_alloc(int32_t size);

// Gives back everything above saved; a top saved in a block since left restores to base.
void variable_top_restore(uint8_t* saved);

// ---------------------------------------------------------------------------------------
// Lock records: a never-reused identity for every routine scope, array, image and memory
// block, so that a stale reference can be told from a live one.
// ---------------------------------------------------------------------------------------
enum LockKind : int32_t {
    LOCK_OWNS_MEMORY = 1,  // a memory block whose memory is freed with the record
    LOCK_ROUTINE = 3,
    LOCK_ARRAY = 4,
};

struct LockRecord {
    uint64_t identity;  // 0 = released
    int32_t kind;
    // The memory a kind-1 record owns, as a number in the owned-memory table (0 = none):
    // a number keeps the record at 16 bytes where a pointer would not.
    uint32_t owned_memory;
};
static_assert(sizeof(LockRecord) == 16, "lock records are 16 bytes");

inline constexpr int32_t LOCK_BLOCK_RECORDS = 10000;
inline constexpr int32_t LOCK_FREE_STACK_FIRST_CAPACITY = 1000;

// Allocates the first block of lock records and the free stack.
void lock_records_init();

// Takes a record with a new identity (one more than the last handed out); the caller sets
// the kind.
LockRecord* lock_take();

// Releases r: its identity becomes 0 and memory it owns (kind 1) is freed.
void lock_release(LockRecord* r);

// Hands memory (from malloc) to a kind-1 record, to be freed when the record is released.
void lock_attach_memory(LockRecord* r, void* memory);

// The memory a kind-1 record owns, or null.
void* lock_owned_memory(const LockRecord* r);
