#include <cmath>
#include <cstdint>

#include "runtime/graphics/graphics.h"
#include "tests/graphics/pixel_checks.h"
#include "tests/screen/screen_fixture.h"

using Blending = ScreenTest;
using PixelStores = ScreenTest;
using FilledBoxes = ScreenTest;

namespace {

// A 32-bit image as the write page, every pixel set to background.
ImageRecord& select_32_bit_image(int32_t width, int32_t height, uint32_t background) {
    const ImageHandle handle = create_image(width, height, 32, GIVEN);
    set_dest(handle);
    ImageRecord& im = *write_page.image;
    fill_pixels(im, background);
    return im;
}

}  // namespace

TEST_F(Blending, TheDocumentedCasesAndTheHalfTransparentShortcut) {
    struct Case {
        const char* what;
        uint32_t colour, pixel, expected;
    };
    const Case cases[] = {
        {"half white over opaque black", 0x80FFFFFF, 0xFF000000, 0xFF7F7F7F},
        {"transparent leaves the pixel", 0x00123456, 0xFFABCDEF, 0xFFABCDEF},
        {"opaque replaces the pixel", 0xFF123456, 0x40ABCDEF, 0xFF123456},
        {"quarter red over opaque blue", 0x40FF0000, 0xFF0000FF, 0xFF4000BF},
        // The shortcut drops the low bit of both channels before averaging: 3 and 1 give
        // 1, not 2; its alpha is row 127 of the alpha table over a transparent pixel.
        {"alpha 127 averages without low bits", 0x7F030507, 0x00010101, 0x7F010203},
        {"alpha 128 over a transparent pixel", 0x80030507, 0x00010101, 0x80010203},
        {"a colour over a transparent pixel keeps its alpha", 0x40FF0000, 0x00000000, 0x40400000},
        {"three-quarter over half", 0xC0102030, 0x80F0E0D0, 0xE0474F58},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(blend_pixel(c.colour, c.pixel), c.expected) << c.what;
    }
}

TEST_F(Blending, GeneralAlphasMixEachChannelToTheNearestValue) {
    // The exact mix of channel s over d at alpha a is d + a (s - d) / 255, never a tie, so
    // the stored channel is the integer nearest to it; the alpha is what shows through
    // neither, 255 - (255 - a)(255 - b) / 255, rounded.
    const uint32_t levels[] = {0, 1, 2, 64, 127, 128, 200, 254, 255};
    for (uint32_t a = 1; a < 255; ++a) {
        if (a == 127 || a == 128) continue;
        for (uint32_t s : levels) {
            for (uint32_t d : levels) {
                const uint32_t colour = a << 24 | s << 16 | d << 8 | s;
                const uint32_t pixel = d << 24 | d << 16 | s << 8 | d;
                const uint32_t got = blend_pixel(colour, pixel);
                const double red = d + a * (static_cast<double>(s) - d) / 255;
                const double green = s + a * (static_cast<double>(d) - s) / 255;
                const uint32_t through = (255 - a) * (255 - d);
                const uint32_t alpha = 255 - (through + 127) / 255;
                const auto near = [](double v) { return static_cast<uint32_t>(std::lround(v)); };
                EXPECT_EQ(got >> 16 & 0xFF, near(red)) << "a " << a << " s " << s << " d " << d;
                EXPECT_EQ(got >> 8 & 0xFF, near(green)) << "a " << a << " s " << s << " d " << d;
                EXPECT_EQ(got >> 24, alpha) << "a " << a << " s " << s << " d " << d;
            }
        }
    }
}

TEST_F(PixelStores, EachPixelFormatStoresItsOwnWay) {
    screen(13);
    plot_pixel(3, 2, 0x1234);
    EXPECT_EQ(pixel_of(page(0), 3, 2), 0x34u) << "1-byte pixels keep the colour-mask bits";
    screen(12);
    plot_pixel(3, 2, 0x1F);
    EXPECT_EQ(pixel_of(page(0), 3, 2), 0x0Fu) << "mode 12 keeps four bits";

    ImageRecord& im = select_32_bit_image(8, 8, 0xFF000000);
    plot_pixel(1, 1, 0x80FFFFFF);
    EXPECT_EQ(pixel_of(im, 1, 1), 0xFF7F7F7Fu) << "32-bit pixels blend";
    im.no_blend = 1;
    plot_pixel(2, 1, 0x00123456);
    EXPECT_EQ(pixel_of(im, 2, 1), 0x00123456u) << "no_blend stores even a transparent colour";
}

TEST_F(PixelStores, StoresOutsideTheImageChangeNothing) {
    // Glyph cells can reach past an image smaller than a cell; no store may leave it.
    const ImageHandle handle = create_image(4, 3, 13, GIVEN);
    set_dest(handle);
    const Box outside[] = {{-1, 0, 0, 0}, {4, 0, 0, 0}, {0, -1, 0, 0}, {0, 3, 0, 0}, {7, 7, 0, 0}};
    for (const Box& p : outside) {
        plot_pixel(p.x1, p.y1, 9);
        EXPECT_TRUE(holds_box(image(handle), NO_BOX, 0, 0)) << "at " << p.x1 << "," << p.y1;
    }
}

