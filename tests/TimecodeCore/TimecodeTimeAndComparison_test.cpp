#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <unordered_set>

#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeSortComparator.h"
#include "TimecodeTestSupport.h"

using timecode::CMTime;
using timecode::CMTimeRange;
using timecode::ComparisonResult;
using timecode::Fraction;
using timecode::Timecode;
using timecode::TimecodeSourceValue;
using B = Timecode::SubFramesBase;
using C = Timecode::Components;
using L = Timecode::UpperLimit;
using R = timecode::TimecodeFrameRate;
using Rule = Timecode::ValidationRule;

namespace {

using timecode::makeTimecode;

Timecode hms(std::int64_t h, std::int64_t m, std::int64_t s, std::int64_t f, R rate = R::fps24) {
    return makeTimecode({0, h, m, s, f, 0}, rate);
}

}  // namespace

TEST(RealTime, Readings) {
    const Timecode hour = hms(1, 0, 0, 0);
    EXPECT_EQ(hour.rationalValue().description(), "3600/1");
    EXPECT_EQ(hour.cmTimeValue(), CMTime::make(3600, 1));
    EXPECT_EQ(hms(0, 0, 0, 1, R::fps29_97).rationalValue().description(), "1001/30000");
    EXPECT_DOUBLE_EQ(hms(0, 0, 1, 0, R::fps23_976).realTimeValue(), 1.001);
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 1, 40}).rationalValue(), Fraction(1, 16));  // 1.5 frames at 24
    EXPECT_EQ(hms(0, 0, 1, 0).samplesValue(48000), 48000);
    EXPECT_DOUBLE_EQ(hms(0, 0, 1, 0, R::fps23_976).samplesDoubleValue(48000), 48048.0);
    EXPECT_EQ(hms(0, 0, 1, 0, R::fps23_976).samplesValue(48000), 48048);
    // Round trips through rational and media time at every rate.
    for (R rate : R::allCases()) {
        const Timecode t = makeTimecode({0, 13, 37, 42, rate.maxFrames() / 2, 40}, rate);
        EXPECT_EQ(Timecode(TimecodeSourceValue::rational(t.rationalValue()), rate, B::max80SubFrames, L::max24Hours)
                      .components(),
                  t.components())
            << rate.description();
        EXPECT_EQ(Timecode(TimecodeSourceValue::cmTime(t.cmTimeValue()), rate, B::max80SubFrames, L::max24Hours)
                      .components(),
                  t.components())
            << rate.description();
    }
}

TEST(Comparison, EqualityAndOrder) {
    EXPECT_NE(hms(0, 0, 1, 0), hms(0, 0, 1, 0, R::fps25));
    EXPECT_FALSE(hms(0, 0, 1, 0) < hms(0, 0, 1, 0, R::fps25));
    EXPECT_FALSE(hms(0, 0, 1, 0, R::fps25) < hms(0, 0, 1, 0));
    EXPECT_LT(hms(0, 0, 0, 12), hms(0, 0, 0, 13, R::fps25));
    EXPECT_NE(hms(1, 0, 0, 0, R::fps29_97), hms(1, 0, 0, 0, R::fps29_97d));
    EXPECT_EQ(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames), makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max100SubFrames));
    EXPECT_NE(makeTimecode({0, 0, 0, 0, 0, 40}, R::fps24, B::max80SubFrames), makeTimecode({0, 0, 0, 0, 0, 50}, R::fps24, B::max100SubFrames));
    EXPECT_EQ(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max24Hours),
              makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max100Days));
    // The same instant written differently is the same timecode.
    EXPECT_EQ(hms(0, 0, 0, 24), hms(0, 0, 1, 0));
    EXPECT_LE(hms(0, 0, 0, 24), hms(0, 0, 1, 0));
    EXPECT_GE(hms(0, 0, 0, 24), hms(0, 0, 1, 0));
    EXPECT_GT(hms(0, 0, 1, 1), hms(0, 0, 1, 0));
}

TEST(Comparison, HashAgreesWithEquality) {
    const std::hash<Timecode> h;
    EXPECT_EQ(h(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames)), h(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max100SubFrames)));
    EXPECT_EQ(h(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames, L::max100Days)), h(hms(1, 0, 0, 0)));
    EXPECT_EQ(h(hms(0, 0, 0, 24)), h(hms(0, 0, 1, 0)));
    std::unordered_set<Timecode> set{makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames),
                                     makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max100SubFrames), hms(1, 0, 0, 0, R::fps25)};
    EXPECT_EQ(set.size(), 2u);
}

