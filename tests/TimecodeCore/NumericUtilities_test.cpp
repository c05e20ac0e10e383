#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TimecodeCore/Decimal.h"
#include "TimecodeCore/NumericUtilities.h"

using timecode::Decimal;
using timecode::DecimalRoundingMode;
using timecode::RoundingRule;

TEST(NumericUtilities, RoundingToPlaces) {
    EXPECT_EQ(timecode::rounded(2.5), 3.0);
    EXPECT_EQ(timecode::rounded(-2.5), -3.0);
    EXPECT_EQ(timecode::rounded(2.5, RoundingRule::toNearestOrEven), 2.0);
    EXPECT_EQ(timecode::rounded(-2.5, RoundingRule::toNearestOrEven), -2.0);
    EXPECT_EQ(timecode::rounded(-2.1, RoundingRule::awayFromZero), -3.0);
    EXPECT_EQ(timecode::rounded(2.1, RoundingRule::awayFromZero), 3.0);
    EXPECT_EQ(timecode::rounded(1.23456, RoundingRule::toNearestOrAwayFromZero, 2), 1.23);
    EXPECT_EQ(timecode::rounded(1.235, RoundingRule::up, 2), 1.24);
    EXPECT_EQ(timecode::truncated(-1.239, 2), -1.23);
    EXPECT_EQ(timecode::rounded(2.5f, RoundingRule::toNearestOrAwayFromZero, 0), 3.0f);
    const auto [q, r] = timecode::quotientAndRemainder(7.5, 2.0);
    EXPECT_EQ(q, 3.0);
    EXPECT_EQ(r, 1.5);
    EXPECT_EQ(timecode::integralAndFraction(-2.25).fraction, -0.25);
}

TEST(NumericUtilities, DigitsAndClamping) {
    EXPECT_EQ(timecode::numberOfDigits(-9), 1);
    EXPECT_EQ(timecode::numberOfDigits(-10), 2);
    EXPECT_EQ(timecode::numberOfDigits(0), 1);
    EXPECT_EQ(timecode::numberOfDigits(std::numeric_limits<std::int64_t>::min()), 19);
    EXPECT_EQ(timecode::clamped(5, timecode::ClosedRange<int>{0, 3}), 3);
    EXPECT_EQ(timecode::clamped(-5, timecode::ClosedRange<int>{0, 3}), 0);
    EXPECT_EQ(timecode::saturatingInt64(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(timecode::saturatingInt64(std::nan("")), 0);
    EXPECT_EQ(timecode::saturatingInt64(-2.9), -2);
}

TEST(NumericUtilities, ShortestDescription) {
    EXPECT_EQ(timecode::shortestDescription(10.5), "10.5");
    EXPECT_EQ(timecode::shortestDescription(10.0), "10.0");
    EXPECT_EQ(timecode::shortestDescription(-0.0), "-0.0");
    EXPECT_EQ(timecode::shortestDescription(0.1), "0.1");
    EXPECT_EQ(timecode::shortestDescription(0.0001), "0.0001");
    EXPECT_EQ(timecode::shortestDescription(0.00001), "1e-05");
    EXPECT_EQ(timecode::shortestDescription(1e16), "10000000000000000.0");
    EXPECT_EQ(timecode::shortestDescription(1e17), "1e+17");
    EXPECT_EQ(timecode::shortestDescription(1.5e-300), "1.5e-300");
    EXPECT_EQ(timecode::shortestDescription(1234567.0), "1234567.0");
    EXPECT_EQ(timecode::shortestDescription(-2.5), "-2.5");
    EXPECT_EQ(timecode::shortestDescription(std::numeric_limits<double>::infinity()), "inf");
}

TEST(Decimal, ExactFromShortestDigits) {
    EXPECT_EQ(Decimal::fromDouble(0.29).description(), "0.29");
    EXPECT_EQ(Decimal::fromDouble(29.97).description(), "29.97");
    EXPECT_EQ(Decimal::fromDouble(-2.5).description(), "-2.5");
    EXPECT_EQ(Decimal::fromDouble(1e-20).description(), "0");
    EXPECT_EQ(Decimal::fromDouble(1e300), Decimal::max());
    EXPECT_EQ(Decimal::fromDouble(-1e300), Decimal::min());
    EXPECT_EQ(Decimal::fromDouble(std::nan("")), Decimal());
    EXPECT_EQ(Decimal::fromDouble(123456789012.125).description(), "123456789012.125");
    EXPECT_DOUBLE_EQ(Decimal::fromDouble(0.1).doubleValue(), 0.1);
}

TEST(Decimal, RoundingAndParts) {
    const Decimal v = Decimal::fromDouble(10.123456789);
    EXPECT_EQ(v.truncated(8).description(), "10.12345678");
    EXPECT_EQ((-v).truncated(8).description(), "-10.12345678");
    EXPECT_EQ(v.rounded(DecimalRoundingMode::plain, 2).description(), "10.12");
    EXPECT_EQ(Decimal::fromDouble(2.5).rounded(DecimalRoundingMode::plain, 0).description(), "3");
    EXPECT_EQ(Decimal::fromDouble(-2.5).rounded(DecimalRoundingMode::plain, 0).description(), "-3");
    EXPECT_EQ(Decimal::fromDouble(2.5).rounded(DecimalRoundingMode::bankers, 0).description(), "2");
    EXPECT_EQ(Decimal::fromDouble(-2.1).rounded(DecimalRoundingMode::down, 0).description(), "-3");
    EXPECT_EQ(Decimal::fromDouble(-2.1).rounded(DecimalRoundingMode::up, 0).description(), "-2");
    EXPECT_EQ(Decimal::fromDouble(12.34).integralDigitPlaces(), 2);
    EXPECT_EQ(Decimal(100).integralDigitPlaces(), 3);
    EXPECT_EQ(Decimal::fromDouble(0.5).integralDigitPlaces(), 0);
    EXPECT_EQ(Decimal::fromDouble(12.340).fractionDigitPlaces(), 2);
    EXPECT_EQ(Decimal::fromDouble(-7.25).integral().description(), "-7");
    EXPECT_EQ(Decimal::fromDouble(-7.25).fraction().description(), "-0.25");
    const auto qr = Decimal::fromDouble(7.5).quotientAndRemainder(Decimal(2));
    EXPECT_EQ(qr.quotient.description(), "3");
    EXPECT_EQ(qr.remainder.description(), "1.5");
    EXPECT_EQ(Decimal::fromDouble(1.5).power(3).description(), "3.375");
    EXPECT_EQ((Decimal::fromDouble(0.25) * Decimal::fromDouble(-0.5)).description(), "-0.125");
    EXPECT_EQ((Decimal::fromDouble(1e20) * Decimal(1000)), Decimal::max());  // saturates
    EXPECT_EQ((Decimal::max() + Decimal(1)), Decimal::max());
    EXPECT_EQ((Decimal(7) / 2).description(), "3.5");
    EXPECT_EQ((Decimal(7) / 0), Decimal());
    EXPECT_EQ(Decimal(std::numeric_limits<std::int64_t>::min()).int64Value(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Decimal::max().int64Value(), std::numeric_limits<std::int64_t>::max());
}
