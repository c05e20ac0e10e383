#include "TimecodeCore/TimecodeFrameRate.h"

#include <array>

namespace timecode {

namespace {

using Group = TimecodeFrameRate::CompatibleGroup;

struct RateInfo {
    std::string_view rawValue;
    std::int64_t rateNumerator;
    std::int64_t rateDenominator;
    std::int64_t durationNumerator;
    std::int64_t durationDenominator;
    std::int64_t alternateDenominator;  // of 1000/N; 0 when there is no alternate duration
    bool isDrop;
    std::int64_t maxFrames;
    int numberOfDigits;
    std::int64_t framesDropped;
    double elapsedRate;
    double realTimeRate;
    std::int64_t framesIn24Hours;
    Group::Case group;
};

// In case order. Frames in 24 hours = 86400 × maxFrames − 1296 × frames dropped per minute.
constexpr std::array<RateInfo, TimecodeFrameRate::caseCount> rateTable{{
    {"23.976", 24000, 1001, 1001, 24000, 23976, false, 24, 2, 0, 24, 23.976023976023978, 2073600, Group::ntscColor},
    {"24", 24, 1, 100, 2400, 0, false, 24, 2, 0, 24, 24, 2073600, Group::whole},
    {"24.98", 25000, 1001, 1001, 25000, 24980, false, 25, 2, 0, 25, 24.97502497502498, 2160000, Group::ntscColor},
    {"25", 25, 1, 100, 2500, 0, false, 25, 2, 0, 25, 25, 2160000, Group::whole},
    {"29.97", 30000, 1001, 1001, 30000, 29970, false, 30, 2, 0, 30, 29.970029970029973, 2592000, Group::ntscColor},
    {"29.97d", 30000, 1001, 1001, 30000, 29970, true, 30, 2, 2, 29.97, 29.970029970029973, 2589408, Group::ntscDrop},
    {"30", 30, 1, 100, 3000, 0, false, 30, 2, 0, 30, 30, 2592000, Group::whole},
    {"30d", 30, 1, 100, 3000, 0, true, 30, 2, 2, 29.97, 30, 2589408, Group::ntscColorWallTime},
    {"47.952", 48000, 1001, 1001, 48000, 47952, false, 48, 2, 0, 48, 47.952047952047955, 4147200, Group::ntscColor},
    {"48", 48, 1, 100, 4800, 0, false, 48, 2, 0, 48, 48, 4147200, Group::whole},
    {"50", 50, 1, 100, 5000, 0, false, 50, 2, 0, 50, 50, 4320000, Group::whole},
    {"59.94", 60000, 1001, 1001, 60000, 59940, false, 60, 2, 0, 60, 59.940059940059946, 5184000, Group::ntscColor},
    {"59.94d", 60000, 1001, 1001, 60000, 59940, true, 60, 2, 4, 59.94, 59.940059940059946, 5178816, Group::ntscDrop},
    {"60", 60, 1, 100, 6000, 0, false, 60, 2, 0, 60, 60, 5184000, Group::whole},
    {"60d", 60, 1, 100, 6000, 0, true, 60, 2, 4, 59.94, 60, 5178816, Group::ntscColorWallTime},
    {"90", 90, 1, 100, 9000, 0, false, 90, 2, 0, 90, 90, 7776000, Group::whole},
    {"95.904", 96000, 1001, 1001, 96000, 95904, false, 96, 2, 0, 96, 95.90409590409591, 8294400, Group::ntscColor},
    {"96", 96, 1, 100, 9600, 0, false, 96, 2, 0, 96, 96, 8294400, Group::whole},
    {"100", 100, 1, 100, 10000, 0, false, 100, 2, 0, 100, 100, 8640000, Group::whole},
    {"119.88", 120000, 1001, 1001, 120000, 119880, false, 120, 3, 0, 120, 119.88011988011989, 10368000, Group::ntscColor},
    {"119.88d", 120000, 1001, 1001, 120000, 119880, true, 120, 3, 8, 119.88, 119.88011988011989, 10357632,
     Group::ntscDrop},
    {"120", 120, 1, 100, 12000, 0, false, 120, 3, 0, 120, 120, 10368000, Group::whole},
    {"120d", 120, 1, 100, 12000, 0, true, 120, 3, 8, 119.88, 120, 10357632, Group::ntscColorWallTime},
}};

constexpr bool tableIsConsistent() {
    for (const RateInfo& r : rateTable) {
        if (r.framesIn24Hours != 86400 * r.maxFrames - 1296 * r.framesDropped) return false;
        if (r.isDrop != (r.rawValue.back() == 'd')) return false;
    }
    return true;
}
static_assert(tableIsConsistent());

const RateInfo& info(TimecodeFrameRate::Case c) noexcept { return rateTable[c]; }

// Same stored pair, or the same quotient in double precision.
bool sameValue(std::int64_t n1, std::int64_t d1, std::int64_t n2, std::int64_t d2) noexcept {
    return (n1 == n2 && d1 == d2) || double(n1) / double(d1) == double(n2) / double(d2);
}

template <class Match>
std::optional<TimecodeFrameRate> firstMatch(bool drop, Match match) noexcept {
    for (int i = 0; i < TimecodeFrameRate::caseCount; ++i) {
        const auto c = TimecodeFrameRate::Case(i);
        if (info(c).isDrop == drop && match(info(c))) return TimecodeFrameRate(c);
    }
    return std::nullopt;
}

std::vector<TimecodeFrameRate> ratesWithDrop(bool drop) {
    std::vector<TimecodeFrameRate> rates;
    for (TimecodeFrameRate r : TimecodeFrameRate::allCases())
        if (r.isDrop() == drop) rates.push_back(r);
    return rates;
}

}  // namespace

// ---- CompatibleGroup

const std::vector<Group>& Group::allCases() {
    static const std::vector<Group> cases{ntscColor, ntscDrop, whole, ntscColorWallTime};
    return cases;
}

std::string_view Group::stringValue() const noexcept {
    switch (case_) {
    case ntscColor: return "NTSC Color";
    case ntscDrop: return "NTSC Drop-Frame";
    case whole: return "Whole";
    case ntscColorWallTime: return "NTSC Color Wall Time";
    }
    return {};
}

const std::vector<std::pair<Group, std::vector<TimecodeFrameRate>>>& Group::table() {
    static const auto groups = [] {
        std::vector<std::pair<Group, std::vector<TimecodeFrameRate>>> result;
        for (Group g : Group::allCases()) {
            std::vector<TimecodeFrameRate> members;
            for (TimecodeFrameRate r : TimecodeFrameRate::allCases())
                if (info(r).group == g) members.push_back(r);
            result.emplace_back(g, std::move(members));
        }
        return result;
    }();
    return groups;
}

const std::vector<TimecodeFrameRate>& Group::rates() const { return table()[case_].second; }

// ---- TimecodeFrameRate

const std::vector<TimecodeFrameRate>& TimecodeFrameRate::allCases() {
    static const std::vector<TimecodeFrameRate> cases = [] {
        std::vector<TimecodeFrameRate> v;
        for (int i = 0; i < caseCount; ++i) v.push_back(Case(i));
        return v;
    }();
    return cases;
}

const std::vector<TimecodeFrameRate>& TimecodeFrameRate::allDrop() {
    static const std::vector<TimecodeFrameRate> cases = ratesWithDrop(true);
    return cases;
}

const std::vector<TimecodeFrameRate>& TimecodeFrameRate::allNonDrop() {
    static const std::vector<TimecodeFrameRate> cases = ratesWithDrop(false);
    return cases;
}

std::optional<TimecodeFrameRate> TimecodeFrameRate::fromRawValue(std::string_view rawValue) noexcept {
    for (int i = 0; i < caseCount; ++i)
        if (rateTable[i].rawValue == rawValue) return Case(i);
    return std::nullopt;
}

std::optional<TimecodeFrameRate> TimecodeFrameRate::fromRate(const Fraction& rate, bool drop) noexcept {
    const std::int64_t n = rate.numerator(), d = rate.denominator();
    return firstMatch(drop, [&](const RateInfo& r) { return sameValue(r.rateNumerator, r.rateDenominator, n, d); });
}

std::optional<TimecodeFrameRate> TimecodeFrameRate::fromRate(const CMTime& rate, bool drop) noexcept {
    return fromRate(Fraction(rate.value, rate.timescale), drop);
}

std::optional<TimecodeFrameRate> TimecodeFrameRate::fromFrameDuration(const Fraction& duration, bool drop) noexcept {
    const std::int64_t n = duration.numerator(), d = duration.denominator();
    return firstMatch(drop, [&](const RateInfo& r) {
        if (sameValue(r.durationNumerator, r.durationDenominator, n, d)) return true;
        return r.alternateDenominator != 0 &&
               ((n == 1000 && d == r.alternateDenominator) ||
                1000.0 / double(r.alternateDenominator) == double(n) / double(d));
    });
}

std::optional<TimecodeFrameRate> TimecodeFrameRate::fromFrameDuration(const CMTime& duration, bool drop) noexcept {
    return fromFrameDuration(Fraction(duration.value, duration.timescale), drop);
}

std::string_view TimecodeFrameRate::rawValue() const noexcept { return info(case_).rawValue; }

std::string TimecodeFrameRate::stringValueVerbose() const {
    std::string_view raw = rawValue();
    if (isDrop()) raw.remove_suffix(1);
    std::string text(raw);
    text += " fps";
    if (isDrop()) text += " drop";
    return text;
}

TimecodeFrameRate::AafMetadata TimecodeFrameRate::aafMetadata() const {
    const RateInfo& r = info(case_);
    return {std::to_string(r.rateNumerator) + "/" + std::to_string(r.rateDenominator), r.isDrop ? "true" : "false",
            std::to_string(r.maxFrames)};
}

TimecodeFrameRate::FcpXmlMetadata TimecodeFrameRate::fcpXMLMetadata() const {
    return {frameDuration().fcpxmlStringValue(), isDrop() ? "DF" : "NDF"};
}

Fraction TimecodeFrameRate::rate() const noexcept {
    return Fraction(info(case_).rateNumerator, info(case_).rateDenominator);
}

Fraction TimecodeFrameRate::frameDuration() const noexcept {
    return Fraction(info(case_).durationNumerator, info(case_).durationDenominator);
}

std::optional<Fraction> TimecodeFrameRate::alternateFrameDuration() const noexcept {
    if (info(case_).alternateDenominator == 0) return std::nullopt;
    return Fraction(1000, info(case_).alternateDenominator);
}

bool TimecodeFrameRate::isDrop() const noexcept { return info(case_).isDrop; }
std::int64_t TimecodeFrameRate::maxFrames() const noexcept { return info(case_).maxFrames; }
int TimecodeFrameRate::numberOfDigits() const noexcept { return info(case_).numberOfDigits; }
double TimecodeFrameRate::framesDroppedPerMinute() const noexcept { return double(info(case_).framesDropped); }
std::int64_t TimecodeFrameRate::framesDropped() const noexcept { return info(case_).framesDropped; }
double TimecodeFrameRate::frameRateForElapsedFramesCalculation() const noexcept { return info(case_).elapsedRate; }
double TimecodeFrameRate::frameRateForRealTimeCalculation() const noexcept { return info(case_).realTimeRate; }

std::int64_t TimecodeFrameRate::framesPerTenMinutes() const noexcept {
    const RateInfo& r = info(case_);
    return r.isDrop ? r.maxFrames * 600 - 9 * r.framesDropped : 0;
}

std::int64_t TimecodeFrameRate::maxTotalFrames(UpperLimit limit) const noexcept {
    return info(case_).framesIn24Hours * limit.dayCount();
}

TimecodeFrameRate::CompatibleGroup TimecodeFrameRate::compatibleGroup() const noexcept { return info(case_).group; }

}  // namespace timecode
