#include "runtime/screen/text_output.h"

#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/core/lifecycle.h"
#include "runtime/screen/text_screen.h"
#include "runtime/strings/print_using.h"
#include "runtime/strings/strings.h"
#include "tests/screen/screen_fixture.h"
#include "tests/support/screen_reader.h"

namespace {

std::vector<int32_t> bell_pauses;

void record_bell(int32_t ms) {
    bell_pauses.push_back(ms);
}

struct Cursor {
    int32_t row, column, wrap_pending;
    bool operator==(const Cursor&) const = default;
};

class TextOutput : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        bell_pauses.clear();
        text_output_seam_bell(record_bell);
    }
    void TearDown() override {
        text_output_seam_bell(nullptr);
        set_control_chars(0);
        ScreenTest::TearDown();
    }

    static ImageRecord& out() { return *write_page.image; }
    static void at(int32_t row, int32_t column) {
        locate(row, column, 0, 0, 0, LOCATE_ROW_GIVEN | LOCATE_COLUMN_GIVEN);
    }
    static void print(const std::string& text, LineEnd line_end = WITHOUT_LINE_END) {
        StrDesc* s = string_from_literal(text.data(), static_cast<int32_t>(text.size()));
        print_string(s, line_end);
        string_free(s);
    }
    static void fit_check(const std::string& text) {
        StrDesc* s = string_from_literal(text.data(), static_cast<int32_t>(text.size()));
        print_fit_check(s);
        string_free(s);
    }
    // The characters of row r (from 1) of a text page.
    // The characters of row r (from 1) of a page.
    static std::string text_row(const ImageRecord& p, int32_t r) {
        return read_page(p).row_text(r);
    }
    static Cursor cursor() { return {out().cursor_row, out().cursor_col, out().wrap_pending}; }
};

std::ostream& operator<<(std::ostream& os, const Cursor& c) {
    return os << "(" << c.row << ", " << c.column << ") wrap " << c.wrap_pending;
}

}  // namespace

// A line of exactly the page's width parks the cursor on the last column, so the line
// end that follows moves one line, not two; one character more wraps once.
TEST_F(TextOutput, FullLineParksTheCursorAndItsLineEndAdvancesOnce) {
    for (int32_t mode : {0, 12}) {
        screen(mode);
        at(1, 1);
        print(std::string(80, 'x'));
        EXPECT_EQ(cursor(), (Cursor{1, 80, 1})) << "mode " << mode;
        EXPECT_EQ(cursor_column(), 1) << "mode " << mode;
        EXPECT_EQ(cursor_line(), 2) << "mode " << mode;
        print("");
        EXPECT_EQ(cursor(), (Cursor{1, 80, 1})) << "an empty print alone keeps the wrap";
        print("", WITH_LINE_END);
        EXPECT_EQ(cursor(), (Cursor{2, 1, 0})) << "mode " << mode;

        at(5, 1);
        print(std::string(81, 'y'));
        EXPECT_EQ(cursor(), (Cursor{6, 2, 0})) << "mode " << mode;
        at(8, 1);
        print(std::string(80, 'z'), WITH_LINE_END);
        EXPECT_EQ(cursor(), (Cursor{9, 1, 0})) << "a line end in the same print: mode " << mode;
        at(10, 1);
        print(std::string(80, 'w'));
        print("v");
        EXPECT_EQ(cursor(), (Cursor{11, 2, 0})) << "more text after the wrap: mode " << mode;
    }
    screen(0);
    at(1, 1);
    print(std::string(80, 'x'));
    print("", WITH_LINE_END);
    EXPECT_EQ(text_row(out(), 1), std::string(80, 'x'));
    EXPECT_EQ(text_row(out(), 2), std::string(80, ' '));
}

TEST_F(TextOutput, FitCheckStartsANewLineOnlyWhenTheTextWouldNotFit) {
    struct Case {
        int32_t mode, column, length, row_after, column_after;
    };
    const Case cases[] = {
        {12, 75, 10, 2, 1}, {12, 75, 6, 1, 75}, {12, 1, 200, 1, 1},
        {0, 75, 10, 2, 1},  {0, 75, 6, 1, 75},  {0, 1, 81, 1, 1},
    };
    for (const Case& c : cases) {
        screen(c.mode);
        at(1, c.column);
        fit_check(std::string(c.length, 'a'));
        EXPECT_EQ(cursor(), (Cursor{c.row_after, c.column_after, 0}))
            << "mode " << c.mode << " column " << c.column << " length " << c.length;
    }
    // A parked cursor is at no column: the next print moves on by itself.
    at(1, 1);
    print(std::string(80, 'a'));
    fit_check("abc");
    EXPECT_EQ(cursor(), (Cursor{1, 80, 1}));
}

