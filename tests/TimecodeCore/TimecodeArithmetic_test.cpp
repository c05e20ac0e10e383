#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TimecodeTestSupport.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Rule = ValidationRule;

#define EXPECT_OUT_OF_BOUNDS(statement) EXPECT_THROW(statement, ValidationError)

TEST(TimecodeArithmetic, ExactFormRejectsResultsOutsideTheSpanAndKeepsTheReceiver) {
    Timecode t = timecodeFromText("23:59:59:22");
    t.add(timecodeFromText("00:00:00:01"));
    EXPECT_EQ(textWithSubFrames(t), "23:59:59:23.00");
    EXPECT_OUT_OF_BOUNDS(t.add(timecodeFromText("00:00:00:01")));
    EXPECT_EQ(textWithSubFrames(t), "23:59:59:23.00");
    Timecode zero = timecodeFromText("00:00:00:00");
    EXPECT_OUT_OF_BOUNDS(zero.subtract(timecodeFromText("00:00:00:01")));
    EXPECT_EQ(textWithSubFrames(zero), "00:00:00:00.00");
    // The last subframe of the span is still inside it.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("23:59:59:23").adding(Timecode::Components{0, 0, 0, 0, 0, 79})), "23:59:59:23.79");
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("23:59:59:23.79").adding(Timecode::Components{0, 0, 0, 0, 0, 1}));
}

TEST(TimecodeArithmetic, RuleFormsAtTheLimits) {
    const Timecode last = timecodeFromText("23:59:59:23"), one = timecodeFromText("00:00:00:01");
    EXPECT_EQ(textWithSubFrames(last.adding(one, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(last.adding(one, Rule::clamping).components(), last.adding(one, Rule::clampingComponents).components());
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:05").subtracting(timecodeFromText("00:00:00:10"), Rule::clamping)), "00:00:00:00.00");

    EXPECT_EQ(textWithSubFrames(last.adding(timecodeFromText("00:00:00:02"), Rule::wrapping)), "00:00:00:01.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").subtracting(one, Rule::wrapping)), "23:59:59:23.00");
    // Exactly one span below zero wraps to zero, not to the span.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").subtracting(Timecode::Components{1, 0, 0, 0, 0, 0}, Rule::wrapping)),
              "00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").subtracting(Timecode::Components{3, 0, 0, 0, 0, 0}, Rule::wrapping)),
              "00:00:00:00.00");

    EXPECT_EQ(textWithSubFrames(last.adding(one, Rule::allowingInvalid)), "1 00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").subtracting(one, Rule::allowingInvalid)), "00:00:00:-1.00");
}

TEST(TimecodeArithmetic, OperandsContributeOnlyTheirComponentsAtTheReceiversRateAndBase) {
    // Another base with the same rate: its subframes count as the receiver's.
    const Timecode base100 = timecodeFromText("00:00:00:00.40", R::fps24, SubFramesBase::max100SubFrames);
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").adding(base100)), "00:00:00:00.40");
    // Another rate is converted through real time first.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").adding(timecodeFromText("00:00:01:00", R::fps48))), "00:00:01:00.00");
    // Components are taken as they are, not validated.
    Timecode t = timecodeFromText("00:00:00:00");
    t.add(Timecode::Components{0, 0, 0, 0, 30, 0});
    EXPECT_EQ(textWithSubFrames(t), "00:00:01:06.00");
    // The result keeps the receiver's properties.
    const Timecode sum = timecodeFromText("00:00:01:00", R::fps25, SubFramesBase::quarterFrames, UpperLimit::max100Days)
                             .adding(timecodeFromText("00:00:01:00", R::fps25));
    EXPECT_EQ(sum.properties(), Timecode::Properties(R::fps25, SubFramesBase::quarterFrames, UpperLimit::max100Days));
    EXPECT_EQ(textWithSubFrames(sum), "00:00:02:00.0");
}

