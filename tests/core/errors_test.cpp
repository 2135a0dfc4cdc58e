#include "runtime/core/errors.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/core/checkpoint.h"
#include "tests/core/core_fixture.h"
#include "tests/support/scenario.h"

namespace {

class Errors : public CoreTest {};

TEST_F(Errors, FirstErrorOfAStatementWins) {
    EXPECT_EQ(raise_error(9), 9);
    EXPECT_EQ(raise_error(13), 9);
    EXPECT_EQ(raise_error(0), 9);
    EXPECT_EQ(pending_error, 9u);
    EXPECT_EQ(checkpoint_requested.load(), 1);
}

TEST_F(Errors, ZeroAndNegativeNumbersReportIllegalFunctionCall) {
    for (int32_t n : {0, -1, -5, INT_MIN}) {
        pending_error = 0;
        EXPECT_EQ(raise_error(n), 5) << "raise_error(" << n << ")";
        EXPECT_EQ(pending_error, 5u) << "raise_error(" << n << ")";
    }
}

TEST_F(Errors, MessagesOfTheTableAndUnprintableOnes) {
    struct Case {
        ErrorCode number;
        const char* message;
    };
    const Case cases[] = {
        {1, "NEXT without FOR"},
        {5, "Illegal function call"},
        {9, "Subscript out of range"},
        {20, "RESUME without error"},
        {69, "Communication-buffer overflow"},
        {76, "Path not found"},
        {258, "Invalid handle"},
        {262, "Function unavailable in KORRIN"},
        {313, "Source and destination memory have been freed"},
        {11, "Unprintable error"},
        {15, "Unprintable error"},
        {21, "Unprintable error"},
        {77, "Unprintable error"},
        {99, "Unprintable error"},
        {0, "Unprintable error"},
        {4000000000u, "Unprintable error"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(error_message(c.number), c.message) << "error " << c.number;
    }
}

TEST_F(Errors, CheckpointShowsTheErrorWithItsLineAndContinuesOnYes) {
    struct Case {
        int32_t error;
        int32_t line;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {9, 57, "Unhandled Error #9", "Line:57\nSubscript out of range\nContinue?"},
        {99, 3, "Unhandled Error #99", "Line:3\nUnprintable error\nContinue?"},
        {0, 12, "Unhandled Error #5", "Line:12\nIllegal function call\nContinue?"},
        {3, 0, "Unhandled Error #3", "Line:0\nRETURN without GOSUB\nContinue?"},
        // The line is shown unsigned, as the dialog always has.
        {258, -1, "Unhandled Error #258", "Line:4294967295\nInvalid handle\nContinue?"},
    };
    for (const Case& c : cases) {
        script_boxes({MessageBoxAnswer::yes});
        raise_error(c.error);
        statement_end(c.line);
        auto shown = boxes();
        ASSERT_EQ(shown.size(), 1u) << c.caption;
        EXPECT_EQ(shown[0].caption, c.caption);
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].buttons, MessageBoxButtons::yes_no);
        EXPECT_EQ(shown[0].modality, MessageBoxModality::system);
        EXPECT_EQ(pending_error, 0u) << "Yes clears the error";
        EXPECT_EQ(error_line, c.line);
        EXPECT_EQ(checkpoint_requested.load(), 0);
    }
}

TEST_F(Errors, ABoxThatCannotAppearCountsAsYes) {
    script_boxes({});  // every box fails
    raise_error(13);
    statement_end(40);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(pending_error, 0u);
}

TEST_F(Errors, ALaterStatementReportsItsOwnLine) {
    script_boxes({MessageBoxAnswer::yes, MessageBoxAnswer::yes});
    raise_error(6);
    statement_end(10);
    statement_end(11);  // nothing pending: no box
    raise_error(7);
    statement_end(12);
    auto shown = boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Line:10\nOverflow\nContinue?");
    EXPECT_EQ(shown[1].text, "Line:12\nOut of memory\nContinue?");
}

// ---------------------------------------------------------------------------------------
// The paths that end the process run in a child process each.
// ---------------------------------------------------------------------------------------

SCENARIO(critical_raise) {
    message_box_seam_install({MessageBoxAnswer::ok});
    raise_error(std::stoi(args.at(0)));
    scenario_say("raise_error returned");
}

