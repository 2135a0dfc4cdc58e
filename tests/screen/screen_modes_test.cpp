#include <climits>
#include <cstring>
#include <thread>

#include "runtime/display/display.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "tests/screen/screen_fixture.h"
#include "tests/support/scenario.h"

using ScreenModes = ScreenTest;
using PageCopy = ScreenTest;

namespace {

constexpr int32_t ACTIVE_AND_VISUAL = SCREEN_ACTIVE_PAGE_GIVEN | SCREEN_VISUAL_PAGE_GIVEN;

}  // namespace

TEST_F(ScreenModes, StartUpMakesEightTextPagesInVideoMemory) {
    EXPECT_EQ(page_table.size, 8);
    for (int32_t i = 0; i < 8; ++i) {
        const ImageRecord& p = page(i);
        EXPECT_EQ(video_address(p), 0xB8000 + 4096 * i) << "page " << i;
        EXPECT_EQ(p.width, 80) << "page " << i;
        EXPECT_EQ(p.height, 25) << "page " << i;
        EXPECT_EQ(p.font, 16) << "page " << i;
        EXPECT_EQ(p.image_flags & SCREEN_PAGE, SCREEN_PAGE) << "page " << i;
        EXPECT_EQ(p.palette, page(0).palette) << "page " << i;
    }
    for (uint32_t offset = 0; offset < 65536; offset += 2) {
        ASSERT_EQ(low_memory[0xB8000 + offset], 0x20) << offset;
        ASSERT_EQ(low_memory[0xB8000 + offset + 1], 0x07) << offset;
    }
    EXPECT_EQ(write_page.slot, page_table.slots[0]);
    EXPECT_EQ(source_image.slot, page_table.slots[0]);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[0]);
    EXPECT_EQ(display_page.load(), image_at(page_table.slots[0]));
    EXPECT_EQ(auto_tall_text, 1);
    EXPECT_EQ(page(0).text_bottom, 24);
}

TEST_F(ScreenModes, ModeTwelveTwiceLeavesScreenUntouched) {
    screen(12);
    const int32_t slot = page_table.slots[0];
    ImageRecord& p = page(0);
    p.pixels[1234] = 9;
    p.cursor_col = 17;
    p.cursor_row = 5;
    p.fg = 3;
    previous_frame_valid = 1;
    screen(12);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(page_table.slots[0], slot);
    EXPECT_EQ(page(0).pixels[1234], 9);
    EXPECT_EQ(page(0).cursor_col, 17);
    EXPECT_EQ(page(0).cursor_row, 5);
    EXPECT_EQ(page(0).fg, 3);
    EXPECT_EQ(previous_frame_valid.load(), 1) << "nothing was rebuilt";
}

TEST_F(ScreenModes, EveryScreenModeBuildsItsPageZero) {
    struct Case {
        int32_t mode;
        int32_t width, height, bits, font, columns, rows;
    };
    const Case cases[] = {
        {1, 320, 200, 2, 8, 40, 25},   {2, 640, 200, 1, 8, 80, 25},   {7, 320, 200, 4, 8, 40, 25},
        {8, 640, 200, 4, 8, 80, 25},   {9, 640, 350, 4, 14, 80, 25},  {10, 640, 350, 2, 14, 80, 25},
        {11, 640, 480, 1, 16, 80, 30}, {12, 640, 480, 4, 16, 80, 30}, {0, 80, 25, 16, 16, 80, 25},
        {13, 320, 200, 8, 8, 40, 25},  {0, 40, 25, 16, 17, 40, 25},
    };
    for (const Case& c : cases) {
        screen(c.mode);
        ASSERT_EQ(take_error(), 0) << "mode " << c.mode;
        const ImageRecord& p = page(0);
        EXPECT_EQ(p.compat_mode, c.mode);
        EXPECT_EQ(p.width, c.width) << "mode " << c.mode;
        EXPECT_EQ(p.height, c.height) << "mode " << c.mode;
        EXPECT_EQ(p.bits_per_pixel, c.bits) << "mode " << c.mode;
        EXPECT_EQ(p.font, c.font) << "mode " << c.mode;
        EXPECT_EQ(image_text_columns(p), c.columns) << "mode " << c.mode;
        EXPECT_EQ(image_text_rows(p), c.rows) << "mode " << c.mode;
        EXPECT_EQ(p.text_bottom, c.rows - 1) << "mode " << c.mode;
        EXPECT_EQ(page_table.size, c.mode == 0 ? 8 : 1) << "mode " << c.mode;
        EXPECT_EQ(active_page_number, 0);
    }
}

