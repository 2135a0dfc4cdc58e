// Variable memory: a pointer bump inside the current block.
#include <cstdlib>
#include <memory>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"

VariableMemory variable_memory;

namespace {

// Every block stays allocated for the whole run: variables in a block that has been left
// behind keep their addresses.
std::vector<std::unique_ptr<uint8_t[]>>& variable_blocks() {
    static std::vector<std::unique_ptr<uint8_t[]>> blocks;
    return blocks;
}

bool start_block(int64_t size) {
    if (size <= 0 || static_cast<uint64_t>(size) > SIZE_MAX / 2) return false;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]);
    if (!block) return false;
    variable_memory.block_size = size;
    variable_memory.base = block.get();
    variable_memory.top = variable_memory.base;
    variable_memory.limit = variable_memory.base + size;
    variable_blocks().push_back(std::move(block));
    return true;
}

}  // namespace

void variable_memory_init() {
    variable_blocks().clear();
    start_block(VARIABLE_MEMORY_FIRST_BLOCK);
}

uint8_t* variable_alloc(int32_t size) {
    if (size < 0) critical_error(CRITICAL_VARIABLE_MEMORY);
    // Compared as offsets, since a pointer past the block's end is not a valid pointer.
    const int64_t used = variable_memory.top - variable_memory.base;
    if (used + size < variable_memory.block_size) {
        uint8_t* result = variable_memory.top;
        variable_memory.top += size;
        return result;
    }
    if (!start_block(size + 2 * variable_memory.block_size)) {
        critical_error(CRITICAL_VARIABLE_MEMORY);
    }
    uint8_t* result = variable_memory.base;
    variable_memory.top = variable_memory.base + size;
    return result;
}

void variable_top_restore(uint8_t* saved) {
    // Pointers into other blocks cannot be ordered against this one, so compare addresses.
    const auto address = reinterpret_cast<uintptr_t>(saved);
    if (address < reinterpret_cast<uintptr_t>(variable_memory.base) ||
        address > reinterpret_cast<uintptr_t>(variable_memory.limit)) {
        variable_memory.top = variable_memory.base;
    } else {
        variable_memory.top = saved;
    }
}
