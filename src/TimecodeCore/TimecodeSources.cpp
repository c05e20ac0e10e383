#include "TimecodeCore/TimecodeSources.h"

#include <cmath>
#include <string>

#include "TimecodeCore/NumericUtilities.h"
#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeTotals.h"

namespace timecode {

namespace {

using detail::ValueKind;
using I128 = __int128;

// Stores components after the component check.
void storeChecked(Timecode& timecode, const TimecodeComponents& components) {
    if (!components.isValid(timecode.properties())) throw ValidationError::outOfBounds();
    timecode.setComponents(components);
}

void storeByRule(Timecode& timecode, const TimecodeComponents& components, ValidationRule rule, ValueKind kind) {
    timecode.setComponents(detail::applyRule(rule, components, timecode.properties(), kind));
}

// A count with its own base, brought to `base`: a split count's subframes are
// rescaled; the other forms carry a fraction of a frame, which no base changes.
TimecodeFrameCount atBase(const TimecodeFrameCount& count, SubFramesBase base) noexcept {
    using Case = TimecodeFrameCount::Value::Case;
    if (count.subFramesBase == base || count.value.kind() != Case::split) return {count.value, base};
    const std::int64_t subFrames = count.subFramesBase.convert(count.value.subFramesPayload(), base);
    return {TimecodeFrameCount::Value::split(count.value.wholeFramesPayload(), subFrames), base};
}

// Frames of a time value / scale at the timecode's rate, from its frame duration.
double framesOfTime(std::int64_t value, std::int64_t scale, const Fraction& duration) noexcept {
    return double(value) * double(duration.denominator()) / (double(scale) * double(duration.numerator()));
}

// The same in whole numbers, truncated toward zero (a zero divisor gives 0).
std::int64_t wholeFramesOfTime(std::int64_t value, std::int64_t scale, const Fraction& duration) noexcept {
    const I128 numerator = I128(value) * duration.denominator();
    const I128 denominator = I128(scale) * duration.numerator();
    if (denominator == 0) return 0;
    const I128 q = numerator / denominator;
    if (q > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (q < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(q);
}

// Real-time frames: seconds ÷ (1 / rate), nudged up by 1e-5 frame away from zero.
double framesOfSeconds(double seconds, TimecodeFrameRate rate) noexcept {
    const double frames = seconds / (1.0 / rate.frameRateForRealTimeCalculation());
    return frames + (frames < 0 ? -0.00001 : 0.00001);
}

TimecodeComponents componentsOfFrames(double frames, const Timecode& timecode) {
    return Timecode::components({TimecodeFrameCount::Value::combined(frames), timecode.subFramesBase()},
                                timecode.frameRate());
}

// ---- Kinds

class ComponentsSource final : public TimecodeSource {
public:
    explicit ComponentsSource(const TimecodeComponents& c) : components_(c) {}
    void set(Timecode& t) const override { storeChecked(t, components_); }
    void set(Timecode& t, ValidationRule rule) const override { storeByRule(t, components_, rule, ValueKind::components); }

private:
    TimecodeComponents components_;
};

class FrameCountValueSource final : public TimecodeSource {
public:
    explicit FrameCountValueSource(const TimecodeFrameCount::Value& v) : value_(v) {}
    void set(Timecode& t) const override { t.setFrameCount({value_, t.subFramesBase()}); }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, Timecode::components({value_, t.subFramesBase()}, t.frameRate()), rule, ValueKind::count);
    }

private:
    TimecodeFrameCount::Value value_;
};

class FrameCountSource final : public TimecodeSource {
public:
    explicit FrameCountSource(const TimecodeFrameCount& c) : count_(c) {}
    void set(Timecode& t) const override { t.setFrameCount(atBase(count_, t.subFramesBase())); }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, Timecode::components(atBase(count_, t.subFramesBase()), t.frameRate()), rule, ValueKind::count);
    }

private:
    TimecodeFrameCount count_;
};

