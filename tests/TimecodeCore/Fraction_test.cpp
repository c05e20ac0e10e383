#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <unordered_set>

#include "TimecodeCore/Fraction.h"

using timecode::CMTime;
using timecode::Fraction;

namespace {

void expectPair(const Fraction& f, std::int64_t n, std::int64_t d) {
    EXPECT_EQ(f.numerator(), n) << f.description();
    EXPECT_EQ(f.denominator(), d) << f.description();
}

}  // namespace

TEST(Fraction, ReductionPutsTheSignOnTheNumerator) {
    expectPair(Fraction::reducing(6, -4), -3, 2);
    expectPair(Fraction::reducing(-6, -4), 3, 2);
    expectPair(Fraction::reducing(-6, 4), -3, 2);
    expectPair(Fraction::reducing(0, -7), 0, 1);
    expectPair(Fraction::reducing(5, 0), 1, 0);
    expectPair(Fraction::reducing(-5, 0), 1, 0);
    expectPair(Fraction::reducing(0, 0), 0, 0);
    EXPECT_EQ(Fraction::reducing(6, 4).reducedFlag(), true);
    EXPECT_EQ(Fraction(6, 4).reducedFlag(), std::nullopt);
    // The extremes reduce without overflow where the result fits ...
    expectPair(Fraction::reducing(std::numeric_limits<std::int64_t>::min(), 2), -(std::int64_t(1) << 62), 1);
    // ... and report it where it does not.
    EXPECT_THROW(Fraction::reducing(std::numeric_limits<std::int64_t>::min(), -1), std::overflow_error);
}

TEST(Fraction, FromDoubleCutsPlacesAndNeverOverflows) {
    expectPair(Fraction::fromDouble(0.5, 2), 1, 2);
    expectPair(Fraction::fromDouble(29.97, 2), 2997, 100);
    expectPair(Fraction::fromDouble(0.29, 2), 7, 25);  // 28.999… truncated
    expectPair(Fraction::fromDouble(-0.5, 3), -1, 2);
    expectPair(Fraction::fromDouble(123.25, 30), 493, 4);
    expectPair(Fraction::fromDouble(1.5, -3), 1, 1);
    // Values whose scaled form would pass 2^63 lose places instead of overflowing.
    expectPair(Fraction::fromDouble(9.99, 30), 999, 100);
    expectPair(Fraction::fromDouble(0.123456789, 40), 123456789, 1000000000);
    for (double v : {1e18, 9.3e18, 1e300, -1e300, 5e-324, std::numeric_limits<double>::max()}) {
        const Fraction f = Fraction::fromDouble(v, 19);
        EXPECT_GT(f.denominator(), 0);
        EXPECT_EQ(f.isNegative(), v < 0);
    }
    EXPECT_EQ(Fraction::fromDouble(1e300, 5).numerator(), std::numeric_limits<std::int64_t>::max());
    expectPair(Fraction::fromDouble(std::nan(""), 5), 0, 1);
    EXPECT_EQ(Fraction::fromDouble(-INFINITY, 5).numerator(), -std::numeric_limits<std::int64_t>::max());
}

TEST(Fraction, EqualityComparesReducedFormsAndHashingAgrees) {
    EXPECT_EQ(Fraction(1, 2), Fraction(2, 4));
    EXPECT_EQ(Fraction(-1, 2), Fraction(1, -2));
    EXPECT_FALSE(Fraction(1, 2).isIdentical(Fraction(2, 4)));
    EXPECT_NE(Fraction(0, 0), Fraction(0, 1));
    EXPECT_EQ(Fraction(3, 0), Fraction(-1, 0));
    EXPECT_EQ(std::hash<Fraction>{}(Fraction(1, 2)), std::hash<Fraction>{}(Fraction(2, 4)));
    EXPECT_EQ(std::hash<Fraction>{}(Fraction(-3, 6)), std::hash<Fraction>{}(Fraction(1, -2)));
    std::unordered_set<Fraction> set{Fraction(1, 2), Fraction(2, 4), Fraction(3, 6), Fraction(1, 3)};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_LT(Fraction(1, 3), Fraction(1, 2));
    EXPECT_LE(Fraction(2, 4), Fraction(1, 2));
    EXPECT_TRUE(Fraction(0, -1).isNegative());
    EXPECT_TRUE(Fraction(-6, 4).reduced().isReduced());
    EXPECT_FALSE(Fraction(6, 4).isReduced());
    EXPECT_TRUE(Fraction(3, 2).isReduced());
}

TEST(Fraction, Arithmetic) {
    expectPair(Fraction(1, 2) + Fraction(1, 3), 5, 6);
    expectPair(Fraction(1, 4) + Fraction(1, 4), 1, 2);
    expectPair(Fraction(1, 2) - Fraction(3, 4), -1, 4);
    expectPair(Fraction(2, 3) * Fraction(3, -4), -1, 2);
    expectPair(Fraction(1, 2) / Fraction(-1, 4), -2, 1);
    expectPair(Fraction(3, -4).abs(), 3, 4);
    expectPair(Fraction(3, 4).negated(), -3, 4);
    // Intermediate products beyond 64 bits are fine when the result fits.
    const std::int64_t big = std::int64_t(1) << 40;
    expectPair(Fraction(big, big + 1) * Fraction(big + 1, big), 1, 1);
    EXPECT_THROW(Fraction(1, 2) / Fraction(0, 5), std::domain_error);
    EXPECT_THROW(Fraction(std::numeric_limits<std::int64_t>::max() / 2, 1) * Fraction(4, 1), std::overflow_error);
    EXPECT_THROW(Fraction(std::numeric_limits<std::int64_t>::min(), 1).abs(), std::overflow_error);
}

