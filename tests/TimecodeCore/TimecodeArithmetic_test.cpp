#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TimecodeCore/Timecode.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Rule = ValidationRule;

namespace {

Timecode tc(std::string_view text, R rate = R::fps24, SubFramesBase base = SubFramesBase::max80SubFrames,
            UpperLimit limit = UpperLimit::max24Hours) {
    return Timecode(FormattedTimecodeSourceValue::string(text), rate, base, limit, Rule::allowingInvalid);
}

// The components as text with subframes, days when not zero.
std::string text(const Timecode& t) { return t.stringValue({StringFormatOption::showSubFrames}); }

#define EXPECT_OUT_OF_BOUNDS(statement) EXPECT_THROW(statement, ValidationError)

}  // namespace

TEST(TimecodeArithmetic, ExactFormRejectsResultsOutsideTheSpanAndKeepsTheReceiver) {
    Timecode t = tc("23:59:59:22");
    t.add(tc("00:00:00:01"));
    EXPECT_EQ(text(t), "23:59:59:23.00");
    EXPECT_OUT_OF_BOUNDS(t.add(tc("00:00:00:01")));
    EXPECT_EQ(text(t), "23:59:59:23.00");
    Timecode zero = tc("00:00:00:00");
    EXPECT_OUT_OF_BOUNDS(zero.subtract(tc("00:00:00:01")));
    EXPECT_EQ(text(zero), "00:00:00:00.00");
    // The last subframe of the span is still inside it.
    EXPECT_EQ(text(tc("23:59:59:23").adding(Timecode::Components{0, 0, 0, 0, 0, 79})), "23:59:59:23.79");
    EXPECT_OUT_OF_BOUNDS(tc("23:59:59:23.79").adding(Timecode::Components{0, 0, 0, 0, 0, 1}));
}

