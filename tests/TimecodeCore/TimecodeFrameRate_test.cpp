#include <gtest/gtest.h>

#include <set>

#include "TimecodeCore/TimecodeFrameRate.h"

using timecode::CMTime;
using timecode::Fraction;
using timecode::SubFramesBase;
using timecode::TimecodeFrameRate;
using timecode::UpperLimit;
using R = TimecodeFrameRate;

TEST(TimecodeFrameRate, RawValuesAreExact) {
    EXPECT_EQ(R::fromRawValue("24"), R(R::fps24));
    EXPECT_EQ(R::fromRawValue("29.97d"), R(R::fps29_97d));
    EXPECT_EQ(R::fromStringValue("120d"), R(R::fps120d));
    for (const char* bad : {"29.97D", "29.970", " 24", "24 ", "", "23.98", "d"})
        EXPECT_FALSE(R::fromRawValue(bad)) << bad;
    ASSERT_EQ(R::allCases().size(), 23u);
    for (R r : R::allCases()) {
        EXPECT_EQ(R::fromRawValue(r.rawValue()), r);
        EXPECT_EQ(r.isDrop(), r.rawValue().back() == 'd');
        EXPECT_EQ(r.framesSeparator(), r.isDrop() ? ';' : ':');
        EXPECT_EQ(r.frameDuration(), Fraction(r.rate().denominator(), r.rate().numerator())) << r.description();
    }
    EXPECT_EQ(R::allDrop().size(), 6u);
    EXPECT_EQ(R::allNonDrop().size(), 17u);
}

TEST(TimecodeFrameRate, LookupByRateAndDuration) {
    EXPECT_EQ(R::fromRate(Fraction(30000, 1001), false), R(R::fps29_97));
    EXPECT_EQ(R::fromRate(Fraction(30000, 1001), true), R(R::fps29_97d));
    EXPECT_EQ(R::fromRate(Fraction(60000, 2002), false), R(R::fps29_97));
    EXPECT_EQ(R::fromRate(Fraction(30, 1), true), R(R::fps30d));
    EXPECT_FALSE(R::fromRate(Fraction(25, 1), true));
    EXPECT_FALSE(R::fromRate(Fraction(24000, 1001), true));
    EXPECT_FALSE(R::fromRate(Fraction(2997, 100), false));
    EXPECT_EQ(R::fromRate(CMTime::make(24, 1), false), R(R::fps24));

    EXPECT_EQ(R::fromFrameDuration(Fraction(1000, 29970), false), R(R::fps29_97));
    EXPECT_EQ(R::fromFrameDuration(Fraction(1, 30), false), R(R::fps30));
    EXPECT_EQ(R::fromFrameDuration(Fraction(1001, 60000), true), R(R::fps59_94d));
    EXPECT_EQ(R::fromFrameDuration(Fraction(1000, 23976), false), R(R::fps23_976));
    EXPECT_EQ(R::fromFrameDuration(Fraction(500, 11988), false), R(R::fps23_976));  // same quotient as 1000/23976
    EXPECT_EQ(R::fromFrameDuration(CMTime::make(1, 25), false), R(R::fps25));
    EXPECT_FALSE(R::fromFrameDuration(Fraction(1, 31), false));
}

TEST(TimecodeFrameRate, CountsAndConstants) {
    EXPECT_EQ(R(R::fps29_97d).maxTotalFrames(UpperLimit::max24Hours), 2589408);
    EXPECT_EQ(R(R::fps29_97).maxTotalFrames(UpperLimit::max24Hours), 2592000);
    EXPECT_EQ(R(R::fps29_97d).maxTotalFrames(UpperLimit::max100Days), 258940800);
    EXPECT_EQ(R(R::fps23_976).maxTotalFrames(UpperLimit::max100Days), 207360000);
    EXPECT_EQ(R(R::fps119_88d).maxTotalFrames(UpperLimit::max100Days), 1035763200);
    EXPECT_EQ(R(R::fps24).maxSubFrameCountExpressible(UpperLimit::max24Hours, SubFramesBase::max80SubFrames),
              2073600 * 80 - 1);
    EXPECT_EQ(R(R::fps29_97d).framesPerTenMinutes(), 17982);
    EXPECT_EQ(R(R::fps60d).framesPerTenMinutes(), 35964);
    EXPECT_EQ(R(R::fps120d).framesPerTenMinutes(), 71928);
    EXPECT_EQ(R(R::fps23_976).maxFrameNumberDisplayable(), 23);
    EXPECT_EQ(R(R::fps119_88).numberOfDigits(), 3);
    EXPECT_EQ(R(R::fps100).numberOfDigits(), 2);
    EXPECT_EQ(R(R::fps30d).frameRateForElapsedFramesCalculation(), 29.97);
    EXPECT_EQ(R(R::fps30d).frameRateForRealTimeCalculation(), 30.0);
    EXPECT_EQ(R(R::fps29_97).frameRateForRealTimeCalculation(), 29.970029970029973);
    EXPECT_EQ(R(R::fps24).frameDuration().description(), "100/2400");
    EXPECT_EQ(R(R::fps29_97).alternateFrameDuration()->description(), "1000/29970");
    EXPECT_FALSE(R(R::fps30).alternateFrameDuration());
    EXPECT_EQ(R(R::fps29_97).rateCMTime(), CMTime::make(30000, 1001));
}