TEST_F(ScreenModes, ModeThirteenLivesInVideoMemoryCleared) {
    std::memset(low_memory + 0xA0000, 0x5A, 64000);
    screen(13);
    EXPECT_EQ(video_address(page(0)), 0xA0000);
    EXPECT_EQ(page(0).image_flags & PIXELS_OWNED, 0u);
    for (uint32_t i = 0; i < 64000; ++i)
        ASSERT_EQ(low_memory[0xA0000 + i], 0) << i;
    EXPECT_EQ(video_address(page(1)), -1) << "further pages own their buffers";
}

TEST_F(ScreenModes, ModesThatDoNotExistFailWithIllegalFunctionCall) {
    const int32_t slot = page_table.slots[0];
    for (int32_t mode : {3, 4, 5, 6, 14, 32, 256, INT_MAX}) {
        screen(mode);
        EXPECT_EQ(take_error(), 5) << "mode " << mode;
        EXPECT_EQ(page_table.slots[0], slot) << "mode " << mode;
        EXPECT_EQ(page(0).compat_mode, 0) << "mode " << mode;
    }
}

TEST_F(ScreenModes, NegativeModesNamingNoImageFailWithInvalidHandle) {
    const ImageHandle freed = create_image(2, 2, 13, GIVEN);
    free_image(freed, GIVEN);
    for (int32_t mode : {-1, freed, -100000, INT_MIN}) {
        screen(mode);
        EXPECT_EQ(take_error(), 258) << "mode " << mode;
        EXPECT_EQ(page(0).compat_mode, 0) << "mode " << mode;
    }
}

TEST_F(ScreenModes, ANegativeModeMakesThatImagePageZeroUntilTheNextModeChange) {
    const ImageHandle handle = create_image(320, 240, 256, GIVEN);
    screen(handle);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(page_table.slots[0], -handle);
    EXPECT_EQ(borrowed_page0, 1);
    EXPECT_EQ(get_dest(), handle);
    EXPECT_EQ(page(1).width, 320) << "further pages take its shape";
    EXPECT_EQ(page(1).palette, image(handle).palette);
    screen(handle);
    EXPECT_EQ(page_table.slots[0], -handle) << "already page 0: nothing changes";
    screen(12);
    EXPECT_EQ(image(handle).valid, 1) << "the borrowed image survives";
    EXPECT_EQ(image(handle).image_flags & SCREEN_PAGE, 0u);
    EXPECT_EQ(borrowed_page0, 0);
}

TEST_F(ScreenModes, OtherScreenPagesCannotBecomePageZero) {
    screen(12);
    screen(-page_table.slots[0]);
    EXPECT_EQ(take_error(), 0) << "page 0 itself changes nothing";
    ensure_page(1);
    screen(-page_table.slots[1]);
    EXPECT_EQ(take_error(), 5);
}

TEST_F(ScreenModes, ImagesSurviveModeChanges) {
    const ImageHandle handle = create_image(5, 5, 13, GIVEN);
    screen(12);
    screen(0);
    EXPECT_EQ(image(handle).valid, 1);
    EXPECT_EQ(image(handle).width, 5);
}

TEST_F(ScreenModes, AnActivePageIsAlsoTheVisualPageUnlessOneIsGiven) {
    screen(12);
    set_screen_mode(0, 0, 1, 0, 0, SCREEN_ACTIVE_PAGE_GIVEN);
    EXPECT_EQ(write_page.slot, page_table.slots[1]);
    EXPECT_EQ(source_image.slot, page_table.slots[1]);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[1]);
    EXPECT_EQ(active_page_number, 1);
    set_screen_mode(0, 0, 2, 0, 0, ACTIVE_AND_VISUAL);
    EXPECT_EQ(write_page.slot, page_table.slots[2]);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[0]);
}

TEST_F(ScreenModes, SwitchingPagesKeepsContentsAndResetsTheWritePage) {
    screen(12);
    page(0).pixels[10] = 7;
    page(1).pixels[10] = 3;
    ImageRecord& page1 = page(1);
    page1.fg = 4;
    page1.bg = 2;
    page1.cursor_row = 12;
    page1.text_bottom = 5;
    page1.view_x2 = 5;
    page(0).view_x2 = 77;
    set_screen_mode(0, 0, 1, 0, 0, SCREEN_ACTIVE_PAGE_GIVEN);
    EXPECT_EQ(page(0).pixels[10], 7);
    EXPECT_EQ(page(1).pixels[10], 3);
    EXPECT_EQ(page1.fg, 15);
    EXPECT_EQ(page1.bg, 0u);
    EXPECT_EQ(page1.cursor_row, 12) << "the cursor stays while it is on the page";
    EXPECT_EQ(page1.text_top, 1);
    EXPECT_EQ(page1.text_bottom, 29);
    EXPECT_EQ(page1.view_x2, 77) << "the graphics state comes from the page active before";
}

