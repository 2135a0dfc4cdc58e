// The working colour tables and the default palette of every mode.
#include "runtime/screen/palettes.h"

#include "runtime/screen/images.h"

uint32_t vga_colours[VGA_COLOURS];
uint32_t ega_colours[EGA_COLOURS];
uint32_t mode10_colours[2][MODE10_PSEUDO_COLOURS];

namespace {

// Mode 9 shows the EGA's default sixteen: brown is entry 20 and the bright colours come
// from the upper half of the 64.
constexpr uint8_t EGA_DEFAULT_ENTRIES[16] = {0,  1,  2,  3,  4,  5,  20, 7,
                                             56, 57, 58, 59, 60, 61, 62, 63};

// The pseudo-colours a fresh mode-10 page gives its attributes 0-3: black, grey, white
// blinking with black, and white.
constexpr uint32_t MODE10_DEFAULT_PSEUDO[4] = {0, 4, 6, 8};

// The monochrome display's three levels.
constexpr uint32_t MONO_LEVELS[3] = {0x000000, 0x808080, 0xFFFFFF};

}  // namespace

void colour_tables_init() {
    for (int32_t i = 0; i < VGA_COLOURS; ++i)
        vga_colours[i] = VGA_MASTER[i] | OPAQUE;
    for (int32_t i = 0; i < EGA_COLOURS; ++i)
        ega_colours[i] = EGA_MASTER[i] | OPAQUE;
    // Pseudo-colour p is level p / 3 in blink phase 0 and level p % 3 in phase 1, so it
    // blinks between two levels exactly when those differ.
    for (int32_t p = 0; p < MODE10_PSEUDO_COLOURS; ++p) {
        mode10_colours[0][p] = MONO_LEVELS[p / 3];
        mode10_colours[1][p] = MONO_LEVELS[p % 3];
    }
}

void default_palette(ImageRecord* image) {
    uint32_t* palette = image->palette;
    if (palette == nullptr) return;
    switch (image->compat_mode) {
        case 0:
        case 7:
        case 8:
        case 12:
            for (int32_t i = 0; i < 16; ++i)
                palette[i] = vga_colours[i];
            break;
        case 1:
            palette[0] = vga_colours[0];
            palette[1] = vga_colours[3];
            palette[2] = vga_colours[5];
            palette[3] = vga_colours[7];
            break;
        case 2:
        case 11:
            // These two entries carry no alpha, unlike every other default entry.
            palette[0] = 0x00000000;
            palette[1] = 0x00FFFFFF;
            break;
        case 9:
            for (int32_t i = 0; i < 16; ++i)
                palette[i] = ega_colours[EGA_DEFAULT_ENTRIES[i]];
            break;
        case 10:
            for (int32_t i = 0; i < 4; ++i)
                palette[4 + i] = MODE10_DEFAULT_PSEUDO[i];
            break;
        case 13:
        case 256:
            for (int32_t i = 0; i < VGA_COLOURS; ++i)
                palette[i] = vga_colours[i];
            break;
        default:
            break;
    }
}
