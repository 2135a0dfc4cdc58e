#include "runtime/screen/images.h"

#include <climits>
#include <cstring>
#include <vector>

#include "runtime/display/display.h"
#include "tests/screen/screen_fixture.h"

using ImageTableTest = ScreenTest;
using Images = ScreenTest;
using Selections = ScreenTest;

// ---------------------------------------------------------------------------------------
// The table
// ---------------------------------------------------------------------------------------

TEST_F(ImageTableTest, SlotsZeroAndOneAreNeverHandedOut) {
    EXPECT_EQ(image_at(0)->valid, 0);
    EXPECT_EQ(image_at(1)->valid, 0);
    for (int i = 0; i < 20; ++i)
        EXPECT_GE(image_slot_new(), 2);
    for (ImageHandle handle : {-1, 0}) {
        set_dest(handle);
        EXPECT_EQ(take_error(), handle == -1 ? 258 : 0) << handle;
    }
    EXPECT_EQ(image_slot_free(0), 0);
    EXPECT_EQ(image_slot_free(1), 0);
}

TEST_F(ImageTableTest, FreedSlotsAreHandedOutAgainFirst) {
    const int32_t first = image_slot_new();
    const int32_t second = image_slot_new();
    EXPECT_EQ(image_slot_free(first), 1);
    EXPECT_EQ(image_slot_free(first), 0) << "a slot is freed once";
    EXPECT_EQ(image_at(first)->valid, 0);
    EXPECT_EQ(image_slot_new(), first);
    EXPECT_EQ(image_slot_new(), second + 1);
    EXPECT_EQ(image_slot_free(image_table.capacity), 0);
}

TEST_F(ImageTableTest, FreeingASlotReleasesItsLock) {
    const int32_t slot = image_slot_new();
    LockRecord* lock = lock_take();
    lock->kind = 2;
    image_at(slot)->lock = lock;
    image_at(slot)->lock_id = lock->identity;
    image_slot_free(slot);
    EXPECT_EQ(lock->identity, 0u);
}

TEST_F(ImageTableTest, GrowthKeepsEverySelectionOnItsImage) {
    const ImageHandle dest = create_image(2, 2, 13, GIVEN);
    set_dest(dest);
    const int32_t shown = display_page_slot.load();
    std::vector<ImageHandle> handles;
    while (image_table.handed_out < IMAGE_SLOT_GROWTH + 10)
        handles.push_back(create_image(1, 1, 13, GIVEN));
    EXPECT_EQ(image_table.capacity, 2 * IMAGE_SLOT_GROWTH);
    EXPECT_EQ(write_page.image, image_at(-dest));
    EXPECT_EQ(source_image.image, image_at(source_image.slot));
    EXPECT_EQ(display_page.load(), image_at(shown));
    EXPECT_EQ(handles.back(), -(IMAGE_SLOT_GROWTH + 9));
    EXPECT_EQ(image(handles.back()).width, 1);
}

TEST_F(ImageTableTest, ImageOverBufferRefusesEmptySizesAndUnknownModes) {
    uint8_t buffer[16];
    struct Case {
        int32_t width, height, mode;
    };
    const Case cases[] = {{0, 4, 13}, {4, 0, 13}, {-1, 4, 13}, {4, 4, 3}, {4, 4, 14}, {4, 4, 64}};
    const int32_t before = image_table.handed_out;
    for (const Case& c : cases) {
        EXPECT_EQ(image_over_buffer(buffer, c.width, c.height, c.mode), 0)
            << c.width << "x" << c.height << " mode " << c.mode;
    }
    EXPECT_EQ(image_table.handed_out, before) << "no slot is used up";
}

// ---------------------------------------------------------------------------------------
// Images
// ---------------------------------------------------------------------------------------

