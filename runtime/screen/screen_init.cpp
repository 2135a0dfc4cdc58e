// The screen model's start-up steps.
#include "runtime/screen/screen.h"

#include "runtime/screen/text_output.h"

void palettes_init() {
    colour_tables_init();
    glyphs_init();
    code_page_init();
}

void screen_init_first_mode() {
    text_output_init();
    set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    auto_tall_text = 1;
}
