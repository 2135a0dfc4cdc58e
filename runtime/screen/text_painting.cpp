// Painting characters into cells or as glyphs, and the new line that scrolls the text
// window.
#include <algorithm>
#include <cstring>

#include "runtime/graphics/graphics.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/private/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/text_screen.h"

namespace {

// The attribute byte of a text cell: blink bit from the foreground's 16, the background
// in bits 4-6, the foreground colour in bits 0-3.
uint8_t cell_attribute(const ImageRecord& p) {
    const uint32_t fg = static_cast<uint32_t>(p.fg);
    return static_cast<uint8_t>((((fg & 0x10) + 2 * p.bg) * 8 + (fg & 15)) & 0xFF);
}

// Which pixels of a glyph cell the print mode paints: the glyph's, the background's, or
// both.
struct PaintMask {
    bool glyph;
    bool background;
};

PaintMask paint_mask(uint8_t print_mode) {
    switch (print_mode) {
        case PRINT_KEEP_BACKGROUND:
            return {true, false};
        case PRINT_ONLY_BACKGROUND:
            return {false, true};
        default:
            return {true, true};
    }
}

// One glyph row of 1-byte pixels. The glyph bytes are 0x00 or 0xFF, so each pixel is a
// select by mask; a whole row of an 8-pixel glyph is one 64-bit select.
void paint_row_bytes(uint8_t* out, const uint8_t* glyph, int32_t pixels, int32_t scale, uint8_t fg,
                     uint8_t bg, PaintMask mask) {
    if (pixels == 8 && scale == 1) {
        constexpr uint64_t EVERY_BYTE = 0x0101010101010101;
        uint64_t on;
        uint64_t row;
        std::memcpy(&on, glyph, 8);
        std::memcpy(&row, out, 8);
        const uint64_t glyph_pixels = mask.glyph ? fg * EVERY_BYTE : row;
        const uint64_t background_pixels = mask.background ? bg * EVERY_BYTE : row;
        row = (on & glyph_pixels) | (~on & background_pixels);
        std::memcpy(out, &row, 8);
        return;
    }
    for (int32_t x = 0; x < pixels; ++x) {
        const uint8_t on = glyph[x / scale];
        const uint8_t glyph_pixel = mask.glyph ? fg : out[x];
        const uint8_t background_pixel = mask.background ? bg : out[x];
        out[x] = static_cast<uint8_t>((on & glyph_pixel) | (~on & background_pixel));
    }
}

// One glyph row of 32-bit pixels, stored or blended as the image asks.
void paint_row_words(uint32_t* out, const uint8_t* glyph, int32_t pixels, int32_t scale,
                     uint32_t fg, uint32_t bg, PaintMask mask, bool blend) {
    for (int32_t x = 0; x < pixels; ++x) {
        const bool on = glyph[x / scale] != 0;
        if (on ? !mask.glyph : !mask.background) continue;
        const uint32_t colour = on ? fg : bg;
        out[x] = blend ? blend_pixel(colour, out[x]) : colour;
    }
}

void draw_glyph(ImageRecord& p, uint8_t code) {
    const int32_t cell_width = font_width[p.font];
    const int32_t cell_height = font_height[p.font];
    const int32_t x0 = (p.cursor_col - 1) * cell_width;
    const int32_t y0 = (p.cursor_row - 1) * cell_height;
    // Glyphs are painted without clipping on the page, but never outside the image: a
    // cell cut by the image's edge (an image narrower or lower than one cell) paints only
    // its part inside.
    if (x0 < 0 || y0 < 0 || x0 >= p.width || y0 >= p.height) return;
    const int32_t pixels = std::min(cell_width, p.width - x0);
    const int32_t rows = std::min(cell_height, p.height - y0);
    const int32_t scale = cell_width / 8;  // doubled fonts paint each glyph pixel twice
    const uint8_t* glyph = glyph_bitmap(p.font, code);
    const PaintMask mask = paint_mask(p.print_mode);
    if (p.bytes_per_pixel == 1) {
        const uint8_t fg = static_cast<uint8_t>(static_cast<uint32_t>(p.fg) & p.colour_mask);
        const uint8_t bg = static_cast<uint8_t>(p.bg & p.colour_mask);
        uint8_t* out = p.pixels + static_cast<size_t>(y0) * p.width + x0;
        for (int32_t row = 0; row < rows; ++row, out += p.width, glyph += 8) {
            paint_row_bytes(out, glyph, pixels, scale, fg, bg, mask);
        }
        return;
    }
    uint32_t* out = reinterpret_cast<uint32_t*>(p.pixels) + static_cast<size_t>(y0) * p.width + x0;
    for (int32_t row = 0; row < rows; ++row, out += p.width, glyph += 8) {
        paint_row_words(out, glyph, pixels, scale, static_cast<uint32_t>(p.fg), p.bg, mask,
                        p.no_blend == 0);
    }
}

// The rows of the text window that exist on the page: a window can reach past the last
// row of an image lower than one text row.
struct WindowRows {
    int32_t top;
    int32_t bottom;
};

WindowRows window_rows(const ImageRecord& p) {
    return {std::max<int32_t>(p.text_top, 1), std::min<int32_t>(p.text_bottom, image_text_rows(p))};
}

void scroll_text_page(ImageRecord& p) {
    const WindowRows rows = window_rows(p);
    if (rows.top > rows.bottom) return;
    const size_t row_bytes = static_cast<size_t>(p.width) * 2;
    uint8_t* top = p.pixels + (rows.top - 1) * row_bytes;
    std::memmove(top, top + row_bytes, (rows.bottom - rows.top) * row_bytes);
    fill_cells(p.pixels + (rows.bottom - 1) * row_bytes, p.width, blank_cell_for(p, p.bg));
}

void scroll_pixel_page(ImageRecord& p) {
    const WindowRows rows = window_rows(p);
    if (rows.top > rows.bottom) return;
    const size_t cell_height = static_cast<size_t>(font_height[p.font]);
    const size_t line_bytes = static_cast<size_t>(p.width) * p.bytes_per_pixel * cell_height;
    uint8_t* top = p.pixels + (rows.top - 1) * line_bytes;
    std::memmove(top, top + line_bytes, (rows.bottom - rows.top) * line_bytes);
    uint8_t* last = p.pixels + (rows.bottom - 1) * line_bytes;
    if (p.bytes_per_pixel == 1) {
        std::memset(last, static_cast<uint8_t>(p.bg), line_bytes);
    } else {
        std::fill_n(reinterpret_cast<uint32_t*>(last), line_bytes / 4, p.bg);
    }
}

}  // namespace

