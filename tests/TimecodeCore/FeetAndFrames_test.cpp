#include <gtest/gtest.h>

#include <limits>

#include "TimecodeCore/FeetAndFrames.h"
#include "TimecodeCore/Timecode.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Value = TimecodeFrameCount::Value;

namespace {
constexpr SubFramesBase b80 = SubFramesBase::max80SubFrames;
}

TEST(FeetAndFrames, Text) {
    EXPECT_EQ(FeetAndFrames(12, 5, 3, b80).stringValue(), "12+05");
    EXPECT_EQ(FeetAndFrames(12, 5, 3, b80).stringValueVerbose(), "12+05.03");
    EXPECT_EQ(FeetAndFrames(0, 0, 0, b80).stringValue(), "0+00");
    EXPECT_EQ(FeetAndFrames(-1, 0, 0, b80).stringValue(), "-1+00");
    EXPECT_EQ(FeetAndFrames(1, 123, 2, SubFramesBase::quarterFrames).stringValueVerbose(), "1+123.02");
}

TEST(FeetAndFrames, FrameCount) {
    EXPECT_EQ(FeetAndFrames(1, 20, 0, b80).frameCount().value, Value::frames(36));
    const TimecodeFrameCount split = FeetAndFrames(2, 3, 40, b80).frameCount();
    EXPECT_EQ(split.value, Value::split(35, 40));
    EXPECT_EQ(split.subFramesBase, b80);
    // Totals beyond 64 bits saturate instead of overflowing.
    const auto huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(FeetAndFrames(huge, 0, 0, b80).frameCount().wholeFrames(), huge);
    EXPECT_EQ(FeetAndFrames(-huge, -16, 0, b80).frameCount().wholeFrames(), std::numeric_limits<std::int64_t>::min());
}

TEST(FeetAndFrames, EqualityAndHashingIncludeTheBase) {
    const FeetAndFrames a(1, 2, 3, b80), b(1, 2, 3, SubFramesBase::max100SubFrames);
    EXPECT_NE(a, b);
    EXPECT_NE(std::hash<FeetAndFrames>{}(a), std::hash<FeetAndFrames>{}(b));
    EXPECT_EQ(a, FeetAndFrames(1, 2, 3, b80));
    EXPECT_EQ(std::hash<FeetAndFrames>{}(a), std::hash<FeetAndFrames>{}(FeetAndFrames(1, 2, 3, b80)));
}

TEST(FeetAndFrames, ParsesOnlyTheWholeGrammar) {
    EXPECT_EQ(FeetAndFrames("1+08", b80), FeetAndFrames(1, 8, 0, b80));
    EXPECT_EQ(FeetAndFrames("1+08.40", b80), FeetAndFrames(1, 8, 40, b80));
    EXPECT_EQ(FeetAndFrames("0012+0005.7", SubFramesBase::quarterFrames), FeetAndFrames(12, 5, 7, SubFramesBase::quarterFrames));
    for (const char* bad : {"1+08.", "+08", "1+", "1+.5", "", "1 +08", " 1+08", "1+08 ", "-1+08", "1+-8", "1+08.4.0",
                            "1:08", "1++08", "99999999999999999999+00", "1+99999999999999999999", "1+08.99999999999999999999"})
        EXPECT_THROW(FeetAndFrames(bad, b80), StringParseError) << bad;
}

TEST(FeetAndFrames, AsTimecodeSourceAndReading) {
    const Timecode::Properties p(R::fps24, b80, UpperLimit::max24Hours);
    for (R rate : {R::fps24, R::fps29_97d, R::fps120}) {
        const Timecode t(TimecodeSourceValue::feetAndFrames("1+08", b80), {rate, b80, UpperLimit::max24Hours});
        EXPECT_EQ(t.frameCount().wholeFrames(), 24) << rate.description();
    }
    EXPECT_EQ(Timecode(TimecodeSourceValue::feetAndFrames(1, 8, 40, b80), p).subFrames(), 40);
    // Another base rescales the subframes.
    const Timecode rescaled(TimecodeSourceValue::feetAndFrames(FeetAndFrames(0, 10, 40, b80)),
                            {R::fps24, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
    EXPECT_EQ(rescaled.frames(), 10);
    EXPECT_EQ(rescaled.subFrames(), 50);
    EXPECT_THROW(TimecodeSourceValue::feetAndFrames("+08", b80), StringParseError);
    EXPECT_THROW(Timecode(TimecodeSourceValue::feetAndFrames(-1, 0, 0, b80), p), ValidationError);
    EXPECT_EQ(Timecode(TimecodeSourceValue::feetAndFrames(-1, 0, 0, b80), p, ValidationRule::wrapping).stringValue(),
              "23:59:59:08");

    const FeetAndFrames back = Timecode(TimecodeSourceValue::frames(36, 12), p).feetAndFramesValue();
    EXPECT_EQ(back, FeetAndFrames(2, 4, 12, b80));
    const FeetAndFrames drop =
        Timecode(FormattedTimecodeSourceValue::string("00:01:00;02"), {R::fps29_97d, b80, UpperLimit::max24Hours})
            .feetAndFramesValue();
    EXPECT_EQ(drop, FeetAndFrames(112, 8, 0, b80));  // frame 1800
}
