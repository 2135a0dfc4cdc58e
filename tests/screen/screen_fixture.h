// A fixture for the screen model: the core as start-up leaves it, plus the font tables,
// colour tables, glyphs, image table and the first text screen, as start-up makes them.
#pragma once

#include <gtest/gtest.h>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/screen/screen.h"
#include "tests/core/core_fixture.h"

// Brings up what the screen needs, in start-up's order.
void screen_start_up();

class ScreenTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        screen_start_up();
    }

    // Screen page n (made to exist first).
    static ImageRecord& page(int32_t n) {
        ensure_page(n);
        return *image_at(page_table.slots[n]);
    }
    // The record an image handle names.
    static ImageRecord& image(ImageHandle handle) { return *image_at(-handle); }
    // The pending error, cleared so that the next statement runs.
    static int32_t take_error() {
        const int32_t error = static_cast<int32_t>(pending_error);
        pending_error = 0;
        checkpoint_requested = 0;
        return error;
    }
    // Where an image's buffer lies in LowMemory, or -1 when it is elsewhere.
    static int64_t video_address(const ImageRecord& im) {
        const int64_t offset = im.pixels - low_memory;
        return offset >= 0 && offset < static_cast<int64_t>(LOW_MEMORY_SIZE) ? offset : -1;
    }
    static void screen(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, SCREEN_MODE_GIVEN); }
    // The cell at row, column (from 1) of a text page: character low, attribute high.
    static uint16_t cell_at(const ImageRecord& page, int32_t row, int32_t column) {
        const size_t at = 2 * (static_cast<size_t>(row - 1) * page.width + (column - 1));
        return static_cast<uint16_t>(page.pixels[at] | page.pixels[at + 1] << 8);
    }
};
