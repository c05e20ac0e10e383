#include <gtest/gtest.h>

#include <limits>
#include <unordered_set>

#include "TimecodeCore/TimecodeInterval.h"
#include "TimecodeTestSupport.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Rule = ValidationRule;
using C = Timecode::Component;
using Sign = FloatingPointSign;

TEST(TimecodeOffsets, OffsetWrapsAroundTheDay) {
    const auto back10s = TimecodeInterval::negative(timecodeFromText("00:00:10:00"));
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00").offsetting(back10s)), "00:59:50:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:05:00").offsetting(back10s)), "23:59:55:00.00");
    Timecode t = timecodeFromText("23:59:59:00");
    t.offset(+timecodeFromText("00:00:02:00"));
    EXPECT_EQ(textWithSubFrames(t), "00:00:01:00.00");
    // An interval at another rate moves by the same real time; one that cannot be
    // converted leaves the timecode alone.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").offsetting(+timecodeFromText("00:00:01:00", R::fps50))), "00:00:01:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00").offsetting(+timecodeFromText("99:00:00:00", R::fps25))), "01:00:00:00.00");
}

TEST(TimecodeOffsets, IntervalBetweenTimecodesCarriesTheSign) {
    const TimecodeInterval back = timecodeFromText("01:00:00:00").interval(timecodeFromText("00:59:00:00"));
    EXPECT_EQ(textWithSubFrames(back.absoluteInterval), "00:01:00:00.00");
    EXPECT_EQ(back.sign(), Sign::minus);
    const TimecodeInterval ahead = timecodeFromText("00:59:00:00").interval(timecodeFromText("01:00:00:00"));
    EXPECT_EQ(textWithSubFrames(ahead.absoluteInterval), "00:01:00:00.00");
    EXPECT_EQ(ahead.sign(), Sign::plus);
    const TimecodeInterval none = timecodeFromText("00:59:00:00").interval(timecodeFromText("00:59:00:00"));
    EXPECT_TRUE(none.absoluteInterval.isZero());
    EXPECT_EQ(none.sign(), Sign::plus);
    // Offsetting by the interval lands on the other timecode.
    const Timecode a = timecodeFromText("12:34:56:07.12"), b = timecodeFromText("03:21:09:18.70");
    EXPECT_EQ(textWithSubFrames(a.offsetting(a.interval(b))), textWithSubFrames(b));
    EXPECT_EQ(textWithSubFrames(b.offsetting(b.interval(a))), textWithSubFrames(a));
}

TEST(TimecodeOffsets, IntervalAcrossRatesAndBeyondTheLimit) {
    // The other timecode is converted to the receiver's rate first.
    const TimecodeInterval i = timecodeFromText("00:00:01:00").interval(timecodeFromText("00:00:03:00", R::fps25));
    EXPECT_EQ(textWithSubFrames(i.absoluteInterval), "00:00:02:00.00");
    EXPECT_EQ(i.absoluteInterval.frameRate(), R(R::fps24));
    // Unconvertible: the zero interval at the receiver's properties.
    const TimecodeInterval zero = timecodeFromText("00:00:01:00", R::fps30).interval(timecodeFromText("99:00:00:00", R::fps25));
    EXPECT_EQ(textWithSubFrames(zero.absoluteInterval), "00:00:00:00.00");
    EXPECT_EQ(zero.absoluteInterval.frameRate(), R(R::fps30));
    EXPECT_FALSE(zero.isNegative());
    // Distances past a day survive and may exceed the receiver's own limit.
    const TimecodeInterval long_ = timecodeFromText("00:00:00:00").interval(timecodeFromText("2 00:00:00:00", R::fps24, SubFramesBase::max80SubFrames,
                                                                 UpperLimit::max100Days));
    EXPECT_EQ(textWithSubFrames(long_.absoluteInterval), "2 00:00:00:00.00");
    EXPECT_EQ(long_.absoluteInterval.upperLimit(), UpperLimit(UpperLimit::max24Hours));
}

TEST(TimecodeOffsets, AsIntervalAndIsZero) {
    const TimecodeInterval i = timecodeFromText("00:00:01:00").asInterval(Sign::minus);
    EXPECT_EQ(textWithSubFrames(i.absoluteInterval), "00:00:01:00.00");
    EXPECT_TRUE(i.isNegative());
    EXPECT_TRUE(timecodeFromText("00:00:00:00").isZero());
    EXPECT_FALSE(timecodeFromText("00:00:00:00.01").isZero());
    EXPECT_FALSE(timecodeFromText("00:00:00:01").isZero());
}