void draw_char(uint8_t code) {
    ImageRecord& p = *write_page.image;
    if (p.text_mode == 0) {
        draw_glyph(p, code);
        return;
    }
    if (p.cursor_row < 1 || p.cursor_row > p.height || p.cursor_col < 1 || p.cursor_col > p.width) {
        return;
    }
    uint8_t* cell =
        p.pixels + (static_cast<size_t>(p.cursor_row - 1) * p.width + p.cursor_col - 1) * 2;
    cell[0] = code;
    cell[1] = cell_attribute(p);
}

void print_newline() {
    ImageRecord& p = *write_page.image;
    p.cursor_row = static_cast<int16_t>(p.cursor_row + 1);
    p.cursor_col = 1;
    printer_column = 1;
    if (p.cursor_row <= p.text_bottom) return;
    if (printer_route_active != 0) {
        // A full printer page goes to the printer and starts again blank, instead of
        // scrolling; clearing homes the cursor.
        if (printer_page_hand_off != nullptr) printer_page_hand_off();
        clear_screen(0, 15, CLEAR_COLOUR_GIVEN);
        return;
    }
    if (p.text_mode != 0) {
        scroll_text_page(p);
    } else {
        scroll_pixel_page(p);
    }
    p.cursor_row = p.text_bottom;
}
