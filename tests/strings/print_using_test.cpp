#include "runtime/strings/print_using.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "runtime/core/errors.h"
#include "tests/strings/strings_fixture.h"

namespace {

// A value of a formatted print statement, of any type the operations take.
using Value = std::variant<int64_t, uint64_t, float, double, long double, std::string>;

std::string describe(const Value& value) {
    std::ostringstream out;
    out.precision(std::numeric_limits<long double>::max_digits10);
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                out << '"' << v << '"';
            } else if constexpr (std::is_same_v<T, float>) {
                out << v << "f";
            } else if constexpr (std::is_same_v<T, long double>) {
                out << v << "L";
            } else {
                out << v;
            }
        },
        value);
    return out.str();
}

struct Case {
    const char* format_template;
    std::vector<Value> values;
    const char* output;
    ErrorCode error = 0;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    out << "template \"" << c.format_template << "\" with";
    for (const Value& v : c.values)
        out << ' ' << describe(v);
    return out;
}

class PrintUsing : public StringsTest {
protected:
    void TearDown() override {
        pending_error = 0;
        free_temporaries(mark, 0);
        StringsTest::TearDown();
    }

    // Runs a statement the way translated code does: the values in turn, each only while
    // no error is pending, then the statement cleanup. Returns the output text; the
    // pending error is left for the caller to read.
    std::string run_statement(const char* format_template, const std::vector<Value>& values) {
        PrintUsingStatement statement = print_using_begin(literal(format_template));
        for (const Value& v : values) {
            std::visit(
                [&statement](const auto& value) {
                    using T = std::decay_t<decltype(value)>;
                    if constexpr (std::is_same_v<T, std::string>) {
                        print_using_next(statement, temporary(value));
                    } else {
                        print_using_next(statement, value);
                    }
                },
                v);
        }
        const std::string built = text(statement.output);
        print_using_end(statement);
        free_temporaries(mark, 0);
        return built;
    }

    void expect_cases(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            EXPECT_EQ(run_statement(c.format_template, c.values), c.output) << c;
            EXPECT_EQ(pending_error, c.error) << c;
            pending_error = 0;
            EXPECT_EQ(descriptors_in_use(), baseline) << c;
        }
    }
};

TEST_F(PrintUsing, EdgeCasesOfTheFormatterHold) {
    expect_cases({
        {" ###:##.###", {2.0f, 5.25f}, "   2: 5.250"},
        {"##.##", {0.5f}, " 0.50"},
        {".##", {0.5f}, ".50"},
        {"###", {-5.0f}, " -5"},
        {"#", {-5.0f}, "%-5"},
        {"#", {12.0f}, "%12"},
        {"##.#", {9.96f}, "10.0"},
        {"#.#", {9.96f}, "%10.0"},
        {"#,###", {1234.0f}, "1,234"},
        {"**###", {12.0f}, "***12"},
        {"$$##", {12.0f}, " $12"},
        {"+##", {5.0f}, "+ 5"},
        {"##-", {-5.0f}, " 5-"},
        {"!", {"ABC"}, "A"},
        {"\\  \\", {"ABC"}, "ABC "},
        {"#;", {1.0f, 2.0f, 3.0f}, "1;2;3;"},
        {"ABC", {1.0f}, "ABC", 5},
    });
}

// The game's countdown: minutes in a three-place field, seconds with three decimals, both
// single precision, so the seconds' binary value decides the last decimal.
TEST_F(PrintUsing, CountdownFieldShowsMinutesAndSeconds) {
    expect_cases({
        {" ###:##.###", {9.0f, 59.7f}, "   9:59.700"},
        {" ###:##.###", {0.0f, 59.7f}, "   0:59.700"},
        {" ###:##.###", {3.0f, 5.5f}, "   3: 5.500"},
        {" ###:##.###", {0.0f, 0.0f}, "   0: 0.000"},
        {" ###:##.###", {9.0f, 59.876f}, "   9:59.876"},
    });
}

TEST_F(PrintUsing, ZeroAndNegativeZeroKeepTheirSign) {
    expect_cases({
        {"###", {-0.0f}, " -0"},
        {"##.##", {-0.0}, "-0.00"},
        {".##", {0.0f}, ".00"},
        {"###", {int64_t{0}}, "  0"},
        {"#", {uint64_t{0}}, "0"},
    });
}

// Rounding happens once per field at the first digit not shown, on the exact binary value.
TEST_F(PrintUsing, RoundingCarriesIntoANewLeadingDigit) {
    expect_cases({
        {"###", {99.5f}, "100"},
        {"##", {99.5f}, "%100"},
        {".#", {0.96f}, "%1.0"},
        {".#", {0.05f}, ".1"},
        {"#,###", {999.5f}, "1,000"},
        {"#.##", {0.995f}, "1.00"},
        {"#.##", {0.995}, "0.99"},
        {"**$###.##", {2.675}, "****$2.67"},
        {"#", {0.5f}, "1"},
    });
}

