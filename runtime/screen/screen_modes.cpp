// The screen-mode statement, the selections and the display handshake that makes page
// rebuilds safe while another thread composes frames.
#include <algorithm>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/display/display.h"
#include "runtime/platform/thread.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/private/screen_state.h"

ImageSelection write_page;
ImageSelection source_image;
std::atomic<int32_t> display_page_slot{0};
std::atomic<ImageRecord*> display_page{nullptr};
int32_t active_page_number = 0;
int32_t borrowed_page0 = 0;
int32_t pending_cols = -1;
int32_t pending_rows = -1;
int32_t pending_font = -1;
int32_t auto_tall_text = 0;
int32_t printer_line_width = 80;
std::atomic<int32_t> display_handshake{HANDSHAKE_IDLE};

namespace {

// ---------------------------------------------------------------------------------------
// Emulated video memory. Text pages sit one after another from B8000h as far as 64 KB
// holds them; page 0 of mode 13 is the 64 000 bytes from A0000h.
// ---------------------------------------------------------------------------------------
constexpr uint32_t TEXT_VIDEO_MEMORY = 0xB8000;
constexpr uint32_t TEXT_VIDEO_MEMORY_BYTES = 65536;
constexpr uint32_t MODE13_VIDEO_MEMORY = 0xA0000;
constexpr int32_t TEXT_PAGES = 8;

int32_t handshake_depth = 0;
bool handshake_taken = false;

bool is_screen_mode(int32_t mode) {
    return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13);
}

struct TextGrid {
    int32_t columns = 0;
    int32_t rows = 0;
};

TextGrid text_grid_of(int32_t slot) {
    if (slot == 0) return {};
    const ImageRecord& page = *image_at(slot);
    return {image_text_columns(page), image_text_rows(page)};
}

// Font of a text screen: 16 for 25 rows, 14 for 43, 8 for 50, the doubled form for 40
// columns.
int32_t text_font_for(int32_t columns, int32_t rows) {
    int32_t font = 16;
    if (rows == 43) font = 14;
    if (rows == 50) font = 8;
    return columns == 40 ? font + 1 : font;
}

struct TextScreen {
    int32_t columns;
    int32_t rows;
    int32_t font;
};

// The grid and font of a new text screen, from the values the width statement left and
// the grid of the screen being replaced.
TextScreen choose_text_screen(TextGrid old) {
    const bool columns_pending = pending_cols != -1;
    const bool rows_pending = pending_rows != -1;
    TextScreen s{80, 25, 16};
    if (columns_pending && rows_pending && pending_font != -1) {
        s = {pending_cols, pending_rows, pending_font};
    } else if (!columns_pending && !rows_pending) {
        // clang-format off
        struct Kept { int32_t columns, rows, font; };
        constexpr Kept KEPT_GRIDS[] = {
            // columns rows font
            {80,       50,  8},
            {40,       50,  9},
            {80,       43,  8},
            {40,       43,  9},
            {40,       25,  17},
        };
        // clang-format on
        for (const Kept& k : KEPT_GRIDS) {
            if (old.columns == k.columns && old.rows == k.rows) s = {k.columns, k.rows, k.font};
        }
    } else {
        // Only part of the grid was asked for: the rest follows the old screen.
        s.columns = columns_pending ? pending_cols : (old.columns == 40 ? 40 : 80);
        s.rows = rows_pending ? pending_rows : (old.rows == 43 || old.rows == 50 ? old.rows : 25);
        s.font = text_font_for(s.columns, s.rows);
    }
    if (s.columns == 40 && s.rows == 25) s.font = 17;
    if (s.columns == 80 && s.rows == 25) s.font = 16;
    return s;
}

// A screen page must exist: without one there is nothing left to show.
int32_t require_page(int32_t slot) {
    if (slot == 0) critical_error(CRITICAL_IMAGE_TABLE);
    return slot;
}

void free_all_screen_pages() {
    for (int32_t n = 1; n < page_table.size; ++n) {
        if (page_table.slots[n] != 0) image_release(page_table.slots[n]);
    }
    const int32_t page0 = page_table.slots[0];
    if (page0 != 0) {
        if (borrowed_page0 != 0) {
            image_at(page0)->image_flags &= ~SCREEN_PAGE;
        } else {
            image_release(page0);
        }
    }
    page_table.size = 1;
    page_table.slots[0] = 0;
    borrowed_page0 = 0;
}

