// The clearing statement: blanks part of the write page and homes the text cursor.
//
// Which part depends on the region and on the kind of page: text pages blank cells of
// the text window, pixel pages fill the graphics viewport, the whole page or the pixel
// band under the text window. On 32-bit images the fill replaces pixels: a clear that
// blended a half-transparent background over old content would clear nothing.
#include <algorithm>

#include "runtime/core/errors.h"
#include "runtime/graphics/graphics.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/private/screen_state.h"
#include "runtime/screen/text_screen.h"

namespace {

// Blanks text rows first..last (1-based), limited to the page.
void blank_rows(ImageRecord& page, int32_t first, int32_t last, uint16_t cell) {
    first = std::max(first, 1);
    last = std::min(last, static_cast<int32_t>(page.height));
    for (int32_t row = first; row <= last; ++row) {
        fill_cells(page.pixels + static_cast<size_t>(row - 1) * page.width * 2, page.width, cell);
    }
}

void clear_text_page(ImageRecord& page, bool region_given, int32_t region, uint32_t fill) {
    const uint16_t cell = blank_cell_for(page, fill);
    if (!region_given) {
        // The last row lies outside a fresh text window, where only cursor placement
        // reaches it; a plain clear leaves nothing standing there either.
        blank_rows(page, page.text_top, page.text_bottom, cell);
        blank_rows(page, page.height, page.height, cell);
    } else if (region == CLEAR_WHOLE_PAGE) {
        blank_rows(page, 1, page.height, cell);
    } else if (region == CLEAR_TEXT_WINDOW) {
        blank_rows(page, page.text_top, page.text_bottom, cell);
    }
}

int32_t cell_height(const ImageRecord& page) {
    if (page.font < 0 || page.font >= FONT_METRIC_ENTRIES) return 0;
    return font_height[page.font];
}

// The graphics cursor goes to the middle of the viewport, in program coordinates.
void centre_graphics_cursor(ImageRecord& page) {
    const auto view_width = static_cast<float>(page.view_x2 - page.view_x1 + 1);
    const auto view_height = static_cast<float>(page.view_y2 - page.view_y1 + 1);
    if (page.coord_mode == 2) {
        page.gfx_x = view_width / page.window_scale_x / 2 + page.window_offset_x;
        page.gfx_y = view_height / page.window_scale_y / 2 + page.window_offset_y;
    } else {
        page.gfx_x = view_width / 2;
        page.gfx_y = view_height / 2;
    }
}

void clear_pixel_page(ImageRecord& page, bool region_given, int32_t region, uint32_t fill) {
    const int32_t right = page.width - 1;
    const int32_t bottom = page.height - 1;
    const uint8_t no_blend = page.no_blend;
    page.no_blend = 1;
    if (region_given && region == CLEAR_TEXT_WINDOW) {
        const int32_t cell = cell_height(page);
        fill_box_pixels(0, (page.text_top - 1) * cell, right, page.text_bottom * cell - 1, fill);
    } else if (region_given && region == CLEAR_WHOLE_PAGE) {
        fill_box_pixels(0, 0, right, bottom, fill);
    } else if (page.coord_mode != 0) {
        fill_box(page.window_x1, page.window_y1, page.window_x2, page.window_y2, fill);
    } else {
        fill_box_pixels(0, 0, right, bottom, fill);
    }
    page.no_blend = no_blend;
    // The soft-key line would be redrawn here after every region but the text window's;
    // this runtime never shows it.
    if (!(region_given && region == CLEAR_TEXT_WINDOW)) centre_graphics_cursor(page);
}

}  // namespace

void clear_screen(int32_t region, uint32_t colour, int32_t presence) {
    if (error_pending() || write_page.image == nullptr) return;
    ImageRecord& page = *write_page.image;
    const bool region_given = (presence & CLEAR_REGION_GIVEN) != 0;
    const bool colour_given = (presence & CLEAR_COLOUR_GIVEN) != 0;
    const bool region_known = region == CLEAR_WHOLE_PAGE || region == CLEAR_GRAPHICS_VIEWPORT ||
                              region == CLEAR_TEXT_WINDOW;
    if ((colour_given && page.bits_per_pixel != 32 && colour > page.colour_mask) ||
        (region_given && !region_known)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    const uint32_t fill = colour_given ? colour : page.bg;
    // The cursor goes home; a wrap still pending from the text cleared away would
    // otherwise push the first print after the clear down to the second row.
    page.cursor_row = page.text_top;
    page.cursor_col = 1;
    page.wrap_pending = 0;
    page.draw_angle = 0;
    page.draw_scale = 1.0;
    if (page.pixels == nullptr) return;
    if (page.text_mode != 0) {
        clear_text_page(page, region_given, region, fill);
    } else {
        clear_pixel_page(page, region_given, region, fill);
    }
}
