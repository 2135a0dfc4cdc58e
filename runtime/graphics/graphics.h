// Drawing on the write page: the plain pixel store, the clipped store, filled boxes, and
// the colour blending of 32-bit images.
//
// Pixels are stored as the image's format asks: on 1-byte pixels the colour ANDed with
// the image's colour mask; on 32-bit images the colour itself when the image's no_blend
// flag is set, otherwise the colour alpha-blended onto the pixel. Program thread only.
#pragma once

#include <cstdint>

struct ImageRecord;

// The colour colour (0xAARRGGBB) laid over pixel by its alpha: alpha 0 keeps pixel, 255
// gives colour, 127 and 128 average the channels, others mix them channel by channel.
uint32_t blend_pixel(uint32_t colour, uint32_t pixel);

// The plain pixel store on image at (x, y); a position outside the image stores nothing.
void store_pixel(ImageRecord& image, int32_t x, int32_t y, uint32_t colour);

// The plain pixel store on the write page; no clipping to the viewport, callers clip.
void plot_pixel(int32_t x, int32_t y, uint32_t colour);

// The plain pixel store on the write page, inside its graphics viewport only.
void plot_pixel_clipped(int32_t x, int32_t y, uint32_t colour);

// The filled box between two corners in program coordinates: mapped through the write
// page's viewport and window, sorted, clipped to the viewport.
void fill_box(float x1, float y1, float x2, float y2, uint32_t colour);

// The filled box between two pixel corners of the write page, without mapping, sorting or
// clipping beyond the page itself.
void fill_box_pixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