TEST(Comparison, TimelineCompare) {
    const Timecode start = hms(1, 0, 0, 0);
    EXPECT_EQ(hms(1, 0, 0, 0).compare(hms(1, 0, 0, 0)), ComparisonResult::orderedSame);
    EXPECT_EQ(hms(1, 0, 0, 0).compare(hms(1, 0, 0, 0), start), ComparisonResult::orderedSame);
    EXPECT_EQ(hms(23, 0, 0, 0).compare(hms(0, 30, 0, 0), start), ComparisonResult::orderedAscending);
    EXPECT_EQ(hms(1, 0, 0, 0).compare(hms(0, 59, 59, 23), start), ComparisonResult::orderedAscending);
    EXPECT_EQ(hms(23, 0, 0, 0).compare(hms(0, 30, 0, 0)), ComparisonResult::orderedDescending);
    EXPECT_EQ(hms(1, 0, 0, 0).compare(hms(0, 59, 59, 23)), ComparisonResult::orderedDescending);
    // A zero start is no time line.
    EXPECT_EQ(hms(23, 0, 0, 0).compare(hms(0, 30, 0, 0), hms(0, 0, 0, 0)), ComparisonResult::orderedDescending);
    // On a time line, rates compare by frame number.
    EXPECT_EQ(hms(0, 0, 0, 20, R::fps25).compare(hms(0, 0, 0, 21, R::fps24), hms(0, 0, 0, 1)),
              ComparisonResult::orderedAscending);
}

TEST(Comparison, IsSortedAndSorting) {
    const Timecode start = hms(1, 0, 0, 0);
    const std::vector<Timecode> crossing{hms(0, 30, 0, 0), hms(23, 0, 0, 0)};
    EXPECT_FALSE(timecode::isSorted(crossing, true, start));
    EXPECT_TRUE(timecode::isSorted(crossing, true));
    const std::vector<Timecode> repeated{hms(1, 0, 0, 0), hms(1, 0, 0, 0), hms(0, 0, 0, 0), hms(0, 0, 0, 0)};
    EXPECT_TRUE(timecode::isSorted(repeated, false));
    EXPECT_TRUE(timecode::isSorted(std::vector<Timecode>(repeated.rbegin(), repeated.rend()), true));
    EXPECT_TRUE(timecode::isSorted(std::vector<Timecode>{}, true));

    const std::vector<Timecode> recording{hms(23, 0, 0, 0), hms(0, 30, 0, 0), hms(1, 30, 0, 0), hms(12, 0, 0, 0),
                                          hms(0, 10, 0, 0)};
    const auto onTimeline = timecode::sorted(recording, true, start);
    const std::vector<Timecode> expected{hms(1, 30, 0, 0), hms(12, 0, 0, 0), hms(23, 0, 0, 0), hms(0, 10, 0, 0),
                                         hms(0, 30, 0, 0)};
    EXPECT_EQ(onTimeline, expected);
    EXPECT_TRUE(timecode::isSorted(onTimeline, true, start));
    auto descending = recording;
    timecode::sort(descending, false, hms(0, 0, 0, 0));
    EXPECT_EQ(descending.front(), hms(23, 0, 0, 0));
    EXPECT_TRUE(timecode::isSorted(descending, false));
}

// Many equal and mixed-rate values: the sort is a strict weak ordering, so it never
// misbehaves, and its result is ordered by the comparator's own ordering. (Timecodes of
// different rates at one instant compare as descending both ways round, so only a
// single-rate list can pass isSorted.)
TEST(Comparison, SortingManyMixedValuesIsWellDefined) {
    std::mt19937_64 engine(7);
    std::vector<Timecode> mixed, single;
    for (int i = 0; i < 3000; ++i) {
        const C c{0, std::int64_t(engine() % 3), 0, 0, std::int64_t(engine() % 3), 0};
        mixed.push_back(makeTimecode(c, R::allCases()[engine() % 4 + 2]));
        single.push_back(makeTimecode(c, R::fps25));
    }
    for (const Timecode& start : {hms(0, 0, 0, 0), hms(1, 0, 0, 1)})
        for (bool ascending : {true, false}) {
            const timecode::TimecodeSortComparator comparator{
                ascending ? timecode::SortOrder::forward : timecode::SortOrder::reverse, start};
            auto copy = mixed;
            timecode::sort(copy, ascending, start);
            EXPECT_TRUE(std::is_sorted(copy.begin(), copy.end(), comparator));
            EXPECT_TRUE(std::is_permutation(copy.begin(), copy.end(), mixed.begin(), [](const Timecode& a, const Timecode& b) {
                return a.components() == b.components() && a.frameRate() == b.frameRate();
            }));
            auto same = single;
            timecode::sort(same, ascending, start);
            EXPECT_TRUE(timecode::isSorted(same, ascending, start));
        }
}