SCENARIO(critical_at_dispatch) {
    message_box_seam_install({MessageBoxAnswer::ok});
    raise_error(std::stoi(args.at(0)));
    scenario_say("raised");
    statement_end(21);
    scenario_say("dispatch returned");
}

SCENARIO(answer_no) {
    run_runtime([](int32_t) {
        message_box_seam_install({MessageBoxAnswer::no});
        raise_error(5);
        statement_end(7);
        scenario_say("statement 8 ran");
        end_program();
    });
}

SCENARIO(answer_yes) {
    run_runtime([](int32_t) {
        message_box_seam_install({MessageBoxAnswer::yes});
        raise_error(9);
        statement_end(3);
        scenario_say("statement 4 ran");
        end_program();
    });
}

TEST(ErrorsProcess, CriticalNumbersShowTheirBoxAtOnceAndExitZero) {
    struct Case {
        int32_t error;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {11, "Critical Error", "Division by zero"},
        {256, "Critical Error", "Out of stack space"},
        {257, "Critical Error #1", "Out of memory"},
        {259, "Critical Error", "Cannot find dynamic library file"},
        {260, "Critical Error", "Sub/Function does not exist in dynamic library"},
        {261, "Critical Error", "Sub/Function does not exist in dynamic library"},
        {263, "Critical Error", "Paths/Filename illegal in KORRIN"},
        {270, "Critical Error", "_GL command called outside of SUB _GL's scope"},
        {271, "Critical Error", "END/SYSTEM called within SUB _GL's scope"},
        {502, "Critical Error #2", "Out of memory"},
        {508, "Critical Error #8", "Out of memory"},
        {518, "Critical Error #18", "Out of memory"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_scenario("critical_raise", {std::to_string(c.error)});
        EXPECT_TRUE(result.exited) << c.error << "\n" << result.output;
        EXPECT_EQ(result.exit_code, 0) << c.error << "\n" << result.output;
        const std::string box = std::string("message box [") + c.caption + "] [" + c.text +
                                "] buttons=ok modality=system answer=ok";
        EXPECT_NE(result.output.find(box), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("raise_error returned"), std::string::npos) << c.error;
    }
}

TEST(ErrorsProcess, NonCriticalNeighboursOfTheCriticalNumbersAreOrdinary) {
    for (int32_t error : {10, 12, 255, 262, 264, 501, 519}) {
        ChildResult result = run_scenario("critical_raise", {std::to_string(error)});
        EXPECT_EQ(result.exit_code, SCENARIO_RETURNED) << error << "\n" << result.output;
        EXPECT_NE(result.output.find("raise_error returned"), std::string::npos) << error;
    }
}

TEST(ErrorsProcess, MemoryErrorsAreCriticalWhenTheCheckpointReportsThem) {
    ChildResult result = run_scenario("critical_at_dispatch", {"305"});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("raised"), std::string::npos) << "recorded, not shown, at raise";
    EXPECT_NE(result.output.find("message box [Critical Error #305] "
                                 "[Line:21\\nSource memory has been freed] "
                                 "buttons=ok modality=application"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find("dispatch returned"), std::string::npos);

    for (int32_t error : {300, 313}) {
        result = run_scenario("critical_at_dispatch", {std::to_string(error)});
        EXPECT_EQ(result.exit_code, 0) << result.output;
        EXPECT_NE(result.output.find("[Critical Error #" + std::to_string(error) + "]"),
                  std::string::npos)
            << result.output;
    }
}

TEST(ErrorsProcess, AnswerNoEndsTheProcessWithExitCodeZeroAndNothingMoreRuns) {
    ChildResult result = run_scenario("answer_no");
    EXPECT_TRUE(result.exited) << result.output;
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(
        result.output.find("[Unhandled Error #5] [Line:7\\nIllegal function call\\nContinue?] "
                           "buttons=yes_no modality=system answer=no"),
        std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find("statement 8 ran"), std::string::npos) << result.output;
}

TEST(ErrorsProcess, AnswerYesContinuesWithTheNextStatement) {
    ChildResult result = run_scenario("answer_yes");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("answer=yes"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("statement 4 ran"), std::string::npos) << result.output;
}

}  // namespace
