// The image statements: page copies, creating and releasing images, and selecting the
// write page, source image and font.
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/display/display.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/images.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/private/screen_state.h"

namespace {

bool is_image_mode(int32_t mode) {
    return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13) || mode == 256 ||
           mode == 32;
}

// copy_page reports a bad negative handle as an illegal call, not as an invalid handle.
int32_t copy_page_slot(ImageHandle handle) {
    if (handle >= 0) return page_slot(handle);
    const int32_t slot = slot_of_negative_handle(handle);
    if (slot == 0) raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
    return slot;
}

}  // namespace

void copy_page(ImageHandle source, ImageHandle destination) {
    if (error_pending()) return;
    const int32_t from_slot = copy_page_slot(source);
    if (from_slot == 0) return;
    const int32_t to_slot = copy_page_slot(destination);
    if (to_slot == 0 || to_slot == from_slot) return;
    const ImageRecord& from = *image_at(from_slot);
    ImageRecord& to = *image_at(to_slot);
    // A page may be copied onto one with at least as many colours, never onto fewer.
    if (from.bytes_per_pixel != to.bytes_per_pixel || from.width != to.width ||
        from.height != to.height ||
        (from.bytes_per_pixel == 1 && to.colour_mask < from.colour_mask)) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    std::memmove(to.pixels, from.pixels,
                 static_cast<size_t>(from.width) * from.height * from.bytes_per_pixel);
}

ImageHandle create_image(int32_t width, int32_t height, int32_t mode, Given mode_given) {
    if (error_pending()) return -1;
    if (width < 1 || height < 1 || width > IMAGE_SIDE_MAX || height > IMAGE_SIDE_MAX ||
        (mode_given == GIVEN && !is_image_mode(mode))) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return -1;
    }
    if (mode_given == OMITTED) mode = write_page.image->compat_mode;
    const int32_t slot = image_new(width, height, mode);
    if (slot == 0) return -1;
    if (mode_given == OMITTED) {
        // Without a mode the image continues the write page: its palette, font and colours.
        const ImageRecord& from = *write_page.image;
        ImageRecord& image = *image_at(slot);
        if (from.palette != nullptr && image.palette != nullptr)
            std::memcpy(image.palette, from.palette, PALETTE_ENTRIES * sizeof(uint32_t));
        set_font(from.font, -slot, GIVEN);
        image.fg = from.fg;
        image.bg = from.bg;
        image.transparent = from.transparent;
        image.no_blend = from.no_blend;
        image.print_mode = from.print_mode;
    }
    return -slot;
}

void free_image(ImageHandle handle, Given handle_given) {
    if (error_pending()) return;
    int32_t slot = write_page.slot;
    if (handle_given == GIVEN) {
        if (handle >= 0) {
            raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
            return;
        }
        slot = slot_of_negative_handle(handle);
        if (slot == 0) {
            raise_error(ERROR_INVALID_HANDLE);
            return;
        }
    }
    if (is_screen_page(*image_at(slot))) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    const int32_t shown = display_page_slot.load(std::memory_order_acquire);
    if (slot == write_page.slot) select_write_page(shown);
    if (slot == source_image.slot) select_source_image(shown);
    image_release(slot);
}

void free_all_images() {
    if (error_pending()) return;
    const int32_t shown = display_page_slot.load(std::memory_order_acquire);
    for (int32_t slot = 2; slot < image_table.handed_out; ++slot) {
        const ImageRecord& image = *image_at(slot);
        if (image.valid == 0 || is_screen_page(image)) continue;
        // Selections never dangle: like a single release, they fall back to the display.
        if (slot == write_page.slot) select_write_page(shown);
        if (slot == source_image.slot) select_source_image(shown);
        image_release(slot);
    }
}

void set_dest(ImageHandle handle) {
    if (error_pending()) return;
    const int32_t slot = slot_of_handle(handle);
    if (slot != 0) select_write_page(slot);
}

void set_source(ImageHandle handle) {
    if (error_pending()) return;
    const int32_t slot = slot_of_handle(handle);
    if (slot != 0) select_source_image(slot);
}

ImageHandle get_dest() {
    if (error_pending()) return 0;
    return -write_page.slot;
}

ImageHandle get_source() {
    if (error_pending()) return 0;
    return -source_image.slot;
}

void set_font(int32_t font, ImageHandle handle, Given handle_given) {
    if (error_pending()) return;
    const int32_t slot = handle_given == GIVEN ? slot_of_handle(handle) : write_page.slot;
    if (slot == 0) return;
    if (!font_exists(font)) {
        raise_error(ERROR_INVALID_HANDLE);
        return;
    }
    const ImageRecord& image = *image_at(slot);
    if (image.text_mode != 0 && (font_style[font] & FONT_STYLE_MONOSPACE) == 0) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    if (image.text_mode == 0 || !is_screen_page(image)) {
        image_set_font(font, slot);
        return;
    }
    // The pages of a text screen share one cell size, so they change together.
    rebuild_begin();
    previous_frame_valid.store(0, std::memory_order_release);
    for (int32_t n = 0; n < page_table.size; ++n) {
        if (page_table.slots[n] != 0) image_set_font(font, page_table.slots[n]);
    }
    rebuild_end();
}
