// The process: executable path, working directory, environment and exit.
#pragma once

#include <cstdint>
#include <string>

// Prepares the platform before any other thread or display connection exists.
void platform_init();

// The full path of the running executable; empty when the system cannot tell.
std::string platform_executable_path();

// Makes path the working directory; false when that fails.
bool platform_change_directory(const std::string& path);

// The working directory; empty when the system cannot tell.
std::string platform_working_directory();

// The number of entries in the process environment.
int32_t platform_environment_count();

// Ends the process at once with code, from any thread, without running exit handlers.
[[noreturn]] void platform_exit(int32_t code);
