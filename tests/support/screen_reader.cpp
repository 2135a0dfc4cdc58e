// The screen reader and golden screens.
#include "tests/support/screen_reader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "runtime/screen/fonts.h"

namespace {

// ---------------------------------------------------------------------------------------
// Glyph matching
// ---------------------------------------------------------------------------------------

// A glyph shape: one byte per row, leftmost pixel in the top bit; rows past the glyph's
// height stay 0.
using GlyphShape = std::array<uint8_t, 16>;
using GlyphIndex = std::map<GlyphShape, uint8_t>;

struct CellShape {
    int32_t width;   // pixels across
    int32_t height;  // pixels down
    int32_t scale;   // pixels across per glyph pixel: 2 for the doubled fonts
};

// The cell of a built-in font, from the runtime's font tables; the doubled fonts are
// twice as wide as their 8-pixel glyphs.
CellShape cell_shape(int32_t font) {
    if (!is_built_in_font(font)) {
        throw std::invalid_argument("no built-in font " + std::to_string(font));
    }
    return {font_width[font], font_height[font], font_width[font] / 8};
}

bool is_printable_ascii(uint8_t code) {
    return code >= 0x20 && code <= 0x7E;
}

// Every shape of the font's glyphs with the code that reads it. Codes that share a shape
// read as the printable ASCII one if there is one, else the lowest; so 'A' is never read
// as a look-alike symbol, and the blank shape reads as a space.
GlyphIndex glyph_index(int32_t font, int32_t height) {
    GlyphIndex index;
    for (int32_t code = 0; code < 256; ++code) {
        const uint8_t* pixels = glyph_bitmap(font, static_cast<uint8_t>(code));
        GlyphShape shape{};
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                if (pixels[y * 8 + x] != 0) shape[y] |= static_cast<uint8_t>(0x80 >> x);
            }
        }
        const auto [entry, inserted] = index.emplace(shape, static_cast<uint8_t>(code));
        if (!inserted && !is_printable_ascii(entry->second) && is_printable_ascii(code)) {
            entry->second = static_cast<uint8_t>(code);
        }
    }
    return index;
}

ScreenCell unmatched_cell() {
    return {UNMATCHED_CHARACTER, UNKNOWN_COLOUR, UNKNOWN_COLOUR};
}

// The shape that colour draws in the cell's pixels, or false when a doubled font's pixel
// pair differs.
bool shape_of(const std::vector<uint32_t>& pixels, const CellShape& cell, uint32_t colour,
              GlyphShape& shape) {
    shape = {};
    for (int32_t y = 0; y < cell.height; ++y) {
        for (int32_t x = 0; x < cell.width; x += cell.scale) {
            const uint32_t value = pixels[y * cell.width + x];
            if (cell.scale == 2 && pixels[y * cell.width + x + 1] != value) return false;
            if (value == colour) shape[y] |= static_cast<uint8_t>(0x80 >> (x / cell.scale));
        }
    }
    return true;
}

// Reads one cell's pixels; left_bg is the known background of the cell to its left, or
// UNKNOWN_COLOUR.
ScreenCell read_cell(const std::vector<uint32_t>& pixels, const CellShape& cell,
                     const GlyphIndex& glyphs, uint32_t left_bg) {
    const uint32_t first = pixels[0];
    uint32_t second = first;
    for (const uint32_t value : pixels) {
        if (value == first || value == second) continue;
        if (second != first) return unmatched_cell();
        second = value;
    }
    if (second == first) return {' ', UNKNOWN_COLOUR, first};

    GlyphShape first_shape;
    GlyphShape second_shape;
    if (!shape_of(pixels, cell, first, first_shape) ||
        !shape_of(pixels, cell, second, second_shape)) {
        return unmatched_cell();
    }
    const auto first_glyph = glyphs.find(first_shape);
    const auto second_glyph = glyphs.find(second_shape);
    const bool first_reads = first_glyph != glyphs.end();
    const bool second_reads = second_glyph != glyphs.end();
    if (!first_reads && !second_reads) return unmatched_cell();
    const ScreenCell first_on_second =
        first_reads ? ScreenCell{first_glyph->second, first, second} : ScreenCell{};
    const ScreenCell second_on_first =
        second_reads ? ScreenCell{second_glyph->second, second, first} : ScreenCell{};
    if (!second_reads) return first_on_second;
    if (!first_reads) return second_on_first;

    // Inverse glyphs: both readings are glyphs, and only a convention can choose.
    const bool first_ascii = is_printable_ascii(first_on_second.character);
    if (first_ascii != is_printable_ascii(second_on_first.character)) {
        return first_ascii ? first_on_second : second_on_first;
    }
    if (left_bg == second) return first_on_second;
    if (left_bg == first) return second_on_first;
    return first_on_second.character < second_on_first.character ? first_on_second
                                                                 : second_on_first;
}

