#include "TimecodeCore/SubFramesBase.h"

#include <cmath>
#include <limits>

namespace timecode {

const std::vector<SubFramesBase>& SubFramesBase::allCases() {
    static const std::vector<SubFramesBase> cases{max80SubFrames, max100SubFrames, quarterFrames};
    return cases;
}

std::optional<SubFramesBase> SubFramesBase::fromRawValue(std::int64_t rawValue) noexcept {
    switch (rawValue) {
    case 80: return max80SubFrames;
    case 100: return max100SubFrames;
    case 4: return quarterFrames;
    default: return std::nullopt;
    }
}

std::string SubFramesBase::description() const { return std::to_string(rawValue()); }

std::string SubFramesBase::stringValueVerbose() const {
    return case_ == quarterFrames ? std::string("4 (Quarter-Frames)") : description();
}

std::int64_t SubFramesBase::convert(std::int64_t subFrames, SubFramesBase other) const noexcept {
    if (case_ == other.case_ || subFrames == 0) return subFrames;
    const double scaled = double(subFrames) / double(rawValue()) * double(other.rawValue());
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (scaled >= limit) return std::numeric_limits<std::int64_t>::max();
    if (scaled < -limit) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(scaled);
}

}  // namespace timecode