TEST(TimecodeRounding, RoundUp) {
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:01").roundedUp(C::seconds)), "01:00:01:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:01").roundedUp(C::hours)), "02:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00").roundedUp(C::hours)), "01:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00.01").roundedUp(C::frames)), "01:00:00:01.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:00:00:00.01").roundedUp(C::subFrames)), "01:00:00:00.01");
    Timecode late = timecodeFromText("23:30:00:00");
    EXPECT_THROW(late.roundUp(C::hours), ValidationError);
    EXPECT_EQ(textWithSubFrames(late), "23:30:00:00.00");
    EXPECT_THROW(timecodeFromText("00:00:00:00.01").roundedUp(C::days), ValidationError);
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").roundedUp(C::days)), "00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:01", R::fps24, SubFramesBase::max80SubFrames, UpperLimit::max100Days).roundedUp(C::days)),
              "1 00:00:00:00.00");
}

TEST(TimecodeRounding, ExtremeComponentsNeverOverflow) {
    // Components at the ends of the 64-bit range (kept as they are): rounding up past
    // them is out of bounds and changes nothing, rounding down, stepping and offsets
    // saturate. The sanitizer build turns any overflow into a failure.
    constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max(), lo = std::numeric_limits<std::int64_t>::min();
    for (R rate : {R(R::fps29_97d), R(R::fps59_94d), R(R::fps25), R(R::fps23_976)}) {
        for (C big : Timecode::Component::allCases()) {
            for (std::int64_t extreme : {hi, lo}) {
                Timecode::Components c{0, 5, 7, 9, 8, 3};
                c.setValue(big, extreme);
                const Timecode t = makeTimecode(c, rate);
                SCOPED_TRACE(textWithSubFrames(t) + " @ " + t.stringValueVerbose());
                for (C unit : Timecode::Component::allCases()) {
                    Timecode up = t;
                    try {
                        up.roundUp(unit);
                    } catch (const ValidationError&) {
                        EXPECT_EQ(up.components(), c);
                    }
                    (void)t.roundedDown(unit);
                }
                EXPECT_TRUE(t.advanced(hi).isValid());
                EXPECT_TRUE(t.advanced(lo).isValid());
                (void)t.distance(makeTimecode({}, rate));
                EXPECT_TRUE(t.offsetting(t.interval(makeTimecode({}, rate))).isValid());
                for (Rule rule : {Rule::clamping, Rule::clampingComponents, Rule::wrapping})
                    EXPECT_TRUE(t.adding(t, rule).isValid());
            }
        }
    }
    // The input the fuzzer found: minutes at the top with smaller fields above zero.
    const Timecode found = makeTimecode({0, 5, std::numeric_limits<std::int64_t>::max(), 9, 8, 0}, R::fps29_97d);
    EXPECT_THROW(found.roundedUp(C::minutes), ValidationError);
}

TEST(TimecodeRounding, RoundDown) {
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:02:03:04.05").roundedDown(C::minutes)), "01:02:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:02:03:04.05").roundedDown(C::subFrames)), "01:02:03:04.05");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("01:02:03:04.05").roundedDown(C::days)), "00:00:00:00.00");
    // Fields at or below zero stay as they are.
    Timecode t = timecodeFromText("01:02:03:04.05");
    t.setSeconds(-3);
    t.roundDown(C::minutes);
    EXPECT_EQ(t.components(), (Timecode::Components{0, 1, 2, -3, 0, 0}));
}

