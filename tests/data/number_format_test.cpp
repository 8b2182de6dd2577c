// Number formatting: rounding, signs, padding, negative decimals and the digit limit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/number_format.h"

namespace {
std::string fmt(double v, int decimals, int pad = 0, int digits = 0) {
    char buf[NumberTextSize];
    int n = formatNumber(buf, v, decimals, pad, digits);
    EXPECT_EQ(n, static_cast<int>(std::string(buf).size()));
    return buf;
}

TEST(NumberFormatTest, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(fmt(12.346, 2), "12.35");
    EXPECT_EQ(fmt(-12.346, 2), "-12.35");
    EXPECT_EQ(fmt(2.5, 0), "3");
    EXPECT_EQ(fmt(-2.5, 0), "-3");
    EXPECT_EQ(fmt(0.125, 2), "0.13");
    EXPECT_EQ(fmt(1.05, 1), "1.1");
}

TEST(NumberFormatTest, ValuesBetweenMinusOneAndZeroKeepTheirSign) {
    EXPECT_EQ(fmt(-0.5, 1), "-0.5");
    EXPECT_EQ(fmt(-0.04, 1), "0.0"); // rounds to zero: no sign
    EXPECT_EQ(fmt(-0.05, 1), "-0.1");
    EXPECT_EQ(fmt(-0.999, 2), "-1.00");
    EXPECT_EQ(fmt(-0.07, 2), "-0.07");
    EXPECT_EQ(fmt(0.5, 1), "0.5");
    EXPECT_EQ(fmt(-0.5, 1, 4), "-000.5"); // the width counts the sign, as for -12.5: "-012.5"
    EXPECT_EQ(fmt(-12.5, 1, 4), "-012.5");
    EXPECT_EQ(fmt(-0.4, 0), "0");
    EXPECT_EQ(fmt(-0.6, 0), "-1");
}

TEST(NumberFormatTest, PaddingNegativeDecimalsAndThePoint) {
    EXPECT_EQ(fmt(7, 0, 3), "007");
    EXPECT_EQ(fmt(-7, 0, 3), "-07");
    EXPECT_EQ(fmt(3.25, 2, 3), "003.25");
    EXPECT_EQ(fmt(1234, -2), "1200");
    EXPECT_EQ(fmt(1250, -2), "1300");
    EXPECT_EQ(fmt(-1250, -1), "-1250");
    EXPECT_EQ(fmt(5, DecimalsIntegerWithPoint), "5.");
    EXPECT_EQ(fmt(-5.6, DecimalsIntegerWithPoint), "-6.");
}

TEST(NumberFormatTest, TheDigitLimitAppliesFromAboveOnly) {
    EXPECT_EQ(fmt(12345, 0, 0, 3), "999");
    EXPECT_EQ(fmt(12.345, 2, 0, 3), "9.99");
    EXPECT_EQ(fmt(-12345, 0, 0, 3), "-12345");
    EXPECT_EQ(fmt(3e9, 0), "2147483647");
    EXPECT_EQ(fmt(1e300, 1, 0, 0), "214748364.7");
}

TEST(NumberFormatTest, ExtremesStayWithinTheBuffer) {
    EXPECT_LT(fmt(-1e300, 9, 20).size(), static_cast<size_t>(NumberTextSize));
    EXPECT_LT(fmt(-HUGE_VAL, -9, 20).size(), static_cast<size_t>(NumberTextSize));
    EXPECT_EQ(fmt(NAN, 2), "0.00");
    EXPECT_EQ(fmt(1.5, 12), "1.500000000"); // at most nine decimals
}
} // namespace