TEST_F(ScreenModes, AVisualPageSwitchResetsTheWritePagesColours) {
    screen(12);
    page(0).fg = 4;
    set_screen_mode(0, 0, 0, 1, 0, SCREEN_VISUAL_PAGE_GIVEN);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[1]);
    EXPECT_EQ(write_page.slot, page_table.slots[0]);
    EXPECT_EQ(page(0).fg, 15);
}

TEST_F(ScreenModes, NegativePageNumbersFailAndChangeNothing) {
    screen(12);
    struct Case {
        int32_t active, visual, presence;
    };
    const Case cases[] = {{-1, 0, SCREEN_ACTIVE_PAGE_GIVEN},
                          {0, -1, SCREEN_VISUAL_PAGE_GIVEN},
                          {1, -3, ACTIVE_AND_VISUAL},
                          {-2, 1, ACTIVE_AND_VISUAL}};
    for (const Case& c : cases) {
        set_screen_mode(0, 0, c.active, c.visual, 0, c.presence);
        EXPECT_EQ(take_error(), 5) << c.active << "," << c.visual;
        EXPECT_EQ(page_table.size, 1) << "no page was made";
    }
}

TEST_F(ScreenModes, AModeChangeWithPagesSelectsThemOnTheNewScreen) {
    set_screen_mode(9, 0, 1, 0, 0, SCREEN_MODE_GIVEN | ACTIVE_AND_VISUAL);
    EXPECT_EQ(page(0).compat_mode, 9);
    EXPECT_EQ(write_page.slot, page_table.slots[1]);
    EXPECT_EQ(display_page_slot.load(), page_table.slots[0]);
    EXPECT_EQ(page(1).compat_mode, 9);
}

TEST_F(ScreenModes, TallTextPermissionLastsOnlyWhileModeZeroIsRequestedAlone) {
    screen(0);
    EXPECT_EQ(auto_tall_text, 1);
    set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN | SCREEN_ACTIVE_PAGE_GIVEN);
    EXPECT_EQ(auto_tall_text, 0);
    auto_tall_text = 1;
    screen(3);
    take_error();
    EXPECT_EQ(auto_tall_text, 0) << "cleared even by a failing call";
}

TEST_F(ScreenModes, ModeChangesSkipTheHandshakeBeforeTheThreadsRun) {
    threads_started = 0;
    screen(12);
    EXPECT_EQ(display_handshake.load(), HANDSHAKE_IDLE);
    threads_started = 1;
    auto_display = 0;
    screen(0);
    EXPECT_EQ(display_handshake.load(), HANDSHAKE_IDLE);
    EXPECT_EQ(page(0).compat_mode, 0);
}

