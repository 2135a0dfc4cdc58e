// The image table: slots, their free stack, building images with their mode's defaults,
// and the page table that names screen pages by number.
#include <cstdlib>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/private/screen_state.h"

ImageTable image_table;
PageTable page_table;

namespace {

// Slots 0 and 1 are taken at start-up and never handed out, so that handle -1 can mean
// "no image" and handle 0 always means page 0.
constexpr int32_t RESERVED_SLOTS = 2;

constexpr ErrorCode CRITICAL_IMAGE_FREE_STACK = 503;

struct ModeDefaults {
    int32_t mode;
    uint8_t bits_per_pixel;
    uint8_t bytes_per_pixel;
    int32_t font;
    int32_t fg;
    uint32_t bg;
};

// What an image of each mode starts with; modes 256 and 32 exist for images only.
// clang-format off
constexpr ModeDefaults MODE_DEFAULTS[] = {
    // mode bits bytes font fg                                  bg
    {0,    16,  2,    16,  7,                                  0},
    {1,    2,   1,    8,   3,                                  0},
    {2,    1,   1,    8,   1,                                  0},
    {7,    4,   1,    8,   15,                                 0},
    {8,    4,   1,    8,   15,                                 0},
    {9,    4,   1,    14,  15,                                 0},
    {10,   2,   1,    14,  3,                                  0},
    {11,   1,   1,    16,  1,                                  0},
    {12,   4,   1,    16,  15,                                 0},
    {13,   8,   1,    8,   15,                                 0},
    {32,   32,  4,    16,  static_cast<int32_t>(0xFFFFFFFFu), 0xFF000000},
    {256,  8,   1,    16,  15,                                 0},
};
// clang-format on

const ModeDefaults* mode_defaults(int32_t mode) {
    for (const ModeDefaults& d : MODE_DEFAULTS) {
        if (d.mode == mode) return &d;
    }
    return nullptr;
}

// The rows of the text window on a fresh image stop one short of the bottom, so text
// scrolls above the last row and only cursor placement reaches it.
int16_t text_bottom_for(const ImageRecord& image) {
    const int32_t rows = image_text_rows(image);
    return static_cast<int16_t>(rows - 1 < 1 ? 1 : rows - 1);
}

// Sets every field the mode decides, leaving the buffer, flags, palette pointer and the
// slot's bookkeeping (lock, validity, console) alone.
void apply_mode_defaults(ImageRecord& im, const ModeDefaults& d, int32_t width, int32_t height) {
    ImageRecord kept = im;
    std::memset(&im, 0, sizeof(im));
    im.lock = kept.lock;
    im.lock_id = kept.lock_id;
    im.valid = kept.valid;
    im.console = kept.console;
    im.pixels = kept.pixels;
    im.image_flags = kept.image_flags;
    im.palette = kept.palette;

    im.width = static_cast<uint16_t>(width);
    im.height = static_cast<uint16_t>(height);
    im.compat_mode = static_cast<uint16_t>(d.mode);
    im.bits_per_pixel = d.bits_per_pixel;
    im.bytes_per_pixel = d.bytes_per_pixel;
    im.font = d.font;
    im.fg = d.fg;
    im.bg = d.bg;
    im.draw_colour = static_cast<uint32_t>(im.fg);
    im.print_mode = PRINT_FILL_BACKGROUND;
    im.draw_angle = 0;
    im.draw_scale = 1.0;
    im.colour_mask = d.bits_per_pixel > 31 ? 0xFFFFFFFFu : (1u << d.bits_per_pixel) - 1;
    if (d.mode == 0) {
        im.text_mode = 1;
        im.cursor_visible = 0;
        im.cursor_start = 4;
        im.cursor_stop = 4;
    }
    im.cursor_col = 1;
    im.cursor_row = 1;
    im.text_top = 1;
    im.text_bottom = text_bottom_for(im);
    if (d.mode != 0) {
        im.gfx_x = static_cast<float>(width) / 2;
        im.gfx_y = static_cast<float>(height) / 2;
        im.view_x2 = width - 1;
        im.view_y2 = height - 1;
        im.window_scale_x = 1;
        im.window_scale_y = 1;
        im.window_x2 = static_cast<float>(width - 1);
        im.window_y2 = static_cast<float>(height - 1);
    }
}

size_t buffer_bytes(const ImageRecord& im) {
    return static_cast<size_t>(im.width) * im.height * im.bytes_per_pixel;
}

void clear_buffer(ImageRecord& im) {
    if (im.pixels == nullptr) return;
    if (im.text_mode != 0) {
        fill_blank_cells(im.pixels, static_cast<size_t>(im.width) * im.height);
    } else {
        std::memset(im.pixels, 0, buffer_bytes(im));
    }
}

void grow_image_table() {
    const int32_t new_capacity = image_table.capacity + IMAGE_SLOT_GROWTH;
    // The composer holds a pointer to the display page, which moves with the table.
    rebuild_begin();
    void* grown =
        std::realloc(image_table.slots, static_cast<size_t>(new_capacity) * sizeof(ImageRecord));
    if (grown == nullptr) critical_error(CRITICAL_IMAGE_TABLE);
    image_table.slots = static_cast<ImageRecord*>(grown);
    std::memset(image_table.slots + image_table.capacity, 0,
                static_cast<size_t>(IMAGE_SLOT_GROWTH) * sizeof(ImageRecord));
    image_table.capacity = new_capacity;
    refresh_selections();
    rebuild_end();
}

void grow_free_stack() {
    const int32_t new_capacity = image_table.free_capacity + IMAGE_SLOT_GROWTH;
    void* grown =
        std::realloc(image_table.free_stack, static_cast<size_t>(new_capacity) * sizeof(int32_t));
    if (grown == nullptr) critical_error(CRITICAL_IMAGE_FREE_STACK);
    image_table.free_stack = static_cast<int32_t*>(grown);
    image_table.free_capacity = new_capacity;
}

}  // namespace

