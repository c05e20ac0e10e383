#include <gtest/gtest.h>

#include <limits>

#include "TimecodeCore/Timecode.h"
#include "TimecodeTestSupport.h"

using timecode::Timecode;
using FC = Timecode::FrameCount;
using V = Timecode::FrameCount::Value;
using B = Timecode::SubFramesBase;
using R = timecode::TimecodeFrameRate;
using C = Timecode::Components;

TEST(FrameCount, ReadingsOfEachForm) {
    const FC split{V::split(10, 40), B::max80SubFrames};
    EXPECT_DOUBLE_EQ(split.doubleValue(), 10.5);
    EXPECT_EQ(split.decimalValue().description(), "10.5");
    EXPECT_EQ(split.subFrames(), 40);
    EXPECT_EQ(split.totalSubFrames(), 840);
    EXPECT_EQ(split.description(), "10.5");
    EXPECT_EQ(split.value.description(), "10.40 frames");

    const FC combined{V::combined(10.123456789), B::max100SubFrames};
    EXPECT_EQ(combined.decimalValue().description(), "10.12345678");  // cut, not rounded
    EXPECT_EQ(combined.subFrames(), 12);

    const FC negative{V::combined(-2.5), B::max80SubFrames};
    EXPECT_EQ(negative.wholeFrames(), -2);
    EXPECT_EQ(negative.subFrames(), -40);
    EXPECT_TRUE(negative.isNegative());

    EXPECT_EQ((FC{V::splitUnitInterval(3, 0.999), B::quarterFrames}).subFrames(), 3);
    // A unit interval that is not exact in binary still gives its decimal subframes.
    EXPECT_EQ((FC{V::splitUnitInterval(0, 0.29), B::max100SubFrames}).subFrames(), 29);
    EXPECT_EQ((FC{V::splitUnitInterval(0, 0.57), B::max100SubFrames}).subFrames(), 57);

    EXPECT_EQ((FC{V::split(10, 0), B::max80SubFrames}).description(), "10.0");
    EXPECT_EQ((FC{V::frames(10), B::max80SubFrames}).description(), "10");
    EXPECT_EQ((FC{V::frames(24), B::max80SubFrames}).value.description(), "24 frames");
}

TEST(FrameCount, ValueTextsAndIdentity) {
    EXPECT_EQ(V::frames(24).debugDescription(), ".frames(24)");
    EXPECT_EQ(V::split(10, 4).debugDescription(), ".split(frames: 10, subFrames: 4)");
    EXPECT_EQ(V::combined(10.5).debugDescription(), ".combined(10.5)");
    EXPECT_EQ(V::splitUnitInterval(3, 0.5).debugDescription(), ".splitUnitInterval(frames: 3, subFramesUnitInterval: 0.5)");
    EXPECT_EQ(V::combined(10.5).description(), "10.5 frames");
    EXPECT_EQ(V::combined(0.0), V::combined(-0.0));
    EXPECT_EQ(std::hash<V>{}(V::combined(0.0)), std::hash<V>{}(V::combined(-0.0)));
    EXPECT_NE(V::frames(0), V::combined(0.0));  // different cases

    const FC zero{V::frames(0), B::max80SubFrames};
    const FC negZero{V::combined(-0.0), B::max80SubFrames};
    EXPECT_TRUE(zero.isZero());
    EXPECT_TRUE(negZero.isZero());
    EXPECT_EQ(zero, negZero);
}

TEST(FrameCount, TotalsDecideEqualityOrderAndHash) {
    const FC oneAt80{V::frames(1), B::max80SubFrames};
    const FC oneAt100{V::frames(1), B::max100SubFrames};
    const FC split80{V::split(0, 80), B::max80SubFrames};
    EXPECT_LT(oneAt80, oneAt100);
    EXPECT_EQ(oneAt80, split80);
    EXPECT_EQ(std::hash<FC>{}(oneAt80), std::hash<FC>{}(split80));
}

