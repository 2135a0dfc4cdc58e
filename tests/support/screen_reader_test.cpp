#include "tests/support/screen_reader.h"

#include <cstring>
#include <filesystem>
#include <string_view>

#include "tests/screen/screen_fixture.h"

namespace {

using PixelWriter = std::function<void(int32_t x, int32_t y, uint32_t colour)>;

// Paints glyph code of font (8, 14, 16, or doubled 9, 15, 17) into the cell at row, column,
// fg on bg. Written out here rather than borrowed from the text painter, so that the reader
// is checked against the glyph data alone.
void paint_glyph(const PixelWriter& put, int32_t font, int32_t row, int32_t column, uint8_t code,
                 uint32_t fg, uint32_t bg) {
    const int32_t scale = font == 9 || font == 15 || font == 17 ? 2 : 1;
    const int32_t height = font_height[font];
    const uint8_t* glyph = glyph_bitmap(font, code);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < 8 * scale; ++x) {
            put((column - 1) * 8 * scale + x, (row - 1) * height + y,
                glyph[y * 8 + x / scale] != 0 ? fg : bg);
        }
    }
}

// Writes pixels of an image, one byte or one 32-bit value each.
PixelWriter image_writer(ImageRecord& image) {
    return [&image](int32_t x, int32_t y, uint32_t colour) {
        const size_t at = static_cast<size_t>(y) * image.width + x;
        if (image.bytes_per_pixel == 4) {
            std::memcpy(&image.pixels[4 * at], &colour, 4);
        } else {
            image.pixels[at] = static_cast<uint8_t>(colour);
        }
    };
}

// A plain pixel area for read_cells.
struct Canvas {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(static_cast<size_t>(width) * height);

    PixelWriter writer() {
        return [this](int32_t x, int32_t y, uint32_t colour) { pixels[y * width + x] = colour; };
    }
    PixelReader reader() const {
        return [this](int32_t x, int32_t y) { return pixels[y * width + x]; };
    }
};

// A new image of mode in font, columns x rows cells large.
ImageRecord& image_of_cells(int32_t mode, int32_t font, int32_t columns, int32_t rows) {
    const ImageHandle handle = create_image(8 * columns, font_height[font] * rows, mode, GIVEN);
    set_font(font, handle, GIVEN);
    return *image_at(-handle);
}

const ScreenCell UNMATCHED{UNMATCHED_CHARACTER, UNKNOWN_COLOUR, UNKNOWN_COLOUR};

std::string cell_text(const ScreenCell& cell) {
    return "character " + std::to_string(cell.character) + " fg " + std::to_string(cell.fg) +
           " bg " + std::to_string(cell.bg);
}

}  // namespace

using ScreenReader = ScreenTest;
using GoldenScreens = ScreenTest;

TEST_F(ScreenReader, MatchesGlyphsOfEachPixelFontOnIndexedAnd32BitImages) {
    struct Case {
        int32_t mode;
        int32_t font;
        uint8_t code;
        uint32_t fg, bg;
    };
    const Case cases[] = {
        {13, 8, 'A', 14, 1},
        {9, 14, 'g', 15, 0},
        {12, 16, 0xC9, 7, 0},
        {12, 16, 0x01, 12, 3},
        {256, 16, '~', 200, 17},
        {32, 16, 'Z', 0xFFFFFF55, 0xFF0000AA},
        {32, 8, '#', 0xFF00AA00, 0xFF000000},
        {32, 14, 0xB0, 0x80FFFFFF, 0x00000000},
    };
    for (const Case& c : cases) {
        ImageRecord& image = image_of_cells(c.mode, c.font, 3, 2);
        for (int32_t row = 1; row <= 2; ++row) {
            for (int32_t column = 1; column <= 3; ++column)
                paint_glyph(image_writer(image), c.font, row, column, ' ', c.fg, c.bg);
        }
        paint_glyph(image_writer(image), c.font, 2, 3, c.code, c.fg, c.bg);
        const ScreenText text = read_page(image);
        ASSERT_EQ(text.columns, 3) << "font " << c.font;
        ASSERT_EQ(text.rows, 2) << "font " << c.font;
        EXPECT_EQ(text.cell(2, 3), (ScreenCell{c.code, c.fg, c.bg}))
            << "glyph " << int{c.code} << ", font " << c.font << ", mode " << c.mode << ": "
            << cell_text(text.cell(2, 3));
        EXPECT_EQ(text.cell(1, 1), (ScreenCell{' ', UNKNOWN_COLOUR, c.bg}))
            << "a blank cell tells only its background; font " << c.font;
    }
}

