#include <gtest/gtest.h>

#include "TimecodeCore/Timecode.h"
#include "TimecodeTestSupport.h"

using timecode::Timecode;
using timecode::TimecodeSourceValue;
using B = Timecode::SubFramesBase;
using C = Timecode::Components;
using L = Timecode::UpperLimit;
using R = timecode::TimecodeFrameRate;
using Rule = Timecode::ValidationRule;
using Set = timecode::TimecodeComponentSet;

namespace {

Set invalid(const C& c, R rate, B base = B::max80SubFrames, L limit = L::max24Hours) {
    return c.invalidComponents(rate, base, limit);
}

const Set framesOnly{Timecode::Component::frames};

Timecode make(const C& c, R rate, Rule rule, B base = B::max80SubFrames, L limit = L::max24Hours) {
    return timecode::makeTimecode(c, rate, base, limit, rule);
}

}  // namespace

TEST(Validation, DroppedFrameNumbersAreInvalid) {
    EXPECT_EQ(invalid({0, 0, 1, 0, 0, 0}, R::fps29_97d), framesOnly);
    EXPECT_EQ(invalid({0, 0, 1, 0, 1, 0}, R::fps29_97d), framesOnly);
    EXPECT_TRUE(invalid({0, 0, 1, 0, 2, 0}, R::fps29_97d).empty());
    EXPECT_TRUE(invalid({0, 0, 1, 1, 0, 0}, R::fps29_97d).empty());
    EXPECT_TRUE(invalid({0, 0, 10, 0, 0, 0}, R::fps29_97d).empty());
    for (R rate : {R::fps59_94d, R::fps60d}) {
        EXPECT_EQ(invalid({0, 0, 1, 0, 3, 0}, rate), framesOnly);
        EXPECT_TRUE(invalid({0, 0, 1, 0, 4, 0}, rate).empty());
    }
    for (R rate : {R::fps119_88d, R::fps120d}) {
        EXPECT_EQ(invalid({0, 0, 1, 0, 7, 0}, rate), framesOnly);
        EXPECT_TRUE(invalid({0, 0, 1, 0, 8, 0}, rate).empty());
    }
    EXPECT_EQ(invalid({0, 0, 1, 0, 1, 0}, R::fps30d), framesOnly);
    // Negative multiples of ten keep frame 0; the floor reads the stored (invalid) minutes.
    EXPECT_EQ(invalid({0, 0, -10, 0, 0, 0}, R::fps29_97d), Set{Timecode::Component::minutes});
    EXPECT_EQ(invalid({0, 0, 61, 0, 0, 0}, R::fps29_97d), (Set{Timecode::Component::minutes, Timecode::Component::frames}));
}