TEST_F(PixelStores, TheClippedStoreKeepsToTheViewport) {
    screen(13);
    set_viewport(page(0), {10, 20, 12, 22}, 0, 0);
    for (int32_t y = 19; y <= 23; ++y) {
        for (int32_t x = 9; x <= 13; ++x)
            plot_pixel_clipped(x, y, 5);
    }
    EXPECT_TRUE(holds_box(page(0), {10, 20, 12, 22}, 5, 0));
}

TEST_F(FilledBoxes, CornersAreMappedSortedAndClippedToTheViewport) {
    struct Case {
        const char* what;
        uint8_t coord_mode;
        int32_t origin_x, origin_y;
        float x1, y1, x2, y2;
        Box filled;
    };
    const Box view = {100, 50, 199, 99};
    const Case cases[] = {
        {"inside, no mapping", 0, 0, 0, 120, 60, 130, 70, {120, 60, 130, 70}},
        {"corners reversed", 0, 0, 0, 130, 70, 120, 60, {120, 60, 130, 70}},
        {"clamped to the viewport", 0, 0, 0, 0, 0, 150, 75, {100, 50, 150, 75}},
        {"around the whole viewport", 0, 0, 0, 500, 400, -9, -9, view},
        {"left of the viewport", 0, 0, 0, 0, 60, 99, 70, NO_BOX},
        {"below the viewport", 0, 0, 0, 120, 100, 130, 300, NO_BOX},
        {"the viewport origin shifts", 1, 100, 50, 0, 0, 10, 5, {100, 50, 110, 55}},
        {"shifted, reversed and clamped", 1, 100, 50, 10, 5, -20, -20, {100, 50, 110, 55}},
        {"rounds half to even", 0, 0, 0, 120.5f, 60.5f, 121.5f, 61.5f, {120, 60, 122, 62}},
    };
    for (const Case& c : cases) {
        screen(13);
        screen(12);
        ImageRecord& p = page(0);
        set_viewport(p, view, c.origin_x, c.origin_y);
        p.coord_mode = c.coord_mode;
        fill_box(c.x1, c.y1, c.x2, c.y2, 0x1C);
        EXPECT_TRUE(holds_box(p, c.filled, 0x0C, 0)) << c.what;
    }
}

TEST_F(FilledBoxes, WindowMappingScalesOffsetsAndRoundsHalfToEven) {
    screen(12);
    ImageRecord& p = page(0);
    p.coord_mode = 2;
    p.window_scale_x = 2;
    p.window_scale_y = 1;
    p.window_offset_x = 0.5f;  // 0 -> 0.5 -> 0, 3 -> 6.5 -> 6
    p.window_offset_y = 1.5f;  // 0 -> 1.5 -> 2, 2 -> 3.5 -> 4
    p.view_origin_x = 10;
    p.view_origin_y = 20;
    fill_box(3, 2, 0, 0, 4);
    EXPECT_TRUE(holds_box(p, {10, 22, 16, 24}, 4, 0));
}

TEST_F(FilledBoxes, ThirtyTwoBitFillsFollowTheColoursAlpha) {
    struct Case {
        const char* what;
        uint8_t no_blend;
        uint32_t colour, inside;
    };
    const uint32_t background = 0xFF204060;
    const Case cases[] = {
        {"opaque stores", 0, 0xFF0A0B0C, 0xFF0A0B0C},
        {"transparent leaves", 0, 0x000A0B0C, background},
        {"half averages", 0, 0x80FFFFFF, 0xFF8F9FAF},
        {"others blend", 0, 0x40FF0000, 0xFF583048},
        {"no_blend stores a transparent colour", 1, 0x000A0B0C, 0x000A0B0C},
        {"no_blend stores a half colour", 1, 0x80FFFFFF, 0x80FFFFFF},
    };
    for (const Case& c : cases) {
        ImageRecord& im = select_32_bit_image(16, 12, background);
        im.no_blend = c.no_blend;
        fill_box(2, 3, 5, 7, c.colour);
        EXPECT_TRUE(holds_box(im, {2, 3, 5, 7}, c.inside, background)) << c.what;
    }
}

TEST_F(FilledBoxes, PixelBoxesAreNeitherSortedNorAllowedOffThePage) {
    struct Case {
        const char* what;
        Box given;
        Box filled;
    };
    const Case cases[] = {
        {"as given", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"reversed corners fill nothing", {3, 4, 1, 2}, NO_BOX},
        {"clipped to the page", {-5, -5, 400, 1}, {0, 0, 319, 1}},
        {"wholly off the page", {320, 0, 400, 10}, NO_BOX},
        {"the viewport does not clip", {0, 0, 2, 2}, {0, 0, 2, 2}},
    };
    for (const Case& c : cases) {
        screen(12);
        screen(13);
        set_viewport(page(0), {100, 100, 110, 110}, 0, 0);
        fill_box_pixels(c.given.x1, c.given.y1, c.given.x2, c.given.y2, 7);
        EXPECT_TRUE(holds_box(page(0), c.filled, 7, 0)) << c.what;
    }
}