TEST_F(TextOutput, TabsRunToTheNextStopAfterAtLeastOneSpace) {
    struct Case {
        int32_t from, to;
    };
    for (const Case c : {Case{1, 9}, Case{8, 9}, Case{9, 17}, Case{16, 17}, Case{73, 80}}) {
        screen(0);
        at(3, c.from);
        print("\t");
        EXPECT_EQ(out().cursor_col, c.to) << "from column " << c.from;
    }
    screen(0);
    at(3, 1);
    print("ab\tc");
    EXPECT_EQ(text_row(out(), 3).substr(0, 10), "ab      c ");
    // A tab from column 80 paints the last cell and, with nothing after it, parks.
    at(4, 80);
    print("\t");
    EXPECT_EQ(cursor(), (Cursor{4, 80, 1}));
}

TEST_F(TextOutput, ControlCodesMoveTheCursorInsideTheTextWindow) {
    struct Case {
        const char* name;
        int32_t row, column;
        uint8_t code;
        int32_t row_after, column_after;
    };
    // Mode 12: 80 columns, the text window rows 1-29, row 30 below it.
    const Case cases[] = {
        {"line feed", 5, 40, 10, 6, 1},
        {"carriage return", 5, 40, 13, 6, 1},
        {"home", 5, 40, 11, 1, 1},
        {"right", 5, 40, 28, 5, 41},
        {"right off the line", 5, 80, 28, 6, 1},
        {"right at the window's end", 29, 80, 28, 29, 80},
        {"right below the window", 30, 79, 28, 30, 80},
        {"left", 5, 40, 29, 5, 39},
        {"left to the line above", 5, 1, 29, 4, 80},
        {"left at the window's top", 1, 1, 29, 1, 1},
        {"left below the window", 30, 1, 29, 30, 1},
        {"up", 5, 40, 30, 4, 40},
        {"up at the top", 1, 40, 30, 1, 40},
        {"up below the window", 30, 40, 30, 30, 40},
        {"down", 5, 40, 31, 6, 40},
        {"down at the window's end", 29, 40, 31, 29, 40},
    };
    screen(12);
    for (const Case& c : cases) {
        at(c.row, c.column);
        print(std::string(1, static_cast<char>(c.code)));
        EXPECT_EQ(cursor(), (Cursor{c.row_after, c.column_after, 0})) << c.name;
    }
}

TEST_F(TextOutput, ControlCodesPaintAsGlyphsInModeTwo) {
    screen(0);
    set_control_chars(2);
    at(2, 1);
    print("\x07\t\n\r\x0b\x0c\x1c\x1d\x1e\x1f");
    EXPECT_EQ(text_row(out(), 2).substr(0, 10), "\x07\t\n\r\x0b\x0c\x1c\x1d\x1e\x1f");
    EXPECT_EQ(cursor(), (Cursor{2, 11, 0}));
    EXPECT_TRUE(bell_pauses.empty());
    set_control_chars(1);
    print("\r");
    EXPECT_EQ(cursor(), (Cursor{3, 1, 0}));
}

TEST_F(TextOutput, BellTakesAQuarterSecondAndPaintsNothing) {
    screen(0);
    at(4, 10);
    const std::vector<uint8_t> before(out().pixels, out().pixels + 4000);
    print("\a");
    EXPECT_EQ(bell_pauses, std::vector<int32_t>{250});
    EXPECT_EQ(cursor(), (Cursor{4, 10, 0}));
    EXPECT_EQ(std::vector<uint8_t>(out().pixels, out().pixels + 4000), before);
}

TEST_F(TextOutput, FormFeedClearsThePageAndHomesTheCursor) {
    screen(0);
    set_text_window(3, 10, GIVEN);
    at(5, 5);
    print("abc");
    print("\f");
    EXPECT_EQ(cursor(), (Cursor{3, 1, 0}));
    EXPECT_EQ(text_row(out(), 5), std::string(80, ' '));

    // A wrap left pending by the cleared text is gone with it: the next print starts at
    // the window's first row.
    at(6, 1);
    print(std::string(80, 'w'));
    clear_screen(0, 0, 0);
    print("a");
    EXPECT_EQ(cursor(), (Cursor{3, 2, 0}));
}

