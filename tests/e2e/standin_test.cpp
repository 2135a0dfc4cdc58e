// The real gravewick executable, started the way a player starts it: its error boxes on
// an X display answered with real key presses, and its output without a display.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/child_process.h"
#include "tests/support/xvfb.h"

namespace {

constexpr int BOX_TIMEOUT_MS = 10000;
constexpr int EXIT_TIMEOUT_MS = 10000;

class StandInWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok()) << "Xvfb did not start";
        ASSERT_TRUE(client.ok());
    }

    // Waits for the box whose caption is title and answers it with key.
    void answer(const std::string& title, const std::string& key) {
        const unsigned long box = client.wait_for_window(title, BOX_TIMEOUT_MS);
        ASSERT_NE(box, 0ul) << "no box titled " << title;
        EXPECT_EQ(client.title_of(box), title) << "the caption is exactly the error's";
        ASSERT_TRUE(client.press_key(box, key));
        EXPECT_TRUE(client.wait_for_no_window(title, BOX_TIMEOUT_MS)) << title << " stayed";
    }

    XvfbServer server;
    XClient client{server.display_name()};
};

TEST_F(StandInWindow, YesContinuesAfterEachErrorAndTheProgramEndsWithExitCodeZero) {
    ChildProcess game(GRAVEWICK_BINARY, {}, {server.display_env()});
    answer("Unhandled Error #9", "Return");  // Return is Yes
    answer("Unhandled Error #3", "Return");
    ChildResult result = game.wait(EXIT_TIMEOUT_MS);
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

TEST_F(StandInWindow, NoEndsTheProcessAtOnceWithExitCodeZero) {
    ChildProcess game(GRAVEWICK_BINARY, {}, {server.display_env()});
    answer("Unhandled Error #9", "Escape");  // Escape is No
    ChildResult result = game.wait(EXIT_TIMEOUT_MS);
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_TRUE(client.window_titles().empty()) << "no second box";
}

TEST_F(StandInWindow, ACriticalErrorShowsItsBoxAndEndsTheProcess) {
    ChildProcess game(GRAVEWICK_BINARY, {"508"}, {server.display_env()});
    answer("Critical Error #8", "Return");
    ChildResult result = game.wait(EXIT_TIMEOUT_MS);
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

TEST(StandInConsole, WithoutADisplayTheBoxesGoToStandardErrorAndTheProgramRunsOn) {
    ChildProcess game(GRAVEWICK_BINARY, {}, {"DISPLAY"});
    ChildResult result = game.wait(EXIT_TIMEOUT_MS);
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(
        result.output.find("Unhandled Error #9\nLine:30\nSubscript out of range\nContinue?\n"),
        std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("Unhandled Error #3\nLine:40\nRETURN without GOSUB\nContinue?\n"),
              std::string::npos)
        << result.output;
}

TEST(StandInConsole, AnErrorNumberOnTheCommandLineIsRaisedAtLineFive) {
    ChildProcess game(GRAVEWICK_BINARY, {"76"}, {"DISPLAY"});
    ChildResult result = game.wait(EXIT_TIMEOUT_MS);
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("Unhandled Error #76\nLine:5\nPath not found\nContinue?\n"),
              std::string::npos)
        << result.output;
}

}  // namespace
