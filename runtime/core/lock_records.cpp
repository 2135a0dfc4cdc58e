// Lock records: blocks of 10,000 records, a free stack, and a 64-bit identity counter.
#include <cstdlib>
#include <memory>
#include <vector>

#include "runtime/core/memory.h"

namespace {

struct LockRecords {
    std::vector<std::unique_ptr<LockRecord[]>> blocks;
    int32_t next_in_block = 0;
    std::vector<LockRecord*> free_stack;  // capacity doubles when a push finds it full
    uint64_t last_identity = 0;
    // Memory owned by kind-1 records; entry 0 stands for none.
    std::vector<void*> owned_memory{nullptr};
    std::vector<uint32_t> owned_memory_free;
};

LockRecords locks;

void start_lock_block() {
    locks.blocks.emplace_back(new LockRecord[LOCK_BLOCK_RECORDS]());
    locks.next_in_block = 0;
}

}  // namespace

void lock_records_init() {
    for (void* memory : locks.owned_memory)
        std::free(memory);
    locks = LockRecords{};
    locks.free_stack.reserve(LOCK_FREE_STACK_FIRST_CAPACITY);
    start_lock_block();
}

LockRecord* lock_take() {
    LockRecord* record;
    if (!locks.free_stack.empty()) {
        record = locks.free_stack.back();
        locks.free_stack.pop_back();
    } else {
        if (locks.blocks.empty() || locks.next_in_block == LOCK_BLOCK_RECORDS) start_lock_block();
        record = &locks.blocks.back()[locks.next_in_block++];
    }
    record->identity = ++locks.last_identity;
    record->kind = 0;
    record->owned_memory = 0;
    return record;
}

void lock_release(LockRecord* r) {
    r->identity = 0;
    if (r->kind == LOCK_OWNS_MEMORY && r->owned_memory != 0) {
        std::free(locks.owned_memory[r->owned_memory]);
        locks.owned_memory[r->owned_memory] = nullptr;
        locks.owned_memory_free.push_back(r->owned_memory);
        r->owned_memory = 0;
    }
    locks.free_stack.push_back(r);
}

void lock_attach_memory(LockRecord* r, void* memory) {
    uint32_t number;
    if (!locks.owned_memory_free.empty()) {
        number = locks.owned_memory_free.back();
        locks.owned_memory_free.pop_back();
        locks.owned_memory[number] = memory;
    } else {
        number = static_cast<uint32_t>(locks.owned_memory.size());
        locks.owned_memory.push_back(memory);
    }
    r->owned_memory = number;
}

void* lock_owned_memory(const LockRecord* r) {
    return r->owned_memory != 0 ? locks.owned_memory[r->owned_memory] : nullptr;
}