TEST_F(Images, NewImagesFollowTheirModesRules) {
    struct Case {
        int32_t mode;
        int32_t bits, bytes, font, fg;
        uint32_t bg, colour_mask;
        int32_t text_bottom;  // for a 320x200 image (or 40x25 cells)
    };
    const Case cases[] = {
        {0, 16, 2, 16, 7, 0, 0xFFFF, 24}, {1, 2, 1, 8, 3, 0, 3, 24},
        {2, 1, 1, 8, 1, 0, 1, 24},        {7, 4, 1, 8, 15, 0, 15, 24},
        {8, 4, 1, 8, 15, 0, 15, 24},      {9, 4, 1, 14, 15, 0, 15, 13},
        {10, 2, 1, 14, 3, 0, 3, 13},      {11, 1, 1, 16, 1, 0, 1, 11},
        {12, 4, 1, 16, 15, 0, 15, 11},    {13, 8, 1, 8, 15, 0, 255, 24},
        {256, 8, 1, 16, 15, 0, 255, 11},  {32, 32, 4, 16, -1, 0xFF000000, 0xFFFFFFFF, 11},
    };
    for (const Case& c : cases) {
        const bool text = c.mode == 0;
        const ImageRecord& im =
            image(create_image(text ? 40 : 320, text ? 25 : 200, c.mode, GIVEN));
        EXPECT_EQ(im.bits_per_pixel, c.bits) << "mode " << c.mode;
        EXPECT_EQ(im.bytes_per_pixel, c.bytes) << "mode " << c.mode;
        EXPECT_EQ(im.font, c.font) << "mode " << c.mode;
        EXPECT_EQ(im.fg, c.fg) << "mode " << c.mode;
        EXPECT_EQ(im.bg, c.bg) << "mode " << c.mode;
        EXPECT_EQ(im.draw_colour, static_cast<uint32_t>(c.fg)) << "mode " << c.mode;
        EXPECT_EQ(im.colour_mask, c.colour_mask) << "mode " << c.mode;
        EXPECT_EQ(im.text_bottom, c.text_bottom) << "mode " << c.mode;
        EXPECT_EQ(im.text_mode, text ? 1 : 0) << "mode " << c.mode;
        EXPECT_EQ(im.compat_mode, c.mode);
        EXPECT_EQ(im.transparent, c.mode == 32 ? 0 : -1) << "mode " << c.mode;
        EXPECT_EQ(im.image_flags, c.mode == 32 ? PIXELS_OWNED : PIXELS_OWNED | PALETTE_OWNED);
        EXPECT_EQ(im.print_mode, PRINT_FILL_BACKGROUND);
        EXPECT_EQ(im.cursor_col, 1);
        EXPECT_EQ(im.cursor_row, 1);
        EXPECT_EQ(im.text_top, 1);
        EXPECT_EQ(im.draw_scale, 1.0);
    }
}

TEST_F(Images, PixelImagesStartWithTheirWholeAreaAsViewportAndWindow) {
    const ImageRecord& im = image(create_image(100, 50, 12, GIVEN));
    EXPECT_EQ(im.gfx_x, 50.0f);
    EXPECT_EQ(im.gfx_y, 25.0f);
    EXPECT_EQ(im.view_x1, 0);
    EXPECT_EQ(im.view_x2, 99);
    EXPECT_EQ(im.view_y2, 49);
    EXPECT_EQ(im.window_scale_x, 1.0f);
    EXPECT_EQ(im.window_x2, 99.0f);
    EXPECT_EQ(im.window_y2, 49.0f);
    EXPECT_EQ(im.coord_mode, 0);
    EXPECT_EQ(im.text_bottom, 2) << "50 / 16 = 3 rows";
}

TEST_F(Images, TextImagesStartBlankWithAHiddenCursor) {
    const ImageRecord& im = image(create_image(40, 10, 0, GIVEN));
    for (int32_t i = 0; i < 40 * 10; ++i) {
        ASSERT_EQ(im.pixels[2 * i], 0x20) << "cell " << i;
        ASSERT_EQ(im.pixels[2 * i + 1], 0x07) << "cell " << i;
    }
    EXPECT_EQ(im.cursor_visible, 0);
    EXPECT_EQ(im.cursor_start, 4);
    EXPECT_EQ(im.cursor_stop, 4);
}

TEST_F(Images, TinyImagesKeepATextWindowOfOneRow) {
    EXPECT_EQ(image(create_image(8, 8, 12, GIVEN)).text_bottom, 1);
    EXPECT_EQ(image(create_image(1, 1, 0, GIVEN)).text_bottom, 1);
}

TEST_F(Images, CreateImageWithoutAModeContinuesTheWritePage) {
    screen(12);
    ImageRecord& page0 = page(0);
    page0.palette[3] = 0xFF123456;
    page0.palette[200] = 0xFF654321;
    page0.fg = 9;
    page0.bg = 2;
    page0.transparent = 4;
    page0.no_blend = 1;
    page0.print_mode = PRINT_KEEP_BACKGROUND;
    const ImageHandle handle = create_image(100, 50, 0, OMITTED);
    EXPECT_LT(handle, -1);
    const ImageRecord& im = image(handle);
    EXPECT_EQ(im.compat_mode, 12);
    EXPECT_EQ(im.bits_per_pixel, 4);
    EXPECT_NE(im.palette, page(0).palette) << "a copy, not the page's own";
    EXPECT_EQ(std::memcmp(im.palette, page(0).palette, 256 * 4), 0);
    EXPECT_EQ(im.fg, 9);
    EXPECT_EQ(im.bg, 2u);
    EXPECT_EQ(im.transparent, 4);
    EXPECT_EQ(im.no_blend, 1);
    EXPECT_EQ(im.print_mode, PRINT_KEEP_BACKGROUND);
    EXPECT_EQ(im.font, 16);
}

