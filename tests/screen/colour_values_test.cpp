#include "runtime/screen/colour_values.h"

#include <functional>

#include "tests/screen/screen_fixture.h"

namespace {

// A new 8x8 image of mode (32: 32-bit colours, 0: text cells) with that transparent colour.
ImageHandle new_image(int32_t mode, int32_t transparent = -1) {
    const ImageHandle handle = create_image(8, 8, mode, GIVEN);
    image_at(-handle)->transparent = transparent;
    return handle;
}

}  // namespace

using ColourValues = ScreenTest;
using PrintMode = ScreenTest;

TEST_F(ColourValues, RgbColourPacksOrFindsTheFirstNearestPaletteEntry) {
    struct Case {
        int32_t mode;
        int32_t red, green, blue;
        uint32_t colour;
        const char* why;
    };
    const Case cases[] = {
        {12, 255, 255, 255, 15, "white is an exact entry"},
        {12, 0, 0, 170, 1, "blue is an exact entry"},
        {12, 100, 100, 100, 8, "45 from dark grey against 210 from light grey"},
        {12, 0, 0, 85, 0, "black and blue are both 85 away: the first index wins"},
        {12, 300, 300, 300, 15, "components above 255 count as 255"},
        {12, -20, 300, -1, 2, "(0, 255, 0) is nearest to green, 85 away"},
        {13, 255, 0, 190, 37, "256-colour images search all 256 entries"},
        {13, 20, 20, 20, 17, "the grey ramp"},
        {1, 255, 255, 255, 3, "four-colour images search entries 0-3 only"},
        {2, 200, 200, 200, 1, "two-colour images: black or white"},
        {32, 300, -5, 16, 0xFFFF0010, "32-bit images pack the clamped components, opaque"},
        {32, 1, 2, 3, 0xFF010203, "32-bit images pack the clamped components, opaque"},
    };
    for (const Case& c : cases) {
        const ImageHandle image = new_image(c.mode);
        EXPECT_EQ(rgb_colour(c.red, c.green, c.blue, image, GIVEN), c.colour)
            << "mode " << c.mode << " (" << c.red << ", " << c.green << ", " << c.blue
            << "): " << c.why;
        EXPECT_EQ(take_error(), 0);
    }
}

TEST_F(ColourValues, TextImagesOfferOnlyTheirSixteenAttributeColours) {
    const ImageHandle text = new_image(0);
    image_at(-text)->palette[20] = 0xFF123456;
    EXPECT_EQ(rgb_colour(0x12, 0x34, 0x56, text, GIVEN), 8u) << "entry 20 is no candidate";
    const ImageHandle indexed = new_image(13);
    image_at(-indexed)->palette[20] = 0xFF123456;
    EXPECT_EQ(rgb_colour(0x12, 0x34, 0x56, indexed, GIVEN), 20u);
}

TEST_F(ColourValues, RgbaColourUsesAlphaOnlyFor32BitImagesAndTheTransparentColour) {
    struct Case {
        int32_t mode;
        int32_t transparent;
        int32_t red, green, blue, alpha;
        uint32_t colour;
        const char* why;
    };
    const Case cases[] = {
        {32, -1, 1, 2, 3, 4, 0x04010203, "32-bit images pack alpha too"},
        {32, -1, 1, 2, 3, 999, 0xFF010203, "alpha above 255 counts as 255"},
        {32, -1, 1, 2, 3, -9, 0x00010203, "alpha below 0 counts as 0"},
        {12, 5, 255, 255, 255, 0, 5, "alpha 0 gives the transparent colour"},
        {12, 5, 255, 255, 255, 1, 15, "any other alpha gives the nearest entry"},
        {12, -1, 255, 255, 255, 0, 15, "without a transparent colour alpha plays no part"},
        {12, 5, 255, 255, 255, -7, 5, "alpha below 0 counts as 0"},
    };
    for (const Case& c : cases) {
        const ImageHandle image = new_image(c.mode, c.transparent);
        EXPECT_EQ(rgba_colour(c.red, c.green, c.blue, c.alpha, image, GIVEN), c.colour)
            << "mode " << c.mode << " alpha " << c.alpha << ": " << c.why;
        EXPECT_EQ(take_error(), 0);
    }
}

TEST_F(ColourValues, ComponentsComeFromTheValueOrFromThePaletteEntry) {
    using ComponentFunction = int32_t (*)(uint32_t, ImageHandle, Given);
    struct Case {
        int32_t mode;
        int32_t transparent;
        ComponentFunction component;
        const char* name;
        uint32_t colour;
        int32_t value;
        int32_t error;
    };
    const Case cases[] = {
        {32, -1, colour_red, "red", 0x80112233, 0x11, 0},
        {32, -1, colour_green, "green", 0x80112233, 0x22, 0},
        {32, -1, colour_blue, "blue", 0x80112233, 0x33, 0},
        {32, -1, colour_alpha, "alpha", 0x80112233, 0x80, 0},
        {12, -1, colour_red, "red", 6, 0xAA, 0},
        {12, -1, colour_green, "green", 6, 0x55, 0},
        {12, -1, colour_blue, "blue", 9, 0xFF, 0},
        {12, -1, colour_alpha, "alpha", 3, 255, 0},
        {12, 3, colour_alpha, "alpha", 3, 0, 0},
        {12, 3, colour_alpha, "alpha", 4, 255, 0},
        {12, -1, colour_red, "red", 16, 0, 5},
        {12, -1, colour_alpha, "alpha", 16, 0, 5},
        {1, -1, colour_blue, "blue", 3, 0xAA, 0},
        {1, -1, colour_blue, "blue", 4, 0, 5},
        {13, -1, colour_red, "red", 37, 0xFF, 0},
        {0, -1, colour_red, "red", 15, 0xFF, 0},
        {0, -1, colour_red, "red", 255, 0, 0},
        {0, -1, colour_red, "red", 256, 0, 5},
    };
    for (const Case& c : cases) {
        const ImageHandle image = new_image(c.mode, c.transparent);
        EXPECT_EQ(c.component(c.colour, image, GIVEN), c.value)
            << c.name << " of " << c.colour << " in mode " << c.mode;
        EXPECT_EQ(take_error(), c.error) << c.name << " of " << c.colour << " in mode " << c.mode;
    }
}

