// The screen model's start-up steps.
#pragma once

#include <cstdint>

// The per-font tables, indexed by font number 0..48; the built-in fonts are 8, 9, 14, 15,
// 16 and 17, with no engine font object.
inline constexpr int32_t FONT_METRIC_ENTRIES = 49;
extern int32_t font_object[FONT_METRIC_ENTRIES];
extern int32_t font_height[FONT_METRIC_ENTRIES];
extern int32_t font_width[FONT_METRIC_ENTRIES];  // 0 would mean proportional
extern int32_t font_style[FONT_METRIC_ENTRIES];  // the load-option bits

// The style bit every font usable on a text page carries.
inline constexpr int32_t FONT_STYLE_MONOSPACE = 16;

// Fills the metrics of the built-in fonts (start-up).
void font_metrics_init();

// Empties the image table and takes image numbers 0 and 1 out of use (start-up).
void image_table_init();

// Copies the default palettes and the built-in glyphs (start-up).
void palettes_init();

// Makes the first screen, text mode 0 (start-up).
void screen_init_first_mode();
