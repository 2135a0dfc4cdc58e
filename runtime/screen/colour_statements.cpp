// The colour statement, the default colours and the palette statement. What a colour
// argument means depends on the write page's mode: an attribute stored in the page, or a
// palette entry of the screen changed at once.
#include <cmath>

#include "runtime/core/errors.h"
#include "runtime/screen/images.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/private/screen_state.h"
#include "runtime/screen/text_screen.h"

namespace {

// Where the colour statement puts its background value.
enum class BackgroundTarget {
    ATTRIBUTE,           // the page's bg
    ATTRIBUTE_LOW_BITS,  // the page's bg, AND 7: text cells have three background bits
    VGA_ENTRY_0,         // palette entry 0 = that VGA colour (the screen background)
    EGA_ENTRY_0,         // palette entry 0 = that EGA colour
    PSEUDO_ENTRY_4,      // palette entry 4 = that pseudo-colour (attribute 0's)
    CGA_COLOUR_SET,      // entries 1-3: the odd or the even classic colour set
};

struct ColourRule {
    uint16_t mode;
    bool border_allowed;
    uint32_t foreground_max;
    uint32_t background_max;
    BackgroundTarget background;
};

// clang-format off
constexpr ColourRule COLOUR_RULES[] = {
    // mode border fg max       bg max      background goes to
    {0,    true,  31,          15,          BackgroundTarget::ATTRIBUTE_LOW_BITS},
    {1,    false, 15,          0xFFFFFFFF,  BackgroundTarget::CGA_COLOUR_SET},
    {2,    false, 1,           15,          BackgroundTarget::VGA_ENTRY_0},
    {7,    false, 15,          15,          BackgroundTarget::VGA_ENTRY_0},
    {8,    false, 15,          15,          BackgroundTarget::VGA_ENTRY_0},
    {9,    false, 15,          63,          BackgroundTarget::EGA_ENTRY_0},
    {10,   false, 3,           8,           BackgroundTarget::PSEUDO_ENTRY_4},
    {11,   false, 1,           1,           BackgroundTarget::ATTRIBUTE},
    {12,   false, 15,          15,          BackgroundTarget::ATTRIBUTE},
    {13,   false, 255,         255,         BackgroundTarget::ATTRIBUTE},
    {256,  false, 255,         255,         BackgroundTarget::ATTRIBUTE},
    {32,   false, 0xFFFFFFFF,  0xFFFFFFFF,  BackgroundTarget::ATTRIBUTE},
};
// clang-format on

const ColourRule* colour_rule(uint16_t mode) {
    for (const ColourRule& rule : COLOUR_RULES) {
        if (rule.mode == mode) return &rule;
    }
    return nullptr;
}

// Mode 1 shows one of two fixed sets of three colours over its background.
constexpr int32_t CGA_ODD_SET[3] = {3, 5, 7};
constexpr int32_t CGA_EVEN_SET[3] = {2, 4, 6};

void store_background(ImageRecord& page, BackgroundTarget target, uint32_t value) {
    uint32_t* palette = page.palette;
    switch (target) {
        case BackgroundTarget::ATTRIBUTE:
            page.bg = value;
            return;
        case BackgroundTarget::ATTRIBUTE_LOW_BITS:
            page.bg = value & 7;
            return;
        default:
            break;
    }
    if (palette == nullptr) return;
    switch (target) {
        case BackgroundTarget::VGA_ENTRY_0:
            palette[0] = vga_colours[value];
            break;
        case BackgroundTarget::EGA_ENTRY_0:
            palette[0] = ega_colours[value];
            break;
        case BackgroundTarget::PSEUDO_ENTRY_4:
            palette[4] = value;
            break;
        case BackgroundTarget::CGA_COLOUR_SET: {
            const int32_t* set = (value & 1) != 0 ? CGA_ODD_SET : CGA_EVEN_SET;
            for (int32_t i = 0; i < 3; ++i)
                palette[1 + i] = vga_colours[set[i]];
            break;
        }
        default:
            break;
    }
}

// What the colour argument of the palette statement names, by mode.
enum class PaletteColour {
    NONE,           // the mode has no palette to change
    VGA_FORM,       // 0x00BBGGRR with 6-bit components
    VGA_INDEX,      // a VGA master colour
    EGA_INDEX,      // an EGA master colour
    PSEUDO_COLOUR,  // a mode-10 pseudo-colour, stored four entries up
};

struct PaletteRule {
    uint16_t mode;
    uint32_t attribute_max;
    uint32_t colour_max;
    PaletteColour colour;
};

// clang-format off
constexpr PaletteRule PALETTE_RULES[] = {
    // mode attr max colour max   colour names
    {32,   0,        0,           PaletteColour::NONE},
    {13,   255,      0xFFFFFFFF,  PaletteColour::VGA_FORM},
    {256,  255,      0xFFFFFFFF,  PaletteColour::VGA_FORM},
    {12,   15,       0xFFFFFFFF,  PaletteColour::VGA_FORM},
    {11,   1,        0xFFFFFFFF,  PaletteColour::VGA_FORM},
    {10,   3,        8,           PaletteColour::PSEUDO_COLOUR},
    {0,    15,       63,          PaletteColour::EGA_INDEX},
    {9,    15,       63,          PaletteColour::EGA_INDEX},
    {7,    15,       15,          PaletteColour::VGA_INDEX},
    {8,    15,       15,          PaletteColour::VGA_INDEX},
    {1,    15,       15,          PaletteColour::VGA_INDEX},
    {2,    1,        15,          PaletteColour::VGA_INDEX},
};
// clang-format on

const PaletteRule* palette_rule(uint16_t mode) {
    for (const PaletteRule& rule : PALETTE_RULES) {
        if (rule.mode == mode) return &rule;
    }
    return nullptr;
}

// The VGA's digital-to-analogue converter took 6 bits per component; this stretches
// 0..63 onto 0..255 exactly as the classic conversion did, in steps of 4 with a jump of
// 5 at every sixteenth value.
uint32_t expand_component(uint32_t component) {
    const float scaled = static_cast<float>(component) * 4.0634918212890625f - 0.49999991059303284f;
    return static_cast<uint32_t>(std::nearbyint(scaled));
}

// The 0x00RRGGBB entry of a VGA-form colour 0x00BBGGRR.
uint32_t vga_form_entry(uint32_t colour) {
    const uint32_t red = expand_component(colour & 0x3F);
    const uint32_t green = expand_component(colour >> 8 & 0x3F);
    const uint32_t blue = expand_component(colour >> 16 & 0x3F);
    return red << 16 | green << 8 | blue;
}

constexpr uint32_t VGA_FORM_UNUSED_BITS = 0xFFC0C0C0;

}  // namespace