// ---------------------------------------------------------------------------------------
// Golden text
// ---------------------------------------------------------------------------------------

void append_utf8(std::string& out, uint32_t code_point) {
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | code_point >> 6);
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code_point >> 12);
        out += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

std::string colour_text(uint32_t colour) {
    if (colour == UNKNOWN_COLOUR) return "-";
    char text[16];
    if (colour < 256) {
        std::snprintf(text, sizeof text, "%u", colour);
    } else {
        std::snprintf(text, sizeof text, "#%08X", colour);
    }
    return text;
}

// "2x7/0 78x-/0": each stretch of cells with one background whose known foregrounds are
// all the same, left to right, written with that foreground ("-" when none is known). The
// blanks of a pixel read have no known foreground, so they join the text around them
// instead of breaking every line of words into runs.
std::string colour_runs(const ScreenText& screen, int32_t row) {
    std::string runs;
    int32_t column = 1;
    while (column <= screen.columns) {
        const uint32_t bg = screen.cell(row, column).bg;
        uint32_t fg = UNKNOWN_COLOUR;
        int32_t count = 0;
        while (column + count <= screen.columns) {
            const ScreenCell& next = screen.cell(row, column + count);
            if (next.bg != bg) break;
            if (next.fg != UNKNOWN_COLOUR) {
                if (fg != UNKNOWN_COLOUR && next.fg != fg) break;
                fg = next.fg;
            }
            ++count;
        }
        if (!runs.empty()) runs += ' ';
        runs += std::to_string(count) + "x" + colour_text(fg) + "/" + colour_text(bg);
        column += count;
    }
    return runs;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The lines that differ between two texts, found through their longest common
// subsequence: "-<line> " lines only expected, "+<line> " lines only in the actual text,
// each with its line number in its own text.
std::string line_diff(const std::string& expected_text, const std::string& actual_text) {
    const std::vector<std::string> expected = split_lines(expected_text);
    const std::vector<std::string> actual = split_lines(actual_text);
    const size_t n = expected.size();
    const size_t m = actual.size();
    // common[i][j]: the common subsequence length of expected[i..] and actual[j..].
    std::vector<std::vector<int32_t>> common(n + 1, std::vector<int32_t>(m + 1, 0));
    for (size_t i = n; i-- > 0;) {
        for (size_t j = m; j-- > 0;) {
            common[i][j] = expected[i] == actual[j] ? common[i + 1][j + 1] + 1
                                                    : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    std::ostringstream out;
    size_t i = 0;
    size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && expected[i] == actual[j]) {
            ++i;
            ++j;
        } else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1])) {
            out << "-" << i + 1 << " " << expected[i] << "\n";
            ++i;
        } else {
            out << "+" << j + 1 << " " << actual[j] << "\n";
            ++j;
        }
    }
    return out.str();
}