TEST_F(ScreenReader, DoubledFontsReadEachPixelPairAsOneGlyphPixel) {
    for (const int32_t font : {9, 15, 17}) {
        Canvas canvas{32, font_height[font]};
        paint_glyph(canvas.writer(), font, 1, 1, 'W', 15, 4);
        paint_glyph(canvas.writer(), font, 1, 2, 'W', 15, 4);
        canvas.pixels[3 * 32 + 16] = canvas.pixels[3 * 32 + 17] == 15 ? 4 : 15;
        const ScreenText text = read_cells(32, font_height[font], font, canvas.reader());
        ASSERT_EQ(text.columns, 2) << "font " << font;
        EXPECT_EQ(text.cell(1, 1), (ScreenCell{'W', 15, 4})) << "font " << font;
        EXPECT_EQ(text.cell(1, 2), UNMATCHED) << "a split pixel pair; font " << font;
    }
}

TEST_F(ScreenReader, CellsOfThreeColoursOrOfNoGlyphsShapeAreUnmatched) {
    struct Case {
        const char* what;
        int32_t x, y;
        uint32_t colour;
    };
    const Case cases[] = {
        {"a third colour", 0, 15, 9},
        {"a stray glyph pixel", 0, 15, 14},
        {"a glyph pixel missing", 1, 4, 1},
    };
    for (const Case& c : cases) {
        Canvas canvas{8, 16};
        paint_glyph(canvas.writer(), 16, 1, 1, 'A', 14, 1);
        canvas.pixels[c.y * 8 + c.x] = c.colour;
        const ScreenText text = read_cells(8, 16, 16, canvas.reader());
        EXPECT_EQ(text.cell(1, 1), UNMATCHED) << c.what << ": " << cell_text(text.cell(1, 1));
        EXPECT_TRUE(text.cell(1, 1).unmatched()) << c.what;
    }
}

TEST_F(ScreenReader, PrintableAsciiWinsOverLookAlikeCodesThenTheLowerCode) {
    // Give codes 80 and 01 the shape of 'A', and 04 the shape of 03.
    for (const uint8_t look_alike : {0x80, 0x01})
        std::memcpy(&glyphs_8x16[look_alike * GLYPH_8X16_BYTES], glyph_bitmap(16, 'A'),
                    GLYPH_8X16_BYTES);
    std::memcpy(&glyphs_8x16[0x04 * GLYPH_8X16_BYTES], glyph_bitmap(16, 0x03), GLYPH_8X16_BYTES);
    struct Case {
        uint8_t painted;
        uint8_t read;
    };
    const Case cases[] = {{0x80, 'A'}, {0x01, 'A'}, {'A', 'A'}, {0x04, 0x03}};
    for (const Case& c : cases) {
        Canvas canvas{8, 16};
        paint_glyph(canvas.writer(), 16, 1, 1, c.painted, 7, 0);
        EXPECT_EQ(read_cells(8, 16, 16, canvas.reader()).cell(1, 1), (ScreenCell{c.read, 7, 0}))
            << "painted " << int{c.painted};
    }
}

TEST_F(ScreenReader, InverseGlyphsTakeTheBackgroundOfTheCellToTheirLeft) {
    constexpr uint32_t NO_LEFT_CELL = UNKNOWN_COLOUR;
    struct Case {
        uint32_t left_bg;
        uint8_t code;
        uint32_t fg, bg;
        ScreenCell read;
    };
    const Case cases[] = {
        {1, 0xDF, 14, 1, {0xDF, 14, 1}},             // upper half block
        {14, 0xDF, 14, 1, {0xDC, 1, 14}},            // read as the lower half, the other way
        {NO_LEFT_CELL, 0xDF, 14, 1, {0xDC, 1, 14}},  // no context: the lower code
        {0, 0x08, 7, 0, {0x08, 7, 0}},               // inverse bullet
        {NO_LEFT_CELL, 0x08, 7, 0, {0x07, 0, 7}},
        {7, 0xDB, 4, 7, {' ', UNKNOWN_COLOUR, 4}},  // a full block is one colour: a blank
    };
    for (const Case& c : cases) {
        Canvas canvas{16, 16};
        const int32_t column = c.left_bg == NO_LEFT_CELL ? 1 : 2;
        if (column == 2) paint_glyph(canvas.writer(), 16, 1, 1, ' ', 0, c.left_bg);
        paint_glyph(canvas.writer(), 16, 1, column, c.code, c.fg, c.bg);
        if (column == 1) paint_glyph(canvas.writer(), 16, 1, 2, 'x', c.fg, c.bg);
        const ScreenCell read = read_cells(16, 16, 16, canvas.reader()).cell(1, column);
        EXPECT_EQ(read, c.read) << "glyph " << int{c.code} << " right of background " << c.left_bg
                                << ": " << cell_text(read);
    }
}