TEST(TimecodeRounding, DropFrameRoundingNeverLandsOnASkippedFrame) {
    // Rounding up to the next minute at 29.97 drop lands on 00:01:00;02, the first
    // frame of that minute.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:59;29", R::fps29_97d).roundedUp(C::minutes)), "00:01:00;02.00");
    // Second 00:01:00 holds only 28 frames: from its last frames the next whole
    // second is still 00:01:00;02, not a second further on.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:59;29.40", R::fps29_97d).roundedUp(C::seconds)), "00:01:00;02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:59;58", R::fps59_94d).roundedUp(C::seconds)), "00:01:00;04.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:59;29", R::fps29_97d).roundedUp(C::seconds)), "00:02:00;02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:30;10", R::fps29_97d).roundedUp(C::minutes)), "00:02:00;02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:09:30;10", R::fps29_97d).roundedUp(C::minutes)), "00:10:00;00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:59:30;00", R::fps29_97d).roundedUp(C::hours)), "01:00:00;00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:05;10", R::fps29_97d).roundedUp(C::seconds)), "00:01:06;00.00");
    EXPECT_THROW(timecodeFromText("23:59:59;29", R::fps29_97d).roundedUp(C::seconds), ValidationError);
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:00;05", R::fps29_97d).roundedDown(C::seconds)), "00:01:00;02.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:30;10", R::fps59_94d).roundedDown(C::minutes)), "00:01:00;04.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:30;10", R::fps120d).roundedDown(C::minutes)), "00:01:00;008.00");
    // Every tenth minute keeps frame 0; other seconds keep frame 0.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:10:30;10", R::fps29_97d).roundedDown(C::minutes)), "00:10:00;00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:30;10", R::fps29_97d).roundedDown(C::seconds)), "00:01:30;00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:01:30;10", R::fps29_97).roundedDown(C::minutes)), "00:01:00:00.00");
    // Every rounding result at a drop rate is valid.
    for (R rate : R::allDrop()) {
        const Timecode t = Timecode(TimecodeSourceValue::frames(1234567), rate, SubFramesBase::max80SubFrames,
                                    UpperLimit::max24Hours);
        for (C c : {C::hours, C::minutes, C::seconds, C::frames}) {
            EXPECT_TRUE(t.roundedDown(c).isValid()) << textWithSubFrames(t) << " " << int(c);
            EXPECT_TRUE(t.roundedUp(c).isValid()) << textWithSubFrames(t) << " " << int(c);
        }
    }
}

TEST(TimecodeInterval, FlattenedWrapsTheMagnitude) {
    EXPECT_EQ(textWithSubFrames((-timecodeFromText("00:00:10:00", R::fps25)).flattened()), "23:59:50:00.00");
    EXPECT_EQ(textWithSubFrames((-timecodeFromText("00:00:00:00", R::fps25)).flattened()), "00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames((+timecodeFromText("25:00:00:00", R::fps25)).flattened()), "01:00:00:00.00");
    const Timecode flat = (-timecodeFromText("00:00:00:01", R::fps30, SubFramesBase::quarterFrames, UpperLimit::max100Days)).flattened();
    EXPECT_EQ(textWithSubFrames(flat), "99 23:59:59:29.0");
    EXPECT_EQ(flat.upperLimit(), UpperLimit(UpperLimit::max100Days));
    // As a rich source the flattened interval brings its properties along.
    const Timecode fromSource(GuaranteedRichTimecodeSourceValue::interval(-timecodeFromText("00:00:01:00", R::fps50)));
    EXPECT_EQ(textWithSubFrames(fromSource), "23:59:59:00.00");
    EXPECT_EQ(fromSource.frameRate(), R(R::fps50));
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:05:00").adding(GuaranteedRichTimecodeSourceValue::interval(-timecodeFromText("00:00:01:00")),
                                            Rule::wrapping)),
              "00:00:04:00.00");
}

TEST(TimecodeInterval, TimeValues) {
    const Timecode::Properties p(R::fps24, SubFramesBase::max80SubFrames, UpperLimit::max24Hours);
    const TimecodeInterval i = TimecodeInterval::realTime(-1.5, p);
    EXPECT_EQ(textWithSubFrames(i.absoluteInterval), "00:00:01:12.00");
    EXPECT_TRUE(i.isNegative());
    EXPECT_EQ(i.realTimeValue(), -1.5);
    EXPECT_EQ(i.rationalValue(), Fraction(-3, 2));
    EXPECT_EQ(i.cmTimeValue(), CMTime(-3, 2));
    const TimecodeInterval f(Fraction(-1001, 24000), R::fps23_976, SubFramesBase::max80SubFrames, UpperLimit::max24Hours);
    EXPECT_EQ(textWithSubFrames(f.absoluteInterval), "00:00:00:01.00");
    EXPECT_TRUE(f.isNegative());
    EXPECT_TRUE(TimecodeInterval(Fraction(1, -2), p).isNegative());
    EXPECT_TRUE(TimecodeInterval(CMTime::makeIndefinite(), p).absoluteInterval.isZero());
    EXPECT_THROW(TimecodeInterval(Fraction(100000, 1), p), ValidationError);
    EXPECT_THROW(TimecodeInterval::realTime(-90000, p), ValidationError);
    EXPECT_EQ(timecodeInterval(0.5, p).absoluteInterval.frames(), 12);
}

