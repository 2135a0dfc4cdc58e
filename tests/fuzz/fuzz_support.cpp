// Set-up and failure reports shared by the fuzz targets.
#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/core/memory.h"
#include "runtime/platform/message_box.h"
#include "runtime/strings/strings.h"

bool fuzz_strings_prepare() {
    message_box_seam_install({});
    low_memory_init();
    string_tables_init();
    strings_init();
    return true;
}

void fuzz_fail(const char* check, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", check, problem.c_str());
    std::fflush(stderr);
    std::abort();
}

void fuzz_check_descriptors(const char* check, uint32_t before) {
    if (descriptors_in_use() == before) return;
    fuzz_fail(check, std::to_string(descriptors_in_use()) +
                         " descriptors in use after the input, " + std::to_string(before) +
                         " before it");
}
