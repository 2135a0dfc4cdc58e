// The text output engine: strings printed at the write page's text cursor the way a
// DOS-era screen printed them, into character cells on text pages and as glyphs on pixel
// pages, with wrapping at the right edge, scrolling of the text window, print zones and
// the control codes that move the cursor instead of printing.
//
// A print statement becomes a run of these calls; printing one string and ending the
// line is print_fit_check(s), print_string(s, WITHOUT_LINE_END), then
// print_string(empty, WITH_LINE_END). Program thread only.
#pragma once

#include <cstdint>

struct StrDesc;

enum LineEnd : int32_t { WITHOUT_LINE_END = 0, WITH_LINE_END = 1 };

// Prints every byte of text at the cursor, then ends the line when asked. Returns at once
// while an error is pending; text is only read.
void print_string(const StrDesc* text, LineEnd line_end);

// Starts a new line first when text would not fit on the rest of the current one.
void print_fit_check(const StrDesc* text);

// The comma separator: advances to the next 14-column print zone.
void print_zone();

// Carriage return and line feed: the next row, scrolling the text window past its end.
void print_newline();

// Paints one character at the cursor in the write page's colours without moving it.
void draw_char(uint8_t code);

// Mode 2 paints control codes as glyphs; any other mode lets them act again.
void set_control_chars(int32_t mode);

// The cursor column: 1 while a wrap is pending, else the cursor's column.
int32_t cursor_column();

// The cursor row: while a wrap is pending the next row (at most the window's last),
// else the cursor's row.
int32_t cursor_line();

// ---------------------------------------------------------------------------------------
// The printer route. While it is on, the write page is the printer page: the engine keeps
// a printer column that wraps at the printer's line width, and a line end that runs past
// the text window hands the page to the printer and clears it instead of scrolling.
// ---------------------------------------------------------------------------------------

// 1 while text is being drawn on the printer page; set by printing only.
extern int32_t printer_route_active;
// The column of the printer's next character, from 1.
extern int32_t printer_column;
// Sends the printer page (the write page) to the printer. Installed by printing; until
// then a full printer page is simply cleared.
extern void (*printer_page_hand_off)();

// Clears the engine's switches and the printer column (start-up).
void text_output_init();

// Test seam: the bell (code 7) calls pause with its 250 ms instead of sleeping; null
// restores the real sleep.
void text_output_seam_bell(void (*pause)(int32_t ms));
