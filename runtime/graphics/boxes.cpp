// Filled boxes: mapping program coordinates to pixels through the viewport and window,
// and filling a pixel rectangle of the write page in its pixel format.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/graphics/graphics.h"
#include "runtime/screen/images.h"

namespace {

// Far beyond any page side, yet small enough that adding a viewport origin cannot
// overflow; a mapped point is clamped to it before it becomes an integer.
constexpr float PIXEL_LIMIT = 1.0e9f;

// Rounds to nearest with ties to even, as the processor's default rounding does.
int32_t round_to_pixel(float value) {
    const float rounded = std::nearbyint(value);
    if (!(rounded >= -PIXEL_LIMIT)) return static_cast<int32_t>(-PIXEL_LIMIT);
    if (rounded > PIXEL_LIMIT) return static_cast<int32_t>(PIXEL_LIMIT);
    return static_cast<int32_t>(rounded);
}

struct PixelPoint {
    int32_t x;
    int32_t y;
};

// A program point in pixels by the page's coordinate mode: as given, shifted by the
// viewport origin, or scaled and offset by the window mapping before the shift.
PixelPoint map_point(const ImageRecord& page, float x, float y) {
    switch (page.coord_mode) {
        case 0:
            return {round_to_pixel(x), round_to_pixel(y)};
        case 1:
            return {round_to_pixel(x) + page.view_origin_x, round_to_pixel(y) + page.view_origin_y};
        default:
            return {
                round_to_pixel(x * page.window_scale_x + page.window_offset_x) + page.view_origin_x,
                round_to_pixel(y * page.window_scale_y + page.window_offset_y) +
                    page.view_origin_y};
    }
}

// Fills the inclusive rectangle, which the caller has put inside the page.
void fill_rectangle(ImageRecord& page, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    uint32_t colour) {
    const size_t row_pixels = static_cast<size_t>(x2 - x1 + 1);
    if (page.bytes_per_pixel == 1) {
        const auto value = static_cast<uint8_t>(colour & page.colour_mask);
        for (int32_t y = y1; y <= y2; ++y) {
            std::memset(page.pixels + static_cast<size_t>(y) * page.width + x1, value, row_pixels);
        }
        return;
    }
    if (page.bytes_per_pixel != 4) return;
    const uint32_t alpha = colour >> 24;
    if (alpha == 0 && page.no_blend == 0) return;
    auto* const pixels = reinterpret_cast<uint32_t*>(page.pixels);
    for (int32_t y = y1; y <= y2; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * page.width + x1;
        if (page.no_blend != 0 || alpha == 255) {
            std::fill(row, row + row_pixels, colour);
        } else {
            for (size_t i = 0; i < row_pixels; ++i)
                row[i] = blend_pixel(colour, row[i]);
        }
    }
}

}  // namespace

void fill_box(float x1, float y1, float x2, float y2, uint32_t colour) {
    if (error_pending() || write_page.image == nullptr) return;
    ImageRecord& page = *write_page.image;
    if (page.text_mode != 0 || page.pixels == nullptr) return;
    const PixelPoint a = map_point(page, x1, y1);
    const PixelPoint b = map_point(page, x2, y2);
    int32_t left = std::min(a.x, b.x);
    int32_t right = std::max(a.x, b.x);
    int32_t top = std::min(a.y, b.y);
    int32_t bottom = std::max(a.y, b.y);
    if (right < page.view_x1 || left > page.view_x2 || bottom < page.view_y1 ||
        top > page.view_y2) {
        return;
    }
    left = std::max(left, page.view_x1);
    right = std::min(right, page.view_x2);
    top = std::max(top, page.view_y1);
    bottom = std::min(bottom, page.view_y2);
    // The viewport always lies inside the page, but the page bounds are what keep the
    // fill inside the buffer.
    fill_box_pixels(left, top, right, bottom, colour);
}

void fill_box_pixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    if (error_pending() || write_page.image == nullptr) return;
    ImageRecord& page = *write_page.image;
    if (page.text_mode != 0 || page.pixels == nullptr) return;
    // Corners are not sorted: a box given backwards is empty. Clipping to the page keeps
    // a careless caller from writing past the buffer.
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, static_cast<int32_t>(page.width) - 1);
    y2 = std::min(y2, static_cast<int32_t>(page.height) - 1);
    if (x1 > x2 || y1 > y2) return;
    fill_rectangle(page, x1, y1, x2, y2, colour);
}
