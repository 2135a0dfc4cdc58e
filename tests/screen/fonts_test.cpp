#include "runtime/screen/fonts.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tests/screen/screen_fixture.h"

namespace {

// A glyph's rows packed back into one byte each, leftmost pixel in the top bit.
std::vector<uint8_t> packed_rows(int32_t font, uint8_t code, int32_t rows) {
    const uint8_t* pixels = glyph_bitmap(font, code);
    std::vector<uint8_t> packed;
    for (int32_t r = 0; r < rows; ++r) {
        uint8_t row = 0;
        for (int32_t x = 0; x < 8; ++x)
            row = static_cast<uint8_t>(row << 1 | (pixels[r * 8 + x] != 0 ? 1 : 0));
        packed.push_back(row);
    }
    return packed;
}

}  // namespace

using Fonts = ScreenTest;

TEST_F(Fonts, GlyphSetsHoldTheStandardCodePageShapes) {
    struct Case {
        uint8_t code;
        std::vector<uint8_t> rows8;
        std::vector<uint8_t> rows16;
    };
    const Case cases[] = {
        {0x00, std::vector<uint8_t>(8, 0x00), std::vector<uint8_t>(16, 0x00)},
        {0x01,
         {0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E},
         {0x00, 0x00, 0x7E, 0x81, 0xA5, 0x81, 0x81, 0xBD, 0x99, 0x81, 0x81, 0x7E, 0, 0, 0, 0}},
        {0x41,
         {0x30, 0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00},
         {0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0xC6, 0, 0, 0, 0}},
        {0x61,
         {0x00, 0x00, 0x78, 0x0C, 0x7C, 0xCC, 0x76, 0x00},
         {0x00, 0x00, 0x00, 0x00, 0x00, 0x78, 0x0C, 0x7C, 0xCC, 0xCC, 0xCC, 0x76, 0, 0, 0, 0}},
        {0xB0,
         {0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88},
         {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11,
          0x44}},
        {0xC4,
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},
         {0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0xDB, std::vector<uint8_t>(8, 0xFF), std::vector<uint8_t>(16, 0xFF)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(packed_rows(8, c.code, 8), c.rows8) << "8x8 glyph " << int{c.code};
        EXPECT_EQ(packed_rows(16, c.code, 16), c.rows16) << "8x16 glyph " << int{c.code};
    }
}

TEST_F(Fonts, FontFourteenIsTheTallGlyphWithoutItsFirstRow) {
    const std::vector<uint8_t> expected = {0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE,
                                           0xC6, 0xC6, 0xC6, 0xC6, 0x00, 0x00, 0x00};
    EXPECT_EQ(packed_rows(14, 0x41, 14), expected);
}

TEST_F(Fonts, DoubledFontsDrawFromTheGlyphsOfTheirSingleForms) {
    const int32_t pairs[][2] = {{9, 8}, {15, 14}, {17, 16}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(glyph_bitmap(pair[0], 0x41), glyph_bitmap(pair[1], 0x41)) << pair[0];
    }
}

TEST_F(Fonts, GlyphPixelsAreWhollyOnOrOff) {
    for (uint8_t pixel : glyphs_8x8)
        ASSERT_TRUE(pixel == 0x00 || pixel == 0xFF);
    for (uint8_t pixel : glyphs_8x16)
        ASSERT_TRUE(pixel == 0x00 || pixel == 0xFF);
}

TEST_F(Fonts, OnlyTheSixBuiltInFontsExist) {
    for (int32_t font = -1; font <= FONT_METRIC_ENTRIES + 1; ++font) {
        const bool built_in =
            font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
        EXPECT_EQ(font_exists(font), built_in) << "font " << font;
    }
    EXPECT_EQ(highest_font_number, 48);
}

TEST_F(Fonts, CodePageMapsBytesToTheirShownCharacters) {
    struct Case {
        int32_t byte;
        int32_t code_point;
    };
    const Case cases[] = {
        {0x00, 0x0020}, {0x01, 0x263A}, {0x0D, 0x266A}, {0x1F, 0x25BC}, {0x20, 0x0020},
        {0x41, 0x0041}, {0x7E, 0x007E}, {0x7F, 0x2302}, {0x80, 0x00C7}, {0x9E, 0x20A7},
        {0xB0, 0x2591}, {0xDB, 0x2588}, {0xE1, 0x00DF}, {0xFE, 0x25A0}, {0xFF, 0x0020},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(get_code_point(c.byte), c.code_point) << "byte " << c.byte;
    }
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(Fonts, SetCodePointStoresForOneByte) {
    set_code_point(0x263A, 0x41);
    EXPECT_EQ(get_code_point(0x41), 0x263A);
    set_code_point(65535, 0);
    EXPECT_EQ(get_code_point(0), 65535);
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(Fonts, CodePointsOutOfRangeFailAndChangeNothing) {
    struct Case {
        int32_t code_point;
        int32_t byte;
    };
    const Case cases[] = {{65536, 0x41}, {-1, 0x41}, {0x263A, 256}, {0x263A, -1}};
    for (const Case& c : cases) {
        set_code_point(c.code_point, c.byte);
        EXPECT_EQ(take_error(), 5) << c.code_point << " for byte " << c.byte;
        EXPECT_EQ(get_code_point(0x41), 0x41);
        EXPECT_EQ(get_code_point(0xFF), 0x20);
    }
    for (int32_t byte : {256, -1}) {
        EXPECT_EQ(get_code_point(byte), 0) << byte;
        EXPECT_EQ(take_error(), 5) << byte;
    }
}

TEST_F(Fonts, LoadFontChecksItsOptionsAndNeverMakesAFont) {
    const std::string path = ::testing::TempDir() + "gravewick_font_test.ttf";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("not a font", file);
    std::fclose(file);

    struct Case {
        const char* file_name;
        const char* options;  // null: not given
        int32_t error;
    };
    const Case cases[] = {
        {path.c_str(), nullptr, 0},
        {path.c_str(), "bold, Italic ,MONOSPACE", 0},
        {path.c_str(), "underline,dontblend,unicode", 0},
        {"", "BOLD", 0},
        {"/nonexistent/gravewick.ttf", nullptr, 0},
        {path.c_str(), "BOLD,BOLD", 5},
        {path.c_str(), "HEAVY", 5},
        {path.c_str(), "", 5},
        {path.c_str(), "BOLD,", 5},
        {"", "ITALIC,,", 5},
    };
    const uint32_t mark = temporary_mark();
    for (const Case& c : cases) {
        StrDesc* name = string_from_cstring(c.file_name);
        StrDesc* options = string_from_cstring(c.options != nullptr ? c.options : "");
        const int32_t result = load_font(name, 16, options, c.options != nullptr ? GIVEN : OMITTED);
        const int32_t error = take_error();
        EXPECT_EQ(error, c.error) << c.file_name << " / " << (c.options ? c.options : "-");
        if (c.error == 0) {
            EXPECT_EQ(result, -1) << c.file_name;
        }
        free_temporaries(mark, 0);
    }
    std::remove(path.c_str());
}
