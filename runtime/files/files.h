// Files, child processes and the printer, as far as the lifecycle calls them.
#pragma once

#include <atomic>
#include <cstdint>

// 0: no child process; 1: the runtime has just started waiting for one; -1: the
// housekeeping thread has answered and rests until the wait ends.
extern std::atomic<int32_t> shell_wait_state;

// Prepares the file layer's tables (start-up).
void file_layer_init();

// Closes every open file and serial port.
void close_all_files();

// Sends a pending printer page once the printer has been idle long enough.
void printer_page_check();

// Sends a pending printer page now (the exit sequence).
void printer_page_flush();
