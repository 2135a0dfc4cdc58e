// Cursor placement and the text-window statement.
//
// Rows and columns count from 1 and are checked against the write page's text grid. The
// text cursor's visibility and shape belong to the display rather than to one page, so
// on a screen page they are given to every page of the screen.
#include <algorithm>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/screen/images.h"
#include "runtime/screen/private/screen_state.h"
#include "runtime/screen/text_screen.h"

namespace {

// The start-up screen's page 0 is the 80x25 page at the very start of text video
// memory; 4000 bytes of cells.
constexpr size_t TEXT_VIDEO_MEMORY = 0xB8000;
constexpr size_t START_UP_PAGE_BYTES = 80 * 25 * 2;
constexpr int32_t TALL_TEXT_COLUMNS = 80;
constexpr int32_t TALL_TEXT_ROWS = 50;

// Scan lines of a cursor shape.
constexpr int32_t CURSOR_LINE_MAX = 31;

bool in_range(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

// The one switch of the start-up screen to 80x50 text: a program written for a taller
// screen places the cursor below row 25 before it prints there. What the screen showed
// stays on its first 25 rows, and the colours carry over to the new write page.
void switch_to_tall_text() {
    uint8_t shown[START_UP_PAGE_BYTES];
    std::memcpy(shown, low_memory + TEXT_VIDEO_MEMORY, sizeof(shown));
    const int32_t fg = write_page.image->fg;
    const uint32_t bg = write_page.image->bg;
    // One bracket around the rebuild and the copy back, so that no frame shows the
    // screen blank in between.
    rebuild_begin();
    set_width(WIDTH_DEVICE_SCREEN, TALL_TEXT_COLUMNS, TALL_TEXT_ROWS,
              WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
    if (!error_pending()) {
        std::memcpy(low_memory + TEXT_VIDEO_MEMORY, shown, sizeof(shown));
        write_page.image->fg = fg;
        write_page.image->bg = bg;
    }
    rebuild_end();
}

template <typename Apply>
void for_each_screen_page(Apply apply) {
    for (int32_t n = 0; n < page_table.size; ++n) {
        if (page_table.slots[n] != 0) apply(*image_at(page_table.slots[n]));
    }
}

}  // namespace

void locate(int32_t row, int32_t column, int32_t visible, int32_t start, int32_t stop,
            int32_t presence) {
    if (error_pending() || write_page.image == nullptr) return;
    const bool row_given = (presence & LOCATE_ROW_GIVEN) != 0;
    const bool column_given = (presence & LOCATE_COLUMN_GIVEN) != 0;
    const bool visible_given = (presence & LOCATE_VISIBLE_GIVEN) != 0;
    const bool start_given = (presence & LOCATE_START_GIVEN) != 0;
    const bool stop_given = (presence & LOCATE_STOP_GIVEN) != 0;

    if (row_given) {
        const ImageRecord& page = *write_page.image;
        if (row < page.text_top) {
            raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
            return;
        }
        // The last row is always reachable; other rows must lie in the text window.
        if (row != image_text_rows(page) && row > page.text_bottom) {
            if (auto_tall_text == 0) {
                raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
                return;
            }
            auto_tall_text = 0;
            if (row > TALL_TEXT_ROWS ||
                (column_given && !in_range(column, 1, image_text_columns(page)))) {
                raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
                return;
            }
            switch_to_tall_text();
            if (error_pending()) return;
        }
    }

    ImageRecord& page = *write_page.image;
    if ((column_given && !in_range(column, 1, image_text_columns(page))) ||
        (visible_given && !in_range(visible, 0, 1)) ||
        (start_given && !in_range(start, 0, CURSOR_LINE_MAX)) ||
        (stop_given && !in_range(stop, 0, CURSOR_LINE_MAX))) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }

    if (row_given) {
        page.cursor_row = static_cast<int16_t>(row);
        page.wrap_pending = 0;
    }
    if (column_given) {
        page.cursor_col = static_cast<int16_t>(column);
        page.wrap_pending = 0;
    }
    // A bare placement shows a cursor parked on the last column at the start of the next
    // line, where the next character will go.
    if (!row_given && !column_given && page.wrap_pending == 1) page.wrap_pending = 2;

    const bool screen = is_screen_page(page);
    if (visible_given) {
        page.cursor_visible = visible != 0 ? 1 : 0;
        const uint8_t shown = page.cursor_visible;
        if (screen) for_each_screen_page([shown](ImageRecord& p) { p.cursor_visible = shown; });
    }
    if (start_given) page.cursor_start = static_cast<uint8_t>(start);
    if (stop_given) page.cursor_stop = static_cast<uint8_t>(stop);
    if ((start_given || stop_given) && screen) {
        const uint8_t first = page.cursor_start;
        const uint8_t last = page.cursor_stop;
        for_each_screen_page([first, last](ImageRecord& p) {
            p.cursor_start = first;
            p.cursor_stop = last;
        });
    }
}

void set_text_window(int32_t top, int32_t bottom, Given given) {
    if (error_pending() || write_page.image == nullptr) return;
    ImageRecord& page = *write_page.image;
    const int32_t rows = image_text_rows(page);
    if (given == GIVEN) {
        if (top < 1 || top > bottom || bottom > rows) {
            raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
            return;
        }
        page.text_top = static_cast<int16_t>(top);
        page.text_bottom = static_cast<int16_t>(bottom);
        page.cursor_row = static_cast<int16_t>(top);
    } else {
        page.text_top = 1;
        // A page smaller than one text cell still keeps a window of one row.
        page.text_bottom = static_cast<int16_t>(std::max(rows, 1));
        page.cursor_row = 1;
    }
    page.cursor_col = 1;
    page.wrap_pending = 0;
}