TEST(FrameCount, Arithmetic) {
    const auto split = [](const FC& c) { return std::pair{c.value.wholeFramesPayload(), c.value.subFramesPayload()}; };
    const FC five{V::frames(5), B::max80SubFrames}, seven{V::frames(7), B::max80SubFrames};
    EXPECT_EQ(split(five - seven), std::pair(std::int64_t(-2), std::int64_t(0)));
    const FC oneSub{V::split(0, 1), B::max80SubFrames}, oneFrame{V::frames(1), B::max80SubFrames};
    EXPECT_EQ(split(oneSub - oneFrame), std::pair(std::int64_t(0), std::int64_t(-79)));
    const FC three{V::frames(3), B::max80SubFrames};
    EXPECT_EQ(split(three * 0.5), std::pair(std::int64_t(1), std::int64_t(40)));
    EXPECT_EQ(split(three / 2.0), std::pair(std::int64_t(1), std::int64_t(40)));
    EXPECT_EQ((five + seven).value.kind(), V::Case::split);
    // The right-hand total is taken at its own base, unconverted.
    EXPECT_EQ((five + FC{V::split(0, 50), B::max100SubFrames}).totalSubFrames(), 450);
    // Beyond the range: saturated, never undefined.
    const FC huge{V::frames(std::numeric_limits<std::int64_t>::max()), B::max100SubFrames};
    EXPECT_EQ((huge + huge).value.wholeFramesPayload(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ((huge * std::numeric_limits<double>::quiet_NaN()).totalSubFrames(), 0);
    EXPECT_EQ((FC{V::combined(std::numeric_limits<double>::infinity()), B::max80SubFrames}).wholeFrames(),
              std::numeric_limits<std::int64_t>::max());
}

// ---- Components ↔ frame counts

namespace {

std::int64_t frameOf(const C& c, R rate) { return Timecode::frameCount(c, rate, B::max80SubFrames).wholeFrames(); }

C componentsOf(std::int64_t frames, R rate) { return Timecode::components({V::frames(frames), B::max80SubFrames}, rate); }

}  // namespace

TEST(ComponentsAndFrames, DropFrameExamples) {
    const R df = R::fps29_97d;
    EXPECT_EQ(frameOf({0, 0, 0, 59, 29, 0}, df), 1799);
    EXPECT_EQ(frameOf({0, 0, 1, 0, 2, 0}, df), 1800);
    EXPECT_EQ(frameOf({0, 0, 10, 0, 0, 0}, df), 17982);
    EXPECT_EQ(frameOf({0, 23, 59, 59, 29, 0}, df), 2589407);
    for (const C& c : {C{0, 0, 0, 59, 29, 0}, C{0, 0, 1, 0, 2, 0}, C{0, 0, 10, 0, 0, 0}, C{0, 23, 59, 59, 29, 0}})
        EXPECT_EQ(componentsOf(frameOf(c, df), df), c);
    EXPECT_EQ(frameOf({0, 0, 1, 0, 4, 0}, R::fps59_94d), 3600);
    EXPECT_EQ(componentsOf(3599, R::fps59_94d), (C{0, 0, 0, 59, 59, 0}));
    EXPECT_EQ(frameOf({0, 0, 1, 0, 8, 0}, R::fps119_88d), 7200);
    EXPECT_EQ(frameOf({0, 1, 0, 0, 0, 0}, R::fps23_976), 24 * 3600);
    EXPECT_EQ(frameOf({0, 1, 0, 0, 0, 0}, R::fps24), 24 * 3600);
    // Negative minute totals floor the tens (truncating would give −1798).
    EXPECT_EQ(frameOf({0, 0, -1, 0, 0, 0}, df), -1800);
    EXPECT_EQ(frameOf({0, 0, -11, 0, 0, 0}, df), -11 * 1800 + 9 * 2);
}

TEST(ComponentsAndFrames, NegativeCountsSignOnlyTheLeadingComponent) {
    EXPECT_EQ(componentsOf(-25, R::fps24), (C{0, 0, 0, -1, 1, 0}));
    EXPECT_EQ(componentsOf(-1, R::fps24), (C{0, 0, 0, 0, -1, 0}));
    EXPECT_EQ(Timecode::components({V::split(0, -40), B::max80SubFrames}, R::fps24), (C{0, 0, 0, 0, 0, -40}));
    EXPECT_EQ(Timecode::components({V::frames(0), B::max80SubFrames}, R::fps24), C{});
}

TEST(ComponentsAndFrames, SubframesAndOverflow) {
    const FC half = Timecode::frameCount({0, 0, 0, 0, 0, 40}, R::fps24, B::max80SubFrames);
    EXPECT_EQ(half.value, V::splitUnitInterval(0, 0.5));
    EXPECT_EQ(Timecode::components({V::combined(10.5), B::max80SubFrames}, R::fps24), (C{0, 0, 0, 0, 10, 40}));
    // Every subframe survives the trip through the unit interval at every base.
    for (B base : B::allCases())
        for (std::int64_t sf = 0; sf < base.rawValue(); ++sf) {
            const C c{0, 1, 2, 3, 4, sf};
            const FC count = Timecode::frameCount(c, R::fps25, base);
            EXPECT_EQ(Timecode::components(count, R::fps25), c) << sf << " at " << base.rawValue();
            EXPECT_EQ(count.subFrames(), sf);
        }
    // A frame total beyond 2^63 gives zero frames.
    const std::int64_t big = std::int64_t(1) << 60;
    EXPECT_EQ(Timecode::frameCount({big, 0, 0, 0, 0, 0}, R::fps24, B::max80SubFrames).value, V::frames(0));
    EXPECT_EQ(Timecode::frameCount({0, 0, 0, 0, std::numeric_limits<std::int64_t>::min(), 0}, R::fps24,
                                   B::max80SubFrames).value,
              V::frames(0));
    // A count of several days at any limit still converts (no range check).
    EXPECT_EQ(componentsOf(2073600 * 3 + 5, R::fps24), (C{3, 0, 0, 0, 5, 0}));
}

// Every frame of 24 hours: frame → components → frame, and components → text → components.
TEST(ComponentsAndFrames, EveryFrameOf24HoursRoundTripsAtDropRates) {
    for (R rate : {R::fps29_97d, R::fps59_94d, R::fps119_88d}) {
        const std::int64_t total = rate.maxTotalFrames(Timecode::UpperLimit::max24Hours);
        std::int64_t failures = 0;
        C previous{};
        for (std::int64_t f = 0; f < total && failures < 5; ++f) {
            const C c = componentsOf(f, rate);
            Timecode tc;
            tc.setProperties({rate, B::max80SubFrames, Timecode::UpperLimit::max24Hours});
            tc.setComponents(c);
            const bool ok = frameOf(c, rate) == f && tc.isValid() && Timecode::decode(tc.stringValue()) == c &&
                            (f == 0 || c != previous);
            if (!ok) {
                ++failures;
                ADD_FAILURE() << rate.description() << " frame " << f << " → " << tc.stringValue();
            }
            previous = c;
        }
        EXPECT_EQ(componentsOf(total - 1, rate), (C{0, 23, 59, 59, rate.maxFrames() - 1, 0}));
        EXPECT_EQ(componentsOf(total, rate), (C{1, 0, 0, 0, 0, 0}));
    }
}

TEST(ComponentsAndFrames, SetFrameCountChecksTheSpan) {
    Timecode t;  // 24 fps, base 80, 24 hours
    t.setFrameCount({V::split(2073599, 79), B::max80SubFrames});
    EXPECT_EQ(t.components(), (C{0, 23, 59, 59, 23, 79}));
    t.setFrameCount({V::frames(0), B::max80SubFrames});
    EXPECT_EQ(t.components(), C{});
    t.setFrameCount({V::frames(100), B::max80SubFrames});
    for (const FC& bad : {FC{V::frames(2073600), B::max80SubFrames}, FC{V::frames(-1), B::max80SubFrames},
                          FC{V::combined(std::numeric_limits<double>::quiet_NaN()), B::max80SubFrames},
                          FC{V::combined(std::numeric_limits<double>::infinity()), B::max80SubFrames},
                          FC{V::frames(std::numeric_limits<std::int64_t>::max()), B::max80SubFrames}}) {
        EXPECT_THROW(t.setFrameCount(bad), Timecode::ValidationError) << bad.value.debugDescription();
        EXPECT_EQ(t.frames(), 4);  // unchanged: 100 frames is 00:00:04:04
    }
    // Huge frames and a huge negative fraction whose saturated total looks in range.
    Timecode quarters = makeTimecode({}, R::fps60d, B::quarterFrames);
    EXPECT_THROW(quarters.setFrameCount({V::splitUnitInterval(2305843009213825023, -1.9e304), B::quarterFrames}),
                 Timecode::ValidationError);
    EXPECT_EQ(quarters.components(), C{});
    // The count's base is replaced, not converted: 80 subframes of base 100 read at base 80.
    EXPECT_THROW(t.setFrameCount({V::split(2073599, 99), B::max100SubFrames}), Timecode::ValidationError);
    t.setFrameCount({V::split(0, 79), B::max100SubFrames});
    EXPECT_EQ(t.subFrames(), 79);
}
