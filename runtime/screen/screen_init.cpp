// The screen model's start-up steps.
#include "runtime/screen/screen.h"

void palettes_init() {
    colour_tables_init();
    glyphs_init();
    code_page_init();
}

void screen_init_first_mode() {
    set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    auto_tall_text = 1;
}
