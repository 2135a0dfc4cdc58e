// The built-in fonts, their glyph bitmaps, the per-font tables, the code-page table and
// the font-loading statement.
//
// Six fixed-cell fonts are built in: 8 (8x8), 14 (8x14, the 8x16 glyphs without their
// first and last rows) and 16 (8x16), and 9, 15 and 17, their doubled-width forms. No font
// can be loaded in this system, so these are the only fonts that ever exist.
#pragma once

#include <cstdint>

#include "runtime/strings/string_functions.h"

// The per-font tables, indexed by font number 0..48.
inline constexpr int32_t FONT_METRIC_ENTRIES = 49;
extern int32_t font_object[FONT_METRIC_ENTRIES];  // the engine font; 0 for built-ins
extern int32_t font_height[FONT_METRIC_ENTRIES];
extern int32_t font_width[FONT_METRIC_ENTRIES];  // 0 would mean proportional
extern int32_t font_style[FONT_METRIC_ENTRIES];  // the load-option bits
// The highest font number the tables can describe.
extern int32_t highest_font_number;

// Style flags, the same bits as the load options.
inline constexpr int32_t FONT_STYLE_BOLD = 1;
inline constexpr int32_t FONT_STYLE_ITALIC = 2;
inline constexpr int32_t FONT_STYLE_UNDERLINE = 4;
inline constexpr int32_t FONT_STYLE_DONTBLEND = 8;
inline constexpr int32_t FONT_STYLE_MONOSPACE = 16;  // required on text pages
inline constexpr int32_t FONT_STYLE_UNICODE = 32;

// Loaded fonts would be numbered from here up.
inline constexpr int32_t FIRST_LOADED_FONT = 32;

// Fills the tables of the built-in fonts (start-up).
void font_metrics_init();

// True for 8, 9, 14, 15, 16 and 17.
bool is_built_in_font(int32_t font);

// True for a built-in font or a loaded one whose font object exists.
bool font_exists(int32_t font);

// The glyph working buffers: one byte per pixel (0x00 background, 0xFF glyph), 8 bytes per
// row, rows top to bottom. Glyph n of font 14 is 14 rows from byte 128 * n + 8 of the 8x16
// set.
inline constexpr int32_t GLYPH_8X8_BYTES = 64;
inline constexpr int32_t GLYPH_8X16_BYTES = 128;
extern uint8_t glyphs_8x8[256 * GLYPH_8X8_BYTES];
extern uint8_t glyphs_8x16[256 * GLYPH_8X16_BYTES];

// Expands the read-only glyph sets into the working buffers (start-up).
void glyphs_init();

// The first byte of glyph code's bitmap in font (8, 14 or 16, or their doubled forms).
const uint8_t* glyph_bitmap(int32_t font, uint8_t code);

// The Unicode code point of every character byte; writable by the program.
extern uint16_t code_page[256];

// Fills the code-page table with code page 437 (start-up).
void code_page_init();

// Stores code_point for byte; error 5 unless 0 <= code_point <= 65535 and 0 <= byte <= 255.
void set_code_point(int32_t code_point, int32_t byte);

// The code point of byte; error 5 and 0 unless 0 <= byte <= 255.
int32_t get_code_point(int32_t byte);

// The font-loading statement: checks the options (error 5), then yields -1, since no font
// can be made from a file here.
int32_t load_font(const StrDesc* file_name, int32_t cell_height, const StrDesc* options,
                  Given options_given);
