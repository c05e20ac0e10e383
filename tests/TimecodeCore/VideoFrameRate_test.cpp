#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

#include "TimecodeCore/VideoFrameRate.h"

using timecode::CMTime;
using timecode::Fraction;
using timecode::TimecodeFrameRate;
using timecode::VideoFrameRate;
using V = VideoFrameRate;
using T = TimecodeFrameRate;

TEST(VideoFrameRate, LabelsAndTableInvariants) {
    ASSERT_EQ(V::allCases().size(), 21u);
    std::unordered_set<V> seen;
    for (V v : V::allCases()) {
        EXPECT_TRUE(seen.insert(v).second);
        EXPECT_EQ(V::fromRawValue(v.rawValue()), v);
        EXPECT_EQ(V::fromStringValue(v.stringValue()), v);
        EXPECT_EQ(v.isInterlaced(), v.rawValue().back() == 'i') << v.description();
        // The frame duration is the same span as 1 / rate, interlaced ones written doubled.
        EXPECT_EQ(v.frameDuration(), Fraction(v.rate().denominator(), v.rate().numerator())) << v.description();
        // Every mapped timecode rate counts the same rate fraction.
        for (bool drop : {false, true}) {
            if (auto t = v.timecodeFrameRate(drop)) {
                EXPECT_EQ(t->rate(), v.rate()) << v.description();
                EXPECT_EQ(t->isDrop(), drop);
            }
        }
    }
    EXPECT_EQ(V(V::fps119_88p).description(), "119.88p");
    EXPECT_FALSE(V::fromRawValue("119.88P"));
    EXPECT_FALSE(timecode::videoFrameRate("24"));
    EXPECT_EQ(timecode::videoFrameRate("50i"), V(V::fps50i));
    EXPECT_EQ(V(V::fps23_98p).fps(), 23.976023976023978);
    EXPECT_EQ(V(V::fps29_97i).alternateFrameDuration()->denominator(), 59940);
    EXPECT_FALSE(V(V::fps30p).alternateFrameDuration());
}

TEST(VideoFrameRate, TimecodeRateMappingKeepsItsAsymmetries) {
    EXPECT_EQ(V(V::fps119_88p).timecodeFrameRate(true), T(T::fps119_88d));
    EXPECT_FALSE(V(V::fps120p).timecodeFrameRate(true));
    EXPECT_FALSE(V(V::fps60i).timecodeFrameRate(true));
    EXPECT_EQ(V(V::fps25i).timecodeFrameRate(false), T(T::fps25));
    for (V v : V::allCases()) EXPECT_NE(v.timecodeFrameRate(false), T(T::fps24_98));
}

TEST(VideoFrameRate, TimecodeRateToVideoRate) {
    EXPECT_EQ(T(T::fps29_97d).videoFrameRate(false), V(V::fps29_97p));
    EXPECT_EQ(T(T::fps29_97d).videoFrameRate(true), V(V::fps29_97i));
    EXPECT_EQ(T(T::fps120d).videoFrameRate(false), V(V::fps120p));
    EXPECT_EQ(T(T::fps60).videoFrameRate(true), V(V::fps60i));
    EXPECT_EQ(T(T::fps25).videoFrameRate(true), V(V::fps25i));
    EXPECT_FALSE(T(T::fps24_98).videoFrameRate(false));
    EXPECT_FALSE(T(T::fps59_94).videoFrameRate(true));
    EXPECT_FALSE(T(T::fps60d).videoFrameRate(true));
    // Progressive partners always share the rate fraction.
    for (T t : T::allCases()) {
        if (auto v = t.videoFrameRate(false)) {
            EXPECT_EQ(v->rate(), t.rate()) << t.description();
        }
    }
}

TEST(VideoFrameRate, SearchByFps) {
    EXPECT_EQ(V::fromFps(23.976, false, true), V(V::fps23_98p));
    EXPECT_FALSE(V::fromFps(23.98, false, true));
    EXPECT_EQ(V::fromFps(23.98, false, false), V(V::fps23_98p));
    EXPECT_EQ(V::fromFps(29.97, true, true), V(V::fps29_97i));
    EXPECT_FALSE(V::fromFps(24.0, true, false));
    // The single-precision form widens the value and honours strict.
    EXPECT_EQ(V::fromFps(23.976f, false, true), V(V::fps23_98p));
    EXPECT_FALSE(V::fromFps(23.98f, false, true));
    EXPECT_EQ(V::fromFps(23.98f, false, false), V(V::fps23_98p));
    for (double bad : {0.0, -24.0, 1000.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(V::fromFps(bad, false, false)) << bad;
    for (V v : V::allCases()) EXPECT_EQ(V::fromFps(v.fps(), v.isInterlaced(), true), v) << v.description();
}

TEST(VideoFrameRate, SearchByRateAndDuration) {
    EXPECT_EQ(V::fromRate(Fraction(25, 1), true), V(V::fps25i));
    EXPECT_EQ(V::fromRate(Fraction(50, 2), false), V(V::fps25p));
    EXPECT_FALSE(V::fromRate(Fraction(25000, 1001), false));
    EXPECT_FALSE(V::fromRate(Fraction(24, 0), false));
    EXPECT_FALSE(V::fromRate(Fraction(0, 0), false));

    EXPECT_EQ(V::fromFrameDuration(Fraction(1000, 29970), false), V(V::fps29_97p));
    EXPECT_EQ(V::fromFrameDuration(Fraction(1, 50), true), V(V::fps50i));
    // CoreMedia flags are not looked at: only value and timescale count.
    EXPECT_EQ(V::fromFrameDuration(CMTime(1, 24, 0), false), V(V::fps24p));
    EXPECT_FALSE(V::fromFrameDuration(Fraction(1, 0), false));
    for (V v : V::allCases()) {
        EXPECT_EQ(V::fromRate(v.rate(), v.isInterlaced()), v);
        EXPECT_EQ(V::fromFrameDuration(v.frameDuration(), v.isInterlaced()), v);
        EXPECT_EQ(V::fromRate(v.rateCMTime(), v.isInterlaced()), v);
    }
}