TEST(TimecodeFrameRate, TextForms) {
    EXPECT_EQ(R(R::fps120d).stringValueVerbose(), "120 fps drop");
    EXPECT_EQ(R(R::fps95_904).stringValueVerbose(), "95.904 fps");
    EXPECT_EQ(R(R::fps29_97d).stringValueVerbose(), "29.97 fps drop");
    const auto aaf = R(R::fps23_976).aafMetadata();
    EXPECT_EQ(aaf.editRate, "24000/1001");
    EXPECT_EQ(aaf.dropFrame, "false");
    EXPECT_EQ(aaf.framesPerSecond, "24");
    EXPECT_EQ(R(R::fps30).aafMetadata().editRate, "30/1");
    EXPECT_EQ(R(R::fps30d).fcpXMLMetadata().tcFormat, "DF");
    EXPECT_EQ(R(R::fps29_97).fcpXMLMetadata().frameDuration, "1001/30000s");
    EXPECT_EQ(R(R::fps25).fcpXMLMetadata().frameDuration, "100/2500s");
    EXPECT_EQ(R(R::fps25).fcpXMLMetadata().tcFormat, "NDF");
}

TEST(TimecodeFrameRate, CompatibleGroups) {
    std::set<int> seen;
    for (auto [group, members] : R::CompatibleGroup::table())
        for (R r : members) {
            EXPECT_TRUE(seen.insert(r).second) << "in two groups: " << r.description();
            EXPECT_EQ(r.compatibleGroup(), group);
        }
    EXPECT_EQ(seen.size(), 23u);
    EXPECT_EQ(R::CompatibleGroup(R::CompatibleGroup::ntscDrop).stringValue(), "NTSC Drop-Frame");
    EXPECT_TRUE(R(R::fps23_976).isCompatible(R::fps29_97));
    EXPECT_TRUE(R(R::fps29_97).isCompatible(R::fps23_976));
    EXPECT_FALSE(R(R::fps29_97d).isCompatible(R::fps30d));
    EXPECT_FALSE(R(R::fps23_976).isCompatible(R::fps24));
    for (R r : R::allCases()) EXPECT_TRUE(r.isCompatible(r));
    EXPECT_EQ(R(R::fps24).compatibleGroupRates().size(), 10u);
}

TEST(TimecodeFrameRate, SortedFollowsCaseOrder) {
    const std::vector<R> rates{R::fps60, R::fps24, R::fps29_97d, R::fps24};
    const std::vector<R> expected{R::fps24, R::fps24, R::fps29_97d, R::fps60};
    EXPECT_EQ(timecode::sorted(rates), expected);
}

TEST(SubFramesBaseAndUpperLimit, RawValuesAndConversion) {
    EXPECT_EQ(SubFramesBase::fromRawValue(4), SubFramesBase(SubFramesBase::quarterFrames));
    EXPECT_FALSE(SubFramesBase::fromRawValue(25));
    EXPECT_EQ(SubFramesBase(SubFramesBase::quarterFrames).stringValueVerbose(), "4 (Quarter-Frames)");
    const SubFramesBase b80 = SubFramesBase::max80SubFrames;
    EXPECT_EQ(b80.convert(40, SubFramesBase::max100SubFrames), 50);
    EXPECT_EQ(b80.convert(40, SubFramesBase::quarterFrames), 2);
    EXPECT_EQ(b80.convert(79, SubFramesBase::quarterFrames), 3);
    EXPECT_EQ(SubFramesBase(SubFramesBase::quarterFrames).convert(3, b80), 60);
    EXPECT_EQ(b80.convert(0, SubFramesBase::quarterFrames), 0);
    EXPECT_EQ(b80.convert(std::numeric_limits<std::int64_t>::max(), SubFramesBase::max100SubFrames),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(UpperLimit::fromRawValue("100 days"), UpperLimit(UpperLimit::max100Days));
    EXPECT_FALSE(UpperLimit::fromRawValue("24 Hours"));
}