// Zones start every 14 columns while a whole zone still fits; the last partial zone runs
// to the end of the line.
TEST_F(TextOutput, PrintZonesStartEveryFourteenColumns) {
    for (int32_t mode : {0, 12}) {
        screen(mode);
        at(1, 1);
        std::vector<int32_t> stops;
        print("a");
        for (int i = 0; i < 6; ++i) {
            print_zone();
            stops.push_back(out().cursor_col);
        }
        EXPECT_EQ(stops, (std::vector<int32_t>{15, 29, 43, 57, 80, 80})) << "mode " << mode;
        EXPECT_EQ(out().wrap_pending, 1) << "the last zone parks at the line's end";
        print_zone();
        EXPECT_EQ(cursor(), (Cursor{2, 1, 0})) << "a pending wrap: the separator is a new line";
        at(3, 58);
        print_zone();
        EXPECT_EQ(out().cursor_col, 80) << "mode " << mode;
    }
}

TEST_F(TextOutput, CellsTakeTheForegroundBlinkAndBackground) {
    screen(0);
    set_color(23, 1, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    at(1, 1);
    print("A");
    EXPECT_EQ(cell_at(out(), 1, 1), 0x9741);
}

// Scrolling moves the rows of the text window only and fills the new bottom row with
// blanks in the current colours.
TEST_F(TextOutput, TextPageScrollFillsWithTheCurrentColours) {
    screen(0);
    for (int32_t r = 1; r <= 25; ++r) {
        at(r, 1);
        print("row " + std::to_string(r));
    }
    set_color(23, 1, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    at(24, 1);
    print("", WITH_LINE_END);
    EXPECT_EQ(cursor(), (Cursor{24, 1, 0}));
    EXPECT_EQ(text_row(out(), 1).substr(0, 6), "row 2 ");
    EXPECT_EQ(text_row(out(), 23).substr(0, 6), "row 24");
    EXPECT_EQ(cell_at(out(), 24, 1), 0x9720);
    EXPECT_EQ(cell_at(out(), 24, 80), 0x9720);
    EXPECT_EQ(text_row(out(), 25).substr(0, 6), "row 25") << "below the window";

    // A cursor placed below the window prints there; its line end scrolls the window.
    at(25, 8);
    print("!", WITH_LINE_END);
    EXPECT_EQ(cursor(), (Cursor{24, 1, 0}));
    EXPECT_EQ(text_row(out(), 25).substr(0, 8), "row 25 !");
}

TEST_F(TextOutput, PixelPageScrollMovesTheWindowAndLeavesTheLastRow) {
    screen(12);
    ImageRecord& p = out();
    for (int32_t y = 0; y < 480; ++y)
        std::memset(p.pixels + y * 640, y / 16 + 1, 640);  // text row r holds colour r
    set_color(7, 4, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    at(29, 1);
    print("", WITH_LINE_END);
    EXPECT_EQ(cursor(), (Cursor{29, 1, 0}));
    for (int32_t row = 1; row <= 30; ++row) {
        const int32_t expected = row <= 28 ? row + 1 : row == 29 ? 4 : 30;
        for (int32_t y = (row - 1) * 16; y < row * 16; y += 5) {
            ASSERT_EQ(p.pixels[y * 640 + 321], expected)
                << "text row " << row << " pixel row " << y;
        }
    }
}

TEST_F(TextOutput, PrintModesChooseWhichPixelsAGlyphPaints) {
    struct Case {
        uint8_t print_mode;
        uint8_t glyph, background;
    };
    // Colours: 9 on 2, over pixels that were 5.
    for (const Case c : {Case{PRINT_KEEP_BACKGROUND, 9, 5}, Case{PRINT_ONLY_BACKGROUND, 5, 2},
                         Case{PRINT_FILL_BACKGROUND, 9, 2}}) {
        screen(12);
        ImageRecord& p = out();
        std::memset(p.pixels, 5, 640 * 480);
        set_color(9, 2, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
        p.print_mode = c.print_mode;
        at(1, 1);
        draw_char(0xDB);  // the full block: every pixel of the cell is a glyph pixel
        at(1, 2);
        draw_char(' ');
        EXPECT_EQ(p.pixels[5 * 640 + 3], c.glyph) << "mode " << int{c.print_mode};
        EXPECT_EQ(p.pixels[5 * 640 + 11], c.background) << "mode " << int{c.print_mode};
        EXPECT_EQ(p.pixels[5 * 640 + 17], 5) << "outside the cells";
    }
}

TEST_F(TextOutput, GlyphsBlendOnThirtyTwoBitImages) {
    const ImageHandle handle = create_image(64, 32, 32, GIVEN);
    set_dest(handle);
    ImageRecord& p = image(handle);
    auto* pixels = reinterpret_cast<uint32_t*>(p.pixels);
    std::fill_n(pixels, 64 * 32, 0xFF0000FFu);
    p.fg = static_cast<int32_t>(0x80FFFFFFu);
    p.bg = 0x00000000;
    draw_char(0xDB);
    EXPECT_EQ(pixels[0], 0xFF7F7FFEu) << "half-transparent white over blue, low bits dropped";
    draw_char(' ');
    EXPECT_EQ(pixels[0], 0xFF7F7FFEu) << "a transparent background leaves the pixel";
    p.no_blend = 1;
    draw_char(' ');
    EXPECT_EQ(pixels[0], 0x00000000u) << "without blending the colour is stored";
}

// Images smaller than a text cell still take every print: nothing is written outside
// them and the cursor stays on them.
TEST_F(TextOutput, ImagesSmallerThanACellTakePrintsSafely) {
    for (const auto& [width, height, mode] : {std::tuple{4, 4, 13}, std::tuple{5, 20, 32},
                                              std::tuple{20, 3, 12}, std::tuple{1, 1, 0}}) {
        const ImageHandle handle = create_image(width, height, mode, GIVEN);
        ASSERT_LT(handle, -1);
        set_dest(handle);
        print("hello\tworld\x1c\x1d\x1e\x1f", WITH_LINE_END);
        print("again");
        print_zone();
        print_zone();
        EXPECT_EQ(take_error(), 0);
        EXPECT_GE(out().cursor_col, 1);
        EXPECT_GE(out().cursor_row, 1);
        free_image(handle, GIVEN);
    }
}

TEST_F(TextOutput, PrinterRouteWrapsAtThePrinterWidthAndHandsOnFullPages) {
    static int hand_offs = 0;
    hand_offs = 0;
    printer_page_hand_off = [] { ++hand_offs; };
    const ImageHandle handle = create_image(640, 48, 13, GIVEN);
    set_dest(handle);
    set_font(16, handle, GIVEN);  // three text rows of 16 pixels
    set_text_window(1, 3, GIVEN);
    printer_route_active = 1;
    printer_column = 1;
    printer_line_width = 10;
    print(std::string(12, 'p'));
    EXPECT_EQ(cursor(), (Cursor{2, 3, 0})) << "the printer's line is 10 columns";
    EXPECT_EQ(printer_column, 3);
    print("", WITH_LINE_END);
    print("", WITH_LINE_END);
    EXPECT_EQ(hand_offs, 1) << "the third line end runs past the window";
    EXPECT_EQ(cursor(), (Cursor{1, 1, 0}));
    EXPECT_EQ(image(handle).pixels[640 * 20 + 5], 15) << "the page starts again blank";
    print("\f");
    EXPECT_EQ(hand_offs, 2) << "a form feed sends the page";
    printer_route_active = 0;
    printer_page_hand_off = nullptr;
    printer_line_width = 80;
}

TEST_F(TextOutput, ConsoleImagesWriteToStandardOutput) {
    screen(0);
    out().console = 1;
    testing::internal::CaptureStdout();
    print(std::string("one\0two", 7));
    print(" three", WITH_LINE_END);
    print_zone();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "one three\n ");
    EXPECT_EQ(cursor(), (Cursor{1, 1, 0}));
    out().console = 0;
}

TEST_F(TextOutput, PrintsDoNothingWhileAnErrorIsPending) {
    screen(0);
    at(3, 3);
    raise_error(ERROR_ILLEGAL_FUNCTION_CALL);
    print("abc", WITH_LINE_END);
    fit_check(std::string(100, 'a'));
    print_zone();
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(cursor(), (Cursor{3, 3, 0}));
    EXPECT_EQ(text_row(out(), 3), std::string(80, ' '));
}

// A formatted print ends its line, or, after an error, shows what it built without one
// and leaves the error for the checkpoint.
TEST_F(TextOutput, FormattedPrintEndsTheLineUnlessAnErrorIsPending) {
    screen(0);
    at(2, 1);
    PrintUsingStatement statement = print_using_begin(string_from_cstring(" ###:##.###"));
    print_using_next(statement, 9.0f);
    print_using_next(statement, 59.7f);
    print_using_print(statement);
    print_using_end(statement);
    EXPECT_EQ(text_row(out(), 2).substr(0, 12), "   9:59.700 ");
    EXPECT_EQ(cursor(), (Cursor{3, 1, 0}));

    statement = print_using_begin(string_from_cstring("# "));
    print_using_next(statement, 1.0);
    print_using_next(statement, std::numeric_limits<double>::infinity());
    print_using_print(statement);
    print_using_end(statement);
    EXPECT_EQ(text_row(out(), 3).substr(0, 3), "1  ");
    EXPECT_EQ(cursor(), (Cursor{3, 3, 0}));
    EXPECT_EQ(take_error(), 5);
}

// The end statement's prompt stands alone on the bottom row of the displayed page, which
// it clears first; nothing above it moves.
TEST_F(TextOutput, ClosingPromptTakesTheBottomRowOfTheDisplayedPage) {
    screen(0);
    for (int32_t r = 1; r <= 25; ++r) {
        at(r, 1);
        print("line " + std::to_string(r) + std::string(70, '.'));
    }
    const ImageHandle other = create_image(80, 25, 0, GIVEN);
    set_dest(other);
    show_closing_prompt();
    EXPECT_EQ(write_page.slot, display_page_slot.load());
    const std::string prompt = "Press any key to continue";
    EXPECT_EQ(text_row(out(), 25), prompt + std::string(80 - prompt.size(), ' '));
    EXPECT_EQ(text_row(out(), 24).substr(0, 8), "line 24.");
    EXPECT_EQ(text_row(out(), 1).substr(0, 7), "line 1.");
    EXPECT_EQ(cursor(), (Cursor{25, 26, 0}));
    EXPECT_EQ(out().text_top, 25);
    EXPECT_EQ(out().text_bottom, 25);
}

// A whole mode-12 screen as a program builds it: coloured lines, a line wrapped at the
// right edge, tab stops and print zones, a scroll that pushes the first lines off, and
// the closing prompt on the bottom row.
TEST_F(TextOutput, ModeTwelveScreenMatchesItsGolden) {
    screen(12);
    set_color(7, 0, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    clear_screen(0, 0, 0);
    const auto line = [](const std::string& text) {
        fit_check(text);
        print(text);
        print("", WITH_LINE_END);
    };
    line("This line scrolls away.");
    set_color(14, 1, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    line("Yellow on blue, then the colours go back.");
    set_color(7, 0, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    line(std::string(78, '=') + " wrapped at the edge");
    print("a\tb\tc\td\te");
    print("", WITH_LINE_END);
    print("one");
    print_zone();
    print("two");
    print_zone();
    print("three");
    print_zone();
    print("four");
    print_zone();
    print("five");
    print_zone();
    print("end", WITH_LINE_END);
    for (int32_t n = 1; n <= 22; ++n)
        line("filler " + std::to_string(n));
    set_color(2, 0, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
    show_closing_prompt();
    expect_golden(read_page(out()), "screen/data/mode12_text_tour.txt");
}

// The start-up text screen with a text window of rows 5-10: prints scroll inside it in
// blinking and background colours while the rows around it stay.
TEST_F(TextOutput, TextWindowOnTheStartUpScreenMatchesItsGolden) {
    screen(0);
    at(1, 1);
    print("above the window", WITH_LINE_END);
    at(25, 1);
    print("below the window");
    set_text_window(5, 10, GIVEN);
    for (int32_t n = 1; n <= 9; ++n) {
        set_color(static_cast<uint32_t>(n % 2 == 0 ? 30 : 7), static_cast<uint32_t>(n % 8), 0,
                  COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
        print("window line " + std::to_string(n), WITH_LINE_END);
    }
    expect_golden(read_page(out()), "screen/data/text_window_scroll.txt");
}

// Doubled fonts paint every glyph pixel twice across, in cells twice as wide.
TEST_F(TextOutput, DoubledFontsPaintEachGlyphPixelTwice) {
    for (const int32_t font : {9, 15, 17}) {
        const ImageHandle handle = create_image(160, 48, 13, GIVEN);
        set_dest(handle);
        set_font(font, handle, GIVEN);
        set_color(14, 1, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
        print("Grave", WITH_LINE_END);
        print("wick");
        const ScreenText text = read_page(image(handle));
        EXPECT_EQ(text.columns, 10) << "font " << font;
        EXPECT_EQ(text.row_text(1).substr(0, 6), "Grave ") << "font " << font;
        EXPECT_EQ(text.row_text(2).substr(0, 5), "wick ") << "font " << font;
        EXPECT_EQ(text.cell(1, 1), (ScreenCell{'G', 14, 1})) << "font " << font;
        free_image(handle, GIVEN);
    }
}
