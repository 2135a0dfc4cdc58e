// Images, screen pages and screen modes.
//
// Everything the program draws on is an image: a rectangle of pixels or text cells with
// its own format, palette, font, colours, cursor, text window and graphics state. Images
// live in one growable table and are named by an ImageHandle: a value >= 0 is a screen
// page number (resolved through the page table, the page made on first use), a value < 0
// the negated slot number of any image. Slots 0 and 1 are never handed out, so handle -1
// is free to mean "no image" and handle 0 always means page 0.
//
// Three selections sit on top: the write page that output goes to, the source image that
// read-back statements read, and the display page that frame composition shows.
//
// Every statement here returns at once while an error is pending; bad values raise 5, a
// handle that names no valid image raises 258, exhausted tables are critical errors.
// Program thread only, except for the display page and the display handshake, which the
// composing thread reads.
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/strings/string_functions.h"

struct LockRecord;

using ImageHandle = int32_t;

// image_flags bits.
inline constexpr uint32_t PALETTE_OWNED = 1;  // the palette is freed with the image
inline constexpr uint32_t SCREEN_PAGE = 2;    // the image is a page of the screen
inline constexpr uint32_t PIXELS_OWNED = 4;   // the pixel buffer is freed with the image

// print_mode values: which pixels text painting touches on pixel pages.
inline constexpr uint8_t PRINT_KEEP_BACKGROUND = 1;
inline constexpr uint8_t PRINT_ONLY_BACKGROUND = 2;
inline constexpr uint8_t PRINT_FILL_BACKGROUND = 3;

// A blank text cell: a space, light grey on black.
inline constexpr uint16_t BLANK_CELL = 0x0720;

struct ImageRecord {
    LockRecord* lock;  // taken when the program first makes a memory block of the image
    uint64_t lock_id;  // that lock's identity; 0 = none
    uint8_t valid;
    uint8_t text_mode;
    uint8_t console;  // text printed here goes to standard output instead
    uint16_t width;   // pixels, or columns on a text page
    uint16_t height;  // pixels, or rows on a text page
    uint8_t bytes_per_pixel;
    uint8_t bits_per_pixel;
    uint32_t colour_mask;
    uint16_t compat_mode;  // the mode whose rules the image follows
    int32_t fg;
    uint32_t bg;
    uint32_t draw_colour;
    int32_t font;
    int16_t text_top;  // the text window (scrolling region), 1-based rows
    int16_t text_bottom;
    int16_t cursor_col;  // 1-based
    int16_t cursor_row;
    uint8_t cursor_visible;
    uint8_t cursor_start;  // first and last scan line of the cursor shape
    uint8_t cursor_stop;
    uint8_t* pixels;  // width * height * bytes_per_pixel bytes, rows packed
    uint32_t image_flags;
    uint32_t* palette;    // 256 entries 0xAARRGGBB; null for 32-bit images
    int32_t transparent;  // -1 = none
    uint8_t no_blend;
    uint8_t wrap_pending;  // 1 parked on the last column; 2 parked, cursor shown on the next row
    uint8_t print_mode;
    // The graphics-state block, view_x1 through draw_scale, copied whole between pages.
    int32_t view_x1;
    int32_t view_y1;
    int32_t view_x2;
    int32_t view_y2;
    int32_t view_origin_x;
    int32_t view_origin_y;
    float gfx_x;
    float gfx_y;
    uint8_t coord_mode;  // 0 none, 1 viewport, 2 window mapping
    float window_scale_x;
    float window_scale_y;
    float window_offset_x;
    float window_offset_y;
    float window_x1;
    float window_y1;
    float window_x2;
    float window_y2;
    double draw_angle;
    double draw_scale;
};

// ---------------------------------------------------------------------------------------
// The image table and the page table
// ---------------------------------------------------------------------------------------
inline constexpr int32_t IMAGE_SLOT_GROWTH = 4096;

struct ImageTable {
    ImageRecord* slots = nullptr;
    int32_t capacity = 0;
    int32_t handed_out = 0;  // slots ever handed out
    int32_t* free_stack = nullptr;
    int32_t free_count = 0;
    int32_t free_capacity = 0;
};

struct PageTable {
    int32_t* slots = nullptr;  // slot of each page number; 0 = the page does not exist yet
    int32_t size = 0;
};

// A selection held both ways: the slot survives table growth, the pointer is recomputed.
struct ImageSelection {
    int32_t slot = 0;
    ImageRecord* image = nullptr;
};

extern ImageTable image_table;
extern PageTable page_table;
extern ImageSelection write_page;
extern ImageSelection source_image;
// The display page, read by the composing thread.
extern std::atomic<int32_t> display_page_slot;
extern std::atomic<ImageRecord*> display_page;
extern int32_t active_page_number;
extern int32_t borrowed_page0;  // page 0 is a program image; a mode change leaves it alone
// Left by set_width for the next text-mode rebuild; -1 = none.
extern int32_t pending_cols;
extern int32_t pending_rows;
extern int32_t pending_font;
// One-shot permission for cursor placement to make the start-up text screen 80x50.
extern int32_t auto_tall_text;

