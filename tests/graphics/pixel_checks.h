// Pixel-level checks shared by the drawing and clearing tests: reading and filling a
// page's pixels in either format, and asserting that exactly one box of it changed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "runtime/screen/images.h"

// An inclusive pixel rectangle; x1 > x2 means empty.
struct Box {
    int32_t x1, y1, x2, y2;
};

inline constexpr Box NO_BOX = {0, 0, -1, -1};

inline std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "(" << b.x1 << "," << b.y1 << ")-(" << b.x2 << "," << b.y2 << ")";
}

// The pixel at (x, y) of a 1-byte or 32-bit image.
inline uint32_t pixel_of(const ImageRecord& image, int32_t x, int32_t y) {
    const size_t at = static_cast<size_t>(y) * image.width + x;
    if (image.bytes_per_pixel == 4) return reinterpret_cast<const uint32_t*>(image.pixels)[at];
    return image.pixels[at];
}

// Sets every pixel of a 1-byte or 32-bit image to value.
inline void fill_pixels(ImageRecord& image, uint32_t value) {
    const size_t count = static_cast<size_t>(image.width) * image.height;
    for (size_t at = 0; at < count; ++at) {
        if (image.bytes_per_pixel == 4) {
            reinterpret_cast<uint32_t*>(image.pixels)[at] = value;
        } else {
            image.pixels[at] = static_cast<uint8_t>(value);
        }
    }
}

// Success when exactly the pixels inside box hold inside and every other pixel holds
// outside; otherwise names the first pixel that differs.
inline ::testing::AssertionResult holds_box(const ImageRecord& image, Box box, uint32_t inside,
                                            uint32_t outside) {
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const bool in = x >= box.x1 && x <= box.x2 && y >= box.y1 && y <= box.y2;
            const uint32_t want = in ? inside : outside;
            if (pixel_of(image, x, y) != want) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is 0x" << std::hex
                       << pixel_of(image, x, y) << ", expected 0x" << want << std::dec
                       << " for box " << box;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Sets the viewport fields as the viewport statement would leave them (a viewport with
// the given origin; coordinate mode 1).
inline void set_viewport(ImageRecord& image, Box view, int32_t origin_x, int32_t origin_y) {
    image.view_x1 = view.x1;
    image.view_y1 = view.y1;
    image.view_x2 = view.x2;
    image.view_y2 = view.y2;
    image.view_origin_x = origin_x;
    image.view_origin_y = origin_y;
    image.coord_mode = 1;
}
