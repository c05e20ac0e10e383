// Components ↔ elapsed frame counts, and the subframe totals built on them.
#include <cmath>
#include <limits>

#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeTotals.h"

namespace timecode {

namespace {

using detail::Total;
constexpr double twoTo63 = 9223372036854775808.0;

// Whole elapsed frames of the components, in double precision. At drop rates the
// dropped frame numbers of every minute but each tenth are skipped (the division
// by ten floors, so negative minute totals round toward minus infinity).
double wholeFramesDouble(const TimecodeComponents& c, TimecodeFrameRate rate) noexcept {
    const double days = double(c.days), hours = double(c.hours), minutes = double(c.minutes);
    const double seconds = double(c.seconds), frames = double(c.frames);
    if (!rate.isDrop()) {
        const double totalSeconds = days * 24 * 60 * 60 + hours * 60 * 60 + minutes * 60 + seconds;
        return std::round(rate.frameRateForElapsedFramesCalculation() * totalSeconds) + frames;
    }
    const double totalMinutes = days * 24 * 60 + hours * 60 + minutes;
    return (totalMinutes * 60 + seconds) * double(rate.maxFrames()) + frames -
           (totalMinutes - std::floor(totalMinutes / 10)) * rate.framesDroppedPerMinute();
}

bool hasNonFiniteDouble(const TimecodeFrameCount::Value& v) noexcept {
    using Case = TimecodeFrameCount::Value::Case;
    return (v.kind() == Case::combined || v.kind() == Case::splitUnitInterval) && !std::isfinite(v.doublePayload());
}

std::int64_t saturate64(Total v) noexcept {
    if (v > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (v < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(v);
}

}  // namespace

Timecode::FrameCount Timecode::frameCount(const Components& components, TimecodeFrameRate rate,
                                          SubFramesBase base) noexcept {
    const double whole = wholeFramesDouble(components, rate);
    if (std::isnan(whole) || std::fabs(whole) >= twoTo63) return {FrameCount::Value::frames(0), base};
    const double unitInterval = double(components.subFrames) / double(base.rawValue());
    return {FrameCount::Value::splitUnitInterval(std::int64_t(whole), unitInterval), base};
}

namespace {

// Components of a non-negative count of whole frames (and a fraction of a frame in
// decimal units), in integers of type N: 64 bits when the count allows, which
// spares the slow 128-bit divisions of the general case.
template <class N>
Timecode::Components splitFrames(N frames, std::int64_t fraction, TimecodeFrameRate rate, SubFramesBase base) noexcept {
    if (rate.isDrop()) {
        const N tenMinutes = rate.framesPerTenMinutes();
        const N dropped = rate.framesDropped();
        const N droppingMinute = (tenMinutes - dropped) / 10;
        const N tens = frames / tenMinutes;
        const N rest = frames - tens * tenMinutes;
        const N minutesDropped = rest > dropped ? (rest - dropped) / droppingMinute : 0;
        frames += 9 * dropped * tens + dropped * minutesDropped;
    }
    const N perSecond = rate.maxFrames();
    const N seconds = frames / perSecond;
    Timecode::Components c;
    c.days = saturate64(Total(seconds / (60 * 60 * 24)));
    c.hours = std::int64_t(seconds / (60 * 60) % 24);
    c.minutes = std::int64_t(seconds / 60 % 60);
    c.seconds = std::int64_t(seconds % 60);
    c.frames = std::int64_t(frames - seconds * perSecond);
    c.subFrames = std::int64_t(Total(fraction) * base.rawValue() / Decimal::unitsPerOne);
    return c;
}

}  // namespace

Timecode::Components Timecode::components(const FrameCount& count, TimecodeFrameRate rate) noexcept {
    const Decimal value = count.decimalValue();
    const bool negative = value.isNegative();
    const Decimal::Units magnitude = negative ? -value.units() : value.units();
    // Whole frames and the fraction of a frame (in 1e-18 units), worked on apart:
    // every quotient below has a whole divisor, so truncating the decimal quotient
    // equals the whole-number quotient of the whole frames.
    const Total frames = magnitude / Decimal::unitsPerOne;
    const auto fraction = std::int64_t(magnitude - frames * Decimal::unitsPerOne);

    // Room for the dropped frames added back (under a tenth of the count).
    constexpr Total small = Total(1) << 62;
    Components c = frames < small ? splitFrames<std::int64_t>(std::int64_t(frames), fraction, rate, count.subFramesBase)
                                  : splitFrames<Total>(frames, fraction, rate, count.subFramesBase);
    if (negative) {
        for (std::int64_t* field : {&c.days, &c.hours, &c.minutes, &c.seconds, &c.frames, &c.subFrames}) {
            if (*field != 0) {
                *field = -*field;
                break;
            }
        }
    }
    return c;
}

void Timecode::setFrameCount(const FrameCount& count) {
    // Read at this timecode's base: the value is kept, its base replaced.
    const FrameCount reread(count.value, subFramesBase());
    if (hasNonFiniteDouble(reread.value)) throw ValidationError::outOfBounds();
    const Total total = reread.totalSubFrames128();
    if (total < 0 || total > detail::lastSubFrameTotal(properties_)) throw ValidationError::outOfBounds();
    // A fraction far beyond the 64-bit range saturates the total and the decimal
    // value differently, so an accepted total can still give components outside
    // the span: those are out of bounds as well.
    const Components result = components(reread, frameRate());
    if (!result.invalidComponents(properties_).empty()) throw ValidationError::outOfBounds();
    components_ = result;
}

Timecode::FrameCount Timecode::maxFrameCountExpressible() const noexcept {
    return {FrameCount::Value::split(frameRate().maxTotalFramesExpressible(upperLimit()), maxSubFramesExpressible()),
            subFramesBase()};
}

// ---- Subframe totals

namespace detail {

Total subFrameTotal(const TimecodeComponents& components, TimecodeFrameRate rate, SubFramesBase base) noexcept {
    const double whole = wholeFramesDouble(components, rate);
    Total frames;
    if (whole >= twoTo63)
        frames = Total(1) << 63;
    else if (whole <= -twoTo63)
        frames = -(Total(1) << 63);
    else
        frames = Total(std::int64_t(whole));
    const TimecodeFrameCount count(
        TimecodeFrameCount::Value::splitUnitInterval(0, double(components.subFrames) / double(base.rawValue())), base);
    return frames * base.rawValue() + count.subFrames();
}

Total subFrameTotalSpan(const TimecodeProperties& p) noexcept {
    return Total(p.frameRate.maxTotalFrames(p.upperLimit)) * p.subFramesBase.rawValue();
}

Total clampTotal(Total total, const TimecodeProperties& properties) noexcept {
    if (total <= 0) return 0;
    const Total last = lastSubFrameTotal(properties);
    return total > last ? last : total;
}

Total wrapTotal(Total total, const TimecodeProperties& properties) noexcept {
    const Total span = subFrameTotalSpan(properties);
    Total r = total % span;
    if (r < 0) r += span;
    return r;
}

TimecodeComponents componentsOfTotal(Total total, TimecodeFrameRate rate, SubFramesBase base) noexcept {
    const Total b = base.rawValue();
    const TimecodeFrameCount count(TimecodeFrameCount::Value::split(saturate64(total / b), std::int64_t(total % b)),
                                   base);
    return Timecode::components(count, rate);
}

TimecodeComponents applyRule(ValidationRule rule, const TimecodeComponents& components,
                             const TimecodeProperties& properties, ValueKind kind) noexcept {
    switch (rule) {
    case ValidationRule::allowingInvalid: return components;
    case ValidationRule::clampingComponents:
        if (kind == ValueKind::components) {
            TimecodeComponents c = components;
            c.clamp(properties);
            return c;
        }
        [[fallthrough]];
    case ValidationRule::clamping:
        return componentsOfTotal(clampTotal(subFrameTotal(components, properties), properties), properties);
    case ValidationRule::wrapping:
        return componentsOfTotal(wrapTotal(subFrameTotal(components, properties), properties), properties);
    }
    return components;
}

}  // namespace detail

}  // namespace timecode
