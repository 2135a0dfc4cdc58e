// Start-up steps that set the process-wide values kept by the lifecycle.
#pragma once

#include <cstdint>
#include <string>

// Cuts the executable path to its directory, keeps it and makes it the working directory.
void executable_directory_init(const std::string& executable_path);

// Keeps the number of environment entries counted at start-up.
void environment_count_init(int32_t count);