TEST(Validation, RangesPerComponent) {
    EXPECT_EQ(invalid({0, 0, 0, 0, 24, 0}, R::fps24), framesOnly);
    EXPECT_EQ(invalid({0, 0, 0, 0, 24, 0}, R::fps23_976), framesOnly);
    EXPECT_TRUE(invalid({0, 0, 0, 0, 24, 0}, R::fps24_98).empty());
    EXPECT_TRUE(invalid({0, 0, 0, 0, 24, 0}, R::fps25).empty());
    EXPECT_TRUE(invalid({0, 0, 0, 0, 119, 0}, R::fps119_88).empty());
    EXPECT_TRUE(invalid({0, 0, 0, 0, 119, 0}, R::fps120).empty());
    EXPECT_TRUE(invalid({0, 0, 0, 0, 100, 0}, R::fps119_88).empty());
    EXPECT_EQ(invalid({0, 0, 0, 0, 100, 0}, R::fps29_97), framesOnly);
    EXPECT_FALSE((C{0, 0, 0, 0, 100, 0}).isWithinValidDigitCounts(R::fps29_97, B::max80SubFrames));
    EXPECT_EQ(invalid({1, 0, 0, 0, 0, 0}, R::fps24), Set{Timecode::Component::days});
    EXPECT_TRUE(invalid({1, 0, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max100Days).empty());
    EXPECT_EQ(invalid({100, 0, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max100Days), Set{Timecode::Component::days});
    EXPECT_EQ(invalid({0, 24, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max100Days), Set{Timecode::Component::hours});
    EXPECT_EQ(invalid({0, -1, 0, 0, 0, 0}, R::fps24), Set{Timecode::Component::hours});
    EXPECT_EQ(invalid({-1, -1, -1, -1, -1, -1}, R::fps24).size(), 6u);
    EXPECT_EQ(invalid({0, 0, 0, 0, 0, 80}, R::fps24), Set{Timecode::Component::subFrames});
    EXPECT_TRUE(invalid({0, 0, 0, 0, 0, 99}, R::fps24, B::max100SubFrames).empty());
    EXPECT_EQ(invalid({0, 0, 0, 0, 0, 4}, R::fps24, B::quarterFrames), Set{Timecode::Component::subFrames});

    const Timecode t = make({0, 0, 1, 0, 5, 0}, R::fps29_97d, Rule::allowingInvalid);
    EXPECT_EQ(t.validRange(Timecode::Component::frames), (timecode::ClosedRange<std::int64_t>{2, 29}));
    Timecode t2 = t;
    t2.setSeconds(1);
    EXPECT_EQ(t2.validRange(Timecode::Component::frames), (timecode::ClosedRange<std::int64_t>{0, 29}));
    EXPECT_EQ(t.maxSubFramesExpressible(), 79);
    EXPECT_EQ(t.maxSubFrameCountExpressible(), 2589408 * 80 - 1);
    EXPECT_EQ(t.maxFrameCountExpressible().value, Timecode::FrameCount::Value::split(2589407, 79));
}

TEST(Validation, ClampComponents) {
    Timecode t = make({3, 25, 75, -3, 40, -1}, R::fps30, Rule::allowingInvalid);
    t.clampComponents();
    EXPECT_EQ(t.components(), (C{0, 23, 59, 0, 29, 0}));
    Timecode df = make({0, 0, 1, 0, 0, 0}, R::fps29_97d, Rule::allowingInvalid);
    df.clampComponents();
    EXPECT_EQ(df.frames(), 2);
    Timecode df60 = make({0, 0, 1, 0, 0, 0}, R::fps59_94d, Rule::allowingInvalid);
    df60.clampComponents();
    EXPECT_EQ(df60.frames(), 4);
    // The floor is taken from the clamped minutes: 75 → 59, seconds −3 → 0, so frames move to 2.
    Timecode both = make({0, 0, 75, -3, 0, 0}, R::fps29_97d, Rule::allowingInvalid);
    both.clampComponents();
    EXPECT_EQ(both.components(), (C{0, 0, 59, 0, 2, 0}));
}

TEST(Validation, RulesWhenSettingComponents) {
    const C past{0, 25, 0, 0, 0, 0};
    EXPECT_THROW(make(past, R::fps24, Rule::allowingInvalid).setting(TimecodeSourceValue::components(past)),
                 Timecode::ValidationError);
    try {
        Timecode(TimecodeSourceValue::components(past), R::fps24, B::max80SubFrames, L::max24Hours);
        FAIL();
    } catch (const Timecode::ValidationError& e) {
        EXPECT_EQ(e.code(), Timecode::ValidationError::Code::outOfBounds);
    }
    EXPECT_EQ(make(past, R::fps24, Rule::clamping).components(), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(make(past, R::fps24, Rule::clamping, B::max100SubFrames).subFrames(), 99);
    EXPECT_EQ(make(past, R::fps24, Rule::clamping, B::quarterFrames).subFrames(), 3);
    EXPECT_EQ(make(past, R::fps24, Rule::clampingComponents).components(), (C{0, 23, 0, 0, 0, 0}));
    EXPECT_EQ(make(past, R::fps24, Rule::allowingInvalid).components(), past);
    EXPECT_EQ(make({0, 24, 0, 0, 1, 0}, R::fps24, Rule::wrapping).components(), (C{0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(make({0, 0, 0, 0, -1, 0}, R::fps24, Rule::wrapping).components(), (C{0, 23, 59, 59, 23, 0}));
    EXPECT_EQ(make({0, 0, 0, 0, -1, 0}, R::fps24, Rule::clamping).components(), C{});
    EXPECT_EQ(make({-1, 0, 0, 0, 0, 0}, R::fps24, Rule::wrapping).components(), C{});
    EXPECT_EQ(make({0, 0, 0, 0, 0, -1}, R::fps24, Rule::wrapping).components(), (C{0, 23, 59, 59, 23, 79}));
    // Wrapping a drop-frame day lands on valid frame numbers.
    EXPECT_EQ(make({0, 24, 1, 0, 2, 0}, R::fps29_97d, Rule::wrapping).components(), (C{0, 0, 1, 0, 2, 0}));
    // The 100-day span.
    EXPECT_EQ(make({120, 0, 0, 0, 0, 0}, R::fps25, Rule::wrapping, B::max80SubFrames, L::max100Days).days(), 20);
    EXPECT_EQ(make({120, 0, 0, 0, 0, 0}, R::fps25, Rule::clamping, B::max80SubFrames, L::max100Days).components(),
              (C{99, 23, 59, 59, 24, 79}));
    // Components too large for any frame count still clamp to the nearer end and never overflow.
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(make({huge, huge, huge, huge, huge, huge}, R::fps24, Rule::clamping).components(), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(make({-huge, 0, 0, 0, 0, 0}, R::fps24, Rule::clamping).components(), C{});
    EXPECT_TRUE(make({huge, -huge, huge, 0, huge, -huge}, R::fps29_97d, Rule::wrapping).isValid());
    // The count-based rules always give a valid value.
    for (Rule rule : {Rule::clamping, Rule::clampingComponents, Rule::wrapping})
        for (R rate : R::allCases())
            EXPECT_TRUE(make({5, 30, 70, 61, 130, 150}, rate, rule).isValid()) << rate.description();
}

TEST(Validation, DigitCounts) {
    EXPECT_TRUE((C{0, 0, 0, 0, 100, 0}).isWithinValidDigitCounts(R::fps120, B::max80SubFrames));
    EXPECT_FALSE((C{0, 0, 0, 0, 100, 0}).isWithinValidDigitCounts(R::fps60, B::max80SubFrames));
    EXPECT_FALSE((C{0, 0, 0, 0, 0, 10}).isWithinValidDigitCounts(R::fps60, B::quarterFrames));
    EXPECT_FALSE((C{100, 0, 0, 0, 0, 0}).isWithinValidDigitCount(R::fps120, B::max100SubFrames));
    EXPECT_TRUE((C{0, 0, 99, -99, 0, 0}).isWithinValidDigitCounts(R::fps24, B::max80SubFrames));
    EXPECT_FALSE((C{0, 0, 0, 100, 0, 0}).isWithinValidDigitCounts(R::fps24, B::max80SubFrames));
    EXPECT_TRUE(make({0, 0, 0, 0, -9, 0}, R::fps24, Rule::allowingInvalid).isWithinValidComponentDigitCounts());
}
