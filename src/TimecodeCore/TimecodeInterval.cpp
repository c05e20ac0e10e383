#include "TimecodeCore/TimecodeInterval.h"

#include <cmath>
#include <limits>

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/TimecodeArithmeticDetail.h"
#include "TimecodeCore/TimecodeTotals.h"

namespace timecode {

namespace {

Timecode make(const Timecode::Components& components, const Timecode::Properties& properties) noexcept {
    Timecode t;
    t.setProperties(properties);
    t.setComponents(components);
    return t;
}

// `total` wrapped into the span of the properties, as a timecode.
Timecode wrapped(detail::Total total, const Timecode::Properties& properties) noexcept {
    return make(detail::componentsOfTotal(detail::wrapTotal(total, properties), properties), properties);
}

std::string signPrefix(const TimecodeInterval& interval) { return interval.isNegative() ? "-" : ""; }

}  // namespace

// ---- TimecodeInterval

TimecodeInterval::TimecodeInterval(const Fraction& time, const Timecode::Properties& properties)
    : absoluteInterval(TimecodeSourceValue::rational(time.abs()), properties),
      sign_(time.isNegative() ? FloatingPointSign::minus : FloatingPointSign::plus) {}

TimecodeInterval TimecodeInterval::realTime(double seconds, const Timecode::Properties& properties) {
    return {Timecode(TimecodeSourceValue::realTime(std::fabs(seconds)), properties),
            seconds < 0 ? FloatingPointSign::minus : FloatingPointSign::plus};
}

Timecode TimecodeInterval::flattened() const noexcept {
    const Timecode::Properties& p = absoluteInterval.properties();
    const detail::Total total = detail::subFrameTotal(absoluteInterval.components(), p);
    return wrapped(isNegative() ? -total : total, p);
}

Fraction TimecodeInterval::rationalValue() const {
    const Fraction magnitude = absoluteInterval.rationalValue();
    return isNegative() ? Fraction(-magnitude.numerator(), magnitude.denominator()) : magnitude;
}

double TimecodeInterval::realTimeValue() const noexcept {
    const double seconds = absoluteInterval.realTimeValue();
    return isNegative() ? -seconds : seconds;
}

std::string TimecodeInterval::description() const {
    return signPrefix(*this) + absoluteInterval.stringValue(StringFormat::showSubFramesFormat());
}

std::string TimecodeInterval::debugDescription() const { return "TimecodeInterval(" + description() + ")"; }

std::string TimecodeInterval::verboseDescription() const {
    return "TimecodeInterval " + description() + " @ " + absoluteInterval.frameRate().stringValueVerbose();
}

std::size_t TimecodeInterval::hashValue() const noexcept {
    std::size_t seed = absoluteInterval.hashValue();
    hashCombine(seed, int(sign_));
    return seed;
}

// A rich source that sets a timecode to the flattened interval, properties included.
namespace {
class FlattenedIntervalSource final : public GuaranteedRichTimecodeSource {
public:
    explicit FlattenedIntervalSource(const TimecodeInterval& interval) : interval_(interval) {}
    TimecodeProperties set(Timecode& timecode) const override {
        timecode = interval_.flattened();
        return timecode.properties();
    }

private:
    TimecodeInterval interval_;
};
}  // namespace

GuaranteedRichTimecodeSourceValue GuaranteedRichTimecodeSourceValue::interval(const TimecodeInterval& flattening) {
    return GuaranteedRichTimecodeSourceValue(std::make_shared<const FlattenedIntervalSource>(flattening));
}

// ---- TimecodeTransformer

Timecode TimecodeTransformer::Transform::apply(const Timecode& timecode) const {
    switch (kind_) {
    case Kind::none: return timecode;
    case Kind::custom: return (*function_)(timecode);
    case Kind::offset: break;
    }
    const Timecode& magnitude = interval_->absoluteInterval;
    Timecode::Components delta = magnitude.components();
    if (magnitude.frameRate() != timecode.frameRate()) {
        // Another rate counts through real time, at this rate with the interval's
        // base and limit; an interval that does not fit there is dropped.
        try {
            delta = Timecode(TimecodeSourceValue::realTime(magnitude.realTimeValue()),
                             Timecode::Properties(timecode.frameRate(), magnitude.subFramesBase(), magnitude.upperLimit()))
                        .components();
        } catch (const ValidationError&) {
            return timecode;
        }
    }
    const Timecode::Properties& p = timecode.properties();
    const detail::Total a = detail::subFrameTotal(timecode.components(), p), b = detail::subFrameTotal(delta, p);
    return wrapped(interval_->isNegative() ? a - b : a + b, p);
}

Timecode TimecodeTransformer::transform(const Timecode& timecode) const {
    if (!enabled) return timecode;
    Timecode current = timecode;
    for (const Transform& t : transforms) current = t.apply(current);
    return current;
}

// ---- Timecode: offsets, intervals, rounding, transformers

void Timecode::offset(const TimecodeInterval& interval) {
    if (interval.isNegative())
        *this -= interval.absoluteInterval;
    else
        *this += interval.absoluteInterval;
}

Timecode Timecode::offsetting(const TimecodeInterval& interval) const {
    Timecode copy = *this;
    copy.offset(interval);
    return copy;
}

TimecodeInterval Timecode::interval(const Timecode& other) const {
    const TimecodeInterval zero(make(Components::zero(), properties_), FloatingPointSign::plus);
    Components target;
    try {
        target = detail::componentsAtRate(other, frameRate());
    } catch (const ValidationError&) {
        return zero;
    }
    if (target == components_) return zero;
    // Measured under the 100-day limit, so a distance of more than a day survives.
    const Properties wide(frameRate(), subFramesBase(), UpperLimit::max100Days);
    const detail::Total from = detail::subFrameTotal(components_, wide), to = detail::subFrameTotal(target, wide);
    const bool forward = roundedRealTimeValue() < make(target, wide).roundedRealTimeValue();
    const Timecode difference = wrapped(forward ? to - from : from - to, wide);
    return {make(difference.components(), properties_), forward ? FloatingPointSign::plus : FloatingPointSign::minus};
}

TimecodeInterval Timecode::asInterval(FloatingPointSign sign) const noexcept { return {*this, sign}; }

bool Timecode::isZero() const noexcept { return frameCount().isZero(); }

namespace {

// Every component smaller than `component` set to zero (only those above zero when
// `onlyPositive`).
void zeroBelow(Timecode& t, Timecode::Component component, bool onlyPositive) noexcept {
    Timecode::Components c = t.components();
    for (Timecode::Component lower : Timecode::Component::allCases())
        if (lower > component && (!onlyPositive || c.value(lower) > 0)) c.setValue(lower, 0);
    t.setComponents(c);
}

// At a drop rate, a frame number that the rate skips (at second 0 of a minute not
// divisible by ten) left by zeroing the frames moves up to the first frame of that
// minute.
void liftSkippedFrame(Timecode& t, Timecode::Component zeroedBelow) noexcept {
    if (zeroedBelow >= Timecode::Component::frames || t.frames() < 0) return;
    const std::int64_t floor = t.validRange(Timecode::Component::frames).lowerBound;
    if (t.frames() < floor) t.setFrames(floor);
}

bool anyBelowPositive(const Timecode::Components& c, Timecode::Component component) noexcept {
    for (Timecode::Component lower : Timecode::Component::allCases())
        if (lower > component && c.value(lower) > 0) return true;
    return false;
}

}  // namespace

void Timecode::roundUp(Component component) {
    if (!anyBelowPositive(components_, component)) return;
    Timecode result = *this;
    if (frameRate().isDrop()) {
        // Where frame numbers are skipped, one unit holds a different number of
        // frames depending on where it starts (second 00:01:00 is two frames short),
        // so the label steps up instead and is counted from zero.
        zeroBelow(result, component, false);
        // A unit that already holds the largest value stays there: its total saturates
        // anyway, and the result is then judged out of range like any other.
        const std::int64_t unit = result.components_.value(component);
        if (unit < std::numeric_limits<std::int64_t>::max()) result.components_.setValue(component, unit + 1);
        liftSkippedFrame(result, component);
        result = make(Components::zero(), properties_).adding(result.components_);
    } else {
        Components unit;
        unit.setValue(component, 1);
        result.add(unit);
        zeroBelow(result, component, false);
    }
    components_ = result.components_;
}

Timecode Timecode::roundedUp(Component component) const {
    Timecode copy = *this;
    copy.roundUp(component);
    return copy;
}

void Timecode::roundDown(Component component) noexcept {
    zeroBelow(*this, component, true);
    if (frameRate().isDrop()) liftSkippedFrame(*this, component);
}

Timecode Timecode::roundedDown(Component component) const noexcept {
    Timecode copy = *this;
    copy.roundDown(component);
    return copy;
}

void Timecode::transform(const TimecodeTransformer& transformer) { *this = transformer.transform(*this); }

Timecode Timecode::transformed(const TimecodeTransformer& transformer) const { return transformer.transform(*this); }

}  // namespace timecode
