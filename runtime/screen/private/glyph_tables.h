// The generated code-page-437 glyph sets: one byte per glyph row, leftmost pixel in the
// top bit. Written by tools/gen_glyphs.py.
#pragma once

#include <cstdint>

extern const uint8_t GLYPH_ROWS_8X8[256 * 8];
extern const uint8_t GLYPH_ROWS_8X16[256 * 16];