// A time value / scale in seconds: a media time, or a fraction.
class RationalTimeSource final : public TimecodeSource {
public:
    RationalTimeSource(std::int64_t value, std::int64_t scale) : value_(value), scale_(scale) {}
    void set(Timecode& t) const override {
        const double frames = framesOfTime(value_, scale_, t.frameRate().frameDuration());
        t.setFrameCount({TimecodeFrameCount::Value::combined(frames), t.subFramesBase()});
    }
    void set(Timecode& t, ValidationRule rule) const override {
        const std::int64_t frames = wholeFramesOfTime(value_, scale_, t.frameRate().frameDuration());
        storeByRule(t, Timecode::components({TimecodeFrameCount::Value::frames(frames), t.subFramesBase()}, t.frameRate()),
                    rule, ValueKind::count);
    }

private:
    std::int64_t value_;
    std::int64_t scale_;
};

class RealTimeSource final : public TimecodeSource {
public:
    explicit RealTimeSource(double seconds) : seconds_(seconds) {}
    void set(Timecode& t) const override {
        if (!std::isfinite(seconds_)) throw ValidationError::outOfBounds();
        storeChecked(t, componentsOfFrames(framesOfSeconds(seconds_, t.frameRate()), t));
    }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, componentsOfFrames(framesOfSeconds(seconds_, t.frameRate()), t), rule, ValueKind::count);
    }

private:
    double seconds_;
};

class SamplesSource final : public TimecodeSource {
public:
    explicit SamplesSource(const SamplesPayload& p) : payload_(p) {}
    void set(Timecode& t) const override {
        const double frames = framesOf(t.frameRate());
        if (!std::isfinite(frames)) throw ValidationError::outOfBounds();
        storeChecked(t, componentsOfFrames(frames, t));
    }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, componentsOfFrames(framesOf(t.frameRate()), t), rule, ValueKind::count);
    }

private:
    double framesOf(TimecodeFrameRate rate) const noexcept {
        const double seconds = payload_.samples / double(payload_.sampleRate);
        return framesOfSeconds(seconds, rate) + (seconds < 0 ? -0.0001 : 0.0001);
    }
    SamplesPayload payload_;
};

class UnsafeRandomComponents final : public TimecodeSource {
public:
    explicit UnsafeRandomComponents(const TimecodeComponentRanges& r) : ranges_(r) {}
    void set(Timecode& t) const override { storeChecked(t, TimecodeComponents::random(ranges_)); }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, TimecodeComponents::random(ranges_), rule, ValueKind::components);
    }

private:
    TimecodeComponentRanges ranges_;
};

class SafeRandomComponents final : public GuaranteedTimecodeSource {
public:
    void set(Timecode& t) const override { t.setComponents(TimecodeComponents::random(t.properties())); }
};

class UnsafeRandomComponentsAndProperties final : public RichTimecodeSource {
public:
    explicit UnsafeRandomComponentsAndProperties(const TimecodeComponentRanges& r) : ranges_(r) {}
    TimecodeProperties set(Timecode& t) const override {
        const TimecodeProperties properties = TimecodeProperties::random();
        const TimecodeComponents components = TimecodeComponents::random(ranges_);
        if (!components.isValid(properties)) throw ValidationError::outOfBounds();
        t.setProperties(properties);
        t.setComponents(components);
        return properties;
    }
    TimecodeProperties set(Timecode& t, ValidationRule rule) const override {
        const TimecodeProperties properties = TimecodeProperties::random();
        const TimecodeComponents components = TimecodeComponents::random(ranges_);
        t.setProperties(properties);
        storeByRule(t, components, rule, ValueKind::components);
        return properties;
    }

private:
    TimecodeComponentRanges ranges_;
};

class SafeRandomComponentsAndProperties final : public GuaranteedRichTimecodeSource {
public:
    TimecodeProperties set(Timecode& t) const override {
        const TimecodeProperties properties = TimecodeProperties::random();
        t.setProperties(properties);
        t.setComponents(TimecodeComponents::random(properties));
        return properties;
    }
};