bool page_table_grow(int32_t n) {
    if (n < page_table.size) return true;
    const int64_t new_size = static_cast<int64_t>(n) + 1;
    void* grown = std::realloc(page_table.slots, static_cast<size_t>(new_size) * sizeof(int32_t));
    if (grown == nullptr) return false;
    page_table.slots = static_cast<int32_t*>(grown);
    std::memset(page_table.slots + page_table.size, 0,
                static_cast<size_t>(new_size - page_table.size) * sizeof(int32_t));
    page_table.size = static_cast<int32_t>(new_size);
    return true;
}

namespace {

// Drops whatever an earlier table held, so that start-up can run again in one process.
void release_previous_table() {
    for (int32_t slot = 0; slot < image_table.handed_out; ++slot) {
        ImageRecord& im = image_table.slots[slot];
        if (im.valid == 0) continue;
        if ((im.image_flags & PIXELS_OWNED) != 0) std::free(im.pixels);
        if ((im.image_flags & PALETTE_OWNED) != 0) std::free(im.palette);
    }
    std::free(image_table.slots);
    std::free(image_table.free_stack);
    std::free(page_table.slots);
    image_table = ImageTable{};
    page_table = PageTable{};
}

}  // namespace

void image_table_init() {
    release_previous_table();
    image_table.slots =
        static_cast<ImageRecord*>(std::calloc(IMAGE_SLOT_GROWTH, sizeof(ImageRecord)));
    image_table.free_stack = static_cast<int32_t*>(std::calloc(IMAGE_SLOT_GROWTH, sizeof(int32_t)));
    page_table.slots = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
    if (image_table.slots == nullptr || image_table.free_stack == nullptr ||
        page_table.slots == nullptr) {
        critical_error(CRITICAL_IMAGE_TABLE);
    }
    image_table.capacity = IMAGE_SLOT_GROWTH;
    image_table.free_capacity = IMAGE_SLOT_GROWTH;
    page_table.size = 1;
    for (int32_t i = 0; i < RESERVED_SLOTS; ++i) {
        const int32_t slot = image_slot_new();
        image_table.slots[slot].valid = 0;
    }
    select_write_page(0);
    select_source_image(0);
    select_display_page(0);
    active_page_number = 0;
    borrowed_page0 = 0;
    pending_cols = -1;
    pending_rows = -1;
    pending_font = -1;
    auto_tall_text = 0;
    printer_line_width = 80;
    display_handshake.store(HANDSHAKE_IDLE, std::memory_order_release);
}

int32_t image_slot_new() {
    int32_t slot;
    if (image_table.free_count > 0) {
        slot = image_table.free_stack[--image_table.free_count];
    } else {
        if (image_table.handed_out == image_table.capacity) grow_image_table();
        slot = image_table.handed_out++;
    }
    image_table.slots[slot].valid = 1;
    return slot;
}

int32_t image_slot_free(int32_t slot) {
    if (slot < 0 || slot >= image_table.capacity || image_table.slots[slot].valid == 0) return 0;
    if (image_table.free_count == image_table.free_capacity) grow_free_stack();
    ImageRecord& im = image_table.slots[slot];
    if (im.lock_id != 0) lock_release(im.lock);
    std::memset(&im, 0, sizeof(im));
    image_table.free_stack[image_table.free_count++] = slot;
    return 1;
}