// Builds the eight pages of a text screen, in video memory as far as it holds them.
int32_t build_text_screen(TextGrid old) {
    const TextScreen s = choose_text_screen(old);
    int64_t page_bytes = static_cast<int64_t>(s.columns) * s.rows * 2;
    // The classic adapters kept 25-row pages on 4 KB and 2 KB boundaries.
    if (s.columns == 80 && s.rows == 25) page_bytes = 4096;
    if (s.columns == 40 && s.rows == 25) page_bytes = 2048;
    const int64_t in_video_memory =
        std::min<int64_t>(TEXT_VIDEO_MEMORY_BYTES / page_bytes, TEXT_PAGES);
    if (!page_table_grow(TEXT_PAGES - 1)) critical_error(CRITICAL_IMAGE_TABLE);
    for (int32_t i = 0; i < TEXT_PAGES; ++i) {
        const int32_t slot =
            i < in_video_memory ? image_over_buffer(low_memory + TEXT_VIDEO_MEMORY + i * page_bytes,
                                                    s.columns, s.rows, 0)
                                : image_new(s.columns, s.rows, 0);
        require_page(slot);
        ImageRecord& page = *image_at(slot);
        if (i > 0) share_page0_palette(page);
        image_set_font(s.font, slot);
        page.image_flags |= SCREEN_PAGE;
        page_table.slots[i] = slot;
    }
    fill_blank_cells(low_memory + TEXT_VIDEO_MEMORY, TEXT_VIDEO_MEMORY_BYTES / 2);
    pending_cols = -1;
    pending_rows = -1;
    pending_font = -1;
    return page_table.slots[0];
}

// Builds page 0 of mode (a negative mode names the image that becomes page 0).
int32_t build_page0(int32_t mode, TextGrid old) {
    int32_t slot = 0;
    switch (mode) {
        case 0:
            return build_text_screen(old);
        case 13:
            slot = require_page(image_over_buffer(low_memory + MODE13_VIDEO_MEMORY, 320, 200, 13));
            std::memset(low_memory + MODE13_VIDEO_MEMORY, 0, 320 * 200);
            break;
        case 11:
        case 12:
            slot = require_page(image_new(640, 480, mode));
            if (old.columns == 80 && old.rows == 60) image_set_font(8, slot);
            break;
        case 9:
        case 10:
            slot = require_page(image_new(640, 350, mode));
            if (old.columns == 80 && old.rows == 43) image_set_font(8, slot);
            break;
        case 2:
        case 8:
            slot = require_page(image_new(640, 200, mode));
            break;
        case 1:
        case 7:
            slot = require_page(image_new(320, 200, mode));
            break;
        default:
            slot = static_cast<int32_t>(-static_cast<int64_t>(mode));
            borrowed_page0 = 1;
            break;
    }
    image_at(slot)->image_flags |= SCREEN_PAGE;
    page_table.slots[0] = slot;
    return slot;
}