class ZeroSource final : public GuaranteedTimecodeSource {
public:
    void set(Timecode& t) const override { t.setComponents(TimecodeComponents::zero()); }
};

class StringSource final : public FormattedTimecodeSource {
public:
    explicit StringSource(std::string text) : text_(std::move(text)) {}
    void set(Timecode& t) const override { storeChecked(t, Timecode::decode(text_)); }
    void set(Timecode& t, ValidationRule rule) const override {
        storeByRule(t, Timecode::decode(text_), rule, ValueKind::components);
    }

private:
    std::string text_;
};

template <class Box, class Kind, class... Args>
Box box(Args&&... args) {
    return Box(std::make_shared<const Kind>(std::forward<Args>(args)...));
}

}  // namespace

// ---- Boxes

TimecodeSourceValue TimecodeSourceValue::components(const TimecodeComponents& components) {
    return box<TimecodeSourceValue, ComponentsSource>(components);
}

TimecodeSourceValue TimecodeSourceValue::frames(const TimecodeFrameCount::Value& value) {
    return box<TimecodeSourceValue, FrameCountValueSource>(value);
}

TimecodeSourceValue TimecodeSourceValue::frames(const TimecodeFrameCount& count) {
    return box<TimecodeSourceValue, FrameCountSource>(count);
}

TimecodeSourceValue TimecodeSourceValue::framesSplit(std::int64_t frames, std::int64_t subFrames) {
    return TimecodeSourceValue::frames(subFrames != 0 ? TimecodeFrameCount::Value::split(frames, subFrames)
                                                      : TimecodeFrameCount::Value::frames(frames));
}

TimecodeSourceValue TimecodeSourceValue::realTime(double seconds) {
    return box<TimecodeSourceValue, RealTimeSource>(seconds);
}

TimecodeSourceValue TimecodeSourceValue::rational(const Fraction& fraction) {
    return box<TimecodeSourceValue, RationalTimeSource>(fraction.numerator(), fraction.denominator());
}

TimecodeSourceValue TimecodeSourceValue::cmTime(const CMTime& time) {
    return box<TimecodeSourceValue, RationalTimeSource>(time.value, std::int64_t(time.timescale));
}

TimecodeSourceValue TimecodeSourceValue::samplesAt(double samples, std::int64_t sampleRate) {
    return box<TimecodeSourceValue, SamplesSource>(SamplesPayload{samples, sampleRate});
}

TimecodeSourceValue TimecodeSourceValue::randomComponents(const TimecodeComponentRanges& ranges) {
    return box<TimecodeSourceValue, UnsafeRandomComponents>(ranges);
}

RichTimecodeSourceValue RichTimecodeSourceValue::randomComponentsAndProperties(const TimecodeComponentRanges& ranges) {
    return box<RichTimecodeSourceValue, UnsafeRandomComponentsAndProperties>(ranges);
}

const GuaranteedTimecodeSourceValue& GuaranteedTimecodeSourceValue::randomComponents() {
    static const GuaranteedTimecodeSourceValue shared = box<GuaranteedTimecodeSourceValue, SafeRandomComponents>();
    return shared;
}

const GuaranteedTimecodeSourceValue& GuaranteedTimecodeSourceValue::zero() {
    static const GuaranteedTimecodeSourceValue shared = box<GuaranteedTimecodeSourceValue, ZeroSource>();
    return shared;
}

const GuaranteedRichTimecodeSourceValue& GuaranteedRichTimecodeSourceValue::randomComponentsAndProperties() {
    static const GuaranteedRichTimecodeSourceValue shared =
        box<GuaranteedRichTimecodeSourceValue, SafeRandomComponentsAndProperties>();
    return shared;
}

FormattedTimecodeSourceValue FormattedTimecodeSourceValue::string(std::string_view text) {
    return box<FormattedTimecodeSourceValue, StringSource>(std::string(text));
}

}  // namespace timecode
