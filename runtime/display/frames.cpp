// The frame ring and frame composition.
#include "runtime/display/display.h"

std::atomic<int32_t> frame_counter{0};

void frame_ring_clear() {
    // The ring holds no frames until the display page can be composed into one.
}

void compose_frame() {
    // There is no display page to compose yet; the compose tick only advances the clock.
}
