// What every fuzz target over the string runtime shares: setting the runtime up once, and
// turning a failed check into a crash libFuzzer keeps the input of.
#pragma once

#include <cstdint>
#include <string>

// Sets up LowMemory and the string tables as start-up leaves them, with message boxes
// answered on standard error (a critical error shows one and ends the process). Call it
// once, from the first input; always true.
bool fuzz_strings_prepare();

// Prints "<check>: <problem>" on standard error and aborts.
[[noreturn]] void fuzz_fail(const char* check, const std::string& problem);

// Fails unless the descriptors in use are back at before once an input is done.
void fuzz_check_descriptors(const char* check, uint32_t before);
