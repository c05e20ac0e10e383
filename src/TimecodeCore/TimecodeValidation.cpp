#include "TimecodeCore/TimecodeComponents.h"

namespace timecode {

namespace {

// The lowest valid frame: at a drop rate, the dropped frame numbers at second 0 of
// every minute that is not a multiple of ten (the minutes as stored).
std::int64_t framesFloor(const TimecodeComponents& c, TimecodeFrameRate rate) noexcept {
    if (rate.isDrop() && c.minutes % 10 != 0 && c.seconds == 0) return rate.framesDropped();
    return 0;
}

}  // namespace

ClosedRange<std::int64_t> TimecodeComponents::validRange(TimecodeComponent component,
                                                         const TimecodeProperties& properties) const noexcept {
    switch (component) {
    case TimecodeComponent::days: return {0, properties.upperLimit.maxDays()};
    case TimecodeComponent::hours: return {0, 23};
    case TimecodeComponent::minutes:
    case TimecodeComponent::seconds: return {0, 59};
    case TimecodeComponent::frames:
        return {framesFloor(*this, properties.frameRate), properties.frameRate.maxFrameNumberDisplayable()};
    case TimecodeComponent::subFrames: return {0, properties.subFramesBase.maxSubFrames()};
    }
    return {0, 0};
}

TimecodeComponentSet TimecodeComponents::invalidComponents(const TimecodeProperties& properties) const {
    TimecodeComponentSet invalid;
    for (TimecodeComponent c : TimecodeComponent::allCases())
        if (!validRange(c, properties).contains(value(c))) invalid.insert(c);
    return invalid;
}

// The ranges of validRange, checked field by field without going through the list
// of components: validation sits on the road of every timecode read from text.
bool TimecodeComponents::isValid(const TimecodeProperties& properties) const noexcept {
    const auto within = [](std::int64_t value, std::int64_t low, std::int64_t high) { return value >= low && value <= high; };
    const TimecodeFrameRate rate = properties.frameRate;
    return within(days, 0, properties.upperLimit.maxDays()) && within(hours, 0, 23) && within(minutes, 0, 59) &&
           within(seconds, 0, 59) && within(frames, framesFloor(*this, rate), rate.maxFrameNumberDisplayable()) &&
           within(subFrames, 0, properties.subFramesBase.maxSubFrames());
}

void TimecodeComponents::clamp(const TimecodeProperties& properties) noexcept {
    for (TimecodeComponent c : TimecodeComponent::allCases()) setValue(c, clamped(value(c), validRange(c, properties)));
}

bool TimecodeComponents::isWithinValidDigitCounts(TimecodeFrameRate rate, SubFramesBase base) const noexcept {
    for (TimecodeComponent c : TimecodeComponent::allCases())
        if (numberOfDigits(value(c)) > c.numberOfDigits(rate, base)) return false;
    return true;
}

}  // namespace timecode