TEST_F(PrintUsing, ExponentFieldsMoveThePointAndNameTheType) {
    expect_cases({
        {"##.##^^^^", {12.5f}, " 1.25E+01"},
        {"##.##^^^^", {12.5}, " 1.25D+01"},
        {"##.##^^^^^", {12.5f}, " 1.25E+001"},
        {"##.##^^^^", {-12.5f}, "-1.25E+01"},
        {"##.##^^^^", {int64_t{125}}, " 1.25E+02"},
        {"##.#^^^^", {9.96f}, " 1.0E+01"},
        {"##.##^^^^", {1e-5f}, " 1.00E-05"},
        {"##.##^^^^", {1e100}, "% 1.00D+100"},
        {"##.##^^^^^", {1e100}, " 1.00D+100"},
        {"##.##^^^^", {1e400L}, "% 1.00E+400"},
        {"##.##^^^^", {0.05L}, " 5.00E-02"},
        // Without sign marks the sign takes a place: an integer place if any, else a
        // decimal place (the point giving way when it was the only one).
        {"#.##^^^^", {5.0f}, "0.50E+01"},
        {".##^^^^", {0.5f}, "0.5E+00"},
        {".#^^^^", {-0.5f}, "-5E-01"},
        {".#^^^^", {0.5f}, " 5E-01"},
        {"#^^^^", {5.0f}, "5E+00"},
        {"#^^^^", {-5.0f}, "%-5E+00"},
        {"+#.#^^^^", {5.0f}, "+5.0E+00"},
        {"#.#^^^^-", {-25.0f}, "2.5E+01-"},
        {"$$#.#^^^^", {5.0f}, "$ 5.0E+00"},
    });
}

TEST_F(PrintUsing, CommaFieldsGroupIntegerDigitsByThree) {
    expect_cases({
        {"#,###", {12.0f}, "   12"},
        {"#,###,###", {int64_t{1234567}}, "1,234,567"},
        {"##,###", {int64_t{-1234}}, "-1,234"},
        {"##,###.##", {1234567.5}, "%1,234,567.50"},
        // An exponent field ignores the comma.
        {"#,###.##^^^^", {1234.5f}, " 1234.50E+00"},
    });
}

TEST_F(PrintUsing, FillCurrencyAndSignMarksTakeTheirPlaces) {
    expect_cases({
        {"**$##", {12.0f}, "**$12"},
        {"**$##", {-5.0f}, "**-$5"},
        {"**##", {-5.0f}, "**-5"},
        {"$$##", {-12.0f}, "-$12"},
        {"+$$##", {12.0f}, "+ $12"},
        {"+##", {-5.0f}, "- 5"},
        {"##+", {5.0f}, " 5+"},
        {"##+", {-5.0f}, " 5-"},
        {"##-", {5.0f}, " 5 "},
        {"+##-", {-5.0f}, "- 5-"},
        {"+.##", {-0.5f}, "-.50"},
        {".##", {-0.5f}, "%-.50"},
        {"-##", {-5.0f}, "--5"},
    });
}

TEST_F(PrintUsing, IntegerValuesUseEveryDigit) {
    expect_cases({
        {"####################", {std::numeric_limits<uint64_t>::max()}, "18446744073709551615"},
        {"####################", {std::numeric_limits<int64_t>::min()}, "-9223372036854775808"},
        {"###.##", {int64_t{-7}}, " -7.00"},
    });
}

TEST_F(PrintUsing, StringFieldsShowWholeOneOrAWidthOfCharacters) {
    expect_cases({
        {"!", {""}, " "},
        {"&", {"ABC"}, "ABC"},
        {"[&]", {"x"}, "[x]"},
        {"\\\\", {"ABC"}, "AB"},
        {"\\ \\", {"ABCDEF"}, "ABC"},
        {"\\    \\", {"ABCDEFGHIJ"}, "ABCDEF"},
        {"\\ &", {"ABC"}, "\\ ABC"},
        {"&-&", {"left", "right"}, "left-right"},
        {"! ##", {"Yes", 4.0f}, "Y  4"},
    });
}

// An underscore makes the next character literal, except as the template's last character.
TEST_F(PrintUsing, UnderscoreTakesTheNextCharacterLiterally) {
    expect_cases({
        {"_##", {5.0f}, "#5"},
        {"__#", {5.0f}, "_5"},
        {"#_", {5.0f}, "5_"},
        {"_&&", {"X"}, "&X"},
        {"_!", {"X"}, "!", 5},
    });
}

