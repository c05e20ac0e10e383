#include <gtest/gtest.h>

#include <limits>

#include "TimecodeCore/Timecode.h"
#include "TimecodeTestSupport.h"

using timecode::CMTime;
using timecode::Fraction;
using timecode::Timecode;
using timecode::TimecodeSourceValue;
using B = Timecode::SubFramesBase;
using C = Timecode::Components;
using FC = Timecode::FrameCount;
using L = Timecode::UpperLimit;
using R = timecode::TimecodeFrameRate;
using Rule = Timecode::ValidationRule;
using V = Timecode::FrameCount::Value;
using S = TimecodeSourceValue;

namespace {

C at(const S& source, R rate, B base = B::max80SubFrames) {
    return Timecode(source, rate, base, L::max24Hours).components();
}

C at(const S& source, R rate, Rule rule, B base = B::max80SubFrames) {
    return Timecode(source, rate, base, L::max24Hours, rule).components();
}

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

}  // namespace

TEST(TimecodeSources, RealTimeAndSamples) {
    EXPECT_EQ(at(S::realTime(1.0), R::fps24), (C{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(at(S::realTime(1.0), R::fps23_976), (C{0, 0, 0, 0, 23, 78}));
    EXPECT_EQ(at(S::samples(48000, 48000), R::fps24), (C{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(at(S::samples(48000.0, 48000), R::fps24), (C{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(at(S::realTime(3600.0), R::fps29_97d), (C{0, 1, 0, 0, 0, 8}));
    // The throwing form checks components: negative or past-the-limit seconds throw.
    EXPECT_THROW(at(S::realTime(-1.0), R::fps24), Timecode::ValidationError);
    EXPECT_THROW(at(S::realTime(86400.0), R::fps24), Timecode::ValidationError);
    EXPECT_EQ(at(S::realTime(-1.0), R::fps24, Rule::wrapping), (C{0, 23, 59, 59, 0, 0}));
    EXPECT_EQ(at(S::realTime(-1.0), R::fps24, Rule::allowingInvalid), (C{0, 0, 0, -1, 0, 0}));
    EXPECT_EQ(at(S::realTime(1e300), R::fps24, Rule::clamping), (C{0, 23, 59, 59, 23, 79}));
    // Values that are no time at all are rejected, not read as zero.
    for (double bad : {notANumber, infinity, -infinity}) {
        EXPECT_THROW(at(S::realTime(bad), R::fps24), Timecode::ValidationError);
        EXPECT_THROW(at(S::samples(bad, 48000), R::fps24), Timecode::ValidationError);
    }
    EXPECT_THROW(at(S::samples(48000, 0), R::fps24), Timecode::ValidationError);
    EXPECT_TRUE((Timecode(S::realTime(notANumber), R::fps24, B::max80SubFrames, L::max24Hours, Rule::clamping).isValid()));
}

TEST(TimecodeSources, RationalAndMediaTime) {
    EXPECT_EQ(at(S::cmTime(CMTime::make(1001, 24000)), R::fps23_976), (C{0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(at(S::cmTime(CMTime::make(1001, 24000)), R::fps23_976, Rule::allowingInvalid), (C{0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(at(S::rational(Fraction(1, 2)), R::fps24), (C{0, 0, 0, 0, 12, 0}));
    EXPECT_EQ(at(S::rational(1, 2), R::fps24), (C{0, 0, 0, 0, 12, 0}));
    EXPECT_THROW(at(S::rational(-1, 2), R::fps24), Timecode::ValidationError);
    // The rule form counts whole frames in integers: 1/3 s at 24 is 8 frames.
    EXPECT_EQ(at(S::rational(1, 3), R::fps24, Rule::allowingInvalid), (C{0, 0, 0, 0, 8, 0}));
    EXPECT_EQ(at(S::rational(-1, 2), R::fps24, Rule::clamping), C{});
    EXPECT_EQ(at(S::rational(-1, 2), R::fps24, Rule::wrapping), (C{0, 23, 59, 59, 12, 0}));
    // Zero scales and values whose products pass 64 bits never crash.
    EXPECT_THROW(at(S::rational(0, 0), R::fps24), Timecode::ValidationError);
    EXPECT_THROW(at(S::cmTime(CMTime::makeIndefinite()), R::fps24), Timecode::ValidationError);
    EXPECT_EQ(at(S::rational(1, 0), R::fps24, Rule::clamping), C{});
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(at(S::rational(max, 1), R::fps24, Rule::clamping), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_LT(at(S::rational(-max, 1), R::fps24, Rule::allowingInvalid).days, 0);
}

TEST(TimecodeSources, FrameCounts) {
    EXPECT_EQ(at(S::frames(24), R::fps24), (C{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(at(S::frames(24, 40), R::fps24), (C{0, 0, 0, 1, 0, 40}));
    EXPECT_EQ(at(S::frames(10.5), R::fps24), (C{0, 0, 0, 0, 10, 40}));
    EXPECT_EQ(at(S::frames(10, 0.25), R::fps24, B::max100SubFrames), (C{0, 0, 0, 0, 10, 25}));
    EXPECT_EQ(at(S::frames(V::frames(2589408)), R::fps29_97d, Rule::wrapping), C{});
    EXPECT_THROW(at(S::frames(2073600), R::fps24), Timecode::ValidationError);
    EXPECT_EQ(at(S::frames(2073600), R::fps24, Rule::clamping), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(at(S::frames(2073600), R::fps24, Rule::clampingComponents), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(at(S::frames(2073600), R::fps24, Rule::allowingInvalid), (C{1, 0, 0, 0, 0, 0}));
    EXPECT_THROW(at(S::frames(notANumber), R::fps24), Timecode::ValidationError);
}

TEST(TimecodeSources, CountsAtAnotherBase) {
    // A split count's subframes are rescaled to the timecode's base.
    EXPECT_EQ(at(S::frames(FC{V::split(10, 40), B::max80SubFrames}), R::fps24, B::max100SubFrames),
              (C{0, 0, 0, 0, 10, 50}));
    EXPECT_EQ(at(S::frames(FC{V::split(10, 79), B::max80SubFrames}), R::fps24, B::quarterFrames),
              (C{0, 0, 0, 0, 10, 3}));
    EXPECT_EQ(at(S::frames(FC{V::split(10, 99), B::max100SubFrames}), R::fps24, Rule::allowingInvalid, B::quarterFrames),
              (C{0, 0, 0, 0, 10, 3}));
    // A fraction of a frame needs no rescaling: 10.5 frames are 50 subframes of 100.
    EXPECT_EQ(at(S::frames(FC{V::combined(10.5), B::max80SubFrames}), R::fps24, B::max100SubFrames),
              (C{0, 0, 0, 0, 10, 50}));
    // Same base, or no subframes: straight through the span check.
    EXPECT_EQ(at(S::frames(FC{V::frames(48), B::max100SubFrames}), R::fps24), (C{0, 0, 0, 2, 0, 0}));
    // Out of range at another base is still out of range.
    EXPECT_THROW(at(S::frames(FC{V::split(-1, 40), B::max80SubFrames}), R::fps24, B::max100SubFrames),
                 Timecode::ValidationError);
    EXPECT_THROW(at(S::frames(FC{V::split(2073600, 40), B::max80SubFrames}), R::fps24, B::max100SubFrames),
                 Timecode::ValidationError);
}

TEST(TimecodeSources, RandomComponents) {
    const Timecode::ComponentRanges ranges{{0, 0}, {0, 23}, {0, 59}, {0, 59}, {0, 23}, {0, 79}};
    for (int i = 0; i < 200; ++i) {
        const Timecode t(timecode::GuaranteedTimecodeSourceValue::randomComponents(), R::fps29_97d, B::max80SubFrames,
                         L::max100Days);
        EXPECT_TRUE(t.isValid()) << t.debugDescription();
        const Timecode u(S::randomComponents(ranges), R::fps24, B::max80SubFrames, L::max24Hours);
        EXPECT_TRUE(u.isValid());
    }
    const Timecode::ComponentRanges bad{{0, 0}, {50, 50}, {0, 0}, {0, 0}, {0, 0}, {0, 0}};
    EXPECT_THROW(at(S::randomComponents(bad), R::fps24), Timecode::ValidationError);
    EXPECT_EQ(at(S::randomComponents(bad), R::fps24, Rule::clampingComponents).hours, 23);
}
