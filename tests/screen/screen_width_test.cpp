#include <cstring>

#include "tests/screen/screen_fixture.h"

using ScreenWidth = ScreenTest;

namespace {

constexpr int32_t BOTH = WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN;
constexpr int32_t COLUMNS = WIDTH_COLUMNS_GIVEN;
constexpr int32_t ROWS = WIDTH_ROWS_GIVEN;

}  // namespace

TEST_F(ScreenWidth, EveryPathEndsInItsModeGridAndFont) {
    struct Case {
        const char* path;
        int32_t start_mode;
        int32_t columns, rows, presence;
        int32_t mode, grid_columns, grid_rows, font;
    };
    const Case cases[] = {
        {"text to 80x50", 0, 80, 50, BOTH, 0, 80, 50, 8},
        {"text rows alone", 0, 0, 50, ROWS, 0, 80, 50, 8},
        {"text to 80x43", 0, 80, 43, BOTH, 0, 80, 43, 14},
        {"text to 40 columns", 0, 40, 0, COLUMNS, 0, 40, 25, 17},
        {"text to 40x50", 0, 40, 50, BOTH, 0, 40, 50, 9},
        {"text to 80x30", 0, 80, 30, BOTH, 0, 80, 30, 16},
        {"mode 12 to 60 rows", 12, 0, 60, ROWS, 12, 80, 60, 8},
        {"mode 12 unchanged", 12, 80, 30, BOTH, 12, 80, 30, 16},
        {"mode 11 to 60 rows", 11, 80, 60, BOTH, 11, 80, 60, 8},
        {"mode 9 to 43 rows", 9, 0, 43, ROWS, 9, 80, 43, 8},
        {"mode 10 to 25 rows", 10, 80, 25, BOTH, 10, 80, 25, 14},
        {"mode 13 unchanged", 13, 40, 25, BOTH, 13, 40, 25, 8},
        {"mode 1 unchanged", 1, 40, 0, COLUMNS, 1, 40, 25, 8},
        {"mode 12 falls back to 80x25 text", 12, 0, 25, ROWS, 0, 80, 25, 16},
        {"mode 12 falls back to 80x50 text", 12, 80, 50, BOTH, 0, 80, 50, 8},
        {"mode 12 falls back to 40x25 text", 12, 40, 0, COLUMNS, 0, 40, 25, 17},
        {"mode 10 falls back to 80x50 text", 10, 0, 50, ROWS, 0, 80, 50, 8},
        {"mode 13 falls back to 80x25 text", 13, 80, 0, COLUMNS, 0, 80, 25, 16},
        {"mode 13 falls back to 40x43 text", 13, 0, 43, ROWS, 0, 40, 43, 15},
        {"mode 2 falls back to 40x25 text", 2, 40, 25, BOTH, 0, 40, 25, 17},
    };
    for (const Case& c : cases) {
        screen(c.start_mode);
        set_width(0, c.columns, c.rows, c.presence);
        EXPECT_EQ(take_error(), 0) << c.path;
        const ImageRecord& p = page(0);
        EXPECT_EQ(p.compat_mode, c.mode) << c.path;
        EXPECT_EQ(image_text_columns(p), c.grid_columns) << c.path;
        EXPECT_EQ(image_text_rows(p), c.grid_rows) << c.path;
        EXPECT_EQ(p.font, c.font) << c.path;
        EXPECT_EQ(p.text_bottom, c.grid_rows - 1) << c.path;
        EXPECT_EQ(pending_cols, -1) << c.path;
        screen(0);
        set_width(0, 80, 25, BOTH);  // back to the start-up screen
        ASSERT_EQ(take_error(), 0) << c.path;
    }
}

TEST_F(ScreenWidth, ATallTextScreenUsesEightThousandBytePagesInVideoMemory) {
    set_width(0, 80, 50, BOTH);
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(video_address(page(i)), 0xB8000 + 8000 * i) << "page " << i;
        EXPECT_EQ(page(i).font, 8) << "page " << i;
    }
}

TEST_F(ScreenWidth, TextPagesBeyondSixtyFourKilobytesOwnTheirBuffers) {
    set_width(0, 80, 60, BOTH);
    // 9 600-byte pages: six fit in video memory.
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(video_address(page(i)), i < 6 ? 0xB8000 + 9600 * i : -1) << "page " << i;
        EXPECT_EQ(page(i).image_flags & PIXELS_OWNED, i < 6 ? 0u : PIXELS_OWNED) << "page " << i;
    }
    EXPECT_EQ(page(7).pixels[1], 0x07) << "owned pages start blank too";
}

TEST_F(ScreenWidth, TheSameTextGridAgainRebuildsNothing) {
    page(0).cursor_row = 7;
    set_width(0, 80, 25, BOTH);
    EXPECT_EQ(page(0).cursor_row, 7);
}

TEST_F(ScreenWidth, ANewTextScreenFollowsTheGridOfTheScreenItReplaces) {
    struct Case {
        int32_t mode;
        int32_t rows;  // given to the width statement first when not 0
        int32_t columns, text_rows, font;
    };
    const Case cases[] = {
        {10, 0, 80, 25, 16}, {9, 43, 80, 43, 8},   {10, 0, 80, 43, 8},  {13, 0, 40, 25, 17},
        {1, 0, 40, 25, 17},  {12, 60, 80, 25, 16}, {12, 0, 80, 25, 16},
    };
    for (const Case& c : cases) {
        screen(c.mode);
        if (c.rows != 0) set_width(0, 0, c.rows, ROWS);
        screen(0);
        EXPECT_EQ(take_error(), 0) << "from mode " << c.mode;
        EXPECT_EQ(page(0).width, c.columns) << "from mode " << c.mode;
        EXPECT_EQ(page(0).height, c.text_rows) << "from mode " << c.mode;
        EXPECT_EQ(page(0).font, c.font) << "from mode " << c.mode;
    }
}

