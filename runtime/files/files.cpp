// The file layer's start-up table and its part in the exit sequence.
#include "runtime/files/files.h"

#include <cstring>

std::atomic<int32_t> shell_wait_state{0};

namespace {

// Spaces that padded file output is copied from.
char space_buffer[32];

}  // namespace

void file_layer_init() {
    std::memset(space_buffer, ' ', sizeof(space_buffer));
}

void close_all_files() {
    // No file can be open yet: the file statements do not exist.
}

void printer_page_check() {
    // No printer page can be pending yet: nothing prints.
}

void printer_page_flush() {
    // No printer page can be pending yet: nothing prints.
}
