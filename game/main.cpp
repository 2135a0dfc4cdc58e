// The gravewick executable: the runtime with its window, running the program.
#include "game/standin.h"
#include "runtime/core/lifecycle.h"
#include "runtime/display/display.h"

int main(int argc, char** argv) {
    return runtime_main(argc, argv, standin_main, window_event_loop);
}