TEST(TimecodeInterval, TextEqualityAndHashing) {
    EXPECT_EQ((-timecodeFromText("00:00:00:00")).description(), "-00:00:00:00.00");
    EXPECT_EQ((-timecodeFromText("00:00:01:00")).debugDescription(), "TimecodeInterval(-00:00:01:00.00)");
    EXPECT_EQ((+timecodeFromText("01:00:00:00")).verboseDescription(), "TimecodeInterval 01:00:00:00.00 @ 24 fps");
    EXPECT_EQ((-timecodeFromText("01:00:00;00", R::fps29_97d)).verboseDescription(), "TimecodeInterval -01:00:00;00.00 @ 29.97 fps drop");

    EXPECT_NE(+timecodeFromText("00:00:01:00"), -timecodeFromText("00:00:01:00"));
    EXPECT_NE(std::hash<TimecodeInterval>{}(+timecodeFromText("00:00:01:00")), std::hash<TimecodeInterval>{}(-timecodeFromText("00:00:01:00")));
    // Magnitudes compare as timecodes: the upper limit does not count.
    const auto a = +timecodeFromText("00:00:01:00"), b = +timecodeFromText("00:00:01:00", R::fps24, SubFramesBase::max80SubFrames, UpperLimit::max100Days);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<TimecodeInterval>{}(a), std::hash<TimecodeInterval>{}(b));
    EXPECT_NE(+timecodeFromText("00:00:01:00"), +timecodeFromText("00:00:01:00", R::fps25));
    std::unordered_set<TimecodeInterval> set{a, b, -timecodeFromText("00:00:01:00")};
    EXPECT_EQ(set.size(), 2u);
}

TEST(TimecodeTransformer, DisabledOrEmptyChangesNothing) {
    const Timecode t = timecodeFromText("01:02:03:04");
    TimecodeTransformer transformer(TimecodeTransformer::Transform::offset(+timecodeFromText("01:00:00:00")));
    transformer.enabled = false;
    EXPECT_EQ(textWithSubFrames(t.transformed(transformer)), "01:02:03:04.00");
    EXPECT_EQ(textWithSubFrames(t.transformed(TimecodeTransformer())), "01:02:03:04.00");
    EXPECT_EQ(textWithSubFrames(t.transformed(TimecodeTransformer(TimecodeTransformer::Transform::none()))), "01:02:03:04.00");
}

TEST(TimecodeTransformer, OffsetsWrapAtTheUpperLimit) {
    using T = TimecodeTransformer::Transform;
    EXPECT_EQ(textWithSubFrames(timecodeFromText("23:59:59:20", R::fps30).transformed(TimecodeTransformer(T::offset(+timecodeFromText("00:00:00:10", R::fps30))))),
              "00:00:00:00.00");
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00", R::fps25).transformed(TimecodeTransformer(T::offset(-timecodeFromText("00:00:01:00", R::fps25))))),
              "23:59:59:00.00");
    // Another rate counts through real time: one second at 25 is 50 frames at 50.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00", R::fps50).transformed(TimecodeTransformer(T::offset(+timecodeFromText("00:00:01:00", R::fps25))))),
              "00:00:01:00.00");
    // Same rate, another base: the subframes count at the timecode's own base.
    EXPECT_EQ(textWithSubFrames(timecodeFromText("00:00:00:00").transformed(TimecodeTransformer(
                  T::offset(+timecodeFromText("00:00:00:00.50", R::fps24, SubFramesBase::max100SubFrames))))),
              "00:00:00:00.50");
    // An interval that cannot be converted is dropped; the others still apply.
    Timecode t = timecodeFromText("01:00:00:00");
    t.transform(TimecodeTransformer({T::offset(+timecodeFromText("99:00:00:00", R::fps25)), T::none(), T::offset(+timecodeFromText("00:00:01:00"))}));
    EXPECT_EQ(textWithSubFrames(t), "01:00:01:00.00");
}

TEST(TimecodeTransformer, CustomFunctionsReplaceTheWholeValue) {
    using T = TimecodeTransformer::Transform;
    const TimecodeTransformer transformer({
        T::offset(+timecodeFromText("00:00:01:00")),
        T::custom([](const Timecode& t) { return t.converted(R::fps25); }),
        T::offset(+timecodeFromText("00:00:00:01", R::fps25)),
    });
    const Timecode result = timecodeFromText("00:00:00:00").transformed(transformer);
    EXPECT_EQ(result.frameRate(), R(R::fps25));
    EXPECT_EQ(textWithSubFrames(result), "00:00:01:01.00");
}
