// The program run on the program thread until the adventure itself exists.
#pragma once

#include <cstdint>

// A few numbered statements that reach run-time errors and the end statement.
void standin_main(int32_t argument);
