// Setting up the write page for text: colours, the palette statement, clearing, cursor
// placement and the text window (scrolling region).
//
// Each statement validates every argument against the rules of the write page's mode
// before it changes anything, raising 5 on a bad value, and returns at once while an
// error is pending. Optional arguments come as values plus a presence bit mask.
#pragma once

#include <cstdint>

#include "runtime/strings/string_functions.h"

// set_color presence bits.
inline constexpr int32_t COLOR_FOREGROUND_GIVEN = 1;
inline constexpr int32_t COLOR_BACKGROUND_GIVEN = 2;
inline constexpr int32_t COLOR_BORDER_GIVEN = 4;

// clear_screen presence bits.
inline constexpr int32_t CLEAR_REGION_GIVEN = 1;
inline constexpr int32_t CLEAR_COLOUR_GIVEN = 2;

// clear_screen regions.
inline constexpr int32_t CLEAR_WHOLE_PAGE = 0;
inline constexpr int32_t CLEAR_GRAPHICS_VIEWPORT = 1;
inline constexpr int32_t CLEAR_TEXT_WINDOW = 2;

// locate presence bits.
inline constexpr int32_t LOCATE_ROW_GIVEN = 1;
inline constexpr int32_t LOCATE_COLUMN_GIVEN = 2;
inline constexpr int32_t LOCATE_VISIBLE_GIVEN = 4;
inline constexpr int32_t LOCATE_START_GIVEN = 8;
inline constexpr int32_t LOCATE_STOP_GIVEN = 16;

// The colour statement: the write page's foreground and background, or palette entries,
// by the rules of its mode; values are compared as unsigned numbers.
void set_color(uint32_t foreground, uint32_t background, uint32_t border, int32_t presence);

// Gives the write page the default colours of its mode and draws in its foreground.
void reset_colors();

// The palette statement: writes one entry of the write page's palette (attribute taken
// modulo 256), or, without arguments, the default palette of its mode again.
void set_palette(int32_t attribute, uint32_t colour, Given given);

// The clearing statement: clears the region of the write page (absent, 0, 1 or 2) to the
// colour (absent: the background) and homes the text cursor.
void clear_screen(int32_t region, uint32_t colour, int32_t presence);

// Cursor placement: moves the text cursor, shows or hides it and sets its shape; the
// first placement below row 25 of the start-up text screen makes it 80x50.
void locate(int32_t row, int32_t column, int32_t visible, int32_t start, int32_t stop,
            int32_t presence);

// The text-window statement: rows top..bottom of the write page scroll (without
// arguments: the whole page); the cursor goes to the window's first row, column 1.
void set_text_window(int32_t top, int32_t bottom, Given given);
