// The strings made at start-up, which live for the whole run.
#include "runtime/strings/strings.h"

StrDesc* shared_empty_string = nullptr;
StrDesc* shared_space_string = nullptr;
StrDesc* unknown_opcode_text = nullptr;

void strings_init() {
    shared_empty_string = string_new_conventional(0, NOT_TEMPORARY);
    shared_space_string = string_new_conventional(1, NOT_TEMPORARY);
    shared_space_string->text[0] = ' ';
    unknown_opcode_text = string_new(0, NOT_TEMPORARY);
    string_assign(unknown_opcode_text, string_from_cstring("Unknown Opcode (  )"));
}