int32_t image_over_buffer(uint8_t* buffer, int32_t width, int32_t height, int32_t mode) {
    if (width < 1 || height < 1) return 0;
    const ModeDefaults* defaults = mode_defaults(mode);
    if (defaults == nullptr) return 0;
    const int32_t slot = image_slot_new();
    ImageRecord& im = *image_at(slot);
    im.pixels = buffer;
    apply_mode_defaults(im, *defaults, width, height);
    if (mode != 32) {
        im.palette = static_cast<uint32_t*>(std::calloc(PALETTE_ENTRIES, sizeof(uint32_t)));
        if (im.palette == nullptr) {
            image_slot_free(slot);
            return 0;
        }
        im.image_flags |= PALETTE_OWNED;
        default_palette(&im);
        im.transparent = -1;
    }
    return slot;
}

int32_t image_new(int32_t width, int32_t height, int32_t mode) {
    const int32_t slot = image_over_buffer(nullptr, width, height, mode);
    if (slot == 0) return 0;
    ImageRecord& im = *image_at(slot);
    if (buffer_bytes(im) <= IMAGE_BUFFER_MAX_BYTES)
        im.pixels = static_cast<uint8_t*>(std::calloc(buffer_bytes(im), 1));
    if (im.pixels == nullptr) {
        image_release(slot);
        return 0;
    }
    if (im.text_mode != 0) clear_buffer(im);
    im.image_flags |= PIXELS_OWNED;
    return slot;
}

void image_reset(int32_t slot) {
    ImageRecord& im = *image_at(slot);
    const ModeDefaults* defaults = mode_defaults(im.compat_mode);
    if (defaults == nullptr) return;
    apply_mode_defaults(im, *defaults, im.width, im.height);
    if (im.compat_mode != 32 && im.palette != nullptr) {
        default_palette(&im);
        im.transparent = -1;
    }
    clear_buffer(im);
}

void image_set_font(int32_t font, int32_t slot) {
    ImageRecord& im = *image_at(slot);
    im.font = font;
    im.cursor_col = 1;
    im.cursor_row = 1;
    im.text_top = 1;
    im.text_bottom = text_bottom_for(im);
}

int32_t image_text_rows(const ImageRecord& image) {
    if (image.text_mode != 0) return image.height;
    const int32_t cell = font_height[image.font];
    return cell > 0 ? image.height / cell : 0;
}

int32_t image_text_columns(const ImageRecord& image) {
    if (image.text_mode != 0) return image.width;
    const int32_t cell = font_width[image.font];
    return cell > 0 ? image.width / cell : 0;
}

void fill_cells(uint8_t* cells, size_t cell_count, uint16_t cell) {
    for (size_t i = 0; i < cell_count; ++i) {
        cells[2 * i] = static_cast<uint8_t>(cell & 0xFF);
        cells[2 * i + 1] = static_cast<uint8_t>(cell >> 8);
    }
}

void share_page0_palette(ImageRecord& page) {
    if (page.bits_per_pixel == 32) return;
    std::free(page.palette);
    page.image_flags &= ~PALETTE_OWNED;
    page.palette = image_at(page_table.slots[0])->palette;
}

void ensure_page(int32_t n) {
    page_slot(n);
}

int32_t page_slot(int32_t n) {
    if (!page_table_grow(n)) {
        raise_error(ERROR_OUT_OF_MEMORY);
        return 0;
    }
    if (page_table.slots[n] != 0) return page_table.slots[n];
    const ImageRecord& first = *image_at(page_table.slots[0]);
    const int32_t slot = image_new(first.width, first.height, first.compat_mode);
    // image_new may have moved the table: records are looked up afresh from here on.
    if (slot == 0) {
        raise_error(ERROR_OUT_OF_MEMORY);
        return 0;
    }
    ImageRecord& page = *image_at(slot);
    share_page0_palette(page);
    page.image_flags |= SCREEN_PAGE;
    image_set_font(image_at(page_table.slots[0])->font, slot);
    page_table.slots[n] = slot;
    return slot;
}

void image_release(int32_t slot) {
    ImageRecord& im = *image_at(slot);
    if ((im.image_flags & PIXELS_OWNED) != 0) std::free(im.pixels);
    if ((im.image_flags & PALETTE_OWNED) != 0) std::free(im.palette);
    image_slot_free(slot);
}

int32_t slot_of_negative_handle(ImageHandle handle) {
    const int64_t slot = -static_cast<int64_t>(handle);
    if (slot < RESERVED_SLOTS || slot >= image_table.handed_out) return 0;
    if (image_table.slots[slot].valid == 0) return 0;
    return static_cast<int32_t>(slot);
}

int32_t slot_of_handle(ImageHandle handle) {
    if (handle >= 0) return page_slot(handle);
    const int32_t slot = slot_of_negative_handle(handle);
    if (slot == 0) raise_error(ERROR_INVALID_HANDLE);
    return slot;
}