TEST_F(ScreenReader, TextPagesReadCharactersAndAttributesDirectly) {
    struct Case {
        int32_t column;
        uint8_t character;
        uint8_t attribute;
        uint32_t fg, bg;
    };
    const Case cases[] = {
        {1, 'X', 0x1E, 14, 1},  {2, 'B', 0x9C, 28, 1},  // blinking foregrounds count from 16
        {3, 0xC4, 0xF0, 16, 7}, {4, 0x00, 0x07, 7, 0}, {5, ' ', 0x07, 7, 0},
    };
    ImageRecord& text_page = page(0);
    for (const Case& c : cases) {
        uint8_t* cell = &text_page.pixels[2 * (80 * 2 + c.column - 1)];
        cell[0] = c.character;
        cell[1] = c.attribute;
    }
    const ScreenText text = read_page(text_page);
    ASSERT_EQ(text.columns, 80);
    ASSERT_EQ(text.rows, 25);
    for (const Case& c : cases) {
        EXPECT_EQ(text.cell(3, c.column), (ScreenCell{c.character, c.fg, c.bg}))
            << "attribute " << int{c.attribute};
    }
    EXPECT_EQ(text.row_text(3).substr(0, 6), std::string("XB\xC4\0  ", 6));
    EXPECT_FALSE(text.cell(3, 4).unmatched()) << "byte 0 on a text page is a real character";
}

TEST_F(ScreenReader, ReadsAPaintedImageLikeItsGoldenScreen) {
    ImageRecord& image = image_of_cells(32, 16, 12, 3);
    constexpr uint32_t GREY = 0xFFAAAAAA;
    constexpr uint32_t YELLOW = 0xFFFFFF55;
    constexpr uint32_t BLUE = 0xFF0000AA;
    const std::string_view rows[] = {"\xC9\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBB",
                                     "\xBA Gravewick\xBA",
                                     "\xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC"};
    for (int32_t row = 1; row <= 3; ++row) {
        for (int32_t column = 1; column <= 12; ++column) {
            const uint8_t code = static_cast<uint8_t>(rows[row - 1][column - 1]);
            const bool inside = row == 2 && column > 2 && column < 12;
            paint_glyph(image_writer(image), 16, row, column, code, inside ? YELLOW : GREY, BLUE);
        }
    }
    expect_golden(read_page(image), "support/data/painted_box.txt");
}

TEST_F(GoldenScreens, TextShowsRowsThroughTheCodePageThenColourRuns) {
    constexpr uint32_t WHITE = 0xFFFFFFFF;
    constexpr uint32_t BLUE = 0xFF0000AA;
    constexpr uint32_t UNKNOWN = UNKNOWN_COLOUR;
    const ScreenCell cells[5][4] = {
        {{0xC9, 7, 0}, {0xCD, 7, 0}, {0xBB, 7, 0}, {' ', UNKNOWN, 0}},
        {{'a', WHITE, BLUE}, {'|', WHITE, BLUE}, UNMATCHED, {3, 12, 1}},
        {{'a', WHITE, BLUE}, {'|', WHITE, BLUE}, UNMATCHED, {3, 12, 1}},
        {{' ', UNKNOWN, 1}, {'x', 2, 1}, {'y', 3, 1}, {' ', 7, 1}},
        {{' ', UNKNOWN, 1}, {' ', UNKNOWN, 1}, {' ', UNKNOWN, 1}, {' ', UNKNOWN, 1}},
    };
    ScreenText screen(4, 5);
    for (int32_t row = 1; row <= 5; ++row) {
        for (int32_t column = 1; column <= 4; ++column)
            screen.cell(row, column) = cells[row - 1][column - 1];
    }
    EXPECT_EQ(golden_text(screen),
              "screen 4x5\n"
              "|╔═╗ |\n"
              "|a|�♥|\n"
              "|a|�♥|\n"
              "| xy |\n"
              "|    |\n"
              "row 1: 4x7/0\n"
              "row 2-3: 2x#FFFFFFFF/#FF0000AA 1x-/- 1x12/1\n"
              "row 4: 2x2/1 1x3/1 1x7/1\n"
              "row 5: 4x-/1\n");
}

TEST_F(GoldenScreens, FilesRoundTripAndMismatchesShowTheDifferingLines) {
    const std::string path = ::testing::TempDir() + "gravewick_golden_test/screen.txt";
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
    ScreenText screen(3, 2);
    screen.cell(2, 1) = {'a', 7, 0};

    const ::testing::AssertionResult missing = match_golden_file(screen, path, GoldenMode::COMPARE);
    EXPECT_FALSE(missing);
    EXPECT_NE(std::string(missing.message()).find("GRAVEWICK_UPDATE_GOLDEN=1"), std::string::npos);

    EXPECT_TRUE(match_golden_file(screen, path, GoldenMode::WRITE));
    EXPECT_TRUE(match_golden_file(screen, path, GoldenMode::COMPARE));

    screen.cell(2, 1).character = 'b';
    const ::testing::AssertionResult changed = match_golden_file(screen, path, GoldenMode::COMPARE);
    EXPECT_FALSE(changed);
    const std::string message = changed.message();
    EXPECT_NE(message.find("-3 |a  |\n+3 |b  |\n"), std::string::npos) << message;
    EXPECT_EQ(message.find("row 1"), std::string::npos) << "unchanged lines are left out";
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
