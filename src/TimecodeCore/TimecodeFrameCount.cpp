#include "TimecodeCore/TimecodeFrameCount.h"

#include <limits>

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/NumericUtilities.h"

namespace timecode {

namespace {

using I128 = __int128;
using Case = TimecodeFrameCount::Value::Case;

std::int64_t saturate64(I128 v) noexcept {
    if (v > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (v < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(v);
}

// A split count at `base` for a total, divided and reduced toward zero.
TimecodeFrameCount fromTotal(I128 total, SubFramesBase base) noexcept {
    const std::int64_t b = base.rawValue();
    return {TimecodeFrameCount::Value::split(saturate64(total / b), std::int64_t(total % b)), base};
}

// Whole subframes in `fraction` × base, truncated toward zero.
std::int64_t subFramesOf(const Decimal& fraction, SubFramesBase base) noexcept {
    return (fraction * base.rawValue()).int64Value();
}

}  // namespace

// ---- Value

std::string TimecodeFrameCount::Value::description() const {
    switch (case_) {
    case Case::frames: return std::to_string(frames_) + " frames";
    case Case::split: return std::to_string(frames_) + "." + std::to_string(subFrames_) + " frames";
    case Case::combined: return shortestDescription(double_) + " frames";
    case Case::splitUnitInterval: return shortestDescription(double(frames_) + double_) + " frames";
    }
    return {};
}

std::string TimecodeFrameCount::Value::debugDescription() const {
    switch (case_) {
    case Case::frames: return ".frames(" + std::to_string(frames_) + ")";
    case Case::split:
        return ".split(frames: " + std::to_string(frames_) + ", subFrames: " + std::to_string(subFrames_) + ")";
    case Case::combined: return ".combined(" + shortestDescription(double_) + ")";
    case Case::splitUnitInterval:
        return ".splitUnitInterval(frames: " + std::to_string(frames_) +
               ", subFramesUnitInterval: " + shortestDescription(double_) + ")";
    }
    return {};
}

std::size_t TimecodeFrameCount::Value::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine(seed, int(case_));
    hashCombine(seed, frames_);
    hashCombine(seed, subFrames_);
    hashCombine(seed, double_ == 0 ? 0.0 : double_);
    return seed;
}

// ---- TimecodeFrameCount

std::int64_t TimecodeFrameCount::wholeFrames() const noexcept {
    return value.kind() == Case::combined ? saturatingInt64(value.doublePayload()) : value.wholeFramesPayload();
}

std::int64_t TimecodeFrameCount::subFrames() const noexcept {
    switch (value.kind()) {
    case Case::frames: return 0;
    case Case::split: return value.subFramesPayload();
    // In decimal, so that a fraction such as 0.29 gives 29 subframes at base 100
    // (the double product 28.999… would lose one).
    case Case::splitUnitInterval: return subFramesOf(Decimal::fromDouble(value.doublePayload()), subFramesBase);
    case Case::combined: return subFramesOf(decimalValue().fraction(), subFramesBase);
    }
    return 0;
}

Decimal TimecodeFrameCount::decimalValue() const noexcept {
    const Decimal frames(value.wholeFramesPayload());
    switch (value.kind()) {
    case Case::frames: return frames;
    case Case::split: return frames + Decimal::quotient(value.subFramesPayload(), subFramesBase.rawValue());
    case Case::combined: return Decimal::fromDouble(value.doublePayload()).truncated(8);
    case Case::splitUnitInterval: return frames + Decimal::fromDouble(value.doublePayload());
    }
    return {};
}

double TimecodeFrameCount::doubleValue() const noexcept {
    const double frames = double(value.wholeFramesPayload());
    switch (value.kind()) {
    case Case::frames: return frames;
    case Case::split: return frames + double(value.subFramesPayload()) / double(subFramesBase.rawValue());
    case Case::combined: return value.doublePayload();
    case Case::splitUnitInterval: return frames + value.doublePayload();
    }
    return 0;
}

std::string TimecodeFrameCount::description() const {
    if (value.kind() == Case::frames) return std::to_string(value.wholeFramesPayload());
    return shortestDescription(doubleValue());
}

I128 TimecodeFrameCount::totalSubFrames128() const noexcept {
    return I128(wholeFrames()) * subFramesBase.rawValue() + subFrames();
}

std::int64_t TimecodeFrameCount::totalSubFrames() const noexcept { return saturate64(totalSubFrames128()); }

TimecodeFrameCount TimecodeFrameCount::adding(const TimecodeFrameCount& other) const noexcept {
    return fromTotal(totalSubFrames128() + other.totalSubFrames128(), subFramesBase);
}

TimecodeFrameCount TimecodeFrameCount::subtracting(const TimecodeFrameCount& other) const noexcept {
    return fromTotal(totalSubFrames128() - other.totalSubFrames128(), subFramesBase);
}

TimecodeFrameCount TimecodeFrameCount::multiplying(double factor) const noexcept {
    return fromTotal(saturatingInt64(double(totalSubFrames128()) * factor), subFramesBase);
}

TimecodeFrameCount TimecodeFrameCount::dividing(double divisor) const noexcept {
    return fromTotal(saturatingInt64(double(totalSubFrames128()) / divisor), subFramesBase);
}

std::size_t TimecodeFrameCount::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine128(seed, totalSubFrames128());
    return seed;
}

}  // namespace timecode
