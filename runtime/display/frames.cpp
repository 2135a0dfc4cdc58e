// The frame ring and frame composition.
#include "runtime/display/display.h"
#include "runtime/screen/images.h"

std::atomic<int32_t> frame_counter{0};
std::atomic<int32_t> previous_frame_valid{0};

void frame_ring_clear() {
    // The ring holds no frames until the display page can be composed into one.
}

void compose_frame() {
    // A page rebuild on the program thread waits for this thread's grant; nothing is
    // composed while one is under way.
    if (!display_handshake_answer()) return;
    // FIXME: composing the display page into the ring arrives with frame composition; until
    // then a compose tick only answers the handshake.
}
