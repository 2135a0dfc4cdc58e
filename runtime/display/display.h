// Frame composition and the window, as far as the rest of the runtime calls them.
#pragma once

#include <atomic>
#include <cstdint>

// Compose ticks so far; bit 3 is the blink phase. Written by the housekeeping thread.
extern std::atomic<int32_t> frame_counter;

// 1 while the newest frame still describes the display page, so the next one may be drawn
// incrementally; a rebuild of the display pages clears it.
extern std::atomic<int32_t> previous_frame_valid;

// Empties the frame ring (start-up).
void frame_ring_clear();

// Composes the display page into the next frame of the ring.
void compose_frame();

// The window event loop, run on the first thread until the process ends.
void window_event_loop(int argc, char** argv);
