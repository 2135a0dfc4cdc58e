#include "tests/screen/screen_fixture.h"

void screen_start_up() {
    font_metrics_init();
    image_table_init();
    palettes_init();
    screen_init_first_mode();
}