TEST(TimecodeArithmetic, DropFrameSumsCountFramesNotLabels) {
    const Timecode t = timecodeFromText("00:00:59;29", R::fps29_97d);
    EXPECT_EQ(textWithSubFrames(t.adding(timecodeFromText("00:00:00;01", R::fps29_97d))), "00:01:00;02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:00;02", R::fps29_97d).subtracting(timecodeFromText("00:00:00;01", R::fps29_97d))), "00:00:59;29.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("23:59:59;29", R::fps29_97d).adding(timecodeFromText("00:00:00;01", R::fps29_97d), Rule::wrapping)),
              "00:00:00;00.00");
    // The skipped label 00:01:00;00 as an operand counts as the frame it would be.
    EXPECT_EQ(timecodeFromText("00:00:00;00", R::fps29_97d).adding(Timecode::Components{0, 0, 1, 0, 0, 0}, Rule::allowingInvalid)
                  .frameCount()
                  .wholeFrames(),
              1798);
}

TEST(TimecodeArithmetic, SourceValueOperandsAreSetExactlyBeforeAnyRule) {
    Timecode t = timecodeFromText("00:00:00:00");
    EXPECT_OUT_OF_BOUNDS(t.add(FormattedTimecodeSourceValue::string("00:00:00:30"), Rule::allowingInvalid));
    EXPECT_THROW(t.add(FormattedTimecodeSourceValue::string("garbage")), StringParseError);
    t.add(FormattedTimecodeSourceValue::string("00:00:01:00"));
    t.add(TimecodeSourceValue::frames(12));
    EXPECT_EQ(textWithSubFrames(t), "00:00:01:12.00");
    t.subtract(TimecodeSourceValue::realTime(0.5));
    EXPECT_EQ(textWithSubFrames(t), "00:00:01:00.00");
    t.add(GuaranteedTimecodeSourceValue::zero());
    EXPECT_EQ(textWithSubFrames(t), "00:00:01:00.00");
}

TEST(TimecodeArithmetic, MultiplesAndQuotientsTruncate) {
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00").multiplying(1.5)), "01:30:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:01").multiplying(0.99)), "00:00:00:00.79");
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:01").multiplying(-1));
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").multiplying(-1)), "00:00:00:00.00");
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("12:00:00:01").multiplying(2));
    EXPECT_EQ(textWithSubFrames(timecodeFromText("12:00:00:01").multiplying(2, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("12:00:00:01").multiplying(2, Rule::wrapping)), "00:00:00:02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:01:00").dividing(7)), "00:00:00:03.34");
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:01:00").dividing(0));
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:00").dividing(0));
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:01:00").dividing(0, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:01:00").dividing(-0.5, Rule::clamping)), "00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:01:00") * 3), textWithSubFrames(timecodeFromText("00:00:01:00") * 3.0));
    Timecode t = timecodeFromText("00:00:10:00");
    t /= 4;
    EXPECT_EQ(textWithSubFrames(t), "00:00:02:12.00");
    t *= std::int64_t(2);
    EXPECT_EQ(textWithSubFrames(t), "00:00:05:00.00");
}

