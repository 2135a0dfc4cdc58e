// The screen model's start-up steps, and the headers of its areas.
#pragma once

#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/palettes.h"

// Copies the master colour tables, fills the mode-10 pseudo-colours, expands the glyph
// sets and fills the code-page table (start-up, after the font metrics).
void palettes_init();

// Clears the text engine's switches, makes the first screen, eight 80x25 text pages, and
// allows the one switch to 80x50 that cursor placement may make on it (start-up).
void screen_init_first_mode();
