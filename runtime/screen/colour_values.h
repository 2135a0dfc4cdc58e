// Colour values for an image: building a colour from components (the nearest palette
// entry on indexed and text images), taking one apart again, and the print mode that
// decides which pixels text painting touches.
//
// The image argument is optional: omitted means the write page, a negative handle names
// an image slot that must be in use (error 258), 0 or more names a screen page, made to
// exist first. Each returns 0 at once while an error is pending.
#pragma once

#include <cstdint>

#include "runtime/screen/images.h"
#include "runtime/strings/string_functions.h"

// The colour of red, green and blue (each clamped to 0..255) for the image.
uint32_t rgb_colour(int32_t red, int32_t green, int32_t blue, ImageHandle image, Given image_given);

// As rgb_colour with an alpha; alpha 0 on an indexed image with a transparent colour
// gives that colour.
uint32_t rgba_colour(int32_t red, int32_t green, int32_t blue, int32_t alpha, ImageHandle image,
                     Given image_given);

// The red, green, blue or alpha component (0..255) of colour on the image; on indexed and
// text images colour must be a palette index the image has (error 5).
int32_t colour_red(uint32_t colour, ImageHandle image, Given image_given);
int32_t colour_green(uint32_t colour, ImageHandle image, Given image_given);
int32_t colour_blue(uint32_t colour, ImageHandle image, Given image_given);
int32_t colour_alpha(uint32_t colour, ImageHandle image, Given image_given);

// Selects how text paints on the image: 1 fill background, 2 keep background, 3 only
// background (text pages accept 1 only).
void set_print_mode(int32_t choice, ImageHandle image, Given image_given);

// The image's print mode, numbered as PRINT_KEEP_BACKGROUND .. PRINT_FILL_BACKGROUND.
int32_t get_print_mode(ImageHandle image, Given image_given);