// No mode shows a border colour: text mode accepts one and ignores it, the others refuse it.
void set_color(uint32_t foreground, uint32_t background, uint32_t /*border*/, int32_t presence) {
    if (error_pending() || write_page.image == nullptr) return;
    const bool foreground_given = (presence & COLOR_FOREGROUND_GIVEN) != 0;
    const bool background_given = (presence & COLOR_BACKGROUND_GIVEN) != 0;
    const bool border_given = (presence & COLOR_BORDER_GIVEN) != 0;
    if (!foreground_given && !background_given && !border_given) return;
    ImageRecord& page = *write_page.image;
    const ColourRule* rule = colour_rule(page.compat_mode);
    if (rule == nullptr || (border_given && !rule->border_allowed) ||
        (foreground_given && foreground > rule->foreground_max)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (rule->background == BackgroundTarget::CGA_COLOUR_SET) {
        // Mode 1 stores its foreground before it looks at the background, which any
        // value passes.
        if (foreground_given && page.palette != nullptr) page.palette[0] = vga_colours[foreground];
        if (background_given) store_background(page, rule->background, background);
        return;
    }
    if (background_given && background > rule->background_max) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (foreground_given) page.fg = static_cast<int32_t>(foreground);
    if (background_given) store_background(page, rule->background, background);
}

void reset_colors() {
    if (error_pending() || write_page.image == nullptr) return;
    image_default_colours(*write_page.image);
}

void set_palette(int32_t attribute, uint32_t colour, Given given) {
    if (error_pending() || write_page.image == nullptr) return;
    ImageRecord& page = *write_page.image;
    if (given == OMITTED) {
        default_palette(&page);
        return;
    }
    const uint32_t entry = static_cast<uint32_t>(attribute) & 0xFF;
    const PaletteRule* rule = palette_rule(page.compat_mode);
    if (rule == nullptr || rule->colour == PaletteColour::NONE || page.palette == nullptr ||
        entry > rule->attribute_max || colour > rule->colour_max ||
        (rule->colour == PaletteColour::VGA_FORM && (colour & VGA_FORM_UNUSED_BITS) != 0)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    switch (rule->colour) {
        case PaletteColour::VGA_FORM:
            page.palette[entry] = vga_form_entry(colour);
            break;
        case PaletteColour::VGA_INDEX:
            page.palette[entry] = vga_colours[colour];
            break;
        case PaletteColour::EGA_INDEX:
            page.palette[entry] = ega_colours[colour];
            break;
        case PaletteColour::PSEUDO_COLOUR:
            page.palette[entry + 4] = colour;
            break;
        case PaletteColour::NONE:
            break;
    }
}
