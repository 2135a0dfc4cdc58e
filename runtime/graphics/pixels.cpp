// The plain pixel stores and the alpha blending of 32-bit images.
//
// Blending is done with arithmetic per pixel rather than with the classic 16 MB channel
// table and its 64 KB alpha table: the formulas below are exactly the ones the tables were
// filled with, in the same precision and rounding, so every result is the table's.
#include <cmath>

#include "runtime/graphics/graphics.h"
#include "runtime/screen/images.h"

namespace {

uint32_t alpha_of(uint32_t colour) {
    return colour >> 24;
}

// One channel of a colour of alpha laid over a pixel: the mix is made in single
// precision and rounded to nearest with ties to even, as the channel table was.
uint32_t mix_channel(uint32_t alpha, uint32_t source, uint32_t destination) {
    const float x = static_cast<float>(alpha) / 255.0f;
    const float over = x * static_cast<float>(source);
    const float under = (1.0f - x) * static_cast<float>(destination);
    return static_cast<uint32_t>(std::nearbyint(over + under));
}

// The alpha of a colour of alpha a laid over a pixel of alpha b: what shows through both.
uint32_t combined_alpha(uint32_t a, uint32_t b) {
    const double through = (1.0 - a / 255.0) * (1.0 - b / 255.0);
    return static_cast<uint32_t>(std::nearbyint((1.0 - through) * 255.0));
}

// Half-transparent colours skip the multiplications: each channel is the average of the
// two, with the low bit of both dropped first so that no channel carries into the next.
uint32_t average_pixel(uint32_t colour, uint32_t pixel) {
    const uint32_t rgb = ((pixel & 0xFEFEFE) + (colour & 0xFEFEFE)) / 2;
    return combined_alpha(alpha_of(colour), alpha_of(pixel)) << 24 | rgb;
}

uint32_t* pixel_at(ImageRecord& image, int32_t x, int32_t y) {
    return reinterpret_cast<uint32_t*>(image.pixels) + static_cast<size_t>(y) * image.width + x;
}

bool inside_image(const ImageRecord& image, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

}  // namespace

uint32_t blend_pixel(uint32_t colour, uint32_t pixel) {
    const uint32_t alpha = alpha_of(colour);
    if (alpha == 0) return pixel;
    if (alpha == 255) return colour;
    if (alpha == 127 || alpha == 128) return average_pixel(colour, pixel);
    uint32_t result = combined_alpha(alpha_of(pixel), alpha) << 24;
    for (int32_t shift = 0; shift < 24; shift += 8) {
        const uint32_t mixed = mix_channel(alpha, colour >> shift & 0xFF, pixel >> shift & 0xFF);
        result |= mixed << shift;
    }
    return result;
}

void store_pixel(ImageRecord& image, int32_t x, int32_t y, uint32_t colour) {
    // Text painting stores whole glyph cells, which can reach past an image smaller than
    // one cell; the bounds check keeps every store inside the buffer.
    if (image.pixels == nullptr || !inside_image(image, x, y)) return;
    if (image.bytes_per_pixel == 1) {
        image.pixels[static_cast<size_t>(y) * image.width + x] =
            static_cast<uint8_t>(colour & image.colour_mask);
    } else if (image.bytes_per_pixel == 4) {
        uint32_t* p = pixel_at(image, x, y);
        *p = image.no_blend != 0 ? colour : blend_pixel(colour, *p);
    }
}

void plot_pixel(int32_t x, int32_t y, uint32_t colour) {
    if (write_page.image == nullptr) return;
    store_pixel(*write_page.image, x, y, colour);
}

void plot_pixel_clipped(int32_t x, int32_t y, uint32_t colour) {
    const ImageRecord* page = write_page.image;
    if (page == nullptr) return;
    if (x < page->view_x1 || x > page->view_x2 || y < page->view_y1 || y > page->view_y2) return;
    store_pixel(*write_page.image, x, y, colour);
}
