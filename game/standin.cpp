// A short translated program: it counts, calls a subroutine, reads past the end of an
// array, returns once too often and ends. With a number on the command line it first
// raises that error, the way an ERROR statement would.
//
//   5  IF COMMAND$ <> "" THEN ERROR VAL(COMMAND$)
//  10  count = 1
//  20  GOSUB counted
//  30  value = table(count + 10)
//  40  RETURN
//  50  END
//  60  counted:
//  70  count = count + 1
//  80  RETURN
#include "game/standin.h"

#include <cstdlib>

#include "runtime/core/lifecycle.h"
#include "runtime/core/program.h"
#include "runtime/strings/strings.h"

namespace {

struct Variables {
    float* count;
    float* value;
    ArrayDescriptor* table;
};

// The main routine's variables and scope are made at its first entry and live for the
// whole run.
Variables& variables() {
    static Variables vars = [] {
        routine_enter();
        Variables made{};
        made.count = reinterpret_cast<float*>(variable_alloc(sizeof(float)));
        made.value = reinterpret_cast<float*>(variable_alloc(sizeof(float)));
        *made.count = 0;
        *made.value = 0;
        made.table = array_new(1, 9, sizeof(float));
        return made;
    }();
    return vars;
}

}  // namespace

void standin_main(int32_t /*argument*/) {
    Variables& v = variables();
    float* table = reinterpret_cast<float*>(v.table->elements);

    if (condition(command_line()->length != 0)) {
        statement_end(5);
        raise_error(std::atoi(string_copy_of(command_line()).c_str()));
        statement_end(5);
    }
    *v.count = 1;
    statement_end(10);
    return_stack_push(1);
    goto counted;
return_point_1:
    statement_end(20);
    *v.value = table[array_element(*v.table, *v.count + 10)];
    statement_end(30);
    switch (return_stack_pop()) {
        case 1:
            goto return_point_1;
        default:
            break;
    }
    statement_end(40);
    end_program();

counted:
    statement_end(60);
    *v.count = *v.count + 1;
    statement_end(70);
    switch (return_stack_pop()) {
        case 1:
            goto return_point_1;
        default:
            break;
    }
    statement_end(80);
    end_program();
}
