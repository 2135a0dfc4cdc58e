#include "runtime/screen/palettes.h"

#include "tests/screen/screen_fixture.h"

using Palettes = ScreenTest;

TEST_F(Palettes, MasterTablesHoldTheirPublishedEntriesOpaque) {
    struct Case {
        int32_t entry;
        uint32_t colour;
    };
    const Case vga[] = {
        {0, 0x000000},   {1, 0x0000AA},   {6, 0xAA5500},   {7, 0xAAAAAA},   {8, 0x555555},
        {9, 0x5555FF},   {14, 0xFFFF55},  {15, 0xFFFFFF},  {16, 0x000000},  {17, 0x141414},
        {18, 0x202020},  {19, 0x2D2D2D},  {23, 0x616161},  {25, 0x828282},  {28, 0xB6B6B6},
        {30, 0xE3E3E3},  {31, 0xFFFFFF},  {32, 0x0000FF},  {33, 0x4100FF},  {37, 0xFF00BE},
        {104, 0x000071}, {176, 0x000041}, {248, 0x000000}, {255, 0x000000},
    };
    for (const Case& c : vga) {
        EXPECT_EQ(VGA_MASTER[c.entry], c.colour) << "VGA entry " << c.entry;
        EXPECT_EQ(vga_colours[c.entry], c.colour | 0xFF000000) << "VGA entry " << c.entry;
    }
    const Case ega[] = {{0, 0x000000}, {1, 0x0000AA},  {20, 0xAA5500}, {56, 0x555555},
                        {7, 0xAAAAAA}, {63, 0xFFFFFF}, {36, 0xFF0000}, {9, 0x0000FF}};
    for (const Case& c : ega) {
        EXPECT_EQ(ega_colours[c.entry], c.colour | 0xFF000000) << "EGA entry " << c.entry;
    }
}

TEST_F(Palettes, HueWheelsRunFromBlueThroughRedAndGreenBackToBlue) {
    // The first wheel at full brightness: its quarter points are the pure hues.
    EXPECT_EQ(VGA_MASTER[32 + 4], 0xFF00FFu);   // magenta
    EXPECT_EQ(VGA_MASTER[32 + 8], 0xFF0000u);   // red
    EXPECT_EQ(VGA_MASTER[32 + 12], 0xFFFF00u);  // yellow
    EXPECT_EQ(VGA_MASTER[32 + 16], 0x00FF00u);  // green
    EXPECT_EQ(VGA_MASTER[32 + 20], 0x00FFFFu);  // cyan
    // The last wheel is the darkest and least saturated: (11, 11, 16) in 6-bit levels.
    EXPECT_EQ(VGA_MASTER[32 + 8 * 24], 0x2D2D41u);
    EXPECT_EQ(VGA_MASTER[247], 0x2D3141u);  // (11, 12, 16)
}

TEST_F(Palettes, NewImagesGetTheDefaultPaletteOfTheirMode) {
    struct Case {
        int32_t mode;
        int32_t entry;
        uint32_t colour;
    };
    const Case cases[] = {
        {12, 0, 0xFF000000},
        {12, 6, 0xFFAA5500},
        {12, 15, 0xFFFFFFFF},
        {12, 16, 0},
        {12, 255, 0},
        {1, 0, 0xFF000000},
        {1, 1, 0xFF00AAAA},
        {1, 2, 0xFFAA00AA},
        {1, 3, 0xFFAAAAAA},
        {1, 4, 0},
        {9, 6, 0xFFAA5500},
        {9, 8, 0xFF555555},
        {9, 15, 0xFFFFFFFF},
        {9, 1, 0xFF0000AA},
        {2, 0, 0x00000000},
        {2, 1, 0x00FFFFFF},
        {11, 1, 0x00FFFFFF},
        {11, 2, 0},
        {10, 0, 0},
        {10, 4, 0},
        {10, 5, 4},
        {10, 6, 6},
        {10, 7, 8},
        {13, 37, 0xFFFF00BE},
        {256, 255, 0xFF000000},
        {0, 7, 0xFFAAAAAA},
        {7, 9, 0xFF5555FF},
        {8, 16, 0},
    };
    for (const Case& c : cases) {
        const ImageHandle handle = create_image(8, 8, c.mode, GIVEN);
        ASSERT_LT(handle, -1) << "mode " << c.mode;
        EXPECT_EQ(image(handle).palette[c.entry], c.colour)
            << "mode " << c.mode << " entry " << c.entry;
    }
}

TEST_F(Palettes, ThirtyTwoBitImagesHaveNoPalette) {
    const ImageHandle handle = create_image(4, 4, 32, GIVEN);
    EXPECT_EQ(image(handle).palette, nullptr);
    EXPECT_EQ(image(handle).image_flags & PALETTE_OWNED, 0u);
}

TEST_F(Palettes, ResettingAnImageRewritesOnlyTheEntriesItsModeNames) {
    const ImageHandle handle = create_image(8, 8, 1, GIVEN);
    ImageRecord& im = image(handle);
    im.palette[2] = 0xFF123456;
    im.palette[200] = 0xFF654321;
    image_reset(-handle);
    EXPECT_EQ(im.palette[2], 0xFFAA00AA);
    EXPECT_EQ(im.palette[200], 0xFF654321u);
}

TEST_F(Palettes, ModeTenPseudoColoursBlinkBetweenTheirTwoLevels) {
    struct Case {
        int32_t pseudo;
        uint32_t phase0;
        uint32_t phase1;
    };
    const Case cases[] = {
        {0, 0x000000, 0x000000}, {2, 0x000000, 0xFFFFFF}, {4, 0x808080, 0x808080},
        {5, 0x808080, 0xFFFFFF}, {6, 0xFFFFFF, 0x000000}, {8, 0xFFFFFF, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mode10_colours[0][c.pseudo], c.phase0) << "pseudo-colour " << c.pseudo;
        EXPECT_EQ(mode10_colours[1][c.pseudo], c.phase1) << "pseudo-colour " << c.pseudo;
    }
}