TEST_F(PrintUsing, ValuesOutlastingTheTemplateStartItAgain) {
    expect_cases({
        {"[#|#]", {1.0f, 2.0f, 3.0f}, "[1|2][3|"},
        {"&,", {"a", "b"}, "a,b,"},
    });
}

TEST_F(PrintUsing, ATypeMismatchOrTemplateWithoutFieldsStopsTheStatement) {
    expect_cases({
        {"#", {"A"}, "", 13},
        {"&", {5.0f}, "", 13},
        {"ab#", {"A"}, "ab", 13},
        {" ###:##.###", {9.0f, "x", 3.0f}, "   9:", 13},
        {"", {1.0f}, "", 5},
        {"A_#", {int64_t{1}}, "A#", 5},
    });
}

TEST_F(PrintUsing, InfinitiesAndNotANumberCannotBeFormatted) {
    const float single_infinity = std::numeric_limits<float>::infinity();
    expect_cases({
        {"###", {single_infinity}, "", 5},
        {"###", {-std::numeric_limits<double>::infinity()}, "", 5},
        {"###", {std::numeric_limits<double>::quiet_NaN()}, "", 5},
        {"###", {std::numeric_limits<long double>::infinity()}, "", 5},
        {"#: ###", {1.0f, single_infinity, 2.0f}, "1: ", 5},
    });
}

TEST_F(PrintUsing, EachCallReturnsWhereTheNextFieldStarts) {
    StrDesc* format_template = literal(" ###:##.###");
    StrDesc* output = variable();
    EXPECT_EQ(print_using_single(format_template, 9.0f, 0, output), 5);
    EXPECT_EQ(print_using_single(format_template, 59.7f, 5, output), 0);
    EXPECT_EQ(text(output), "   9:59.700");
    // Without a value only the literal text up to the next field is copied.
    EXPECT_EQ(print_using(format_template, 0, output, nullptr), 1);
    EXPECT_EQ(print_using(format_template, 5, output, nullptr), 5);
    EXPECT_EQ(text(output), "   9:59.700 ");
    EXPECT_EQ(pending_error, 0u);
    string_free(output);
}

// The output keeps what it held and grows by what each call built, in either pool, and
// the template and a string value are only read.
TEST_F(PrintUsing, OutputVariablesOfBothPoolsCollectTheText) {
    StrDesc* outputs[] = {variable_holding("> "), string_new_conventional(0, NOT_TEMPORARY)};
    for (StrDesc* output : outputs) {
        StrDesc* format_template = variable_holding("& ##");
        StrDesc* value = variable_holding("go");
        EXPECT_EQ(print_using(format_template, 0, output, value), 2);
        EXPECT_EQ(print_using_extended(format_template, 42.0L, 2, output), 0);
        EXPECT_EQ(text(format_template), "& ##");
        EXPECT_EQ(text(value), "go");
        EXPECT_EQ(temporary_list.count, mark) << "no temporary left behind";
        string_free(format_template);
        string_free(value);
    }
    EXPECT_EQ(text(outputs[0]), "> go 42");
    EXPECT_EQ(text(outputs[1]), "go 42");
    EXPECT_EQ(string_state_problem(), "");
    for (StrDesc* output : outputs)
        string_free(output);
}

TEST_F(PrintUsing, APendingErrorReturnsZeroAndAppendsNothing) {
    StrDesc* format_template = literal("A ##.## &");
    StrDesc* output = variable_holding("kept");
    StrDesc* value = literal("s");
    raise_error(6);
    EXPECT_EQ(print_using_int64(format_template, -1, 0, output), 0);
    EXPECT_EQ(print_using_uint64(format_template, 1, 0, output), 0);
    EXPECT_EQ(print_using_single(format_template, 1.0f, 0, output), 0);
    EXPECT_EQ(print_using_double(format_template, 1.0, 0, output), 0);
    EXPECT_EQ(print_using_extended(format_template, 1.0L, 0, output), 0);
    EXPECT_EQ(print_using(format_template, 7, output, value), 0);
    EXPECT_EQ(print_using(format_template, 0, output, nullptr), 0);
    EXPECT_EQ(text(output), "kept");
    EXPECT_EQ(pending_error, 6u);
    string_free(output);
}

// A statement stops formatting at its first error and keeps what it built before it.
TEST_F(PrintUsing, AStatementSkipsItsValuesAfterAnError) {
    PrintUsingStatement statement = print_using_begin(literal("# "));
    print_using_next(statement, 1.0);
    print_using_next(statement, std::numeric_limits<double>::infinity());
    print_using_next(statement, 2.0);
    EXPECT_EQ(text(statement.output), "1 ");
    EXPECT_EQ(pending_error, 5u);
    EXPECT_EQ(statement.position, 0);
    print_using_end(statement);
    EXPECT_EQ(descriptors_in_use(), baseline);
}

}  // namespace
