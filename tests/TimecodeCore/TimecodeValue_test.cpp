#include <gtest/gtest.h>

#include "TimecodeCore/Timecode.h"
#include "TimecodeTestSupport.h"

using timecode::Timecode;
using timecode::TimecodeSourceValue;
using B = Timecode::SubFramesBase;
using C = Timecode::Components;
using Comp = Timecode::Component;
using L = Timecode::UpperLimit;
using R = timecode::TimecodeFrameRate;
using Rule = Timecode::ValidationRule;

TEST(TimecodeValue, SettersStoreWithoutConverting) {
    Timecode t(TimecodeSourceValue::components({0, 0, 0, 0, 29, 0}), R::fps29_97, B::max80SubFrames, L::max24Hours);
    t.setFrameRate(R::fps23_976);
    EXPECT_EQ(t.frames(), 29);
    EXPECT_FALSE(t.isValid());
    t.setProperties({R::fps60, B::quarterFrames, L::max100Days});
    EXPECT_EQ(t.frames(), 29);
    t.setComponents({-5, 99, 99, 99, 999, 999});
    EXPECT_EQ(t.days(), -5);
}

TEST(TimecodeValue, ComponentsFromDictionaryAndPairs) {
    EXPECT_EQ(C::fromDictionary({{Comp::frames, 12}}), (C{0, 0, 0, 0, 12, 0}));
    C c{0, 1, 2, 3, 4, 0};
    c.setDictionary({{Comp::hours, 2}});
    EXPECT_EQ(c, (C{0, 2, 2, 3, 4, 0}));
    EXPECT_EQ(c.dictionary().size(), 6u);
    EXPECT_EQ(C::fromArray({{Comp::hours, 1}, {Comp::hours, 3}}).hours, 3);
    c.setArray({{Comp::subFrames, 7}, {Comp::days, 1}});
    EXPECT_EQ(c, (C{1, 2, 2, 3, 4, 7}));
    const auto pairs = c.array();
    ASSERT_EQ(pairs.size(), 6u);
    EXPECT_EQ(pairs.front().first, Comp::days);
    EXPECT_EQ(pairs.back(), (C::Pair{Comp::subFrames, 7}));
}

TEST(TimecodeValue, ComponentNamesAndNavigation) {
    EXPECT_EQ(Comp(Comp::subFrames).nameLowerCamelCase(), "subFrames");
    EXPECT_EQ(Comp(Comp::subFrames).nameCapitalized(), "SubFrames");
    EXPECT_EQ(Comp(Comp::subFrames).nameLowercased(), "subframes");
    EXPECT_LT(Comp(Comp::days), Comp(Comp::hours));
    EXPECT_EQ(Comp(Comp::frames).numberOfDigits(R::fps119_88, B::max80SubFrames), 3);
    EXPECT_EQ(Comp(Comp::subFrames).numberOfDigits(R::fps24, B::quarterFrames), 1);

    const std::set<Comp> noDaysNoSub{Comp::days, Comp::subFrames};
    EXPECT_EQ(Comp(Comp::frames).next(noDaysNoSub, false), Comp::frames);
    EXPECT_EQ(Comp(Comp::frames).next(noDaysNoSub, true), Comp::hours);
    EXPECT_EQ(Comp(Comp::hours).previous({Comp::days}, true), Comp::subFrames);
    EXPECT_EQ(Comp(Comp::hours).previous({Comp::days}, false), Comp::hours);
    EXPECT_EQ(Comp(Comp::days).next({Comp::days}, false), Comp::hours);
    EXPECT_EQ(Comp(Comp::days).previous({Comp::days}, false), Comp::subFrames);
    EXPECT_EQ(Comp::first({Comp::days}), Comp::hours);
    EXPECT_EQ(Comp::last(noDaysNoSub), Comp::frames);
}

