// LowMemory and the data segment inside it.
#include <cstring>

#include "runtime/core/memory.h"

uint8_t low_memory[LOW_MEMORY_SIZE];
DataSegment data_segment;

namespace {

// The top 8 bytes of the data segment are never a record, so the records start below them.
constexpr uint32_t DATA_SEGMENT_RESERVED_TOP = 8;

}  // namespace

void low_memory_init() {
    std::memset(low_memory, 0, sizeof(low_memory));
    data_segment.base = low_memory + DATA_SEGMENT_LINEAR;
    data_segment.record_top = DATA_SEGMENT_SIZE - DATA_SEGMENT_RESERVED_TOP;
    std::memset(data_segment.base + data_segment.record_top, 0, DATA_SEGMENT_RESERVED_TOP);
}
