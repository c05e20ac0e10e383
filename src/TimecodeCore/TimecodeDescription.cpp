// Texts, hashing, stepping by frames, and media time ranges as timecode ranges.
#include <limits>

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeTotals.h"

namespace timecode {

std::string Timecode::description() const { return stringValue(StringFormat::showSubFramesFormat()); }

std::string Timecode::debugDescription() const {
    StringFormat format = StringFormat::showSubFramesFormat();
    if (upperLimit() == UpperLimit::max100Days) format.setAlwaysShowDays(true);
    return "Timecode<" + stringValue(format) + " @ " + frameRate().stringValueVerbose() + ">";
}

std::string Timecode::stringValueVerbose() const { return description() + " @ " + frameRate().stringValueVerbose(); }

// Equal timecodes share their rate and their rounded real time, so hashing those
// two agrees with == (components at different bases, or different upper limits,
// may be equal).
std::size_t Timecode::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine(seed, frameRate().rawValue());
    const double time = roundedRealTimeValue();
    hashCombine(seed, time == 0 ? 0.0 : time);
    return seed;
}

std::int64_t Timecode::distance(const Timecode& other) const noexcept {
    const __int128 d = __int128(other.frameCount().wholeFrames()) - frameCount().wholeFrames();
    if (d > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (d < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(d);
}

Timecode Timecode::advanced(std::int64_t frames) const noexcept {
    const Components step{.frames = frames};
    const detail::Total sum = detail::subFrameTotal(components_, properties_) + detail::subFrameTotal(step, properties_);
    Timecode result = *this;
    result.components_ = detail::componentsOfTotal(detail::clampTotal(sum, properties_), properties_);
    return result;
}

ClosedRange<Timecode> timecodeRange(const CMTimeRange& range, const Timecode::Properties& properties) {
    if (!range.isValid()) throw ValidationError::invalid();
    const CMTime end = range.end();
    if (!end.isValid() || CMTime::compare(range.start, end) > 0) throw ValidationError::outOfBounds();
    Timecode lower(TimecodeSourceValue::cmTime(range.start), properties);
    Timecode upper(TimecodeSourceValue::cmTime(end), properties);
    return {lower, upper};
}

ClosedRange<Timecode> timecodeRange(const CMTimeRange& range, TimecodeFrameRate rate, Timecode::SubFramesBase base,
                                    Timecode::UpperLimit limit) {
    return timecodeRange(range, Timecode::Properties(rate, base, limit));
}

}  // namespace timecode
