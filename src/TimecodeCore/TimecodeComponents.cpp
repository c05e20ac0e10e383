#include "TimecodeCore/TimecodeComponents.h"

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/Random.h"

namespace timecode {

// ---- TimecodeProperties

TimecodeProperties TimecodeProperties::random() {
    const auto& limits = UpperLimit::allCases();
    const auto& bases = SubFramesBase::allCases();
    const auto& rates = TimecodeFrameRate::allCases();
    const UpperLimit limit = limits[std::size_t(randomInRange(0, std::int64_t(limits.size()) - 1))];
    const SubFramesBase base = bases[std::size_t(randomInRange(0, std::int64_t(bases.size()) - 1))];
    const TimecodeFrameRate rate = rates[std::size_t(randomInRange(0, std::int64_t(rates.size()) - 1))];
    return {rate, base, limit};
}

std::size_t TimecodeProperties::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine(seed, frameRate.rawValue());
    hashCombine(seed, subFramesBase.rawValue());
    hashCombine(seed, upperLimit.rawValue());
    return seed;
}

// ---- TimecodeComponentRanges

std::size_t TimecodeComponentRanges::hashValue() const noexcept {
    std::size_t seed = 0;
    for (const auto& r : {days, hours, minutes, seconds, frames, subFrames}) {
        hashCombine(seed, r.lowerBound);
        hashCombine(seed, r.upperBound);
    }
    return seed;
}

// ---- TimecodeComponents

TimecodeComponents TimecodeComponents::fromDictionary(const std::map<TimecodeComponent, std::int64_t>& dictionary) {
    TimecodeComponents c;
    c.setDictionary(dictionary);
    return c;
}

TimecodeComponents TimecodeComponents::fromArray(const std::vector<Pair>& pairs) {
    TimecodeComponents c;
    c.setArray(pairs);
    return c;
}

std::int64_t TimecodeComponents::value(TimecodeComponent component) const noexcept {
    switch (component) {
    case TimecodeComponent::days: return days;
    case TimecodeComponent::hours: return hours;
    case TimecodeComponent::minutes: return minutes;
    case TimecodeComponent::seconds: return seconds;
    case TimecodeComponent::frames: return frames;
    case TimecodeComponent::subFrames: return subFrames;
    }
    return 0;
}

void TimecodeComponents::setValue(TimecodeComponent component, std::int64_t value) noexcept {
    switch (component) {
    case TimecodeComponent::days: days = value; break;
    case TimecodeComponent::hours: hours = value; break;
    case TimecodeComponent::minutes: minutes = value; break;
    case TimecodeComponent::seconds: seconds = value; break;
    case TimecodeComponent::frames: frames = value; break;
    case TimecodeComponent::subFrames: subFrames = value; break;
    }
}

std::map<TimecodeComponent, std::int64_t> TimecodeComponents::dictionary() const {
    std::map<TimecodeComponent, std::int64_t> d;
    for (TimecodeComponent c : TimecodeComponent::allCases()) d.emplace(c, value(c));
    return d;
}

void TimecodeComponents::setDictionary(const std::map<TimecodeComponent, std::int64_t>& dictionary) {
    for (const auto& [component, v] : dictionary) setValue(component, v);
}

std::vector<TimecodeComponents::Pair> TimecodeComponents::array() const {
    std::vector<Pair> pairs;
    for (TimecodeComponent c : TimecodeComponent::allCases()) pairs.emplace_back(c, value(c));
    return pairs;
}

void TimecodeComponents::setArray(const std::vector<Pair>& pairs) {
    for (const auto& [component, v] : pairs) setValue(component, v);
}

TimecodeComponents TimecodeComponents::random(const TimecodeProperties& properties) {
    TimecodeComponents c;
    c.days = randomInRange(0, properties.upperLimit.maxDays());
    c.hours = randomInRange(0, 23);
    c.minutes = randomInRange(0, 59);
    c.seconds = randomInRange(0, 59);
    const auto frames = c.validRange(TimecodeComponent::frames, properties);
    c.frames = randomInRange(frames.lowerBound, frames.upperBound);
    c.subFrames = randomInRange(0, properties.subFramesBase.maxSubFrames());
    return c;
}

TimecodeComponents TimecodeComponents::random(const TimecodeComponentRanges& ranges) {
    auto draw = [](const ClosedRange<std::int64_t>& r) { return randomInRange(r.lowerBound, r.upperBound); };
    return {draw(ranges.days),    draw(ranges.hours),  draw(ranges.minutes),
            draw(ranges.seconds), draw(ranges.frames), draw(ranges.subFrames)};
}

std::size_t TimecodeComponents::hashValue() const noexcept {
    std::size_t seed = 0;
    for (std::int64_t v : {days, hours, minutes, seconds, frames, subFrames}) hashCombine(seed, v);
    return seed;
}

}  // namespace timecode