TEST(Fraction, FcpxmlText) {
    auto five = Fraction::fromFcpxmlString("5s");
    ASSERT_TRUE(five);
    expectPair(*five, 5, 1);
    EXPECT_EQ(five->reducedFlag(), true);
    expectPair(*Fraction::fromFcpxmlString("-5s"), -5, 1);
    auto ntsc = Fraction::fromFcpxmlString("1001/30000s");
    ASSERT_TRUE(ntsc);
    expectPair(*ntsc, 1001, 30000);
    EXPECT_EQ(ntsc->reducedFlag(), std::nullopt);
    expectPair(*Fraction::fromFcpxmlString("1/0s"), 1, 0);
    expectPair(*Fraction::fromFcpxmlString("-3/4s"), -3, 4);
    for (const char* bad : {"1.5s", "5", "+5s", "s", "-s", "/4s", "3/s", "3/-4s", "5 s", "99999999999999999999s",
                            "1/99999999999999999999s", "", "5ss"})
        EXPECT_FALSE(Fraction::fromFcpxmlString(bad)) << bad;

    EXPECT_EQ(Fraction(3, -4).fcpxmlStringValue(), "-3/4s");
    EXPECT_EQ(Fraction(4, 2).fcpxmlStringValue(), "2s");
    EXPECT_EQ(Fraction(2, 4).fcpxmlStringValue(), "2/4s");
    EXPECT_EQ(Fraction(1001, 30000).fcpxmlStringValue(), "1001/30000s");
    EXPECT_EQ(Fraction(1, 0).fcpxmlStringValue(), "1/0s");
    // Whole only when exactly whole, not when the double quotient merely looks whole.
    EXPECT_EQ(Fraction(std::numeric_limits<std::int64_t>::max(), 1).fcpxmlStringValue(), "9223372036854775807s");
    EXPECT_EQ(Fraction(1000000000000000001, 3).fcpxmlStringValue(), "1000000000000000001/3s");
    EXPECT_EQ(Fraction(1001, 30000).description(), "1001/30000");
}

TEST(Fraction, CMTimeConversions) {
    expectPair(Fraction(CMTime::make(1001, 30000)), 1001, 30000);
    expectPair(Fraction(CMTime::makeIndefinite()), 0, 1);
    expectPair(Fraction(CMTime::makePositiveInfinity()), 0, 1);
    expectPair(Fraction(CMTime::makeNegativeInfinity()), 0, 1);
    const CMTime t = Fraction(-3, 4).cmTimeValue();
    EXPECT_TRUE(t.isValid());
    EXPECT_EQ(t.value, -3);
    EXPECT_EQ(t.timescale, 4);
    EXPECT_FALSE(Fraction(1, std::int64_t(1) << 40).cmTimeValue().isValid());
    EXPECT_DOUBLE_EQ(Fraction(1, 4).doubleValue(), 0.25);
    EXPECT_EQ(Fraction(1, 3).decimalValue().description(), "0.333333333333333333");
    EXPECT_EQ(Fraction(2, 3).decimalValue().description(), "0.666666666666666667");
    EXPECT_TRUE(Fraction(4, 2).isWholeInteger());
    EXPECT_FALSE(Fraction(1, 0).isWholeInteger());
}

TEST(CMTime, CompareAndAdd) {
    EXPECT_EQ(CMTime::compare(CMTime::make(1, 2), CMTime::make(2, 4)), 0);
    EXPECT_EQ(CMTime::compare(CMTime::make(1, 3), CMTime::make(1, 2)), -1);
    EXPECT_EQ(CMTime::compare(CMTime::makeNegativeInfinity(), CMTime::make(-100, 1)), -1);
    EXPECT_EQ(CMTime::compare(CMTime::makePositiveInfinity(), CMTime::make(100, 1)), 1);
    const CMTime sum = CMTime::add(CMTime::make(1, 2), CMTime::make(1, 3));
    EXPECT_EQ(sum.value, 5);
    EXPECT_EQ(sum.timescale, 6);
    EXPECT_FALSE(CMTime::add(CMTime::makePositiveInfinity(), CMTime::makeNegativeInfinity()).isValid());
    EXPECT_TRUE(CMTime::add(CMTime::make(1, 2), CMTime::makePositiveInfinity()).isPositiveInfinity());
    // Timescales whose common multiple does not fit 32 bits: rounded to the larger one.
    const CMTime rounded = CMTime::add(CMTime::make(1, 1000003), CMTime::make(1, 999983));
    EXPECT_TRUE(rounded.flags & CMTime::hasBeenRounded);
    EXPECT_EQ(rounded.timescale, 1000003);
    EXPECT_EQ(rounded.value, 2);
}