TEST_F(ScreenWidth, RefontingAPixelScreenKeepsColoursAndDropsOtherPages) {
    screen(12);
    ensure_page(1);
    ensure_page(2);
    set_screen_mode(0, 0, 0, 2, 0, SCREEN_VISUAL_PAGE_GIVEN);
    ImageRecord& p = page(0);
    p.fg = 5;
    p.bg = 1;
    p.pixels[100] = 3;
    p.window_x1 = -10;
    p.coord_mode = 2;
    set_width(0, 80, 60, BOTH);
    EXPECT_EQ(page_table.slots[1], 0);
    EXPECT_EQ(page_table.slots[2], 0);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[0]) << "the display fell back";
    EXPECT_EQ(p.font, 8);
    EXPECT_EQ(p.fg, 5);
    EXPECT_EQ(p.bg, 1u);
    EXPECT_EQ(p.pixels[100], 0) << "the page is cleared";
    EXPECT_EQ(p.window_x1, -10.0f) << "the window corners stay";
    EXPECT_EQ(p.coord_mode, 0) << "but window mapping is off";
}

TEST_F(ScreenWidth, ImagesOfModes256And32TakeTheSizeOfTheirGrid) {
    struct Case {
        int32_t mode;
        int32_t columns, rows, presence;
        int32_t width, height;
    };
    const Case cases[] = {
        {256, 20, 10, BOTH, 160, 160},
        {256, 5, 0, COLUMNS, 40, 48},
        {32, 0, 2, ROWS, 100, 32},
        {32, 100, 30, BOTH, 800, 480},
    };
    for (const Case& c : cases) {
        const ImageHandle handle = create_image(100, 48, c.mode, GIVEN);
        image(handle).fg = 9;
        image(handle).pixels[0] = 1;
        set_dest(handle);
        set_width(0, c.columns, c.rows, c.presence);
        EXPECT_EQ(take_error(), 0) << "mode " << c.mode;
        const ImageRecord& im = image(handle);
        EXPECT_EQ(im.width, c.width) << "mode " << c.mode;
        EXPECT_EQ(im.height, c.height) << "mode " << c.mode;
        EXPECT_EQ(im.fg, 9) << "mode " << c.mode;
        EXPECT_EQ(im.pixels[0], 0) << "mode " << c.mode;
        EXPECT_EQ(im.pixels[static_cast<size_t>(c.width) * c.height * im.bytes_per_pixel - 1], 0);
        EXPECT_EQ(page(0).compat_mode, 0) << "the screen is left alone";
    }
}

TEST_F(ScreenWidth, BadRequestsFailWithIllegalFunctionCall) {
    struct Case {
        const char* what;
        int32_t start_mode, device, columns, rows, presence;
    };
    const Case cases[] = {
        {"no size", 0, 0, 80, 25, 0},
        {"zero columns", 0, 0, 0, 25, BOTH},
        {"negative rows", 0, 0, 80, -1, ROWS},
        {"too many columns", 0, 0, 70000, 25, BOTH},
        {"other device", 0, 1, 80, 25, BOTH},
        {"mode 12, 33 rows", 12, 0, 0, 33, ROWS},
        {"mode 12, 100 columns", 12, 0, 100, 0, COLUMNS},
        {"mode 13, 60 columns and 25 rows", 13, 0, 60, 25, BOTH},
        {"mode 9, 80 columns and 26 rows", 9, 0, 80, 26, BOTH},
        {"printer with rows", 0, 2, 80, 10, BOTH},
        {"printer width 0", 0, 2, 0, 0, COLUMNS},
        {"printer width 256", 0, 2, 256, 0, COLUMNS},
    };
    for (const Case& c : cases) {
        screen(c.start_mode);
        const int32_t slot = page_table.slots[0];
        set_width(c.device, c.columns, c.rows, c.presence);
        EXPECT_EQ(take_error(), 5) << c.what;
        EXPECT_EQ(page_table.slots[0], slot) << c.what;
        EXPECT_EQ(page(0).compat_mode, c.start_mode) << c.what;
    }
    EXPECT_EQ(printer_line_width, 80);
}

// A grid whose screen could not be backed is refused before the old screen goes.
TEST_F(ScreenWidth, GridsTooLargeToBackFailWithOutOfMemory) {
    set_width(0, 65535, 65535, BOTH);
    EXPECT_EQ(take_error(), 7);
    EXPECT_EQ(page(0).width, 80);
    EXPECT_EQ(page(0).height, 25);

    const ImageHandle image = create_image(640, 480, 32, GIVEN);
    set_dest(image);
    set_width(0, 4000, 4000, BOTH);  // 32000 x 64000 pixels in font 16
    EXPECT_EQ(take_error(), 7);
    EXPECT_EQ(image_at(-image)->width, 640) << "unchanged";
}

TEST_F(ScreenWidth, PrinterWidthIsSetByDeviceTwo) {
    set_width(2, 132, 0, COLUMNS);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(printer_line_width, 132);
    EXPECT_EQ(auto_tall_text, 1) << "only the screen's width statement ends the permission";
}

TEST_F(ScreenWidth, TheScreensWidthStatementEndsTheTallTextPermission) {
    set_width(0, 0, 0, 0);
    take_error();
    EXPECT_EQ(auto_tall_text, 0);
}
