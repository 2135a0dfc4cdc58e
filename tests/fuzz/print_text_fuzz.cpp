// libFuzzer entry: any bytes printed, control codes included, with cursor, text window,
// colours, print mode and control-code switch set by the statements a program would use,
// on every kind of page: text pages in video memory, indexed pixel pages and images of
// odd sizes (some smaller than one text cell), and 32-bit images with blending.
//
// Input layout: a page byte choosing the page kind (and for images a size and font),
// then operations until the input ends, each an operation byte and its arguments.
//
// Checked after every operation: the cursor lies on the page (rows and columns from 1 up
// to the page's text rows and columns, or 1 on an image too small for one text cell) and
// the text window lies inside the page. Image buffers are heap blocks of exactly their
// size, so a write past one is caught by AddressSanitizer; for pages in emulated video
// memory the rest of the emulated memory is compared with a copy taken before the input.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/screen/colour_values.h"
#include "runtime/screen/screen.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/text_screen.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

[[noreturn]] void report(const std::string& problem) {
    fuzz_fail("print_text check failed", problem);
}

void no_bell(int32_t) {}

bool prepare() {
    fuzz_strings_prepare();
    font_metrics_init();
    image_table_init();
    palettes_init();
    screen_init_first_mode();
    text_output_seam_bell(no_bell);
    return true;
}

void settle_errors() {
    pending_error = 0;
    checkpoint_requested = 0;
}

