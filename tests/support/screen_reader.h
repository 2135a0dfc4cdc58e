// The screen reader: turns a page, a composed frame or a window capture back into rows of
// text and colours, so that tests can say "row 20 begins with ..." instead of comparing
// pixels, and golden screens: that text written to a file under tests/<area>/data/ and
// compared on later runs.
//
// Text pages are read cell by cell. Anything made of pixels is read by matching each
// character cell against the built-in glyphs: a cell of one colour is a space in that
// background, a cell of exactly two colours is the glyph whose shape one of them draws on
// the other, anything else is unmatched. Some glyphs are the exact inverse of another (the
// half blocks, 07/08, 09/0A, DB/FF), so their pixels say nothing about which colour is the
// foreground; see read_cells for how such cells are settled.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <source_location>
#include <string>
#include <vector>

#include "runtime/screen/images.h"

// The colour of a cell side that the pixels cannot tell: the foreground of a blank cell and
// both sides of an unmatched cell. It is a value no screen read here holds: palette indices
// stay below 256, and composed frames and window captures are opaque. (A 32-bit image that
// holds exactly this nearly transparent value would read as unknown.)
inline constexpr uint32_t UNKNOWN_COLOUR = 0x01020304;

// The character of a cell that matches no glyph. Byte 00 draws blank, and blank cells read
// as spaces, so matching never yields it otherwise; a text page may hold it, but there the
// colours are always known. Golden text shows an unmatched cell as U+FFFD.
inline constexpr uint8_t UNMATCHED_CHARACTER = 0x00;

struct ScreenCell {
    uint8_t character = ' ';
    uint32_t fg = UNKNOWN_COLOUR;  // a palette index, or 0xAARRGGBB from 32-bit pixels
    uint32_t bg = UNKNOWN_COLOUR;

    // True for a cell that matched no glyph.
    bool unmatched() const { return character == UNMATCHED_CHARACTER && bg == UNKNOWN_COLOUR; }
    bool operator==(const ScreenCell&) const = default;
};

// Characters and colours of a grid of cells; rows and columns count from 1.
struct ScreenText {
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<ScreenCell> cells;  // row by row

    ScreenText() = default;
    // A grid of blank cells with unknown colours.
    ScreenText(int32_t columns, int32_t rows);

    // The cell at row, column; throws std::out_of_range outside the grid.
    const ScreenCell& cell(int32_t row, int32_t column) const;
    ScreenCell& cell(int32_t row, int32_t column);

    // The raw character bytes of a row, all columns (throws std::out_of_range).
    std::string row_text(int32_t row) const;

    bool operator==(const ScreenText&) const = default;
};

// Reads the pixel value at (x, y), counted from 0 at the top left.
using PixelReader = std::function<uint32_t(int32_t x, int32_t y)>;

// Reads the cells of a width x height pixel area drawn in font (8, 14 or 16, or their
// doubled forms 9, 15 and 17, whose pixels come in equal pairs across); leftover pixels
// right and below the last whole cell are ignored. The glyph shapes are taken from the
// glyph working buffers and the cell sizes from the font tables at each call, so
// start-up's font metrics and glyph expansion must have run.
//
// When a two-colour cell could be read either way round, printable ASCII wins, then the
// reading whose background is the known background of the cell to its left, then the
// lower code. Throws std::invalid_argument for any other font.
ScreenText read_cells(int32_t width, int32_t height, int32_t font, const PixelReader& pixel);

// Reads an image: a text page cell by cell (fg = attribute bits 0-3, plus 16 when the
// blink bit 7 is set; bg = bits 4-6), a pixel image through read_cells with its own font
// (1-byte pixels read as palette indices, 32-bit pixels as 0xAARRGGBB).
ScreenText read_page(const ImageRecord& image);

// The golden-file text of a screen: a "screen <columns>x<rows>" line; every row as UTF-8
// through the code-page table between '|' markers; then the colour runs of each row
// ("row 3: 2x7/0 78x14/1"; consecutive rows with the same runs as "row 4-25: ...").
// A run is a stretch of cells with one background whose known foregrounds agree, so the
// blanks of a pixel read, whose foreground is unknown, join the words around them. Colours
// below 256 are decimal, others "#AARRGGBB", unknown ones "-".
std::string golden_text(const ScreenText& screen);

// Whether a golden-file check compares with the file or (re)writes it.
enum class GoldenMode { COMPARE, WRITE };

// Checks the golden text of screen against the file at path; in WRITE mode writes it
// (creating directories) instead. On a mismatch the message holds a line diff.
::testing::AssertionResult match_golden_file(const ScreenText& screen, const std::string& path,
                                             GoldenMode mode);

// Expects screen to match tests/<relative_path> in the source tree, reported at the
// caller's line; with GRAVEWICK_UPDATE_GOLDEN=1 in the environment it rewrites the file.
void expect_golden(const ScreenText& screen, const std::string& relative_path,
                   std::source_location where = std::source_location::current());