TEST(TimecodeArithmetic, NumbersThatCannotBecomeATotalFailInsteadOfInventingAResult) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const Timecode t = timecodeFromText("00:00:01:00");
    for (Rule rule : {Rule::clamping, Rule::clampingComponents, Rule::wrapping, Rule::allowingInvalid})
        EXPECT_OUT_OF_BOUNDS(t.multiplying(nan, rule));
    EXPECT_OUT_OF_BOUNDS(t.multiplying(nan));
    EXPECT_OUT_OF_BOUNDS(t / 0);
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:00") / 0);
    EXPECT_OUT_OF_BOUNDS(t.multiplying(inf, Rule::wrapping));
    EXPECT_OUT_OF_BOUNDS(t.multiplying(1e300, Rule::allowingInvalid));
    EXPECT_EQ(textWithSubFrames(t.multiplying(inf, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(textWithSubFrames(t.multiplying(-inf, Rule::clamping)), "00:00:00:00.00");
}

TEST(TimecodeArithmetic, RatioFailsWhenItCannotBeComputed) {
    EXPECT_DOUBLE_EQ(timecodeFromText("01:00:00:00").dividing(timecodeFromText("00:30:00:00")), 2.0);
    EXPECT_DOUBLE_EQ(timecodeFromText("00:00:00:12").dividing(Timecode::Components{0, 0, 0, 0, 24, 0}), 0.5);
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:01").dividing(timecodeFromText("00:00:00:00")));
    // A single subframe is not zero: over zero it is out of range too.
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:00.01").dividing(Timecode::Components{}));
    EXPECT_OUT_OF_BOUNDS(timecodeFromText("00:00:00:01").dividing(Timecode::Components{0, 0, 0, 0, -1, 0}));
    EXPECT_EQ(timecodeFromText("01:00:00:00") / timecodeFromText("00:00:00:00"), std::nullopt);
    EXPECT_EQ(timecodeFromText("00:00:02:00") / timecodeFromText("00:00:01:00"), 2.0);
    // Across rates the operand is converted first: one second at 25 is one second at 24.
    EXPECT_DOUBLE_EQ(timecodeFromText("00:00:02:00").dividing(timecodeFromText("00:00:01:00", R::fps25)), 2.0);
}

TEST(TimecodeArithmetic, RatioOfZeroToZeroIsNaN) {
    const Timecode zero = timecodeFromText("00:00:00:00");
    EXPECT_TRUE(std::isnan(zero.dividing(timecodeFromText("00:00:00:00"))));
    EXPECT_TRUE(std::isnan(zero.dividing(Timecode::Components{})));
    // A zero at another rate is still zero once converted.
    EXPECT_TRUE(std::isnan(zero.dividing(timecodeFromText("00:00:00:00", R::fps29_97d))));
    const std::optional<double> byOperator = zero / timecodeFromText("00:00:00:00");
    ASSERT_TRUE(byOperator.has_value());
    EXPECT_TRUE(std::isnan(*byOperator));
    // Zero over a non-zero timecode is a plain zero.
    EXPECT_EQ(zero.dividing(timecodeFromText("00:00:00:01")), 0.0);
}

TEST(TimecodeArithmetic, OperatorsWrapAndSurviveAFailedConversion) {
    EXPECT_EQ(textWithSubFrames(timecodeFromText("23:00:00:00") + timecodeFromText("02:00:00:00")), "01:00:00:00.00");
    Timecode t = timecodeFromText("23:00:00:00");
    t.add(Timecode::Components{0, 2, 0, 0, 0, 0}, Rule::wrapping);
    EXPECT_EQ(textWithSubFrames(t), "01:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00") - timecodeFromText("00:00:00:01")), "23:59:59:23.00");

    // 99 hours of real time do not fit the 24-hour limit at 24 fps.
    const Timecode unconvertible = timecodeFromText("99:00:00:00", R::fps25);
    Timecode left = timecodeFromText("01:00:00:00");
    EXPECT_OUT_OF_BOUNDS(left.add(unconvertible));
    for (Rule rule : {Rule::clamping, Rule::wrapping, Rule::allowingInvalid})
        EXPECT_OUT_OF_BOUNDS(left.add(unconvertible, rule));
    EXPECT_EQ(textWithSubFrames(left), "01:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(left + unconvertible), "01:00:00:00.00");
    left -= unconvertible;
    EXPECT_EQ(textWithSubFrames(left), "01:00:00:00.00");
}

TEST(TimecodeArithmetic, ReturningAndMutatingFormsAgree) {
    const Timecode start = timecodeFromText("10:20:30:12.40");
    const Timecode operand = timecodeFromText("01:02:03:04.05");
    Timecode mutated = start;
    mutated.add(operand);
    EXPECT_EQ(mutated.components(), start.adding(operand).components());
    EXPECT_EQ(textWithSubFrames(start), "10:20:30:12.40");
    mutated = start;
    mutated.subtract(operand, Rule::clamping);
    EXPECT_EQ(mutated.components(), start.subtracting(operand, Rule::clamping).components());
    EXPECT_EQ(textWithSubFrames(start.adding(operand).subtracting(operand)), textWithSubFrames(start));
}