TEST_F(Images, CreateImageWithoutAModeTakesTheWritePagesFont) {
    screen(12);
    set_font(8, 0, OMITTED);
    const ImageRecord& im = image(create_image(64, 64, 0, OMITTED));
    EXPECT_EQ(im.font, 8);
    EXPECT_EQ(im.text_bottom, 7);
}

TEST_F(Images, CreateImageRejectsBadSizesAndModes) {
    struct Case {
        int32_t width, height, mode;
        Given given;
    };
    const Case cases[] = {
        {0, 10, 12, GIVEN},    {10, 0, 12, GIVEN},    {-5, 10, 0, OMITTED}, {10, 10, 3, GIVEN},
        {10, 10, 6, GIVEN},    {10, 10, 14, GIVEN},   {10, 10, -1, GIVEN},  {10, 10, 31, GIVEN},
        {70000, 1, 13, GIVEN}, {1, 65536, 13, GIVEN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(create_image(c.width, c.height, c.mode, c.given), -1)
            << c.width << "x" << c.height << " mode " << c.mode;
        EXPECT_EQ(take_error(), 5) << c.width << "x" << c.height << " mode " << c.mode;
    }
}

// Buffers beyond what the machine could back count as memory that ran out: the program
// gets -1 and goes on, instead of being killed when the buffer is first filled.
TEST_F(Images, ImagesTooLargeToBackAreMemoryThatRanOut) {
    const int32_t slots_before = image_table.handed_out;
    EXPECT_EQ(create_image(65535, 65535, 32, GIVEN), -1);
    EXPECT_EQ(create_image(65535, 65535, 0, GIVEN), -1);
    EXPECT_EQ(take_error(), 0) << "running out of memory is not an error of the statement";
    EXPECT_LT(create_image(8192, 8192, 32, GIVEN), -1) << "the largest that may be had";
    EXPECT_LE(image_table.handed_out, slots_before + 1) << "failed images give their slots back";
}

TEST_F(Images, FreeingTheWritePageMakesTheDisplayPageTheWritePage) {
    screen(12);
    const ImageHandle handle = create_image(10, 10, 0, OMITTED);
    set_dest(handle);
    set_source(handle);
    free_image(handle, GIVEN);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(write_page.slot, page_table.slots[0]);
    EXPECT_EQ(source_image.slot, page_table.slots[0]);
    set_dest(handle);
    EXPECT_EQ(take_error(), 258) << "the handle no longer names an image";
}

TEST_F(Images, FreeImageWithoutAHandleFreesTheWritePage) {
    const ImageHandle handle = create_image(10, 10, 13, GIVEN);
    set_dest(handle);
    free_image(0, OMITTED);
    EXPECT_EQ(image_at(-handle)->valid, 0);
    EXPECT_EQ(get_dest(), -page_table.slots[0]);
}

TEST_F(Images, FreeImageRefusesScreenPagesAndBadHandles) {
    const ImageHandle page0 = -page_table.slots[0];
    struct Case {
        ImageHandle handle;
        Given given;
        int32_t error;
    };
    const Case cases[] = {
        {page0, GIVEN, 5}, {0, OMITTED, 5},     {3, GIVEN, 5},
        {-1, GIVEN, 258},  {-9999, GIVEN, 258}, {INT_MIN, GIVEN, 258},
    };
    for (const Case& c : cases) {
        free_image(c.handle, c.given);
        EXPECT_EQ(take_error(), c.error) << c.handle;
    }
    EXPECT_EQ(page(0).valid, 1);
}

TEST_F(Images, FreeAllImagesKeepsScreenPages) {
    screen(12);
    ensure_page(2);
    const ImageHandle a = create_image(10, 10, 13, GIVEN);
    const ImageHandle b = create_image(10, 10, 32, GIVEN);
    set_dest(b);
    free_all_images();
    EXPECT_EQ(image_at(-a)->valid, 0);
    EXPECT_EQ(image_at(-b)->valid, 0);
    EXPECT_EQ(page(0).valid, 1);
    EXPECT_EQ(page(2).valid, 1);
    EXPECT_EQ(write_page.slot, page_table.slots[0]) << "the write page fell back to the display";
}

TEST_F(Images, ResetClearsTheBufferAndRestoresDefaults) {
    const ImageHandle handle = create_image(4, 4, 13, GIVEN);
    ImageRecord& im = image(handle);
    std::memset(im.pixels, 9, 16);
    im.fg = 3;
    im.cursor_row = 5;
    im.coord_mode = 2;
    image_reset(-handle);
    EXPECT_EQ(im.pixels[15], 0);
    EXPECT_EQ(im.fg, 15);
    EXPECT_EQ(im.cursor_row, 1);
    EXPECT_EQ(im.coord_mode, 0);
    EXPECT_EQ(im.image_flags, PIXELS_OWNED | PALETTE_OWNED);
}

// ---------------------------------------------------------------------------------------
// Selections and fonts
// ---------------------------------------------------------------------------------------

TEST_F(Selections, PageNumbersAreMadeToExistOnFirstUse) {
    screen(12);
    set_dest(3);
    EXPECT_EQ(take_error(), 0);
    ASSERT_EQ(page_table.size, 4);
    EXPECT_EQ(page_table.slots[1], 0) << "pages in between are not made";
    const ImageRecord& page3 = *image_at(page_table.slots[3]);
    EXPECT_EQ(page3.image_flags & SCREEN_PAGE, SCREEN_PAGE);
    EXPECT_EQ(page3.palette, page(0).palette);
    EXPECT_EQ(page3.width, 640);
    EXPECT_EQ(get_dest(), -page_table.slots[3]);
    set_source(-page_table.slots[3]);
    EXPECT_EQ(get_source(), -page_table.slots[3]);
}

TEST_F(Selections, NewPagesTakeTheirModesColoursNotPageZeros) {
    screen(12);
    page(0).fg = 4;
    page(0).font = 8;
    const ImageRecord& page1 = page(1);
    EXPECT_EQ(page1.fg, 15);
    EXPECT_EQ(page1.font, 8) << "the font follows page 0";
    EXPECT_EQ(page1.text_bottom, 59);
}

TEST_F(Selections, HandlesThatNameNoImageFailWithInvalidHandle) {
    const ImageHandle freed = create_image(2, 2, 13, GIVEN);
    free_image(freed, GIVEN);
    for (ImageHandle handle : {-1, freed, -image_table.handed_out, INT_MIN}) {
        set_dest(handle);
        EXPECT_EQ(take_error(), 258) << handle;
        set_source(handle);
        EXPECT_EQ(take_error(), 258) << handle;
        set_font(8, handle, GIVEN);
        EXPECT_EQ(take_error(), 258) << handle;
    }
}

TEST_F(Selections, SetFontAcceptsOnlyFontsThatExist) {
    screen(12);
    for (int32_t font : {0, 7, 10, 13, 18, 32, 48, 49, -1}) {
        set_font(font, 0, OMITTED);
        EXPECT_EQ(take_error(), 258) << font;
    }
    EXPECT_EQ(page(0).font, 16);
}

TEST_F(Selections, SetFontOnAPixelPageRestartsTheTextWindow) {
    screen(12);
    page(0).cursor_row = 12;
    set_font(8, 0, OMITTED);
    EXPECT_EQ(page(0).font, 8);
    EXPECT_EQ(page(0).cursor_row, 1);
    EXPECT_EQ(page(0).text_bottom, 59);
}

TEST_F(Selections, SetFontOnATextScreenChangesEveryPage) {
    set_font(8, 0, OMITTED);
    for (int32_t n = 0; n < 8; ++n)
        EXPECT_EQ(page(n).font, 8) << "page " << n;
    EXPECT_EQ(previous_frame_valid.load(), 0);
}

TEST_F(Selections, SetFontOnATextImageChangesOnlyIt) {
    const ImageHandle handle = create_image(80, 25, 0, GIVEN);
    set_font(14, handle, GIVEN);
    EXPECT_EQ(image(handle).font, 14);
    EXPECT_EQ(page(0).font, 16);
}

TEST_F(Selections, TextPagesRefuseFontsWithoutTheMonospaceStyle) {
    font_style[14] = 0;
    set_font(14, 0, OMITTED);
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(page(0).font, 16);
    const ImageHandle handle = create_image(64, 64, 12, GIVEN);
    set_font(14, handle, GIVEN);
    EXPECT_EQ(take_error(), 0) << "pixel pages take any font";
}

TEST_F(Selections, StatementsDoNothingWhileAnErrorIsPending) {
    raise_error(6);
    const int32_t before = image_table.handed_out;
    EXPECT_EQ(create_image(10, 10, 13, GIVEN), -1);
    screen(12);
    set_width(0, 80, 50, 3);
    EXPECT_EQ(image_table.handed_out, before);
    EXPECT_EQ(page(0).compat_mode, 0);
    EXPECT_EQ(take_error(), 6);
}