// A stand-in composer reads the whole display page in every frame, as frame composition
// will. Rebuilds free and replace pages while it runs; were one to free a page inside a
// frame, AddressSanitizer would see a read of freed memory and ThreadSanitizer a race
// between the free and the read.
TEST_F(ScreenModes, RebuildsNeverFreeAPageWhileTheComposerIsInsideAFrame) {
    threads_started = 1;
    auto_display = 1;
    std::atomic<bool> stop{false};
    std::atomic<int64_t> frames{0};
    std::thread composer([&] {
        uint64_t sum = 0;
        while (!stop.load()) {
            if (!display_handshake_answer()) continue;
            const ImageRecord* shown = display_page.load(std::memory_order_acquire);
            const size_t bytes = size_t{shown->width} * shown->height * shown->bytes_per_pixel;
            for (size_t i = 0; i < bytes; i += 61)
                sum += shown->pixels[i];
            if (shown->palette != nullptr) sum += shown->palette[15];
            sum += static_cast<uint64_t>(shown->font + shown->cursor_row);
            frames.fetch_add(1);
            display_handshake_answer();
        }
        EXPECT_NE(sum, 1u);  // keeps the reads
    });
    const int32_t modes[] = {12, 13, 0, 9, 1, 10, 2, 11, 7, 8, 12, 0};
    for (int round = 0; round < 3; ++round) {
        for (int32_t mode : modes)
            screen(mode);
        set_width(0, 80, 50, WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
        set_width(0, 40, 25, WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
        set_font(17, 0, OMITTED);
        screen(12);
        set_width(0, 80, 60, WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
        copy_page(0, 1);
        set_screen_mode(0, 0, 1, 1, 0, SCREEN_ACTIVE_PAGE_GIVEN | SCREEN_VISUAL_PAGE_GIVEN);
    }
    while (frames.load() < 10)
        std::this_thread::yield();
    stop = true;
    composer.join();
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(page(0).compat_mode, 12);
    EXPECT_EQ(display_handshake.load(), HANDSHAKE_IDLE) << "released after the rebuild";
    EXPECT_EQ(previous_frame_valid.load(), 0);
}

TEST(ScreenHandshake, ComposerGrantsARequestAndComposesNothingUntilItEnds) {
    display_handshake = HANDSHAKE_REQUESTED;
    EXPECT_FALSE(display_handshake_answer());
    EXPECT_EQ(display_handshake.load(), HANDSHAKE_GRANTED);
    EXPECT_FALSE(display_handshake_answer()) << "still granted: nothing may be composed";
    display_handshake = HANDSHAKE_IDLE;
    EXPECT_TRUE(display_handshake_answer());
}

// ---------------------------------------------------------------------------------------
// Whole-process paths
// ---------------------------------------------------------------------------------------

SCENARIO(mode_change_with_threads_running) {
    run_runtime([](int32_t) {
        set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
        set_width(0, 80, 60, WIDTH_COLUMNS_GIVEN | WIDTH_ROWS_GIVEN);
        set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
        scenario_say(display_handshake.load() == HANDSHAKE_IDLE ? "rebuilt" : "still held");
        end_program();
    });
}

SCENARIO(rebuild_waiting_at_exit_parks) {
    reset_core_state();
    screen_start_up();
    threads_started = 1;
    exit_in_progress = 1;
    platform_start_thread([] {
        set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
        scenario_say("rebuild went on without a grant");
    });
    while ((thread_exit_acks.load() & 1) == 0)
        platform_sleep_ms(1);
    scenario_say("parked");
    platform_exit(0);
}

TEST(ScreenModesProcess, ModeChangesWithTheThreadsRunningAreGrantedAndEnd) {
    ChildResult result = run_scenario("mode_change_with_threads_running");
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("rebuilt"), std::string::npos) << result.output;
}

TEST(ScreenModesProcess, ARebuildWaitingWhenTheExitBeginsParksTheProgramThread) {
    ChildResult result = run_scenario("rebuild_waiting_at_exit_parks");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("parked"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("without a grant"), std::string::npos) << result.output;
}

// ---------------------------------------------------------------------------------------
// Page copies
// ---------------------------------------------------------------------------------------

TEST_F(PageCopy, PageZeroToOneInModeTwelveSavesTheScreenAndCopiesBack) {
    screen(12);
    for (int32_t i = 0; i < 640 * 480; ++i)
        page(0).pixels[i] = static_cast<uint8_t>(i % 16);
    page(0).cursor_row = 9;
    copy_page(0, 1);
    EXPECT_EQ(take_error(), 0);
    ASSERT_EQ(page_table.size, 2);
    const ImageRecord& saved = page(1);
    EXPECT_EQ(saved.image_flags & SCREEN_PAGE, SCREEN_PAGE);
    EXPECT_EQ(saved.palette, page(0).palette);
    EXPECT_EQ(std::memcmp(saved.pixels, page(0).pixels, 640 * 480), 0);
    EXPECT_EQ(saved.cursor_row, 1) << "only the pixels are copied";
    std::memset(page(0).pixels, 0, 640 * 480);
    copy_page(1, 0);
    EXPECT_EQ(page(0).pixels[17], 1);
    EXPECT_EQ(page(0).pixels[640 * 480 - 1], (640 * 480 - 1) % 16);
}

TEST_F(PageCopy, FourBitPagesCopyIntoEightBitImagesButNotBack) {
    screen(12);
    page(0).pixels[5] = 12;
    const ImageHandle wide = create_image(640, 480, 256, GIVEN);
    copy_page(0, wide);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(image(wide).pixels[5], 12);
    copy_page(wide, 0);
    EXPECT_EQ(take_error(), 5);
}

TEST_F(PageCopy, MismatchedShapesAndBadHandlesFailWithIllegalFunctionCall) {
    screen(12);
    const ImageHandle narrow = create_image(320, 480, 12, GIVEN);
    const ImageHandle deep = create_image(640, 480, 32, GIVEN);
    const ImageHandle text = create_image(640, 480, 0, GIVEN);
    struct Case {
        ImageHandle source, destination;
    };
    const Case cases[] = {{0, narrow}, {narrow, 0}, {0, deep}, {deep, 0},
                          {0, text},   {0, -1},     {-1, 0},   {INT_MIN, 0}};
    for (const Case& c : cases) {
        copy_page(c.source, c.destination);
        EXPECT_EQ(take_error(), 5) << c.source << " -> " << c.destination;
    }
}

TEST_F(PageCopy, CopyingAPageOntoItselfDoesNothing) {
    screen(12);
    copy_page(0, -page_table.slots[0]);
    EXPECT_EQ(take_error(), 0);
}