TEST_F(ColourValues, ImageArgumentNamesTheWritePageAPageOrAValidSlot) {
    screen(12);
    EXPECT_EQ(rgb_colour(255, 255, 255, 0, OMITTED), 15u) << "the write page";
    EXPECT_EQ(colour_blue(1, 0, OMITTED), 0xAA);
    ASSERT_TRUE(page_table.size < 3 || page_table.slots[2] == 0);
    EXPECT_EQ(rgb_colour(0, 0, 170, 2, GIVEN), 1u);
    EXPECT_NE(page_table.slots[2], 0) << "a page number makes the page exist";
    EXPECT_EQ(take_error(), 0);

    const ImageHandle freed = new_image(32);
    free_image(freed, GIVEN);
    const std::function<int64_t(ImageHandle)> operations[] = {
        [](ImageHandle h) { return rgb_colour(1, 2, 3, h, GIVEN); },
        [](ImageHandle h) { return rgba_colour(1, 2, 3, 4, h, GIVEN); },
        [](ImageHandle h) { return colour_red(1, h, GIVEN); },
        [](ImageHandle h) { return colour_green(1, h, GIVEN); },
        [](ImageHandle h) { return colour_blue(1, h, GIVEN); },
        [](ImageHandle h) { return colour_alpha(1, h, GIVEN); },
        [](ImageHandle h) {
            set_print_mode(1, h, GIVEN);
            return int64_t{0};
        },
        [](ImageHandle h) { return get_print_mode(h, GIVEN); },
    };
    for (const ImageHandle handle : {freed, ImageHandle{-1}, -image_table.handed_out}) {
        for (size_t i = 0; i < std::size(operations); ++i) {
            EXPECT_EQ(operations[i](handle), 0) << "operation " << i << ", handle " << handle;
            EXPECT_EQ(take_error(), 258) << "operation " << i << ", handle " << handle;
        }
    }
}

TEST_F(ColourValues, NothingRunsWhileAnErrorIsPending) {
    const ImageHandle image = new_image(32);
    raise_error(ERROR_OVERFLOW);
    EXPECT_EQ(rgb_colour(1, 2, 3, image, GIVEN), 0u);
    EXPECT_EQ(rgba_colour(1, 2, 3, 4, image, GIVEN), 0u);
    EXPECT_EQ(colour_alpha(0xFF000000, image, GIVEN), 0);
    set_print_mode(2, image, GIVEN);
    EXPECT_EQ(get_print_mode(image, GIVEN), 0);
    EXPECT_EQ(take_error(), 6);
    EXPECT_EQ(get_print_mode(image, GIVEN), PRINT_FILL_BACKGROUND);
}

TEST_F(PrintMode, ChoicesAreStoredInTheTextPaintersNumbering) {
    struct Case {
        int32_t mode;
        int32_t choice;
        int32_t stored;
        int32_t error;
    };
    const Case cases[] = {
        {12, 1, PRINT_FILL_BACKGROUND, 0}, {12, 2, PRINT_KEEP_BACKGROUND, 0},
        {12, 3, PRINT_ONLY_BACKGROUND, 0}, {32, 2, PRINT_KEEP_BACKGROUND, 0},
        {12, 0, PRINT_FILL_BACKGROUND, 5}, {12, 4, PRINT_FILL_BACKGROUND, 5},
        {0, 1, PRINT_FILL_BACKGROUND, 0},  {0, 2, PRINT_FILL_BACKGROUND, 5},
        {0, 3, PRINT_FILL_BACKGROUND, 5},
    };
    for (const Case& c : cases) {
        const ImageHandle image = new_image(c.mode);
        set_print_mode(c.choice, image, GIVEN);
        EXPECT_EQ(take_error(), c.error) << "choice " << c.choice << " in mode " << c.mode;
        EXPECT_EQ(get_print_mode(image, GIVEN), c.stored)
            << "choice " << c.choice << " in mode " << c.mode;
    }
}

TEST_F(PrintMode, TextScreenPagesAcceptOnlyFillingTheBackground) {
    set_print_mode(2, 0, OMITTED);
    EXPECT_EQ(take_error(), 5);
    set_print_mode(1, 3, GIVEN);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(get_print_mode(3, GIVEN), PRINT_FILL_BACKGROUND);
}
