// The screen model's start-up steps.
#include <algorithm>
#include <iterator>

#include "runtime/screen/screen.h"

int32_t font_object[FONT_METRIC_ENTRIES];
int32_t font_height[FONT_METRIC_ENTRIES];
int32_t font_width[FONT_METRIC_ENTRIES];
int32_t font_style[FONT_METRIC_ENTRIES];

namespace {

struct BuiltInFont {
    int32_t number;
    int32_t width;
    int32_t height;
};

// Fonts 9, 15 and 17 are the doubled-width forms of 8, 14 and 16.
// clang-format off
constexpr BuiltInFont BUILT_IN_FONTS[] = {
    // font width height
    {8,    8,    8},
    {9,    16,   8},
    {14,   8,    14},
    {15,   16,   14},
    {16,   8,    16},
    {17,   16,   16},
};
// clang-format on

}  // namespace

void font_metrics_init() {
    std::fill(std::begin(font_object), std::end(font_object), 0);
    std::fill(std::begin(font_height), std::end(font_height), 0);
    std::fill(std::begin(font_width), std::end(font_width), 0);
    std::fill(std::begin(font_style), std::end(font_style), 0);
    for (const BuiltInFont& font : BUILT_IN_FONTS) {
        font_width[font.number] = font.width;
        font_height[font.number] = font.height;
        font_style[font.number] = FONT_STYLE_MONOSPACE;
    }
}

void image_table_init() {
    // The image table arrives with the screen model.
}

void palettes_init() {
    // The palettes and glyph sets arrive with the screen model.
}

void screen_init_first_mode() {
    // The first screen arrives with the screen model.
}
