// A timecode read as real time, rational time, media time and samples.
#include <cmath>

#include "TimecodeCore/Timecode.h"

namespace timecode {

double Timecode::realTimeValue() const noexcept {
    const double frameSeconds = 1.0 / frameRate().frameRateForRealTimeCalculation();
    return frameCount().doubleValue() * frameSeconds;
}

Fraction Timecode::rationalValue() const {
    // (duration numerator × total subframes) / (duration denominator × base)
    const Fraction duration = frameRate().frameDuration();
    return Fraction::reducingWide(__int128(duration.numerator()) * frameCount().totalSubFrames128(),
                                  __int128(duration.denominator()) * subFramesBase().rawValue());
}

CMTime Timecode::cmTimeValue() const { return CMTime(rationalValue()); }

double Timecode::samplesDoubleValue(std::int64_t sampleRate) const noexcept {
    return realTimeValue() * double(sampleRate);
}

std::int64_t Timecode::samplesValue(std::int64_t sampleRate) const noexcept {
    const double samples = std::round(samplesDoubleValue(sampleRate));
    if (!(std::fabs(samples) < 9223372036854775808.0)) return 0;
    return std::int64_t(samples);
}

}  // namespace timecode