void copy_graphics_state(ImageRecord& to, const ImageRecord& from) {
    const size_t begin = offsetof(ImageRecord, view_x1);
    const size_t end = offsetof(ImageRecord, draw_scale) + sizeof(double);
    std::memcpy(reinterpret_cast<uint8_t*>(&to) + begin,
                reinterpret_cast<const uint8_t*>(&from) + begin, end - begin);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Selections
// ---------------------------------------------------------------------------------------

void select_write_page(int32_t slot) {
    write_page = {slot, slot != 0 ? image_at(slot) : nullptr};
}

void select_source_image(int32_t slot) {
    source_image = {slot, slot != 0 ? image_at(slot) : nullptr};
}

void select_display_page(int32_t slot) {
    display_page_slot.store(slot, std::memory_order_release);
    display_page.store(slot != 0 ? image_at(slot) : nullptr, std::memory_order_release);
}

void refresh_selections() {
    select_write_page(write_page.slot);
    select_source_image(source_image.slot);
    select_display_page(display_page_slot.load(std::memory_order_acquire));
}

void image_default_colours(ImageRecord& image) {
    image.fg = 15;
    image.bg = 0;
    switch (image.compat_mode) {
        case 0:
            image.fg = 7;
            break;
        case 1:
        case 10:
            image.fg = 3;
            break;
        case 2:
        case 11:
            image.fg = 1;
            break;
        case 32:
            image.fg = static_cast<int32_t>(0xFFFFFFFFu);
            image.bg = 0xFF000000;
            break;
        default:
            break;
    }
    image.draw_colour = static_cast<uint32_t>(image.fg);
}

void reset_write_page_text_state() {
    ImageRecord& page = *write_page.image;
    image_default_colours(page);
    const int32_t rows = image_text_rows(page);
    page.text_top = 1;
    if (page.cursor_row > rows) page.cursor_row = 1;
    page.text_bottom = static_cast<int16_t>(rows - 1 < 1 ? 1 : rows - 1);
}

// ---------------------------------------------------------------------------------------
// The display handshake
// ---------------------------------------------------------------------------------------

void rebuild_begin() {
    if (handshake_depth++ > 0) return;
    handshake_taken = auto_display.load(std::memory_order_acquire) != 0 &&
                      threads_started.load(std::memory_order_acquire) != 0;
    if (!handshake_taken) return;
    int32_t idle = HANDSHAKE_IDLE;
    display_handshake.compare_exchange_strong(idle, HANDSHAKE_REQUESTED, std::memory_order_acq_rel);
    // The housekeeping thread answers within one compose tick whenever automatic display
    // is on; once the exit sequence has begun nobody answers, and the program thread
    // parks here as it would at its next checkpoint.
    while (display_handshake.load(std::memory_order_acquire) != HANDSHAKE_GRANTED) {
        if (exit_in_progress.load(std::memory_order_acquire) != 0) park_program_thread();
        platform_sleep_ms(0);
    }
}

void rebuild_end() {
    if (--handshake_depth > 0) return;
    if (handshake_taken) display_handshake.store(HANDSHAKE_IDLE, std::memory_order_release);
    handshake_taken = false;
}

bool display_handshake_answer() {
    int32_t requested = HANDSHAKE_REQUESTED;
    if (display_handshake.compare_exchange_strong(requested, HANDSHAKE_GRANTED,
                                                  std::memory_order_acq_rel)) {
        platform_wake_sleepers();
        platform_sleep_ms(0);
    }
    return display_handshake.load(std::memory_order_acquire) == HANDSHAKE_IDLE;
}

// ---------------------------------------------------------------------------------------
// set_screen_mode
// ---------------------------------------------------------------------------------------

void set_screen_mode(int32_t mode, int32_t /*colour_switch*/, int32_t active_page,
                     int32_t visual_page, int32_t /*reserved*/, int32_t presence) {
    if (error_pending()) return;
    const bool mode_given = (presence & SCREEN_MODE_GIVEN) != 0;
    const bool active_given = (presence & SCREEN_ACTIVE_PAGE_GIVEN) != 0;
    bool visual_given = (presence & SCREEN_VISUAL_PAGE_GIVEN) != 0;
    if (auto_tall_text != 0 && !(presence == SCREEN_MODE_GIVEN && mode == 0)) auto_tall_text = 0;

    // Everything is checked before anything changes.
    const int32_t page0 = page_table.slots[0];
    bool mode_change = false;
    if (mode_given) {
        if (mode < 0) {
            const int32_t slot = slot_of_negative_handle(mode);
            if (slot == 0) {
                raise_error(ERROR_INVALID_HANDLE);
                return;
            }
            // Another screen page cannot become page 0: the rebuild frees it.
            const ImageRecord& image = *image_at(slot);
            if (slot != page0 && is_screen_page(image)) {
                raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
                return;
            }
            mode_change = slot != page0;
        } else if (!is_screen_mode(mode)) {
            raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
            return;
        } else {
            mode_change = page0 == 0 || image_at(page0)->compat_mode != mode ||
                          pending_cols != -1 || pending_rows != -1 || pending_font != -1;
        }
    }
    if (active_given && active_page < 0) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (active_given && !visual_given) {
        visual_page = active_page;
        visual_given = true;
    }
    if (visual_given && visual_page < 0) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    bool page_change = false;
    bool visual_change = false;
    if (!mode_change) {
        if (active_given) {
            const int32_t slot = page_slot(active_page);
            if (slot == 0) return;
            page_change = slot != write_page.slot || slot != source_image.slot;
        }
        if (visual_given) {
            const int32_t slot = page_slot(visual_page);
            if (slot == 0) return;
            visual_change = slot != display_page_slot.load(std::memory_order_acquire);
        }
    }
    // The same mode again is not a rebuild: the screen keeps its contents and cursor.
    if (!mode_change && !page_change && !visual_change) return;

    if (mode_change) rebuild_begin();
    previous_frame_valid.store(0, std::memory_order_release);

    if (mode_change) {
        const TextGrid old = text_grid_of(page0);
        free_all_screen_pages();
        const int32_t slot = build_page0(mode, old);
        select_write_page(slot);
        select_source_image(slot);
        select_display_page(slot);
        write_page.image->draw_angle = 0;
        write_page.image->draw_scale = 1.0;
        active_page_number = 0;
        // The soft-key label line would be redrawn here; this runtime never shows it.
    }

    if (active_given) {
        const int32_t before = page_table.slots[active_page_number];
        const int32_t slot = require_page(page_slot(active_page));
        if (slot != write_page.slot || slot != source_image.slot) {
            select_write_page(slot);
            select_source_image(slot);
            reset_write_page_text_state();
        }
        if (active_page != active_page_number) {
            if (write_page.image->text_mode == 0 && before != 0)
                copy_graphics_state(*write_page.image, *image_at(before));
            active_page_number = active_page;
        }
    }
    if (visual_given) {
        const int32_t slot = require_page(page_slot(visual_page));
        if (slot != display_page_slot.load(std::memory_order_acquire)) {
            select_display_page(slot);
            reset_write_page_text_state();
        }
    }

    if (mode_change) rebuild_end();
}