// The display handshake: 0 idle, 1 a page rebuild asked for by the program thread, 2
// granted by the composing thread, which composes nothing while the word is not 0.
inline constexpr int32_t HANDSHAKE_IDLE = 0;
inline constexpr int32_t HANDSHAKE_REQUESTED = 1;
inline constexpr int32_t HANDSHAKE_GRANTED = 2;
extern std::atomic<int32_t> display_handshake;

// The composing thread's side: grants a pending rebuild request; true when composing may
// go on (no rebuild asked for or under way).
bool display_handshake_answer();

// Empties the image table and takes slots 0 and 1 out of use; no screen exists yet.
void image_table_init();

// The record of slot; the pointer is good until the next slot is handed out.
inline ImageRecord* image_at(int32_t slot) {
    return &image_table.slots[slot];
}

// A slot marked valid: popped from the free stack, else the next new one (growing the
// table by IMAGE_SLOT_GROWTH; critical error 502 when it cannot grow).
int32_t image_slot_new();

// Zeroes and frees slot (releasing its lock); 1 if released, 0 if out of range or not
// valid. The pixel buffer and palette are the caller's to free.
int32_t image_slot_free(int32_t slot);

// A slot describing an image of mode over buffer with the mode's defaults and its own
// default palette; 0 for a size below 1, an unknown mode or no memory.
int32_t image_over_buffer(uint8_t* buffer, int32_t width, int32_t height, int32_t mode);

// A slot of an image of mode with its own zeroed buffer (text: blank cells), or 0.
int32_t image_new(int32_t width, int32_t height, int32_t mode);

// Re-applies the mode defaults and default palette of slot and clears its buffer.
void image_reset(int32_t slot);

// Gives slot font, puts the cursor at (1, 1) and the text window at rows 1 .. rows - 1.
void image_set_font(int32_t font, int32_t slot);

// Creates page n, shaped like page 0 and sharing its palette, if it does not exist yet.
void ensure_page(int32_t n);

// Text rows of an image: its height on a text page, height / font height on a pixel page.
int32_t image_text_rows(const ImageRecord& image);

// Text columns of an image: its width on a text page, width / font width on a pixel page.
int32_t image_text_columns(const ImageRecord& image);

// ---------------------------------------------------------------------------------------
// Screen modes and statements
// ---------------------------------------------------------------------------------------

// set_screen_mode presence bits.
inline constexpr int32_t SCREEN_MODE_GIVEN = 1;
inline constexpr int32_t SCREEN_COLOUR_SWITCH_GIVEN = 2;
inline constexpr int32_t SCREEN_ACTIVE_PAGE_GIVEN = 4;
inline constexpr int32_t SCREEN_VISUAL_PAGE_GIVEN = 8;

// set_width presence bits and devices.
inline constexpr int32_t WIDTH_COLUMNS_GIVEN = 1;
inline constexpr int32_t WIDTH_ROWS_GIVEN = 2;
inline constexpr int32_t WIDTH_DEVICE_SCREEN = 0;
inline constexpr int32_t WIDTH_DEVICE_PRINTER = 2;

// The screen statement: changes the screen mode (a negative mode makes that image page 0)
// and selects the active and visual pages; the same mode again rebuilds nothing.
void set_screen_mode(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                     int32_t reserved, int32_t presence);

// Copies the buffer of source onto destination; the images must have the same shape.
void copy_page(ImageHandle source, ImageHandle destination);

// The width statement: the screen's text grid (device 0) or the printer's line width.
void set_width(int32_t device, int32_t columns, int32_t rows, int32_t presence);

// The printer's line width in columns, set by the width statement; 80 at start.
extern int32_t printer_line_width;

// A new image of mode (without one: the write page's mode, palette, font and colours);
// its negative handle, or -1 when memory ran out.
ImageHandle create_image(int32_t width, int32_t height, int32_t mode, Given mode_given);

// Releases an image (without a handle, the write page); screen pages cannot be freed.
void free_image(ImageHandle handle, Given handle_given);

// Releases every valid image from slot 2 up that is not a screen page.
void free_all_images();

// Makes the image named by handle the write page.
void set_dest(ImageHandle handle);

// Makes the image named by handle the source image.
void set_source(ImageHandle handle);

// The negated slot of the write page.
ImageHandle get_dest();

// The negated slot of the source image.
ImageHandle get_source();

// Selects the font of the image named by handle, or of the write page.
void set_font(int32_t font, ImageHandle handle, Given handle_given);