TEST(TimecodeArithmetic, RuleFormsAtTheLimits) {
    const Timecode last = tc("23:59:59:23"), one = tc("00:00:00:01");
    EXPECT_EQ(text(last.adding(one, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(last.adding(one, Rule::clamping).components(), last.adding(one, Rule::clampingComponents).components());
    EXPECT_EQ(text(tc("00:00:00:05").subtracting(tc("00:00:00:10"), Rule::clamping)), "00:00:00:00.00");

    EXPECT_EQ(text(last.adding(tc("00:00:00:02"), Rule::wrapping)), "00:00:00:01.00");
    EXPECT_EQ(text(tc("00:00:00:00").subtracting(one, Rule::wrapping)), "23:59:59:23.00");
    // Exactly one span below zero wraps to zero, not to the span.
    EXPECT_EQ(text(tc("00:00:00:00").subtracting(Timecode::Components{1, 0, 0, 0, 0, 0}, Rule::wrapping)),
              "00:00:00:00.00");
    EXPECT_EQ(text(tc("00:00:00:00").subtracting(Timecode::Components{3, 0, 0, 0, 0, 0}, Rule::wrapping)),
              "00:00:00:00.00");

    EXPECT_EQ(text(last.adding(one, Rule::allowingInvalid)), "1 00:00:00:00.00");
    EXPECT_EQ(text(tc("00:00:00:00").subtracting(one, Rule::allowingInvalid)), "00:00:00:-1.00");
}

TEST(TimecodeArithmetic, OperandsContributeOnlyTheirComponentsAtTheReceiversRateAndBase) {
    // Another base with the same rate: its subframes count as the receiver's.
    const Timecode base100 = tc("00:00:00:00.40", R::fps24, SubFramesBase::max100SubFrames);
    EXPECT_EQ(text(tc("00:00:00:00").adding(base100)), "00:00:00:00.40");
    // Another rate is converted through real time first.
    EXPECT_EQ(text(tc("00:00:00:00").adding(tc("00:00:01:00", R::fps48))), "00:00:01:00.00");
    // Components are taken as they are, not validated.
    Timecode t = tc("00:00:00:00");
    t.add(Timecode::Components{0, 0, 0, 0, 30, 0});
    EXPECT_EQ(text(t), "00:00:01:06.00");
    // The result keeps the receiver's properties.
    const Timecode sum = tc("00:00:01:00", R::fps25, SubFramesBase::quarterFrames, UpperLimit::max100Days)
                             .adding(tc("00:00:01:00", R::fps25));
    EXPECT_EQ(sum.properties(), Timecode::Properties(R::fps25, SubFramesBase::quarterFrames, UpperLimit::max100Days));
    EXPECT_EQ(text(sum), "00:00:02:00.0");
}

TEST(TimecodeArithmetic, DropFrameSumsCountFramesNotLabels) {
    const Timecode t = tc("00:00:59;29", R::fps29_97d);
    EXPECT_EQ(text(t.adding(tc("00:00:00;01", R::fps29_97d))), "00:01:00;02.00");
    EXPECT_EQ(text(tc("00:01:00;02", R::fps29_97d).subtracting(tc("00:00:00;01", R::fps29_97d))), "00:00:59;29.00");
    EXPECT_EQ(text(tc("23:59:59;29", R::fps29_97d).adding(tc("00:00:00;01", R::fps29_97d), Rule::wrapping)),
              "00:00:00;00.00");
    // The skipped label 00:01:00;00 as an operand counts as the frame it would be.
    EXPECT_EQ(tc("00:00:00;00", R::fps29_97d).adding(Timecode::Components{0, 0, 1, 0, 0, 0}, Rule::allowingInvalid)
                  .frameCount()
                  .wholeFrames(),
              1798);
}

TEST(TimecodeArithmetic, SourceValueOperandsAreSetExactlyBeforeAnyRule) {
    Timecode t = tc("00:00:00:00");
    EXPECT_OUT_OF_BOUNDS(t.add(FormattedTimecodeSourceValue::string("00:00:00:30"), Rule::allowingInvalid));
    EXPECT_THROW(t.add(FormattedTimecodeSourceValue::string("garbage")), StringParseError);
    t.add(FormattedTimecodeSourceValue::string("00:00:01:00"));
    t.add(TimecodeSourceValue::frames(12));
    EXPECT_EQ(text(t), "00:00:01:12.00");
    t.subtract(TimecodeSourceValue::realTime(0.5));
    EXPECT_EQ(text(t), "00:00:01:00.00");
    t.add(GuaranteedTimecodeSourceValue::zero());
    EXPECT_EQ(text(t), "00:00:01:00.00");
}

TEST(TimecodeArithmetic, MultiplesAndQuotientsTruncate) {
    EXPECT_EQ(text(tc("01:00:00:00").multiplying(1.5)), "01:30:00:00.00");
    EXPECT_EQ(text(tc("00:00:00:01").multiplying(0.99)), "00:00:00:00.79");
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:01").multiplying(-1));
    EXPECT_EQ(text(tc("00:00:00:00").multiplying(-1)), "00:00:00:00.00");
    EXPECT_OUT_OF_BOUNDS(tc("12:00:00:01").multiplying(2));
    EXPECT_EQ(text(tc("12:00:00:01").multiplying(2, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(text(tc("12:00:00:01").multiplying(2, Rule::wrapping)), "00:00:00:02.00");
    EXPECT_EQ(text(tc("00:00:01:00").dividing(7)), "00:00:00:03.34");
    EXPECT_OUT_OF_BOUNDS(tc("00:00:01:00").dividing(0));
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:00").dividing(0));
    EXPECT_EQ(text(tc("00:00:01:00").dividing(0, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(text(tc("00:00:01:00").dividing(-0.5, Rule::clamping)), "00:00:00:00.00");
    EXPECT_EQ(text(tc("00:00:01:00") * 3), text(tc("00:00:01:00") * 3.0));
    Timecode t = tc("00:00:10:00");
    t /= 4;
    EXPECT_EQ(text(t), "00:00:02:12.00");
    t *= std::int64_t(2);
    EXPECT_EQ(text(t), "00:00:05:00.00");
}

TEST(TimecodeArithmetic, NumbersThatCannotBecomeATotalFailInsteadOfInventingAResult) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const Timecode t = tc("00:00:01:00");
    for (Rule rule : {Rule::clamping, Rule::clampingComponents, Rule::wrapping, Rule::allowingInvalid})
        EXPECT_OUT_OF_BOUNDS(t.multiplying(nan, rule));
    EXPECT_OUT_OF_BOUNDS(t.multiplying(nan));
    EXPECT_OUT_OF_BOUNDS(t / 0);
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:00") / 0);
    EXPECT_OUT_OF_BOUNDS(t.multiplying(inf, Rule::wrapping));
    EXPECT_OUT_OF_BOUNDS(t.multiplying(1e300, Rule::allowingInvalid));
    EXPECT_EQ(text(t.multiplying(inf, Rule::clamping)), "23:59:59:23.79");
    EXPECT_EQ(text(t.multiplying(-inf, Rule::clamping)), "00:00:00:00.00");
}

TEST(TimecodeArithmetic, RatioFailsWhenItCannotBeComputed) {
    EXPECT_DOUBLE_EQ(tc("01:00:00:00").dividing(tc("00:30:00:00")), 2.0);
    EXPECT_DOUBLE_EQ(tc("00:00:00:12").dividing(Timecode::Components{0, 0, 0, 0, 24, 0}), 0.5);
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:01").dividing(tc("00:00:00:00")));
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:00").dividing(tc("00:00:00:00")));
    EXPECT_OUT_OF_BOUNDS(tc("00:00:00:01").dividing(Timecode::Components{0, 0, 0, 0, -1, 0}));
    EXPECT_EQ(tc("01:00:00:00") / tc("00:00:00:00"), std::nullopt);
    EXPECT_EQ(tc("00:00:00:00") / tc("00:00:00:00"), std::nullopt);
    EXPECT_EQ(tc("00:00:02:00") / tc("00:00:01:00"), 2.0);
    // Across rates the operand is converted first: one second at 25 is one second at 24.
    EXPECT_DOUBLE_EQ(tc("00:00:02:00").dividing(tc("00:00:01:00", R::fps25)), 2.0);
}

TEST(TimecodeArithmetic, OperatorsWrapAndSurviveAFailedConversion) {
    EXPECT_EQ(text(tc("23:00:00:00") + tc("02:00:00:00")), "01:00:00:00.00");
    Timecode t = tc("23:00:00:00");
    t.add(Timecode::Components{0, 2, 0, 0, 0, 0}, Rule::wrapping);
    EXPECT_EQ(text(t), "01:00:00:00.00");
    EXPECT_EQ(text(tc("00:00:00:00") - tc("00:00:00:01")), "23:59:59:23.00");

    // 99 hours of real time do not fit the 24-hour limit at 24 fps.
    const Timecode unconvertible = tc("99:00:00:00", R::fps25);
    Timecode left = tc("01:00:00:00");
    EXPECT_OUT_OF_BOUNDS(left.add(unconvertible));
    for (Rule rule : {Rule::clamping, Rule::wrapping, Rule::allowingInvalid})
        EXPECT_OUT_OF_BOUNDS(left.add(unconvertible, rule));
    EXPECT_EQ(text(left), "01:00:00:00.00");
    EXPECT_EQ(text(left + unconvertible), "01:00:00:00.00");
    left -= unconvertible;
    EXPECT_EQ(text(left), "01:00:00:00.00");
}

TEST(TimecodeArithmetic, ReturningAndMutatingFormsAgree) {
    const Timecode start = tc("10:20:30:12.40");
    const Timecode operand = tc("01:02:03:04.05");
    Timecode mutated = start;
    mutated.add(operand);
    EXPECT_EQ(mutated.components(), start.adding(operand).components());
    EXPECT_EQ(text(start), "10:20:30:12.40");
    mutated = start;
    mutated.subtract(operand, Rule::clamping);
    EXPECT_EQ(mutated.components(), start.subtracting(operand, Rule::clamping).components());
    EXPECT_EQ(text(start.adding(operand).subtracting(operand)), text(start));
}
