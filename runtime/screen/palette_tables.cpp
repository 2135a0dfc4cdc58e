// The read-only master colour tables, built at compile time from the rules that define
// them, with the published sample entries checked below.
#include <array>

#include "runtime/screen/palettes.h"

namespace {

// A 6-bit DAC level as an 8-bit component: round(c * 255 / 63).
constexpr uint32_t expand6(uint32_t c) {
    return (c * 255 + 31) / 63;
}

constexpr uint32_t rgb6(uint32_t r, uint32_t g, uint32_t b) {
    return expand6(r) << 16 | expand6(g) << 8 | expand6(b);
}

struct Rgb6 {
    uint8_t r, g, b;
};

// clang-format off
constexpr Rgb6 CLASSIC_COLOURS[16] = {
    // r   g   b
    {0,  0,  0},  {0,  0,  42}, {0,  42, 0},  {0,  42, 42},
    {42, 0,  0},  {42, 0,  42}, {42, 21, 0},  {42, 42, 42},
    {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
    {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63},
};

constexpr uint8_t GREY_RAMP[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};

// Each hue wheel runs round the colour circle at one brightness and saturation.
struct HueWheel {
    uint8_t high, low, m1, m2, m3;
};
constexpr HueWheel HUE_WHEELS[9] = {
    // H   L   M1  M2  M3
    {63, 0,  16, 31, 47},
    {63, 31, 39, 47, 55},
    {63, 45, 49, 54, 58},
    {28, 0,  7,  14, 21},
    {28, 14, 17, 21, 24},
    {28, 20, 22, 24, 26},
    {16, 0,  4,  8,  12},
    {16, 8,  10, 12, 14},
    {16, 11, 12, 13, 15},
};

// The 24 steps of a wheel as levels: 0 low, 1-3 the intermediates, 4 high; from blue
// through magenta, red, yellow, green and cyan back towards blue.
constexpr uint8_t WHEEL_STEPS[24][3] = {
    // r  g  b
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
};
// clang-format on

constexpr std::array<uint32_t, VGA_COLOURS> build_vga_master() {
    std::array<uint32_t, VGA_COLOURS> table{};
    for (int i = 0; i < 16; ++i) {
        const Rgb6& c = CLASSIC_COLOURS[i];
        table[i] = rgb6(c.r, c.g, c.b);
        table[16 + i] = rgb6(GREY_RAMP[i], GREY_RAMP[i], GREY_RAMP[i]);
    }
    for (int w = 0; w < 9; ++w) {
        const HueWheel& wheel = HUE_WHEELS[w];
        const uint8_t levels[5] = {wheel.low, wheel.m1, wheel.m2, wheel.m3, wheel.high};
        for (int step = 0; step < 24; ++step) {
            const uint8_t* s = WHEEL_STEPS[step];
            table[32 + w * 24 + step] = rgb6(levels[s[0]], levels[s[1]], levels[s[2]]);
        }
    }
    // Entries 248-255 stay black.
    return table;
}

// EGA entry i: each component is 0xAA for its primary bit (2 red, 1 green, 0 blue) plus
// 0x55 for its secondary bit (5 red, 4 green, 3 blue).
constexpr std::array<uint32_t, EGA_COLOURS> build_ega_master() {
    std::array<uint32_t, EGA_COLOURS> table{};
    for (uint32_t i = 0; i < EGA_COLOURS; ++i) {
        const uint32_t r = 0xAA * (i >> 2 & 1) + 0x55 * (i >> 5 & 1);
        const uint32_t g = 0xAA * (i >> 1 & 1) + 0x55 * (i >> 4 & 1);
        const uint32_t b = 0xAA * (i & 1) + 0x55 * (i >> 3 & 1);
        table[i] = r << 16 | g << 8 | b;
    }
    return table;
}

constexpr std::array<uint32_t, VGA_COLOURS> VGA_BUILT = build_vga_master();
constexpr std::array<uint32_t, EGA_COLOURS> EGA_BUILT = build_ega_master();

static_assert(VGA_BUILT[6] == 0xAA5500 && VGA_BUILT[9] == 0x5555FF && VGA_BUILT[15] == 0xFFFFFF);
static_assert(VGA_BUILT[17] == 0x141414 && VGA_BUILT[23] == 0x616161 && VGA_BUILT[31] == 0xFFFFFF);
static_assert(VGA_BUILT[32] == 0x0000FF && VGA_BUILT[33] == 0x4100FF && VGA_BUILT[37] == 0xFF00BE);
static_assert(VGA_BUILT[104] == 0x000071 && VGA_BUILT[176] == 0x000041);
static_assert(VGA_BUILT[248] == 0 && VGA_BUILT[255] == 0);
static_assert(EGA_BUILT[20] == 0xAA5500 && EGA_BUILT[56] == 0x555555 && EGA_BUILT[63] == 0xFFFFFF);

}  // namespace

const std::array<uint32_t, VGA_COLOURS> VGA_MASTER = VGA_BUILT;
const std::array<uint32_t, EGA_COLOURS> EGA_MASTER = EGA_BUILT;
