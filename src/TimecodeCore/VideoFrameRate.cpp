#include "TimecodeCore/VideoFrameRate.h"

#include <array>
#include <cmath>

#include "TimecodeCore/NumericUtilities.h"

namespace timecode {

namespace {

using TC = TimecodeFrameRate;

struct VideoInfo {
    std::string_view rawValue;
    bool interlaced;
    std::int64_t rateNumerator;
    std::int64_t rateDenominator;
    std::int64_t durationNumerator;
    std::int64_t durationDenominator;
    std::int64_t alternateNumerator;  // 0 when there is no alternate duration
    std::int64_t alternateDenominator;
    std::optional<TC::Case> nonDrop;
    std::optional<TC::Case> drop;
};

constexpr std::optional<TC::Case> none = std::nullopt;

// In case order. Interlaced rates keep the progressive rate; their durations double
// numerator and denominator.
constexpr std::array<VideoInfo, VideoFrameRate::caseCount> videoTable{{
    {"23.98p", false, 24000, 1001, 1001, 24000, 1000, 23976, TC::fps23_976, none},
    {"24p", false, 24, 1, 100, 2400, 0, 0, TC::fps24, none},
    {"25p", false, 25, 1, 100, 2500, 0, 0, TC::fps25, none},
    {"25i", true, 25, 1, 200, 5000, 0, 0, TC::fps25, none},
    {"29.97p", false, 30000, 1001, 1001, 30000, 1000, 29970, TC::fps29_97, TC::fps29_97d},
    {"29.97i", true, 30000, 1001, 2002, 60000, 2000, 59940, TC::fps29_97, TC::fps29_97d},
    {"30p", false, 30, 1, 100, 3000, 0, 0, TC::fps30, TC::fps30d},
    {"47.95p", false, 48000, 1001, 1001, 48000, 1000, 47952, TC::fps47_952, none},
    {"48p", false, 48, 1, 100, 4800, 0, 0, TC::fps48, none},
    {"50p", false, 50, 1, 100, 5000, 0, 0, TC::fps50, none},
    {"50i", true, 50, 1, 200, 10000, 0, 0, TC::fps50, none},
    {"59.94p", false, 60000, 1001, 1001, 60000, 1000, 59940, TC::fps59_94, TC::fps59_94d},
    {"59.94i", true, 60000, 1001, 2002, 120000, 2000, 119880, TC::fps59_94, TC::fps59_94d},
    {"60p", false, 60, 1, 100, 6000, 0, 0, TC::fps60, TC::fps60d},
    {"60i", true, 60, 1, 200, 12000, 0, 0, TC::fps60, none},
    {"90p", false, 90, 1, 100, 9000, 0, 0, TC::fps90, none},
    {"95.9p", false, 96000, 1001, 1001, 96000, 1000, 95904, TC::fps95_904, none},
    {"96p", false, 96, 1, 100, 9600, 0, 0, TC::fps96, none},
    {"100p", false, 100, 1, 100, 10000, 0, 0, TC::fps100, none},
    {"119.88p", false, 120000, 1001, 1001, 120000, 1000, 119880, TC::fps119_88, TC::fps119_88d},
    {"120p", false, 120, 1, 100, 12000, 0, 0, TC::fps120, none},
}};

const VideoInfo& info(VideoFrameRate::Case c) noexcept { return videoTable[c]; }

// Same stored pair, or the same quotient in double precision. A zero denominator on
// the wanted side gives an infinite or undefined quotient that matches no case.
bool sameValue(std::int64_t n1, std::int64_t d1, const Fraction& wanted) noexcept {
    const std::int64_t n2 = wanted.numerator(), d2 = wanted.denominator();
    return (n1 == n2 && d1 == d2) || double(n1) / double(d1) == double(n2) / double(d2);
}

template <class Match>
std::optional<VideoFrameRate> firstMatch(bool interlaced, Match match) noexcept {
    for (int i = 0; i < VideoFrameRate::caseCount; ++i) {
        const auto c = VideoFrameRate::Case(i);
        if (info(c).interlaced == interlaced && match(info(c), c)) return VideoFrameRate(c);
    }
    return std::nullopt;
}

// Fraction of a time as its value over its timescale, flags and epoch ignored.
Fraction asFraction(const CMTime& time) noexcept { return Fraction(time.value, time.timescale); }

}  // namespace

const std::vector<VideoFrameRate>& VideoFrameRate::allCases() {
    static const std::vector<VideoFrameRate> cases = [] {
        std::vector<VideoFrameRate> v;
        for (int i = 0; i < caseCount; ++i) v.push_back(Case(i));
        return v;
    }();
    return cases;
}

std::optional<VideoFrameRate> VideoFrameRate::fromRawValue(std::string_view rawValue) noexcept {
    for (int i = 0; i < caseCount; ++i)
        if (videoTable[i].rawValue == rawValue) return Case(i);
    return std::nullopt;
}

std::optional<VideoFrameRate> VideoFrameRate::fromStringValue(std::string_view stringValue) noexcept {
    for (VideoFrameRate r : allCases())
        if (r.stringValue() == stringValue) return r;
    return std::nullopt;
}

std::optional<VideoFrameRate> VideoFrameRate::fromFps(double fps, bool interlaced, bool strict) noexcept {
    const int places = strict ? 3 : 1;
    const double p = std::pow(10.0, places);
    auto cut = [p](double v) { return std::trunc(v * p) / p; };
    const double truncatedTarget = cut(fps);
    if (auto r = firstMatch(interlaced, [&](const VideoInfo&, Case c) { return cut(VideoFrameRate(c).fps()) == truncatedTarget; }))
        return r;
    auto round = [places](double v) { return rounded(v, RoundingRule::toNearestOrAwayFromZero, places); };
    const double roundedTarget = round(fps);
    return firstMatch(interlaced, [&](const VideoInfo&, Case c) { return round(VideoFrameRate(c).fps()) == roundedTarget; });
}

std::optional<VideoFrameRate> VideoFrameRate::fromFps(float fps, bool interlaced, bool strict) noexcept {
    return fromFps(double(fps), interlaced, strict);
}

std::optional<VideoFrameRate> VideoFrameRate::fromRate(const Fraction& rate, bool interlaced) noexcept {
    return firstMatch(interlaced, [&](const VideoInfo& i, Case) { return sameValue(i.rateNumerator, i.rateDenominator, rate); });
}

std::optional<VideoFrameRate> VideoFrameRate::fromRate(const CMTime& rate, bool interlaced) noexcept {
    return fromRate(asFraction(rate), interlaced);
}

std::optional<VideoFrameRate> VideoFrameRate::fromFrameDuration(const Fraction& duration, bool interlaced) noexcept {
    return firstMatch(interlaced, [&](const VideoInfo& i, Case) {
        return sameValue(i.durationNumerator, i.durationDenominator, duration) ||
               (i.alternateNumerator != 0 && sameValue(i.alternateNumerator, i.alternateDenominator, duration));
    });
}

std::optional<VideoFrameRate> VideoFrameRate::fromFrameDuration(const CMTime& duration, bool interlaced) noexcept {
    return fromFrameDuration(asFraction(duration), interlaced);
}

std::string_view VideoFrameRate::rawValue() const noexcept { return info(case_).rawValue; }

Fraction VideoFrameRate::rate() const noexcept { return {info(case_).rateNumerator, info(case_).rateDenominator}; }

Fraction VideoFrameRate::frameDuration() const noexcept {
    return {info(case_).durationNumerator, info(case_).durationDenominator};
}

std::optional<Fraction> VideoFrameRate::alternateFrameDuration() const noexcept {
    const VideoInfo& i = info(case_);
    if (i.alternateNumerator == 0) return std::nullopt;
    return Fraction(i.alternateNumerator, i.alternateDenominator);
}

double VideoFrameRate::fps() const noexcept { return double(info(case_).rateNumerator) / double(info(case_).rateDenominator); }

bool VideoFrameRate::isInterlaced() const noexcept { return info(case_).interlaced; }

std::optional<TimecodeFrameRate> VideoFrameRate::timecodeFrameRate(bool drop) const noexcept {
    const auto c = drop ? info(case_).drop : info(case_).nonDrop;
    if (!c) return std::nullopt;
    return TimecodeFrameRate(*c);
}

// The video rate of the same rate fraction, progressive or interlaced. Only 29.97,
// 25, 50 and 60 have an interlaced partner; no video rate runs at 24.98.
std::optional<VideoFrameRate> TimecodeFrameRate::videoFrameRate(bool interlaced) const noexcept {
    using V = VideoFrameRate;
    struct Pair {
        std::optional<V::Case> progressive, interlaced;
    };
    static constexpr std::optional<V::Case> no = std::nullopt;
    static constexpr std::array<Pair, caseCount> pairs{{
        {V::fps23_98p, no}, {V::fps24p, no}, {no, no}, {V::fps25p, V::fps25i},
        {V::fps29_97p, V::fps29_97i}, {V::fps29_97p, V::fps29_97i}, {V::fps30p, no}, {V::fps30p, no},
        {V::fps47_95p, no}, {V::fps48p, no}, {V::fps50p, V::fps50i}, {V::fps59_94p, no},
        {V::fps59_94p, no}, {V::fps60p, V::fps60i}, {V::fps60p, no}, {V::fps90p, no},
        {V::fps95_9p, no}, {V::fps96p, no}, {V::fps100p, no}, {V::fps119_88p, no},
        {V::fps119_88p, no}, {V::fps120p, no}, {V::fps120p, no},
    }};
    const auto c = interlaced ? pairs[case_].interlaced : pairs[case_].progressive;
    if (!c) return std::nullopt;
    return V(*c);
}

}  // namespace timecode
