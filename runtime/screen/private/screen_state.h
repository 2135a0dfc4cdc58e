// Helpers shared by the image-table, screen-mode and image-statement files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/screen/images.h"

// The statement-facing slot of a negative handle, or 0 when it names no valid image.
int32_t slot_of_negative_handle(ImageHandle handle);

// The slot of a handle for the selection statements: a page number is made to exist, a
// negative handle must name a valid image (error 258). 0 on failure, with the error raised.
int32_t slot_of_handle(ImageHandle handle);

// The slot of page n, made to exist first; 0 (error 7 raised) when memory ran out.
int32_t page_slot(int32_t n);

// Grows the page table to hold page n, new entries 0; false when memory ran out.
bool page_table_grow(int32_t n);

inline bool is_screen_page(const ImageRecord& image) {
    return (image.image_flags & SCREEN_PAGE) != 0;
}

// Frees slot's owned pixel buffer and owned palette, then the slot itself.
void image_release(int32_t slot);

// Writes cell_count copies of cell (character in the low byte, attribute in the high)
// from cells on.
void fill_cells(uint8_t* cells, size_t cell_count, uint16_t cell);

// Writes cell_count blank cells (space, light grey on black) from cells on.
inline void fill_blank_cells(uint8_t* cells, size_t cell_count) {
    fill_cells(cells, cell_count, BLANK_CELL);
}

// The blank cell that clearing and scrolling a text page leave: a space on the low three
// bits of background, in the page's foreground with its blink.
inline uint16_t blank_cell_for(const ImageRecord& page, uint32_t background) {
    const auto fg = static_cast<uint32_t>(page.fg);
    const uint32_t attribute = ((((background & 7) * 2 + (fg & 0x10)) * 8) + (fg & 15)) & 0xFF;
    return static_cast<uint16_t>(attribute << 8 | 0x20);
}

// Makes a new screen page show through page 0's palette, as all pages of a mode do,
// giving up its own; 32-bit pages have none.
void share_page0_palette(ImageRecord& page);

// Selection setters; slot 0 clears a selection.
void select_write_page(int32_t slot);
void select_source_image(int32_t slot);
void select_display_page(int32_t slot);

// Recomputes the selection pointers after the image table moved.
void refresh_selections();

// The default colours of an image's mode: fg, bg and draw_colour.
void image_default_colours(ImageRecord& image);

// Resets the write page for a newly selected active or visual page: default colours, the
// whole text window but the last row, and the cursor back to row 1 if it fell off the page.
void reset_write_page_text_state();

// Brackets a rebuild of screen pages. The outermost begin asks the composing thread to
// stand still (when automatic display is on and the threads run) and waits for its
// grant; the matching end lets it go on. Nested brackets do nothing more.
void rebuild_begin();
void rebuild_end();

// When the write page is a screen page: frees every page from 1 up except the write page
// itself, and selections that named a freed page fall back to page 0.
void free_other_screen_pages();

// The largest width or height an image can have: the fields are 16 bits wide.
inline constexpr int32_t IMAGE_SIDE_MAX = 65535;

// The largest buffer an image may have (a 32-bit 8192 x 8192 image). Allocations here
// succeed far beyond what the machine can back: the memory is only found when first
// touched, and a process that touches more is killed. A larger buffer therefore counts as
// memory that could not be had, before anything is allocated or filled.
inline constexpr size_t IMAGE_BUFFER_MAX_BYTES = size_t{1} << 28;
