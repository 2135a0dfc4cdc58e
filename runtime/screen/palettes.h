// The fixed colour data of the emulated screen: the 256-colour VGA and 64-colour EGA
// master tables, the default palette of every mode and the mode-10 pseudo-colours.
//
// Colours are 0xAARRGGBB. The master tables are kept in read-only data without alpha and
// copied at start-up into the working tables below with every entry made opaque.
#pragma once

#include <array>
#include <cstdint>

struct ImageRecord;

inline constexpr int32_t VGA_COLOURS = 256;
inline constexpr int32_t EGA_COLOURS = 64;
inline constexpr int32_t PALETTE_ENTRIES = 256;
inline constexpr uint32_t OPAQUE = 0xFF000000;

// The working master tables, opaque.
extern uint32_t vga_colours[VGA_COLOURS];
extern uint32_t ega_colours[EGA_COLOURS];

// The read-only master tables, 0x00RRGGBB.
extern const std::array<uint32_t, VGA_COLOURS> VGA_MASTER;
extern const std::array<uint32_t, EGA_COLOURS> EGA_MASTER;

// Mode 10 draws with four attributes whose palette entries 4-7 hold a pseudo-colour 0-8;
// the display shows pseudo-colour p as mode10_colours[phase][p] in blink phase 0 or 1.
inline constexpr int32_t MODE10_PSEUDO_COLOURS = 9;
extern uint32_t mode10_colours[2][MODE10_PSEUDO_COLOURS];

// Fills the working master tables and the mode-10 table (start-up).
void colour_tables_init();

// Writes the default entries of the image's mode into its palette; nothing for 32-bit
// images. Entries the mode does not name keep their contents.
void default_palette(ImageRecord* image);
