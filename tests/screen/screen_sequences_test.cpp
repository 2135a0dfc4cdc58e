// Long random sequences of the screen statements, with good and bad arguments mixed:
// whatever a program does, every selection must stay on a live image with a buffer, and
// nothing may read or free memory it should not (the sanitizer builds watch that).
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>

#include "tests/screen/screen_fixture.h"

namespace {

class ScreenSequences : public ScreenTest {
protected:
    std::mt19937 random;

    int32_t one_of(std::initializer_list<int32_t> values) {
        return *(values.begin() + random() % values.size());
    }
    // Sizes and modes that sit on the rules' edges, and some far beyond them.
    int32_t size() {
        return one_of({-1, 0, 1, 8, 25, 40, 43, 50, 60, 80, 256, 4000, 65535, 65536});
    }
    int32_t mode() {
        return one_of({0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 14, 32, 256, -2, -3, -5});
    }
    ImageHandle handle() {
        return random() % 2 ? -static_cast<ImageHandle>(random() % 12)
                            : static_cast<ImageHandle>(random() % 5);
    }
    Given given() { return random() % 2 ? GIVEN : OMITTED; }

    void run_statement() {
        switch (random() % 10) {
            case 0:
                set_screen_mode(mode(), 0, static_cast<int32_t>(random() % 6) - 1,
                                static_cast<int32_t>(random() % 6) - 1, 0, random() % 16);
                break;
            case 1:
                copy_page(handle(), handle());
                break;
            case 2:
                set_width(one_of({0, 0, 0, 1, 2}), size(), size(), random() % 4);
                break;
            case 3:
                create_image(one_of({1, 8, 80, 320, 640, 9000}), one_of({1, 25, 200, 480, 9000}),
                             mode(), given());
                break;
            case 4:
                free_image(handle(), given());
                break;
            case 5:
                if (random() % 40 == 0) free_all_images();
                break;
            case 6:
                set_dest(handle());
                break;
            case 7:
                set_source(handle());
                break;
            case 8:
                set_font(one_of({8, 9, 14, 15, 16, 17, 0, 32, 48, 49}), handle(), given());
                break;
            default:
                set_screen_mode(mode(), 0, 0, 0, 0, SCREEN_MODE_GIVEN);
                break;
        }
        take_error();
    }
};

bool live_with_buffer(const ImageRecord* image) {
    return image != nullptr && image->valid && image->pixels != nullptr;
}

TEST_F(ScreenSequences, EverySelectionStaysOnALiveImage) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        random.seed(seed);
        for (int n = 0; n < 15000; ++n) {
            run_statement();
            ASSERT_TRUE(live_with_buffer(write_page.image)) << "seed " << seed << " step " << n;
            ASSERT_TRUE(live_with_buffer(source_image.image)) << "seed " << seed << " step " << n;
            ASSERT_TRUE(live_with_buffer(display_page.load())) << "seed " << seed << " step " << n;
            ASSERT_NE(page_table.slots[0], 0) << "seed " << seed << " step " << n;
        }
    }
}

}  // namespace
