// Number reading and rounding as the node's sentences and the configuration file need them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "common/fault.h"
#include "common/numeric.h"

namespace dx {
namespace {

struct LeadingCase {
    const char* text;
    double value;
};

TEST(LeadingNumber, ReadsTheLongestNumericPrefix) {
    const LeadingCase cases[] = {
        {"42", 42},      {"42abc", 42},     {"  42", 42},    // blanks before the number are skipped
        {"\t7^x", 7},                                        // so are tabs
        {"-3.5x", -3.5}, {"+2", 2},         {"1.2.3", 1.2},  // only one decimal point belongs to the number
        {".5", 0.5},     {"5.", 5},         {"-.25", -0.25}, {"12 34", 12},  // a blank inside ends the prefix
        {"007", 7},      {"255^7000", 255},  // a field read from a sentence stops at the separator
        {"abc", 0},                          // text without a leading number reads as 0
        {"", 0},         {"-", 0},          {".", 0},        {"+", 0},      {"^12", 0}, {"x12", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value);
    }
}

TEST(LeadingNumber, VeryLongDigitRunsStillReadAsTheNearestValue) {
    EXPECT_DOUBLE_EQ(leadingNumber("100000000000000000000"), 1e20);
    EXPECT_DOUBLE_EQ(leadingNumber(std::string(400, '9')),
                     std::strtod(std::string(400, '9').c_str(), nullptr));
}

struct RoundCase {
    double x;
    double rounded;
};

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    const RoundCase cases[] = {
        {0.5, 0},    {1.5, 2},    {2.5, 2}, {3.5, 4},   {-0.5, 0},        {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {3.0, 3}, {-3.7, -4}, {1e9 + 0.5, 1e9}, {0.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x));
        EXPECT_EQ(roundHalfEven(c.x), c.rounded);
    }
}

struct RoundToCase {
    double x;
    int decimals;
    double rounded;
};

TEST(RoundHalfEvenTo, DecimalHalvesAsWrittenGoToTheEvenNeighbour) {
    const RoundToCase cases[] = {
        {1.9305, 3, 1.930},  // the 5 is a half as written, though not in binary
        {1.9315, 3, 1.932},  {1.9325, 3, 1.932}, {-1.9305, 3, -1.930}, {0.125, 2, 0.12},
        {0.375, 2, 0.38},    {1.9296, 3, 1.930},  // plain rounding up
        {1.93049, 3, 1.930},                      // just below the half
        {1.93051, 3, 1.931},                      // just above the half
        {1.23456, 2, 1.23},  {2.5, 0, 2},        {3.5, 0, 4},          {1.93, 3, 1.93},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x) + " to " + std::to_string(c.decimals));
        EXPECT_DOUBLE_EQ(roundHalfEvenTo(c.x, c.decimals), c.rounded);
    }
}

// nullopt: the text is a fault.
struct StrictCase {
    const char* text;
    std::optional<std::int32_t> value;
};

TEST(StrictInt16, AcceptsOnlyAWholeDecimalIntegerThatFitsSixteenBits) {
    const StrictCase cases[] = {
        {"12", 12},
        {" 12 ", 12},  // blanks around it are allowed
        {"+5", 5},
        {"-7", -7},
        {"0", 0},
        {"32767", 32767},
        {"-32768", -32768},
        {"32768", std::nullopt},
        {"-32769", std::nullopt},
        {"99999999999", std::nullopt},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"1.0", std::nullopt},
        {"12a", std::nullopt},
        {"a12", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        if (c.value)
            EXPECT_EQ(strictInt16(c.text), *c.value);
        else
            EXPECT_THROW(strictInt16(c.text), Fault);
    }
}

TEST(StrictInt32, AcceptsOnlyAWholeDecimalIntegerThatFitsThirtyTwoBits) {
    const StrictCase cases[] = {
        {"2147483647", 2147483647},    {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt}, {"40000", 40000},           {" -12", -12},
        {"2.5", std::nullopt},         {"3e2", std::nullopt},      {"", std::nullopt},
        {"x", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        if (c.value)
            EXPECT_EQ(strictInt32(c.text), *c.value);
        else
            EXPECT_THROW(strictInt32(c.text), Fault);
    }
}

TEST(WholeNumber32, ReadsAWholeNumberTextRoundingHalvesToEven) {
    const StrictCase cases[] = {
        {"23", 23},
        {" 23 ", 23},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"2.4", 2},
        {"2.6", 3},
        {"+8", 8},
        {"2147483647", 2147483647},
        {"2147483647.4", 2147483647},
        {"2147483648", std::nullopt},  // does not fit
        {"-2147483649", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"23x", std::nullopt},  // the whole text must be the number
        {"2,5", std::nullopt},
        {"1.2.3", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        if (c.value)
            EXPECT_EQ(wholeNumber32(c.text), *c.value);
        else
            EXPECT_THROW(wholeNumber32(c.text), Fault);
    }
}

TEST(LeadingWhole32, RoundsTheLeadingNumberAndFaultsWhenItDoesNotFit) {
    const StrictCase cases[] = {
        {"2.5^x", 2},
        {"3.5^x", 4},
        {"abc", 0},
        {"-7.5", -8},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        if (c.value)
            EXPECT_EQ(leadingWhole32(c.text), *c.value);
        else
            EXPECT_THROW(leadingWhole32(c.text), Fault);
    }
}

TEST(NumberText, IsTheShortestDecimalWithAPoint) {
    EXPECT_EQ(floatText(1.57f), "1.57");
    EXPECT_EQ(floatText(2.0f), "2");
    EXPECT_EQ(floatText(-0.5f), "-0.5");
    EXPECT_EQ(doubleText(1.93), "1.93");
    EXPECT_EQ(doubleText(99), "99");
    EXPECT_EQ(doubleText(roundHalfEvenTo(1.9305 - 0.0004, 3)), "1.93");
}

}  // namespace
}  // namespace dx