void screen_mode(int32_t mode) {
    set_screen_mode(mode, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
}

// Makes the write page the input asks for, freshly built: a screen mode is left first so
// that the one asked for is rebuilt whatever the previous input left.
void choose_page(InputBytes& in) {
    constexpr int32_t SCREEN_MODES[] = {0, 1, 2, 7, 8, 9, 10, 11, 12, 13};
    constexpr int32_t FONTS[] = {8, 9, 14, 15, 16, 17};
    const uint8_t kind = in.byte();
    screen_mode(kind & 1 ? 12 : 13);
    screen_mode(0);
    auto_tall_text = 0;
    switch (kind % 4) {
        case 0:
            screen_mode(SCREEN_MODES[in.byte() % std::size(SCREEN_MODES)]);
            return;
        case 1: {
            // A text screen of another grid: 40 or 80 columns by 25, 43 or 50 rows.
            const uint8_t grid = in.byte();
            set_width(WIDTH_DEVICE_SCREEN, grid & 1 ? 40 : 80,
                      (grid >> 1) % 3 == 0   ? 25
                      : (grid >> 1) % 3 == 1 ? 43
                                             : 50,
                      WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
            return;
        }
        default: {
            constexpr int32_t IMAGE_MODES[] = {13, 256, 12, 0, 32, 32};
            const int32_t mode = IMAGE_MODES[in.byte() % std::size(IMAGE_MODES)];
            const int32_t width = 1 + in.byte() % 200;
            const int32_t height = 1 + in.byte() % 200;
            const ImageHandle handle = create_image(width, height, mode, GIVEN);
            if (handle >= -1) report("no image could be made");
            set_dest(handle);
            if (mode != 0) set_font(FONTS[in.byte() % std::size(FONTS)], handle, GIVEN);
            return;
        }
    }
}

void check_page() {
    const ImageRecord& p = *write_page.image;
    const int32_t columns = std::max(image_text_columns(p), 1);
    const int32_t rows = std::max(image_text_rows(p), 1);
    if (p.cursor_col < 1 || p.cursor_col > columns || p.cursor_row < 1 || p.cursor_row > rows) {
        report("cursor at row " + std::to_string(p.cursor_row) + " column " +
               std::to_string(p.cursor_col) + " of a page of " + std::to_string(rows) +
               " rows and " + std::to_string(columns) + " columns");
    }
    if (p.text_top < 1 || p.text_top > p.text_bottom || p.text_bottom > rows) {
        report("text window " + std::to_string(p.text_top) + " to " +
               std::to_string(p.text_bottom) + " on a page of " + std::to_string(rows) + " rows");
    }
}

// A string over a heap block of exactly the text's length.
void print_bytes(InputBytes& in, LineEnd line_end) {
    const size_t length = in.byte();
    std::vector<char> bytes(length);
    for (char& c : bytes)
        c = static_cast<char>(in.byte());
    StrDesc* text = string_from_literal(bytes.data(), static_cast<int32_t>(length));
    print_string(text, line_end);
    string_free(text);
}

void run_operation(InputBytes& in) {
    const uint8_t operation = in.byte();
    switch (operation % 12) {
        case 0:
            print_bytes(in, WITHOUT_LINE_END);
            break;
        case 1:
            print_bytes(in, WITH_LINE_END);
            break;
        case 2: {
            std::vector<char> bytes(in.byte() * 3u, 'f');
            StrDesc* text = string_from_literal(bytes.data(), static_cast<int32_t>(bytes.size()));
            print_fit_check(text);
            string_free(text);
            break;
        }
        case 3:
            print_zone();
            break;
        case 4: {
            const int32_t row = static_cast<int8_t>(in.byte());
            const int32_t column = static_cast<int8_t>(in.byte());
            const int32_t shape = in.byte();
            locate(row, column, shape & 1, shape >> 3, shape & 31, (operation >> 3) & 31);
            break;
        }
        case 5: {
            const int32_t top = static_cast<int8_t>(in.byte());
            const int32_t bottom = static_cast<int8_t>(in.byte());
            set_text_window(top, bottom, operation & 0x80 ? GIVEN : OMITTED);
            break;
        }
        case 6: {
            const uint32_t foreground = in.number<uint32_t>() % 300;
            const uint32_t background = operation & 0x40 ? in.number<uint32_t>() : in.byte();
            set_color(foreground, background, 0, (operation >> 4) & 3);
            break;
        }
        case 7:
            set_control_chars(in.byte() % 3);
            break;
        case 8:
            set_print_mode(1 + in.byte() % 3, 0, OMITTED);
            break;
        case 9: {
            const int32_t region = in.byte() % 4;
            clear_screen(region, in.byte(), (operation >> 4) & 3);
            break;
        }
        case 10:
            draw_char(in.byte());
            break;
        case 11:
            write_page.image->no_blend ^= 1;
            break;
    }
    settle_errors();
    check_page();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = prepare();
    (void)prepared;
    settle_errors();
    const uint32_t descriptors_before = descriptors_in_use();
    InputBytes in(data, size);
    choose_page(in);
    settle_errors();
    check_page();

    // Everything in emulated memory but the write page's own bytes must stay as it is.
    const ImageRecord& p = *write_page.image;
    const size_t page_bytes = static_cast<size_t>(p.width) * p.height * p.bytes_per_pixel;
    const int64_t page_offset = p.pixels - low_memory;
    const bool in_video_memory =
        page_offset >= 0 && page_offset < static_cast<int64_t>(LOW_MEMORY_SIZE);
    std::vector<uint8_t> before;
    if (in_video_memory) before.assign(low_memory, low_memory + LOW_MEMORY_SIZE);

    for (int operations = 0; !in.exhausted() && operations < 256; ++operations)
        run_operation(in);

    if (in_video_memory) {
        std::memcpy(before.data() + page_offset, low_memory + page_offset, page_bytes);
        if (std::memcmp(before.data(), low_memory, LOW_MEMORY_SIZE) != 0) {
            const auto [a, b] = std::mismatch(before.begin(), before.end(), low_memory);
            report("emulated memory changed at " + std::to_string(a - before.begin()) +
                   " outside the page at " + std::to_string(page_offset));
        }
    }
    free_all_images();
    set_dest(0);
    fuzz_check_descriptors("print_text", descriptors_before);
    return 0;
}