TEST(Comparison, SortComparator) {
    timecode::TimecodeSortComparator reverse{timecode::SortOrder::reverse, std::nullopt};
    EXPECT_EQ(reverse.compare(hms(0, 0, 1, 0), hms(0, 0, 2, 0)), ComparisonResult::orderedDescending);
    EXPECT_EQ(reverse.compare(hms(0, 0, 1, 0), hms(0, 0, 1, 0)), ComparisonResult::orderedSame);
    const timecode::TimecodeSortComparator a{timecode::SortOrder::forward, makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max80SubFrames)};
    const timecode::TimecodeSortComparator b{timecode::SortOrder::forward, makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24, B::max100SubFrames)};
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<timecode::TimecodeSortComparator>{}(a), std::hash<timecode::TimecodeSortComparator>{}(b));
    EXPECT_NE(a, reverse);
}

TEST(Description, Texts) {
    const Timecode t = makeTimecode({0, 1, 2, 3, 4, 0}, R::fps29_97d, B::max80SubFrames, L::max100Days);
    EXPECT_EQ(t.description(), "01:02:03;04.00");
    EXPECT_EQ(t.debugDescription(), "Timecode<0 01:02:03;04.00 @ 29.97 fps drop>");
    EXPECT_EQ(t.stringValueVerbose(), "01:02:03;04.00 @ 29.97 fps drop");
    EXPECT_EQ(t.verboseDescription(), t.stringValueVerbose());
    EXPECT_EQ(hms(1, 0, 0, 0).debugDescription(), "Timecode<01:00:00:00.00 @ 24 fps>");
}

TEST(Description, SteppingByFrames) {
    EXPECT_EQ(hms(0, 0, 0, 10).distance(hms(0, 0, 1, 0)), 14);
    EXPECT_EQ(hms(0, 0, 1, 0).distance(hms(0, 0, 0, 10)), -14);
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 10, 79}).distance(makeTimecode({0, 0, 0, 1, 0, 1})), 14);
    EXPECT_EQ(hms(0, 0, 0, 0).advanced(-1).components(), C{});
    EXPECT_EQ(hms(23, 59, 59, 23).advanced(1).components(), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(hms(23, 59, 59, 29, R::fps30).advanced(1000).components(), (C{0, 23, 59, 59, 29, 79}));
    EXPECT_EQ(hms(0, 0, 59, 29, R::fps29_97d).advanced(1).components(), (C{0, 0, 1, 0, 2, 0}));
    EXPECT_EQ(hms(0, 1, 0, 2, R::fps29_97d).advanced(-1).components(), (C{0, 0, 0, 59, 29, 0}));
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 5, 40}).advanced(2).components(), (C{0, 0, 0, 0, 7, 40}));
    EXPECT_EQ(hms(0, 0, 0, 0).advanced(std::numeric_limits<std::int64_t>::max()).components(),
              (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(hms(0, 0, 0, 0).advanced(std::numeric_limits<std::int64_t>::min()).components(), C{});
}

TEST(Description, MediaTimeRanges) {
    const Timecode::Properties p{R::fps24, B::max80SubFrames, L::max24Hours};
    const auto empty = timecode::timecodeRange(CMTimeRange{CMTime::make(1, 1), CMTime::make(0, 1)}, p);
    EXPECT_EQ(empty.lowerBound.components(), empty.upperBound.components());
    const auto range = timecode::timecodeRange(CMTimeRange{CMTime::make(1, 2), CMTime::make(3, 4)}, R::fps24,
                                               B::max80SubFrames, L::max24Hours);
    EXPECT_EQ(range.lowerBound.components(), (C{0, 0, 0, 0, 12, 0}));
    EXPECT_EQ(range.upperBound.components(), (C{0, 0, 0, 1, 6, 0}));
    try {
        timecode::timecodeRange(CMTimeRange{CMTime::invalid(), CMTime::make(1, 1)}, p);
        FAIL();
    } catch (const Timecode::ValidationError& e) {
        EXPECT_EQ(e.code(), Timecode::ValidationError::Code::invalid);
    }
    EXPECT_THROW(timecode::timecodeRange(CMTimeRange{CMTime::make(0, 1), CMTime::make(-1, 1)}, p), Timecode::ValidationError);
    EXPECT_THROW(timecode::timecodeRange(CMTimeRange{CMTime::make(86401, 1), CMTime::make(1, 1)}, p),
                 Timecode::ValidationError);
}
