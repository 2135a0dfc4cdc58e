// The width statement: the text grid of the screen (or of the write page) and the
// printer's line width.
#include <cstdlib>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/display/display.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/private/screen_state.h"

namespace {

constexpr int32_t PRINTER_WIDTH_MAX = 255;

struct WidthRequest {
    bool columns_given;
    bool rows_given;
    int32_t columns;
    int32_t rows;
};

// A pixel page whose grid the request cannot give becomes a text screen instead, if the
// request names a classic text grid.
void fall_back_to_text_mode(const WidthRequest& r) {
    const bool rows_classic = r.rows == 25 || r.rows == 43 || r.rows == 50;
    const bool columns_classic = r.columns == 40 || r.columns == 80;
    if ((r.rows_given && !rows_classic) || (r.columns_given && !columns_classic)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    pending_cols = r.columns_given ? r.columns : -1;
    pending_rows = r.rows_given ? r.rows : -1;
    pending_font = -1;
    set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
}

// Clears the write page and gives it font, keeping its colours and, in the EGA and VGA
// modes, its window corners (with window mapping off).
void reinitialise_write_page(int32_t font) {
    const int32_t slot = write_page.slot;
    ImageRecord& page = *image_at(slot);
    const int32_t fg = page.fg;
    const uint32_t bg = page.bg;
    const bool keeps_window = page.compat_mode >= 9 && page.compat_mode <= 12;
    const float corners[4] = {page.window_x1, page.window_y1, page.window_x2, page.window_y2};
    image_reset(slot);
    if (keeps_window) {
        page.window_x1 = corners[0];
        page.window_y1 = corners[1];
        page.window_x2 = corners[2];
        page.window_y2 = corners[3];
        page.coord_mode = 0;
    }
    page.fg = fg;
    page.bg = bg;
    image_set_font(font, slot);
}

// Gives the write page a new font on its unchanged pixels.
void refont_pixel_page(int32_t font) {
    if (font == write_page.image->font) return;
    const bool screen = is_screen_page(*write_page.image);
    if (screen) {
        rebuild_begin();
        previous_frame_valid.store(0, std::memory_order_release);
    }
    free_other_screen_pages();
    reinitialise_write_page(font);
    if (screen) rebuild_end();
}

// Modes 256 and 32 have no fixed size: the grid asked for becomes the image's size.
void resize_image_page(const WidthRequest& r) {
    const int32_t slot = write_page.slot;
    ImageRecord& page = *image_at(slot);
    const int64_t cell_width = font_width[page.font] == 0 ? 1 : font_width[page.font];
    const int64_t width = r.columns_given ? r.columns * cell_width : page.width;
    const int64_t height = r.rows_given ? r.rows * int64_t{font_height[page.font]} : page.height;
    if (width > IMAGE_SIDE_MAX || height > IMAGE_SIDE_MAX || width < 1 || height < 1) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (width == page.width && height == page.height) return;
    const size_t bytes = static_cast<size_t>(width) * height * page.bytes_per_pixel;
    const bool owned = (page.image_flags & PIXELS_OWNED) != 0;
    // A buffer the image does not own cannot be made larger.
    if (!owned && bytes > static_cast<size_t>(page.width) * page.height * page.bytes_per_pixel) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    uint8_t* buffer = page.pixels;
    if (owned) {
        buffer = bytes <= IMAGE_BUFFER_MAX_BYTES ? static_cast<uint8_t*>(std::calloc(bytes, 1))
                                                 : nullptr;
        if (buffer == nullptr) {
            raise_error(ERROR_OUT_OF_MEMORY);
            return;
        }
    }
    // The other pages go inside the handshake: one of them may be on display.
    const bool screen = is_screen_page(page);
    if (screen) {
        rebuild_begin();
        previous_frame_valid.store(0, std::memory_order_release);
    }
    free_other_screen_pages();
    const int32_t fg = page.fg;
    const uint32_t bg = page.bg;
    const int32_t font = page.font;
    if (owned) std::free(page.pixels);
    page.pixels = buffer;
    page.width = static_cast<uint16_t>(width);
    page.height = static_cast<uint16_t>(height);
    image_reset(slot);
    page.fg = fg;
    page.bg = bg;
    image_set_font(font, slot);
    if (screen) rebuild_end();
}

// A text page: the grid asked for, the other dimension kept, and the font that grid takes.
void set_text_grid(const WidthRequest& r) {
    const ImageRecord& page = *write_page.image;
    const int32_t columns = r.columns_given ? r.columns : page.width;
    const int32_t rows = r.rows_given ? r.rows : page.height;
    if (columns > IMAGE_SIDE_MAX || rows > IMAGE_SIDE_MAX) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    // Refused before the old screen is taken down: the new one could not be built.
    if (size_t{2} * static_cast<size_t>(columns) * static_cast<size_t>(rows) >
        IMAGE_BUFFER_MAX_BYTES) {
        raise_error(ERROR_OUT_OF_MEMORY);
        return;
    }
    int32_t font = 8;
    if (rows <= 49) font = 14;
    if (rows <= 42) font = 16;
    if (columns <= 40) font += 1;
    if (font == page.font && columns == page.width && rows == page.height) return;
    pending_cols = columns;
    pending_rows = rows;
    pending_font = font;
    set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
}

// CGA-sized modes and mode 13 know only their 8x8 grid.
void set_low_resolution_grid(const WidthRequest& r) {
    const ImageRecord& page = *write_page.image;
    if ((r.columns_given && r.columns != page.width / 8) ||
        (r.rows_given && r.rows != page.height / 8)) {
        fall_back_to_text_mode(r);
        return;
    }
    refont_pixel_page(8);
}

// EGA and VGA modes: 8-pixel rows, or the mode's tall font (14 or 16 pixels).
void set_high_resolution_grid(const WidthRequest& r, int32_t tall_font) {
    const ImageRecord& page = *write_page.image;
    if (r.columns_given && r.columns != page.width / 8) {
        fall_back_to_text_mode(r);
        return;
    }
    int32_t font = font_height[page.font] > 8 ? tall_font : 8;
    if (r.rows_given) {
        if (r.rows == page.height / 8) {
            font = 8;
        } else if (r.rows == page.height / tall_font) {
            font = tall_font;
        } else if (tall_font == 14 && page.height == 350 && r.rows == 43) {
            font = 8;
        } else {
            fall_back_to_text_mode(r);
            return;
        }
    }
    refont_pixel_page(font);
}

}  // namespace

void free_other_screen_pages() {
    if (write_page.image == nullptr || !is_screen_page(*write_page.image)) return;
    // The write page itself may be a page above 0; it is the one being rebuilt.
    for (int32_t n = 1; n < page_table.size; ++n) {
        const int32_t slot = page_table.slots[n];
        if (slot == 0 || slot == write_page.slot) continue;
        if (source_image.slot == slot) select_source_image(page_table.slots[0]);
        if (display_page_slot.load(std::memory_order_acquire) == slot)
            select_display_page(page_table.slots[0]);
        image_release(slot);
        page_table.slots[n] = 0;
    }
}

void set_width(int32_t device, int32_t columns, int32_t rows, int32_t presence) {
    if (error_pending()) return;
    const WidthRequest r{(presence & WIDTH_COLUMNS_GIVEN) != 0, (presence & WIDTH_ROWS_GIVEN) != 0,
                         columns, rows};
    if (device == WIDTH_DEVICE_PRINTER) {
        if (r.columns_given && !r.rows_given && columns >= 1 && columns <= PRINTER_WIDTH_MAX) {
            printer_line_width = columns;
        } else {
            raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        }
        return;
    }
    if (device != WIDTH_DEVICE_SCREEN) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    auto_tall_text = 0;
    if ((!r.columns_given && !r.rows_given) || (r.columns_given && columns < 1) ||
        (r.rows_given && rows < 1)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    switch (write_page.image->compat_mode) {
        case 32:
        case 256:
            resize_image_page(r);
            break;
        case 0:
            set_text_grid(r);
            break;
        case 9:
        case 10:
            set_high_resolution_grid(r, 14);
            break;
        case 11:
        case 12:
            set_high_resolution_grid(r, 16);
            break;
        default:
            set_low_resolution_grid(r);
            break;
    }
}
