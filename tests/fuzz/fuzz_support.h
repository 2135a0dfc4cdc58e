// What every fuzz target over the string runtime shares: setting the runtime up once, and
// turning a failed check into a crash libFuzzer keeps the input of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Sets up LowMemory and the string tables as start-up leaves them, with message boxes
// answered on standard error (a critical error shows one and ends the process). Call it
// once, from the first input; always true.
bool fuzz_strings_prepare();

// Prints "<check>: <problem>" on standard error and aborts.
[[noreturn]] void fuzz_fail(const char* check, const std::string& problem);

// Fails unless the descriptors in use are back at before once an input is done.
void fuzz_check_descriptors(const char* check, uint32_t before);

// Reads a fuzz input front to back; past its end every byte reads as zero.
class InputBytes {
public:
    InputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool exhausted() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <typename T>
    T number() {
        uint8_t bytes[sizeof(T)] = {};
        for (uint8_t& b : bytes)
            b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