TEST(TimecodeValue, RandomComponentsAreValidAndInRange) {
    for (int i = 0; i < 500; ++i) {
        const Timecode::Properties p = Timecode::Properties::random();
        EXPECT_TRUE(C::random(p).isValid(p));
        const Timecode g(timecode::GuaranteedRichTimecodeSourceValue::randomComponentsAndProperties());
        EXPECT_TRUE(g.isValid()) << g.debugDescription();
    }
    const Timecode::ComponentRanges ranges{{1, 1}, {2, 3}, {0, 0}, {0, 0}, {5, 5}, {7, 7}};
    for (int i = 0; i < 50; ++i) {
        const C c = C::random(ranges);
        EXPECT_EQ(c.days, 1);
        EXPECT_TRUE(c.hours == 2 || c.hours == 3);
        EXPECT_EQ(c.subFrames, 7);
    }
    // Reversed bounds give the lower bound; the full 64-bit range is allowed.
    const std::int64_t lo = std::numeric_limits<std::int64_t>::min(), hi = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(C::random(Timecode::ComponentRanges{{5, 1}, {lo, hi}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}).days, 5);
}

TEST(TimecodeValue, Conversion) {
    const Timecode hour25(TimecodeSourceValue::components({0, 1, 0, 0, 0, 0}), R::fps25, B::max80SubFrames, L::max24Hours);
    const Timecode kept = hour25.converted(R::fps29_97d, std::nullopt, true);
    EXPECT_EQ(kept.components(), (C{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(kept.frameRate(), R::fps29_97d);
    // The same wall-clock instant: one hour of real time is 01:00:00;00 at 29.97 drop
    // (plus the 0.108 frame its count runs behind), but 00:59:56:12 at 29.97 non-drop.
    EXPECT_EQ(hour25.converted(R::fps29_97d).components(), (C{0, 1, 0, 0, 0, 8}));
    EXPECT_EQ(hour25.converted(R::fps29_97).components(), (C{0, 0, 59, 56, 12, 8}));

    const Timecode f27(TimecodeSourceValue::components({0, 0, 0, 0, 27, 0}), R::fps30, B::max80SubFrames, L::max24Hours);
    const Timecode fallback = f27.converted(R::fps25, std::nullopt, true);
    EXPECT_EQ(fallback.components(), (C{0, 0, 0, 0, 22, 40}));  // 0.9 s at 25 fps
    EXPECT_EQ(f27.converted(R::fps30, B::max100SubFrames).subFramesBase(), B::max100SubFrames);

    Timecode odd = f27;
    odd.setComponents({0, 99, 0, 0, 0, 0});
    EXPECT_EQ(odd.converted(R::fps30).components(), odd.components());
    EXPECT_THROW(odd.converted(R::fps25), Timecode::ValidationError);
}

TEST(TimecodeValue, SettersAndCopyingTwins) {
    Timecode t;
    const Timecode copy = t.setting(TimecodeSourceValue::components({0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(t.hours(), 0);
    EXPECT_EQ(copy.hours(), 1);
    t.set(TimecodeSourceValue::components({0, 30, 0, 0, 0, 0}), Rule::allowingInvalid);
    EXPECT_EQ(t.hours(), 30);
    EXPECT_THROW(t.set(TimecodeSourceValue::components({0, 1, 0, 0, 99, 0})), Timecode::ValidationError);
    EXPECT_EQ(t.hours(), 30);
    t.set(timecode::GuaranteedTimecodeSourceValue::zero());
    EXPECT_EQ(t.components(), C{});
    // A guaranteed rich source: set returns its properties without applying them; setting applies them.
    const Timecode::Properties before = t.properties();
    const Timecode::Properties chosen = t.set(timecode::GuaranteedRichTimecodeSourceValue::randomComponentsAndProperties());
    EXPECT_EQ(t.properties(), before);
    EXPECT_TRUE(t.components().isValid(chosen));
    // Rich sources with a rule never fail and bring their properties.
    const Timecode rich(timecode::RichTimecodeSourceValue::randomComponentsAndProperties(
                            {{0, 0}, {30, 30}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}),
                        Rule::clampingComponents);
    EXPECT_EQ(rich.hours(), 23);
    EXPECT_THROW(Timecode(timecode::RichTimecodeSourceValue::randomComponentsAndProperties(
                     {{0, 0}, {30, 30}, {0, 0}, {0, 0}, {0, 0}, {0, 0}})),
                 Timecode::ValidationError);
}
