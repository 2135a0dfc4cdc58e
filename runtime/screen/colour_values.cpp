// Colour values: building colours from components, the nearest palette entry, taking
// colours apart, and the print mode.
#include "runtime/screen/colour_values.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/core/errors.h"
#include "runtime/screen/private/screen_state.h"

namespace {

// The slot of the optional image argument: the write page when omitted; 0 with the error
// raised when the handle names no valid image.
int32_t target_slot(ImageHandle image, Given image_given) {
    if (image_given == OMITTED) return write_page.slot;
    return slot_of_handle(image);
}

int32_t clamp_component(int32_t value) {
    return std::clamp(value, 0, 255);
}

bool holds_32_bit_colours(const ImageRecord& image) {
    return image.bytes_per_pixel == 4;
}

// The first palette entry nearest to (red, green, blue) by the sum of the component
// differences. A text page offers its 16 attribute colours, a pixel page every index its
// pixels can hold; a later entry at the same distance never replaces an earlier one.
uint32_t nearest_palette_entry(const ImageRecord& image, int32_t red, int32_t green, int32_t blue) {
    const uint32_t candidates = image.text_mode != 0 ? 16 : image.colour_mask + 1;
    uint32_t best = 0;
    int32_t best_distance = -1;
    for (uint32_t index = 0; index < candidates; ++index) {
        const uint32_t entry = image.palette[index];
        const int32_t distance = std::abs(red - static_cast<int32_t>((entry >> 16) & 0xFF)) +
                                 std::abs(green - static_cast<int32_t>((entry >> 8) & 0xFF)) +
                                 std::abs(blue - static_cast<int32_t>(entry & 0xFF));
        if (distance == 0) return index;
        if (best_distance < 0 || distance < best_distance) {
            best = index;
            best_distance = distance;
        }
    }
    return best;
}

// Bit positions of the components in a 0xAARRGGBB value.
enum class Component : uint32_t { BLUE = 0, GREEN = 8, RED = 16, ALPHA = 24 };

int32_t colour_component(uint32_t colour, ImageHandle image, Given image_given,
                         Component component) {
    if (error_pending()) return 0;
    const int32_t slot = target_slot(image, image_given);
    if (slot == 0) return 0;
    const ImageRecord& target = *image_at(slot);
    const uint32_t shift = static_cast<uint32_t>(component);
    if (holds_32_bit_colours(target)) return static_cast<int32_t>((colour >> shift) & 0xFF);
    // On indexed and text images the colour is a palette index; a text page's mask covers
    // a whole cell, so the palette's size bounds it too.
    if (colour > target.colour_mask || colour > 255) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return 0;
    }
    if (component == Component::ALPHA) {
        return static_cast<int64_t>(colour) == target.transparent ? 0 : 255;
    }
    return static_cast<int32_t>((target.palette[colour] >> shift) & 0xFF);
}

}  // namespace

uint32_t rgb_colour(int32_t red, int32_t green, int32_t blue, ImageHandle image,
                    Given image_given) {
    // An opaque colour: packed with alpha 255, or the nearest entry, never the
    // transparent one.
    return rgba_colour(red, green, blue, 255, image, image_given);
}

uint32_t rgba_colour(int32_t red, int32_t green, int32_t blue, int32_t alpha, ImageHandle image,
                     Given image_given) {
    if (error_pending()) return 0;
    const int32_t slot = target_slot(image, image_given);
    if (slot == 0) return 0;
    const ImageRecord& target = *image_at(slot);
    red = clamp_component(red);
    green = clamp_component(green);
    blue = clamp_component(blue);
    alpha = clamp_component(alpha);
    if (holds_32_bit_colours(target)) {
        return static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(red) << 16 |
               static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
    }
    // An indexed image has no alpha; a fully transparent colour means its transparent
    // index, when it has one, and otherwise the alpha is ignored.
    if (alpha == 0 && target.transparent != -1) return static_cast<uint32_t>(target.transparent);
    return nearest_palette_entry(target, red, green, blue);
}

int32_t colour_red(uint32_t colour, ImageHandle image, Given image_given) {
    return colour_component(colour, image, image_given, Component::RED);
}

int32_t colour_green(uint32_t colour, ImageHandle image, Given image_given) {
    return colour_component(colour, image, image_given, Component::GREEN);
}

int32_t colour_blue(uint32_t colour, ImageHandle image, Given image_given) {
    return colour_component(colour, image, image_given, Component::BLUE);
}

int32_t colour_alpha(uint32_t colour, ImageHandle image, Given image_given) {
    return colour_component(colour, image, image_given, Component::ALPHA);
}

void set_print_mode(int32_t choice, ImageHandle image, Given image_given) {
    if (error_pending()) return;
    // The statement numbers its choices fill, keep, only background; the image stores
    // them in the numbering the text painter uses.
    // clang-format off
    constexpr uint8_t STORED[] = {
        // choice 1               choice 2               choice 3
        PRINT_FILL_BACKGROUND, PRINT_KEEP_BACKGROUND, PRINT_ONLY_BACKGROUND,
    };
    // clang-format on
    if (choice < 1 || choice > 3) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    const int32_t slot = target_slot(image, image_given);
    if (slot == 0) return;
    ImageRecord& target = *image_at(slot);
    // Text cells always carry their background, so a text page can only fill it.
    if (target.text_mode != 0 && STORED[choice - 1] != PRINT_FILL_BACKGROUND) {
        raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
        return;
    }
    target.print_mode = STORED[choice - 1];
}

int32_t get_print_mode(ImageHandle image, Given image_given) {
    if (error_pending()) return 0;
    const int32_t slot = target_slot(image, image_given);
    if (slot == 0) return 0;
    return image_at(slot)->print_mode;
}
