// The per-font tables, the glyph working buffers and the font-loading statement.
#include "runtime/screen/fonts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "runtime/core/errors.h"
#include "runtime/screen/private/glyph_tables.h"

int32_t font_object[FONT_METRIC_ENTRIES];
int32_t font_height[FONT_METRIC_ENTRIES];
int32_t font_width[FONT_METRIC_ENTRIES];
int32_t font_style[FONT_METRIC_ENTRIES];
int32_t highest_font_number = FONT_METRIC_ENTRIES - 1;

uint8_t glyphs_8x8[256 * GLYPH_8X8_BYTES];
uint8_t glyphs_8x16[256 * GLYPH_8X16_BYTES];

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

struct LoadOption {
    std::string_view word;
    int32_t bit;
};
constexpr LoadOption LOAD_OPTIONS[] = {
    // word        bit
    {"BOLD",       FONT_STYLE_BOLD},
    {"ITALIC",     FONT_STYLE_ITALIC},
    {"UNDERLINE",  FONT_STYLE_UNDERLINE},
    {"DONTBLEND",  FONT_STYLE_DONTBLEND},
    {"MONOSPACE",  FONT_STYLE_MONOSPACE},
    {"UNICODE",    FONT_STYLE_UNICODE},
};
// clang-format on

constexpr int32_t OPTIONS_INVALID = -1;

void expand_rows(const uint8_t* rows, int32_t row_count, uint8_t* pixels) {
    for (int32_t r = 0; r < row_count; ++r) {
        for (int32_t x = 0; x < 8; ++x)
            pixels[r * 8 + x] = (rows[r] & (0x80 >> x)) != 0 ? 0xFF : 0x00;
    }
}

std::string_view trimmed(std::string_view part) {
    while (!part.empty() && part.front() == ' ')
        part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ')
        part.remove_suffix(1);
    return part;
}

// The style bits of a comma-separated option list, or OPTIONS_INVALID for an unknown or
// repeated word.
int32_t parse_load_options(const StrDesc* options) {
    std::string text = string_copy_of(options);
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    int32_t bits = 0;
    std::string_view rest = text;
    for (;;) {
        const size_t comma = rest.find(',');
        const std::string_view part = trimmed(rest.substr(0, comma));
        const auto option = std::find_if(std::begin(LOAD_OPTIONS), std::end(LOAD_OPTIONS),
                                         [&](const LoadOption& o) { return o.word == part; });
        if (option == std::end(LOAD_OPTIONS) || (bits & option->bit) != 0) return OPTIONS_INVALID;
        bits |= option->bit;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return bits;
}

// The whole file in memory, or null when it cannot be opened, sized or held.
void* read_whole_file(const std::string& path, long* size) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    void* contents = nullptr;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        *size = std::ftell(file);
        if (*size >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            contents = std::malloc(static_cast<size_t>(*size) + 1);
            if (contents != nullptr && std::fread(contents, 1, static_cast<size_t>(*size), file) !=
                                           static_cast<size_t>(*size)) {
                std::free(contents);
                contents = nullptr;
            }
        }
    }
    std::fclose(file);
    return contents;
}

}  // namespace

void font_metrics_init() {
    std::fill(std::begin(font_object), std::end(font_object), 0);
    std::fill(std::begin(font_height), std::end(font_height), 0);
    std::fill(std::begin(font_width), std::end(font_width), 0);
    std::fill(std::begin(font_style), std::end(font_style), 0);
    highest_font_number = FONT_METRIC_ENTRIES - 1;
    for (const BuiltInFont& font : BUILT_IN_FONTS) {
        font_width[font.number] = font.width;
        font_height[font.number] = font.height;
        font_style[font.number] = FONT_STYLE_MONOSPACE;
    }
}

bool is_built_in_font(int32_t font) {
    return std::any_of(std::begin(BUILT_IN_FONTS), std::end(BUILT_IN_FONTS),
                       [font](const BuiltInFont& f) { return f.number == font; });
}

bool font_exists(int32_t font) {
    if (is_built_in_font(font)) return true;
    return font >= FIRST_LOADED_FONT && font <= highest_font_number && font_object[font] != 0;
}

void glyphs_init() {
    for (int32_t n = 0; n < 256; ++n) {
        expand_rows(&GLYPH_ROWS_8X8[n * 8], 8, &glyphs_8x8[n * GLYPH_8X8_BYTES]);
        expand_rows(&GLYPH_ROWS_8X16[n * 16], 16, &glyphs_8x16[n * GLYPH_8X16_BYTES]);
    }
}

const uint8_t* glyph_bitmap(int32_t font, uint8_t code) {
    switch (font) {
        case 8:
        case 9:
            return &glyphs_8x8[code * GLYPH_8X8_BYTES];
        case 14:
        case 15:
            // The 8x14 shapes are the 8x16 ones without their top and bottom rows.
            return &glyphs_8x16[code * GLYPH_8X16_BYTES + 8];
        default:
            return &glyphs_8x16[code * GLYPH_8X16_BYTES];
    }
}

int32_t load_font(const StrDesc* file_name, int32_t /*cell_height*/, const StrDesc* options,
                  Given options_given) {
    if (error_pending()) return 0;
    if (options_given == GIVEN && parse_load_options(options) == OPTIONS_INVALID) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    if (file_name->length == 0) return -1;
    long size = 0;
    void* contents = read_whole_file(string_copy_of(file_name), &size);
    if (contents == nullptr) return -1;
    // No rasteriser is part of this runtime, so no font object can be made from the file.
    std::free(contents);
    return -1;
}
