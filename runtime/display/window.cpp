// The window event loop.
#include "runtime/display/display.h"
#include "runtime/platform/thread.h"

void window_event_loop(int /*argc*/, char** /*argv*/) {
    // No window is opened yet: the first thread only waits, and the housekeeping thread's
    // exit sequence ends the process.
    for (;;)
        platform_sleep_ms(1000);
}
