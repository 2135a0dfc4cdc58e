// Printing strings at the text cursor: the pending wrap, the right edge, the control
// codes, the fit check before a string item, print zones, and the printer route's column.
#include "runtime/screen/text_output.h"

#include <cstdio>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/platform/thread.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/text_screen.h"
#include "runtime/strings/strings.h"

int32_t printer_route_active = 0;
int32_t printer_column = 1;
void (*printer_page_hand_off)() = nullptr;

namespace {

// Set by set_control_chars with mode 2: control codes are painted as glyphs instead of
// acting. (The soft-key label line, which would paint its labels the same way, is never
// shown in this runtime, so this is the only switch.)
bool controls_as_glyphs = false;

constexpr int32_t BELL_PAUSE_MS = 250;
constexpr int32_t TAB_STOP = 8;
constexpr int32_t PRINT_ZONE_COLUMNS = 14;

void real_bell_pause(int32_t ms) {
    platform_sleep_ms(ms);
}

void (*bell_pause)(int32_t ms) = real_bell_pause;

enum ControlCode : uint8_t {
    CODE_BELL = 7,
    CODE_TAB = 9,
    CODE_LINE_FEED = 10,
    CODE_HOME = 11,
    CODE_CLEAR = 12,
    CODE_CARRIAGE_RETURN = 13,
    CODE_CURSOR_RIGHT = 28,
    CODE_CURSOR_LEFT = 29,
    CODE_CURSOR_UP = 30,
    CODE_CURSOR_DOWN = 31,
};

bool is_acting_control(uint8_t c) {
    switch (c) {
        case CODE_BELL:
        case CODE_TAB:
        case CODE_LINE_FEED:
        case CODE_HOME:
        case CODE_CLEAR:
        case CODE_CARRIAGE_RETURN:
        case CODE_CURSOR_RIGHT:
        case CODE_CURSOR_LEFT:
        case CODE_CURSOR_UP:
        case CODE_CURSOR_DOWN:
            return true;
        default:
            return false;
    }
}

ImageRecord& page() {
    return *write_page.image;
}

// Whether the cell at the cursor still lies on the line. On pixel pages a whole glyph
// cell must fit inside the width, which is what counting columns as whole cells gives.
bool cursor_cell_fits(const ImageRecord& p) {
    return p.cursor_col <= image_text_columns(p);
}

// Console images send their text to standard output and keep no cursor. The text ends
// at its first zero byte, as a zero-terminated string would.
void print_to_console(const StrDesc* text, LineEnd line_end) {
    const uint8_t* bytes = text->text;
    const void* zero = text->length > 0 ? std::memchr(bytes, 0, text->length) : nullptr;
    const size_t length = zero != nullptr ? static_cast<const uint8_t*>(zero) - bytes
                                          : static_cast<size_t>(text->length);
    if (length > 0) std::fwrite(bytes, 1, length, stdout);
    if (line_end == WITH_LINE_END) {
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

// Paints c at the cursor and advances. At the right edge the cursor parks on the last
// column when nothing follows and no line end is asked for (so that a line end, if one
// comes later, moves one line only), and otherwise moves to the next line. Returns true
// when it moved to the next line.
bool paint_and_advance(uint8_t c, bool last_of_text, LineEnd line_end) {
    if (printer_route_active != 0 && printer_column > printer_line_width) print_newline();
    draw_char(c);
    ImageRecord& p = page();
    p.cursor_col = static_cast<int16_t>(p.cursor_col + 1);
    if (printer_route_active != 0) ++printer_column;
    if (cursor_cell_fits(p)) return false;
    if (last_of_text && line_end == WITHOUT_LINE_END) {
        const int32_t last_column = image_text_columns(p);
        // An image narrower than one cell has no last column; the cursor stays on the page.
        p.cursor_col = static_cast<int16_t>(last_column > 0 ? last_column : 1);
        p.wrap_pending = 1;
        return false;
    }
    print_newline();
    return true;
}

// A tab paints spaces up to the next tab stop (columns 9, 17, 25, ...), at least one.
// While more spaces follow, the text is not at its end for the right-edge rule. A tab
// that runs into the next line ends there: on a page whose width is not a multiple of
// the tab stop it would otherwise never reach a stop.
bool tab(bool last_of_text, LineEnd line_end) {
    for (;;) {
        const bool repeat = page().cursor_col % TAB_STOP != 0;
        if (paint_and_advance(' ', last_of_text && !repeat, line_end)) return true;
        if (!repeat) return false;
    }
}

void cursor_right() {
    ImageRecord& p = page();
    if (printer_route_active != 0) ++printer_column;
    if (p.cursor_col < image_text_columns(p)) {
        p.cursor_col = static_cast<int16_t>(p.cursor_col + 1);
    } else if (p.cursor_row < p.text_bottom) {
        p.cursor_col = 1;
        p.cursor_row = static_cast<int16_t>(p.cursor_row + 1);
    }
}

void cursor_left() {
    ImageRecord& p = page();
    if (printer_route_active != 0 && printer_column > 1) --printer_column;
    if (p.cursor_col != 1) {
        p.cursor_col = static_cast<int16_t>(p.cursor_col - 1);
    } else if (p.cursor_row != p.text_top && p.cursor_row <= p.text_bottom && p.cursor_row > 1) {
        const int32_t last_column = image_text_columns(p);
        p.cursor_col = static_cast<int16_t>(last_column > 0 ? last_column : 1);
        p.cursor_row = static_cast<int16_t>(p.cursor_row - 1);
    }
}

// Acts on a control code; returns true when it moved the cursor to a new line by
// wrapping (only a tab can).
bool act_on_control(uint8_t c, bool last_of_text, LineEnd line_end) {
    ImageRecord& p = page();
    switch (c) {
        case CODE_BELL:
            // The bell makes no sound; it only takes its time.
            bell_pause(BELL_PAUSE_MS);
            return false;
        case CODE_TAB:
            return tab(last_of_text, line_end);
        case CODE_LINE_FEED:
        case CODE_CARRIAGE_RETURN:
            print_newline();
            return false;
        case CODE_HOME:
            p.cursor_col = 1;
            p.cursor_row = p.text_top;
            printer_column = 1;
            return false;
        case CODE_CLEAR:
            if (printer_route_active != 0 && printer_page_hand_off != nullptr) {
                printer_page_hand_off();
            }
            clear_screen(0, 0, 0);
            printer_column = 1;
            return false;
        case CODE_CURSOR_RIGHT:
            cursor_right();
            return false;
        case CODE_CURSOR_LEFT:
            cursor_left();
            return false;
        case CODE_CURSOR_UP:
            if (p.cursor_row > p.text_top && p.cursor_row <= p.text_bottom) {
                p.cursor_row = static_cast<int16_t>(p.cursor_row - 1);
            }
            return false;
        case CODE_CURSOR_DOWN:
            if (p.cursor_row >= p.text_top && p.cursor_row < p.text_bottom) {
                p.cursor_row = static_cast<int16_t>(p.cursor_row + 1);
            }
            return false;
        default:
            return false;
    }
}

}  // namespace

void text_output_init() {
    controls_as_glyphs = false;
    printer_route_active = 0;
    printer_column = 1;
}

void text_output_seam_bell(void (*pause)(int32_t ms)) {
    bell_pause = pause != nullptr ? pause : real_bell_pause;
}

void print_string(const StrDesc* text, LineEnd line_end) {
    if (error_pending()) return;
    if (page().console != 0) {
        print_to_console(text, line_end);
        return;
    }
    const uint32_t length = text->length;
    if (page().wrap_pending != 0 && (length > 0 || line_end == WITH_LINE_END)) {
        // The parked cursor absorbs a bare line end; anything printed starts a new line.
        page().wrap_pending = 0;
        if (length > 0) print_newline();
    }
    bool wrapped = false;
    for (uint32_t i = 0; i < length; ++i) {
        // A clear or a new line never allocates a string, so the text stays in place.
        const uint8_t c = text->text[i];
        const bool last_of_text = i + 1 == length;
        if (!controls_as_glyphs && is_acting_control(c)) {
            wrapped = act_on_control(c, last_of_text, line_end);
        } else {
            wrapped = paint_and_advance(c, last_of_text, line_end);
        }
    }
    if (line_end == WITH_LINE_END && !wrapped) print_newline();
}

void print_fit_check(const StrDesc* text) {
    if (error_pending()) return;
    ImageRecord& p = page();
    if (p.wrap_pending != 0 || p.cursor_col == 1 || p.console != 0) return;
    const int64_t length = text->length;
    const bool fits = p.text_mode != 0
                          ? p.cursor_col + length - 1 <= p.width
                          // Built-in fonts print 8 pixels a byte, even the doubled ones.
                          : int64_t{p.cursor_col - 1} * font_width[p.font] + 8 * length <= p.width;
    if (!fits) print_newline();
}

void print_zone() {
    if (error_pending()) return;
    ImageRecord& p = page();
    if (p.wrap_pending != 0) {
        print_newline();
        p.wrap_pending = 0;
        return;
    }
    if (p.console != 0) {
        // A console keeps no cursor to count zones by: the separator is one space.
        print_string(shared_space_string, WITHOUT_LINE_END);
        return;
    }
    const int32_t columns = image_text_columns(p);
    for (;;) {
        print_string(shared_space_string, WITHOUT_LINE_END);
        const int32_t column = page().cursor_col;
        if (column == 1) return;
        if ((column - 1) % PRINT_ZONE_COLUMNS == 0 && column <= columns - 13) return;
        if (column >= columns) return;
    }
}

void set_control_chars(int32_t mode) {
    controls_as_glyphs = mode == 2;
}

int32_t cursor_column() {
    const ImageRecord& p = page();
    return p.wrap_pending != 0 ? 1 : p.cursor_col;
}

int32_t cursor_line() {
    const ImageRecord& p = page();
    if (p.wrap_pending == 0) return p.cursor_row;
    return p.cursor_row < p.text_bottom ? p.cursor_row + 1 : p.text_bottom;
}