bool read_file(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    contents = buffer.str();
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// ScreenText
// ---------------------------------------------------------------------------------------

ScreenText::ScreenText(int32_t columns_, int32_t rows_)
    : columns(columns_), rows(rows_), cells(static_cast<size_t>(columns_) * rows_) {}

const ScreenCell& ScreenText::cell(int32_t row, int32_t column) const {
    if (row < 1 || row > rows || column < 1 || column > columns) {
        throw std::out_of_range("no cell at row " + std::to_string(row) + ", column " +
                                std::to_string(column));
    }
    return cells[static_cast<size_t>(row - 1) * columns + (column - 1)];
}

ScreenCell& ScreenText::cell(int32_t row, int32_t column) {
    return const_cast<ScreenCell&>(std::as_const(*this).cell(row, column));
}

std::string ScreenText::row_text(int32_t row) const {
    if (row < 1 || row > rows) throw std::out_of_range("no row " + std::to_string(row));
    std::string text;
    for (int32_t column = 1; column <= columns; ++column)
        text += static_cast<char>(cell(row, column).character);
    return text;
}

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

ScreenText read_cells(int32_t width, int32_t height, int32_t font, const PixelReader& pixel) {
    const CellShape cell = cell_shape(font);
    const GlyphIndex glyphs = glyph_index(font, cell.height);
    ScreenText screen(width / cell.width, height / cell.height);
    std::vector<uint32_t> pixels(static_cast<size_t>(cell.width) * cell.height);
    for (int32_t row = 1; row <= screen.rows; ++row) {
        uint32_t left_bg = UNKNOWN_COLOUR;
        for (int32_t column = 1; column <= screen.columns; ++column) {
            const int32_t left = (column - 1) * cell.width;
            const int32_t top = (row - 1) * cell.height;
            for (int32_t y = 0; y < cell.height; ++y) {
                for (int32_t x = 0; x < cell.width; ++x)
                    pixels[y * cell.width + x] = pixel(left + x, top + y);
            }
            const ScreenCell read = read_cell(pixels, cell, glyphs, left_bg);
            screen.cell(row, column) = read;
            left_bg = read.bg;
        }
    }
    return screen;
}

ScreenText read_page(const ImageRecord& image) {
    const uint8_t* pixels = image.pixels;
    const int32_t width = image.width;
    if (image.text_mode != 0) {
        ScreenText screen(image.width, image.height);
        for (int32_t row = 1; row <= screen.rows; ++row) {
            for (int32_t column = 1; column <= screen.columns; ++column) {
                const uint8_t* cell = &pixels[2 * ((row - 1) * width + (column - 1))];
                const uint8_t attribute = cell[1];
                // Blinking foregrounds count from 16, the way programs name them.
                const uint32_t fg = (attribute & 15u) + ((attribute & 0x80) != 0 ? 16u : 0u);
                screen.cell(row, column) = {cell[0], fg, (attribute >> 4) & 7u};
            }
        }
        return screen;
    }
    if (image.bytes_per_pixel == 4) {
        return read_cells(image.width, image.height, image.font, [=](int32_t x, int32_t y) {
            uint32_t value;
            std::memcpy(&value, &pixels[4 * (static_cast<size_t>(y) * width + x)], 4);
            return value;
        });
    }
    return read_cells(image.width, image.height, image.font, [=](int32_t x, int32_t y) {
        return uint32_t{pixels[static_cast<size_t>(y) * width + x]};
    });
}

// ---------------------------------------------------------------------------------------
// Golden files
// ---------------------------------------------------------------------------------------

std::string golden_text(const ScreenText& screen) {
    std::string text =
        "screen " + std::to_string(screen.columns) + "x" + std::to_string(screen.rows) + "\n";
    for (int32_t row = 1; row <= screen.rows; ++row) {
        text += '|';
        for (int32_t column = 1; column <= screen.columns; ++column) {
            const ScreenCell& cell = screen.cell(row, column);
            append_utf8(text, cell.unmatched() ? 0xFFFD : code_page[cell.character]);
        }
        text += "|\n";
    }
    int32_t first = 1;
    while (first <= screen.rows) {
        const std::string runs = colour_runs(screen, first);
        int32_t last = first;
        while (last < screen.rows && colour_runs(screen, last + 1) == runs)
            ++last;
        text += "row " + std::to_string(first);
        if (last != first) text += "-" + std::to_string(last);
        text += ": " + runs + "\n";
        first = last + 1;
    }
    return text;
}

::testing::AssertionResult match_golden_file(const ScreenText& screen, const std::string& path,
                                             GoldenMode mode) {
    const std::string actual = golden_text(screen);
    if (mode == GoldenMode::WRITE) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << actual;
        out.close();
        if (!out) return ::testing::AssertionFailure() << "cannot write golden file " << path;
        return ::testing::AssertionSuccess();
    }
    std::string expected;
    if (!read_file(path, expected)) {
        return ::testing::AssertionFailure()
               << "no golden file " << path
               << " (run with GRAVEWICK_UPDATE_GOLDEN=1 to write it); the screen reads:\n"
               << actual;
    }
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the screen differs from golden file " << path
           << " (-expected, +actual, with line numbers; GRAVEWICK_UPDATE_GOLDEN=1 rewrites "
              "it):\n"
           << line_diff(expected, actual);
}

void expect_golden(const ScreenText& screen, const std::string& relative_path,
                   std::source_location where) {
    const std::string path = std::string(GRAVEWICK_SOURCE_DIR) + "/tests/" + relative_path;
    const char* update = std::getenv("GRAVEWICK_UPDATE_GOLDEN");
    const GoldenMode mode = update != nullptr && std::strcmp(update, "1") == 0
                                ? GoldenMode::WRITE
                                : GoldenMode::COMPARE;
    const ::testing::AssertionResult result = match_golden_file(screen, path, mode);
    if (result && mode == GoldenMode::WRITE) std::printf("wrote golden file %s\n", path.c_str());
    if (!result)
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << result.message();
}
