#include <cstdint>
#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/text_screen.h"
#include "tests/graphics/pixel_checks.h"
#include "tests/screen/screen_fixture.h"

using ColourStatements = ScreenTest;
using ClearScreen = ScreenTest;
using CursorPlacement = ScreenTest;
using TextWindow = ScreenTest;

namespace {

constexpr int32_t FG = COLOR_FOREGROUND_GIVEN;
constexpr int32_t BG = COLOR_BACKGROUND_GIVEN;
constexpr int32_t BORDER = COLOR_BORDER_GIVEN;
constexpr int32_t ROW = LOCATE_ROW_GIVEN;
constexpr int32_t COLUMN = LOCATE_COLUMN_GIVEN;
constexpr int32_t VISIBLE = LOCATE_VISIBLE_GIVEN;
constexpr int32_t START = LOCATE_START_GIVEN;
constexpr int32_t STOP = LOCATE_STOP_GIVEN;
constexpr int32_t REGION = CLEAR_REGION_GIVEN;
constexpr int32_t COLOUR = CLEAR_COLOUR_GIVEN;
constexpr uint32_t ILLEGAL = ERROR_ILLEGAL_FUNCTION_CALL;

// A fresh screen of mode (or, for 32, a fresh 32-bit image as the write page): the same
// mode again would keep the previous case's colours.
void fresh_write_page(int32_t mode) {
    set_screen_mode(mode == 12 ? 13 : 12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    if (mode == 32) {
        set_dest(create_image(64, 48, 32, GIVEN));
    } else {
        set_screen_mode(mode, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    }
}

void fill_cells(ImageRecord& page, uint16_t cell) {
    for (size_t i = 0; i < static_cast<size_t>(page.width) * page.height; ++i) {
        page.pixels[2 * i] = cell & 0xFF;
        page.pixels[2 * i + 1] = cell >> 8;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The colour statement, the default colours and the palette statement
// ---------------------------------------------------------------------------------------

TEST_F(ColourStatements, SetColorFollowsTheRulesOfEachMode) {
    struct Case {
        const char* what;
        int32_t mode;
        uint32_t fg, bg;
        int32_t presence;
        uint32_t error;
        int32_t want_fg;
        uint32_t want_bg;
        int32_t entry;  // palette entry to check, -1 for none
        uint32_t want_entry;
    };
    const uint32_t black = 0xFF000000;
    const Case cases[] = {
        {"mode 12, the game's call", 12, 7, 0, FG | BG, 0, 7, 0, -1, 0},
        {"mode 12, foreground 16", 12, 16, 0, FG, ILLEGAL, 15, 0, -1, 0},
        {"mode 12, negative foreground", 12, 0xFFFFFFFF, 0, FG, ILLEGAL, 15, 0, -1, 0},
        {"mode 12, border", 12, 7, 0, FG | BORDER, ILLEGAL, 15, 0, -1, 0},
        {"mode 12, a bad background keeps the foreground", 12, 3, 16, FG | BG, ILLEGAL, 15, 0, -1,
         0},
        {"mode 12, nothing given", 12, 99, 99, 0, 0, 15, 0, -1, 0},
        {"mode 0, background 9 keeps three bits", 0, 7, 9, BG, 0, 7, 1, -1, 0},
        {"mode 0, blinking foreground 31", 0, 31, 0, FG, 0, 31, 0, -1, 0},
        {"mode 0, foreground 32", 0, 32, 0, FG, ILLEGAL, 7, 0, -1, 0},
        {"mode 0, background 16", 0, 1, 16, BG, ILLEGAL, 7, 0, -1, 0},
        {"mode 0 ignores a border", 0, 2, 0, FG | BORDER, 0, 2, 0, -1, 0},
        {"mode 9, background 20 is brown", 9, 0, 20, BG, 0, 15, 0, 0, 0xFFAA5500},
        {"mode 9, background 64", 9, 0, 64, BG, ILLEGAL, 15, 0, 0, black},
        {"mode 1, foreground is the screen background", 1, 4, 0, FG, 0, 3, 0, 0, 0xFFAA0000},
        {"mode 1, foreground 16", 1, 16, 0, FG, ILLEGAL, 3, 0, 0, black},
        {"mode 1, odd background picks 3, 5, 7", 1, 0, 0xFFFFFFFF, BG, 0, 3, 0, 1, 0xFF00AAAA},
        {"mode 1, even background picks 2, 4, 6", 1, 0, 1000, BG, 0, 3, 0, 3, 0xFFAA5500},
        {"mode 1, border", 1, 0, 0, BORDER, ILLEGAL, 3, 0, -1, 0},
        {"mode 2, foreground 2", 2, 2, 0, FG, ILLEGAL, 1, 0, -1, 0},
        {"mode 2, background is entry 0", 2, 0, 15, BG, 0, 1, 0, 0, 0xFFFFFFFF},
        {"mode 7, background 16", 7, 0, 16, BG, ILLEGAL, 15, 0, 0, black},
        {"mode 8, background 1", 8, 0, 1, BG, 0, 15, 0, 0, 0xFF0000AA},
        {"mode 10, foreground 4", 10, 4, 0, FG, ILLEGAL, 3, 0, -1, 0},
        {"mode 10, background is attribute 0's pseudo-colour", 10, 0, 8, BG, 0, 3, 0, 4, 8},
        {"mode 10, background 9", 10, 0, 9, BG, ILLEGAL, 3, 0, 4, 0},
        {"mode 11, background 1", 11, 0, 1, BG, 0, 1, 1, -1, 0},
        {"mode 11, background 2", 11, 0, 2, BG, ILLEGAL, 1, 0, -1, 0},
        {"mode 13, 255 and 255", 13, 255, 255, FG | BG, 0, 255, 255, -1, 0},
        {"mode 13, foreground 256", 13, 256, 0, FG, ILLEGAL, 15, 0, -1, 0},
        {"32-bit, any colours", 32, 0x12345678, 0x9ABCDEF0, FG | BG, 0, 0x12345678, 0x9ABCDEF0, -1,
         0},
        {"32-bit, border", 32, 0, 0, BORDER, ILLEGAL, -1, 0xFF000000, -1, 0},
    };
    for (const Case& c : cases) {
        fresh_write_page(c.mode);
        set_color(c.fg, c.bg, 1, c.presence);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << c.what;
        const ImageRecord& p = *write_page.image;
        EXPECT_EQ(p.fg, c.want_fg) << c.what;
        EXPECT_EQ(p.bg, c.want_bg) << c.what;
        if (c.entry >= 0) {
            EXPECT_EQ(p.palette[c.entry], c.want_entry) << c.what;
        }
    }
}

TEST_F(ColourStatements, ResetColorsGivesTheModesDefaultsAndDrawsInTheForeground) {
    struct Case {
        int32_t mode;
        int32_t fg;
        uint32_t bg;
    };
    const Case cases[] = {
        {0, 7, 0},  {1, 3, 0},  {2, 1, 0},   {7, 15, 0},  {9, 15, 0},
        {10, 3, 0}, {11, 1, 0}, {12, 15, 0}, {13, 15, 0}, {32, -1, 0xFF000000},
    };
    for (const Case& c : cases) {
        fresh_write_page(c.mode);
        ImageRecord& p = *write_page.image;
        p.fg = 77;
        p.bg = 66;
        p.draw_colour = 55;
        reset_colors();
        EXPECT_EQ(p.fg, c.fg) << "mode " << c.mode;
        EXPECT_EQ(p.bg, c.bg) << "mode " << c.mode;
        EXPECT_EQ(p.draw_colour, static_cast<uint32_t>(c.fg)) << "mode " << c.mode;
    }
}

TEST_F(ColourStatements, VgaFormComponentsStretchSixBitsOntoEight) {
    screen(12);
    for (uint32_t c = 0; c < 64; ++c) {
        // Four steps of sixteen values, each group starting 65 above the last.
        const uint32_t want = 65 * (c / 16) + 4 * (c % 16);
        set_palette(1, c, GIVEN);
        set_palette(2, c << 8, GIVEN);
        set_palette(3, c << 16, GIVEN);
        ASSERT_EQ(take_error(), 0) << c;
        EXPECT_EQ(page(0).palette[1], want << 16) << "red " << c;
        EXPECT_EQ(page(0).palette[2], want << 8) << "green " << c;
        EXPECT_EQ(page(0).palette[3], want) << "blue " << c;
    }
}

TEST_F(ColourStatements, SetPaletteFollowsTheRulesOfEachMode) {
    struct Case {
        const char* what;
        int32_t mode;
        int32_t attribute;
        uint32_t colour;
        uint32_t error;
        int32_t entry;
        uint32_t want;  // the entry's value afterwards
    };
    const Case cases[] = {
        {"mode 12, blue 63", 12, 1, 0x003F0000, 0, 1, 0x000000FF},
        {"mode 12, a seventh bit", 12, 1, 0x00400000, ILLEGAL, 1, 0xFF0000AA},
        {"mode 12, the top byte", 12, 1, 0x01000000, ILLEGAL, 1, 0xFF0000AA},
        {"mode 12, attribute 16", 12, 16, 0, ILLEGAL, 0, 0xFF000000},
        {"mode 12, attribute 257 is 1", 12, 257, 0x3F, 0, 1, 0x00FF0000},
        {"mode 12, attribute -255 is 1", 12, -255, 0x3F, 0, 1, 0x00FF0000},
        {"mode 13, attribute 255", 13, 255, 0x00003F, 0, 255, 0x00FF0000},
        {"mode 11, attribute 2", 11, 2, 0, ILLEGAL, 1, 0x00FFFFFF},
        {"mode 10, pseudo-colour four entries up", 10, 3, 8, 0, 7, 8},
        {"mode 10, pseudo-colour 9", 10, 3, 9, ILLEGAL, 7, 8},
        {"mode 10, attribute 4", 10, 4, 0, ILLEGAL, 8, 0},
        {"mode 9, EGA colour 20", 9, 6, 20, 0, 6, 0xFFAA5500},
        {"mode 9, EGA colour 64", 9, 6, 64, ILLEGAL, 6, 0xFFAA5500},
        {"mode 0, EGA colour 63", 0, 15, 63, 0, 15, 0xFFFFFFFF},
        {"mode 7, VGA colour 15", 7, 3, 15, 0, 3, 0xFFFFFFFF},
        {"mode 7, VGA colour 16", 7, 3, 16, ILLEGAL, 3, 0xFF00AAAA},
        {"mode 1, attribute 15", 1, 15, 2, 0, 15, 0xFF00AA00},
        {"mode 2, attribute 2", 2, 2, 0, ILLEGAL, 0, 0},
        {"mode 2, VGA colour 15", 2, 1, 15, 0, 1, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        fresh_write_page(c.mode);
        set_palette(c.attribute, c.colour, GIVEN);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << c.what;
        EXPECT_EQ(write_page.image->palette[c.entry], c.want) << c.what;
    }
}

TEST_F(ColourStatements, ThirtyTwoBitImagesHaveNoPaletteToSet) {
    fresh_write_page(32);
    set_palette(1, 0, GIVEN);
    EXPECT_EQ(take_error(), static_cast<int32_t>(ILLEGAL));
    set_palette(0, 0, OMITTED);
    EXPECT_EQ(take_error(), 0);
}

TEST_F(ColourStatements, SetPaletteWithoutArgumentsRestoresTheDefaults) {
    screen(12);
    set_palette(3, 0x3F3F3F, GIVEN);
    ASSERT_EQ(page(0).palette[3], 0x00FFFFFFu);
    set_palette(0, 0, OMITTED);
    EXPECT_EQ(page(0).palette[3], vga_colours[3]);
    EXPECT_EQ(page(1).palette[3], vga_colours[3]) << "pages share page 0's palette";
}

TEST_F(ColourStatements, StatementsDoNothingWhileAnErrorIsPending) {
    screen(12);
    page(0).cursor_row = 7;
    raise_error(ILLEGAL);
    set_color(1, 2, 0, FG | BG);
    set_palette(1, 0, GIVEN);
    clear_screen(0, 0, 0);
    locate(5, 5, 1, 0, 0, ROW | COLUMN | VISIBLE);
    set_text_window(3, 4, GIVEN);
    page(0).fg = 9;
    reset_colors();
    EXPECT_EQ(take_error(), static_cast<int32_t>(ILLEGAL));
    const ImageRecord& p = page(0);
    EXPECT_EQ(p.fg, 9);
    EXPECT_EQ(p.bg, 0u);
    EXPECT_EQ(p.palette[1], vga_colours[1]);
    EXPECT_EQ(p.cursor_row, 7);
    EXPECT_EQ(p.cursor_visible, 0);
    EXPECT_EQ(p.text_bottom, 29);
}

// ---------------------------------------------------------------------------------------
// The clearing statement
// ---------------------------------------------------------------------------------------

TEST_F(ClearScreen, EachRegionOfATextPageBlanksItsRows) {
    struct Case {
        const char* what;
        int32_t region, presence;
        bool window_rows, last_row, other_rows;
    };
    const Case cases[] = {
        {"no region: the window and the last row", 0, 0, true, true, false},
        {"region 0: every row", CLEAR_WHOLE_PAGE, REGION, true, true, true},
        {"region 1: nothing", CLEAR_GRAPHICS_VIEWPORT, REGION, false, false, false},
        {"region 2: the window only", CLEAR_TEXT_WINDOW, REGION, true, false, false},
    };
    const uint16_t old_cell = 0x1E58;
    const uint16_t blank = 0x1720;  // background 1 under foreground 7
    for (const Case& c : cases) {
        ImageRecord& p = page(0);
        fill_cells(p, old_cell);
        set_text_window(5, 10, GIVEN);
        set_color(7, 1, 0, FG | BG);
        locate(7, 9, 0, 0, 0, ROW | COLUMN);
        clear_screen(c.region, 0, c.presence);
        ASSERT_EQ(take_error(), 0) << c.what;
        for (int32_t row = 1; row <= 25; ++row) {
            const bool window = row >= 5 && row <= 10;
            const bool cleared = window ? c.window_rows : row == 25 ? c.last_row : c.other_rows;
            EXPECT_EQ(cell_at(p, row, 1), cleared ? blank : old_cell) << c.what << ", row " << row;
            EXPECT_EQ(cell_at(p, row, 80), cleared ? blank : old_cell) << c.what << ", row " << row;
        }
        EXPECT_EQ(p.cursor_row, 5) << c.what;
        EXPECT_EQ(p.cursor_col, 1) << c.what;
    }
}

TEST_F(ClearScreen, TheTextBlankTakesBlinkAndForegroundFromTheForeground) {
    set_color(28, 0, 0, FG);  // blinking light red
    clear_screen(0, 13, REGION | COLOUR);
    // Background 13 AND 7 = 5; attribute = blink 0x80 + 5 * 16 + 12.
    EXPECT_EQ(cell_at(page(0), 1, 1), 0xDC20);
    EXPECT_EQ(take_error(), 0) << "text pages take colours up to their 16-bit mask";
}

TEST_F(ClearScreen, EachRegionOfAModeTwelvePageFillsItsPixels) {
    struct Case {
        const char* what;
        int32_t region, presence;
        bool viewport;
        Box filled;
        bool cursor_centred;
    };
    const Box view = {100, 100, 199, 149};
    const Box whole = {0, 0, 639, 479};
    const Box window_band = {0, 32, 639, 63};  // text rows 3-4 of 16 pixels
    const Case cases[] = {
        {"no region, no viewport", 0, 0, false, whole, true},
        {"no region, viewport", 0, 0, true, view, true},
        {"region 0 ignores the viewport", CLEAR_WHOLE_PAGE, REGION, true, whole, true},
        {"region 1, viewport", CLEAR_GRAPHICS_VIEWPORT, REGION, true, view, true},
        {"region 1, no viewport", CLEAR_GRAPHICS_VIEWPORT, REGION, false, whole, true},
        {"region 2, the text window's band", CLEAR_TEXT_WINDOW, REGION, true, window_band, false},
    };
    for (const Case& c : cases) {
        fresh_write_page(12);
        ImageRecord& p = page(0);
        fill_pixels(p, 9);
        set_text_window(3, 4, GIVEN);
        set_color(0, 2, 0, BG);
        if (c.viewport) set_viewport(p, view, view.x1, view.y1);
        locate(4, 9, 0, 0, 0, ROW | COLUMN);
        p.gfx_x = 7;
        p.gfx_y = 8;
        p.draw_angle = 90;
        p.draw_scale = 3;
        clear_screen(c.region, 0, c.presence);
        ASSERT_EQ(take_error(), 0) << c.what;
        EXPECT_TRUE(holds_box(p, c.filled, 2, 9)) << c.what;
        const float centre_x = c.viewport ? 50.0f : 320.0f;
        const float centre_y = c.viewport ? 25.0f : 240.0f;
        EXPECT_EQ(p.gfx_x, c.cursor_centred ? centre_x : 7.0f) << c.what;
        EXPECT_EQ(p.gfx_y, c.cursor_centred ? centre_y : 8.0f) << c.what;
        EXPECT_EQ(p.cursor_row, 3) << c.what;
        EXPECT_EQ(p.draw_angle, 0.0) << c.what;
        EXPECT_EQ(p.draw_scale, 1.0) << c.what;
    }
}

TEST_F(ClearScreen, TheGamesClearBlanksModeTwelveAndHomesBothCursors) {
    screen(12);
    set_color(7, 0, 0, FG | BG);
    fill_pixels(page(0), 7);
    locate(12, 40, 0, 0, 0, ROW | COLUMN);
    clear_screen(0, 0, 0);
    const ImageRecord& p = page(0);
    EXPECT_TRUE(holds_box(p, {0, 0, 639, 479}, 0, 0));
    EXPECT_EQ(p.cursor_row, 1);
    EXPECT_EQ(p.cursor_col, 1);
    EXPECT_EQ(p.gfx_x, 320.0f);
    EXPECT_EQ(p.gfx_y, 240.0f);
}

TEST_F(ClearScreen, WithWindowMappingTheGraphicsCursorIsScaledAndOffset) {
    screen(12);
    ImageRecord& p = page(0);
    p.coord_mode = 2;
    p.window_scale_x = 0.5f;
    p.window_scale_y = 2.0f;
    p.window_offset_x = 10;
    p.window_offset_y = -3;
    p.window_x2 = 1279;
    p.window_y2 = 239;
    clear_screen(0, 0, 0);
    EXPECT_EQ(p.gfx_x, 640 / 0.5f / 2 + 10);
    EXPECT_EQ(p.gfx_y, 480 / 2.0f / 2 - 3);
}

TEST_F(ClearScreen, ThirtyTwoBitImagesAreFilledWithBlendingOff) {
    struct Case {
        const char* what;
        int32_t region, presence;
        bool viewport;
        Box filled;
    };
    const Box view = {10, 5, 19, 14};
    const Box whole = {0, 0, 63, 47};
    const Case cases[] = {
        {"no region, no viewport", 0, 0, false, whole},
        {"no region, viewport", 0, 0, true, view},
        {"region 0", CLEAR_WHOLE_PAGE, REGION, true, whole},
        {"region 1", CLEAR_GRAPHICS_VIEWPORT, REGION, true, view},
        {"region 2: text row 2", CLEAR_TEXT_WINDOW, REGION, true, {0, 16, 63, 31}},
    };
    const uint32_t old_pixel = 0xFF00FF00;
    const uint32_t half_red = 0x80FF0000;
    for (const Case& c : cases) {
        fresh_write_page(32);
        ImageRecord& im = *write_page.image;
        fill_pixels(im, old_pixel);
        set_text_window(2, 2, GIVEN);
        if (c.viewport) set_viewport(im, view, view.x1, view.y1);
        clear_screen(c.region, half_red, c.presence | COLOUR);
        ASSERT_EQ(take_error(), 0) << c.what;
        EXPECT_TRUE(holds_box(im, c.filled, half_red, old_pixel)) << c.what;
        EXPECT_EQ(im.no_blend, 0) << c.what << ": blending is back on";
    }
}

TEST_F(ClearScreen, BadRegionsAndColoursChangeNothing) {
    struct Case {
        const char* what;
        int32_t mode;
        int32_t region;
        uint32_t colour;
        int32_t presence;
        uint32_t error;
    };
    const Case cases[] = {
        {"mode 12, region 3", 12, 3, 0, REGION, ILLEGAL},
        {"mode 12, region -1", 12, -1, 0, REGION, ILLEGAL},
        {"mode 12, colour 16", 12, 0, 16, COLOUR, ILLEGAL},
        {"mode 12, colour 15", 12, 0, 15, COLOUR, 0},
        {"mode 13, colour 256", 13, 0, 256, COLOUR, ILLEGAL},
        {"text, colour 65536", 0, 0, 0x10000, COLOUR, ILLEGAL},
        {"text, region 3", 0, 3, 0, REGION, ILLEGAL},
        {"32-bit, any colour", 32, 0, 0xFFFFFFFF, COLOUR, 0},
        {"region absent, its value ignored", 12, 99, 0, 0, 0},
    };
    for (const Case& c : cases) {
        fresh_write_page(c.mode);
        ImageRecord& p = *write_page.image;
        p.cursor_row = 3;
        p.cursor_col = 4;
        p.draw_scale = 2;
        clear_screen(c.region, c.colour, c.presence);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << c.what;
        const bool changed = c.error == 0;
        EXPECT_EQ(p.cursor_row, changed ? 1 : 3) << c.what;
        EXPECT_EQ(p.cursor_col, changed ? 1 : 4) << c.what;
        EXPECT_EQ(p.draw_scale, changed ? 1.0 : 2.0) << c.what;
    }
}

TEST_F(ClearScreen, ImagesSmallerThanACellClearOnlyTheirOwnPixels) {
    // A 32-bit image of 6 x 5 pixels has no whole text row, yet its text window is row 1,
    // whose 16-pixel band reaches past the buffer.
    const ImageHandle handle = create_image(6, 5, 32, GIVEN);
    set_dest(handle);
    for (int32_t region = 0; region <= 2; ++region) {
        clear_screen(region, 0xFF112233, REGION | COLOUR);
        EXPECT_EQ(take_error(), 0) << "region " << region;
    }
    EXPECT_TRUE(holds_box(image(handle), {0, 0, 5, 4}, 0xFF112233, 0));
}

// ---------------------------------------------------------------------------------------
// Cursor placement
// ---------------------------------------------------------------------------------------

TEST_F(CursorPlacement, ModeTwelveAcceptsItsGridAndTheLastRow) {
    struct Case {
        const char* what;
        int32_t row, column, visible, start, stop, presence;
        uint32_t error;
    };
    const int32_t shape = START | STOP;
    const Case cases[] = {
        {"row 30, the last row", 30, 0, 0, 0, 0, ROW, 0},
        {"row 29, the window's last", 29, 0, 0, 0, 0, ROW, 0},
        {"row 31", 31, 0, 0, 0, 0, ROW, ILLEGAL},
        {"row 0", 0, 0, 0, 0, 0, ROW, ILLEGAL},
        {"column 80", 0, 80, 0, 0, 0, COLUMN, 0},
        {"column 81", 0, 81, 0, 0, 0, COLUMN, ILLEGAL},
        {"column 0", 0, 0, 0, 0, 0, COLUMN, ILLEGAL},
        {"a good row with a bad column", 2, 81, 0, 0, 0, ROW | COLUMN, ILLEGAL},
        {"visible 2", 0, 0, 2, 0, 0, VISIBLE, ILLEGAL},
        {"visible -1", 0, 0, -1, 0, 0, VISIBLE, ILLEGAL},
        {"shape 0 to 31", 0, 0, 0, 0, 31, shape, 0},
        {"start 32", 0, 0, 0, 32, 0, START, ILLEGAL},
        {"stop -1", 0, 0, 0, 0, -1, STOP, ILLEGAL},
        {"a bad stop after a good row", 2, 0, 0, 0, 40, ROW | STOP, ILLEGAL},
    };
    screen(12);
    for (const Case& c : cases) {
        ImageRecord& p = page(0);
        p.cursor_row = 5;
        p.cursor_col = 5;
        p.cursor_start = 7;
        p.cursor_stop = 7;
        locate(c.row, c.column, c.visible, c.start, c.stop, c.presence);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << c.what;
        const bool moved = c.error == 0;
        EXPECT_EQ(p.cursor_row, moved && (c.presence & ROW) ? c.row : 5) << c.what;
        EXPECT_EQ(p.cursor_col, moved && (c.presence & COLUMN) ? c.column : 5) << c.what;
        EXPECT_EQ(p.cursor_stop, moved && (c.presence & STOP) ? c.stop : 7) << c.what;
    }
}

TEST_F(CursorPlacement, RowsOutsideTheTextWindowFailExceptTheLast) {
    screen(12);
    set_text_window(5, 10, GIVEN);
    const struct {
        int32_t row;
        uint32_t error;
    } cases[] = {{4, ILLEGAL}, {5, 0}, {10, 0}, {11, ILLEGAL}, {29, ILLEGAL}, {30, 0}};
    for (const auto& c : cases) {
        locate(c.row, 0, 0, 0, 0, ROW);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << "row " << c.row;
    }
}

TEST_F(CursorPlacement, ThePendingWrapIsClearedByAMoveAndShownByABarePlacement) {
    struct Case {
        const char* what;
        uint8_t before;
        int32_t presence;
        uint8_t after;
    };
    const Case cases[] = {
        {"bare placement shows it on the next line", 1, VISIBLE, 2},
        {"no arguments at all", 1, 0, 2},
        {"a row clears it", 1, ROW, 0},
        {"a column clears it", 2, COLUMN, 0},
        {"already shown stays shown", 2, VISIBLE, 2},
        {"none stays none", 0, VISIBLE, 0},
    };
    screen(12);
    for (const Case& c : cases) {
        page(0).wrap_pending = c.before;
        locate(3, 4, 1, 0, 0, c.presence);
        ASSERT_EQ(take_error(), 0) << c.what;
        EXPECT_EQ(page(0).wrap_pending, c.after) << c.what;
    }
}

TEST_F(CursorPlacement, VisibilityAndShapeGoToEveryScreenPage) {
    screen(12);
    ensure_page(1);
    ensure_page(2);
    set_screen_mode(0, 0, 2, 0, 0, SCREEN_ACTIVE_PAGE_GIVEN | SCREEN_VISUAL_PAGE_GIVEN);
    page(2).cursor_stop = 9;
    locate(0, 0, 1, 3, 0, VISIBLE | START);
    ASSERT_EQ(take_error(), 0);
    for (int32_t n = 0; n <= 2; ++n) {
        EXPECT_EQ(page(n).cursor_visible, 1) << "page " << n;
        EXPECT_EQ(page(n).cursor_start, 3) << "page " << n;
        EXPECT_EQ(page(n).cursor_stop, 9) << "page " << n << " takes the write page's stop";
    }

    // An image that is not a screen page keeps its cursor to itself.
    const ImageHandle handle = create_image(80, 25, 0, GIVEN);
    set_dest(handle);
    locate(0, 0, 0, 5, 6, VISIBLE | START | STOP);
    ASSERT_EQ(take_error(), 0);
    EXPECT_EQ(image(handle).cursor_start, 5);
    EXPECT_EQ(page(0).cursor_visible, 1);
    EXPECT_EQ(page(0).cursor_start, 3);
}

TEST_F(CursorPlacement, TheFirstRowBelowTheStartUpScreenMakesItTallKeepingItsText) {
    std::memcpy(low_memory + 0xB8000,
                "H\x1E"
                "i\x1E",
                4);
    std::memcpy(low_memory + 0xB8000 + 24 * 160, "E\x1F", 2);  // row 25
    set_color(14, 1, 0, FG | BG);
    locate(26, 3, 0, 0, 0, ROW | COLUMN);
    ASSERT_EQ(take_error(), 0);
    const ImageRecord& p = *write_page.image;
    EXPECT_EQ(write_page.slot, page_table.slots[0]);
    EXPECT_EQ(p.width, 80);
    EXPECT_EQ(p.height, 50);
    EXPECT_EQ(video_address(p), 0xB8000);
    EXPECT_EQ(cell_at(p, 1, 1), 0x1E48);
    EXPECT_EQ(cell_at(p, 1, 2), 0x1E69);
    EXPECT_EQ(cell_at(p, 25, 1), 0x1F45);
    EXPECT_EQ(cell_at(p, 26, 1), BLANK_CELL) << "rows below the old screen start blank";
    EXPECT_EQ(p.cursor_row, 26);
    EXPECT_EQ(p.cursor_col, 3);
    EXPECT_EQ(p.fg, 14);
    EXPECT_EQ(p.bg, 1u);
    EXPECT_EQ(auto_tall_text, 0);
}

TEST_F(CursorPlacement, TheTallSwitchHappensAtMostOnce) {
    struct Case {
        const char* what;
        void (*before)();
        int32_t row, column, presence;
    };
    const Case cases[] = {
        {"after a screen-mode statement",
         [] {
             set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
             set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
         },
         26, 0, ROW},
        {"after the switch and back",
         [] {
             locate(26, 0, 0, 0, 0, ROW);
             set_width(0, 80, 25, WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
         },
         26, 0, ROW},
        {"after a row above 50 failed", [] { locate(51, 0, 0, 0, 0, ROW); }, 26, 0, ROW},
        {"after a bad column failed", [] { locate(26, 81, 0, 0, 0, ROW | COLUMN); }, 26, 0, ROW},
    };
    for (const Case& c : cases) {
        screen_start_up();
        c.before();
        take_error();
        locate(c.row, c.column, 0, 0, 0, c.presence);
        EXPECT_EQ(take_error(), static_cast<int32_t>(ILLEGAL)) << c.what;
        EXPECT_EQ(image_text_rows(*write_page.image), 25) << c.what;
    }
}

// ---------------------------------------------------------------------------------------
// The text window
// ---------------------------------------------------------------------------------------

TEST_F(TextWindow, BoundsMustLieOnThePageInOrder) {
    struct Case {
        int32_t top, bottom;
        uint32_t error;
    };
    const Case cases[] = {
        {0, 10, ILLEGAL}, {1, 31, ILLEGAL}, {6, 5, ILLEGAL}, {-1, 5, ILLEGAL},
        {1, 30, 0},       {30, 30, 0},      {7, 9, 0},
    };
    screen(12);
    for (const Case& c : cases) {
        ImageRecord& p = page(0);
        p.text_top = 2;
        p.text_bottom = 3;
        p.cursor_row = 3;
        p.cursor_col = 9;
        p.wrap_pending = 1;
        set_text_window(c.top, c.bottom, GIVEN);
        EXPECT_EQ(take_error(), static_cast<int32_t>(c.error)) << c.top << "-" << c.bottom;
        const bool set = c.error == 0;
        EXPECT_EQ(p.text_top, set ? c.top : 2) << c.top << "-" << c.bottom;
        EXPECT_EQ(p.text_bottom, set ? c.bottom : 3) << c.top << "-" << c.bottom;
        EXPECT_EQ(p.cursor_row, set ? c.top : 3) << c.top << "-" << c.bottom;
        EXPECT_EQ(p.cursor_col, set ? 1 : 9) << c.top << "-" << c.bottom;
        EXPECT_EQ(p.wrap_pending, set ? 0 : 1) << c.top << "-" << c.bottom;
    }
}

TEST_F(TextWindow, WithoutArgumentsTheWholePageScrolls) {
    ImageRecord& p = page(0);
    set_text_window(5, 6, GIVEN);
    set_text_window(0, 0, OMITTED);
    EXPECT_EQ(p.text_top, 1);
    EXPECT_EQ(p.text_bottom, 25) << "one row more than a fresh page";
    EXPECT_EQ(p.cursor_row, 1);

    p.pixels[0] = 'A';
    p.pixels[2 * 80] = 'B';
    locate(25, 1, 0, 0, 0, ROW | COLUMN);
    print_newline();
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(p.pixels[0], 'B') << "row 1 scrolled away";
    EXPECT_EQ(p.cursor_row, 25);
}
