#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TimecodeCore/FloatingPointSign.h"
#include "TimecodeCore/Timecode.h"

namespace timecode {

// A signed span of timecode: a timecode used as a magnitude, and a sign.
class TimecodeInterval {
public:
    // Stores both unchanged.
    TimecodeInterval(const Timecode& absoluteInterval, FloatingPointSign sign) noexcept
        : absoluteInterval(absoluteInterval), sign_(sign) {}
    static TimecodeInterval positive(const Timecode& timecode) noexcept { return {timecode, FloatingPointSign::plus}; }
    static TimecodeInterval negative(const Timecode& timecode) noexcept { return {timecode, FloatingPointSign::minus}; }

    // From a time value: the magnitude is written into a zero timecode at the
    // properties by the strict setter (so ValidationError passes through), and the
    // sign is the value's.
    TimecodeInterval(const Fraction& time, const Timecode::Properties& properties);
    TimecodeInterval(const Fraction& time, TimecodeFrameRate rate, Timecode::SubFramesBase base,
                     Timecode::UpperLimit limit)
        : TimecodeInterval(time, Timecode::Properties(rate, base, limit)) {}
    // Indefinite and infinite times count as zero.
    TimecodeInterval(const CMTime& time, const Timecode::Properties& properties)
        : TimecodeInterval(Fraction(time), properties) {}
    TimecodeInterval(const CMTime& time, TimecodeFrameRate rate, Timecode::SubFramesBase base,
                     Timecode::UpperLimit limit)
        : TimecodeInterval(Fraction(time), Timecode::Properties(rate, base, limit)) {}
    static TimecodeInterval realTime(double seconds, const Timecode::Properties& properties);
    static TimecodeInterval realTime(double seconds, TimecodeFrameRate rate, Timecode::SubFramesBase base,
                                     Timecode::UpperLimit limit) {
        return realTime(seconds, Timecode::Properties(rate, base, limit));
    }

    Timecode absoluteInterval;

    FloatingPointSign sign() const noexcept { return sign_; }
    bool isNegative() const noexcept { return sign_ == FloatingPointSign::minus; }

    // The interval as a point on the clock: the magnitude wrapped into the span of
    // its upper limit, counted back from zero when negative (−00:00:10:00 is
    // 23:59:50:00 under the 24-hour limit). Never fails.
    Timecode flattened() const noexcept;

    // Signed time values.
    Fraction rationalValue() const;
    CMTime cmTimeValue() const { return CMTime(rationalValue()); }
    double realTimeValue() const noexcept;

    // "-00:00:01:00.00": the sign, then the magnitude with subframes.
    std::string description() const;
    // "TimecodeInterval(-00:00:01:00.00)".
    std::string debugDescription() const;
    // "TimecodeInterval -00:00:01:00.00 @ 24 fps".
    std::string verboseDescription() const;

    // Equal magnitudes (timecode equality) and equal signs.
    friend bool operator==(const TimecodeInterval& a, const TimecodeInterval& b) noexcept {
        return a.sign_ == b.sign_ && a.absoluteInterval == b.absoluteInterval;
    }
    std::size_t hashValue() const noexcept;

private:
    FloatingPointSign sign_;
};

// +timecode and −timecode: the timecode as a positive or negative interval.
inline TimecodeInterval operator+(const Timecode& timecode) noexcept { return TimecodeInterval::positive(timecode); }
inline TimecodeInterval operator-(const Timecode& timecode) noexcept { return TimecodeInterval::negative(timecode); }

// Time values as intervals (see the TimecodeInterval constructors).
inline TimecodeInterval timecodeInterval(const Fraction& time, const Timecode::Properties& properties) {
    return {time, properties};
}
inline TimecodeInterval timecodeInterval(const CMTime& time, const Timecode::Properties& properties) {
    return {time, properties};
}
inline TimecodeInterval timecodeInterval(double seconds, const Timecode::Properties& properties) {
    return TimecodeInterval::realTime(seconds, properties);
}

// An ordered list of edits applied to a timecode as one operation, switched on or
// off as a whole. Offsets wrap at the timecode's upper limit, so a transformer
// never fails and never leaves the valid range.
class TimecodeTransformer {
public:
    class Transform {
    public:
        using Function = std::function<Timecode(const Timecode&)>;
        enum class Kind : std::uint8_t { offset, custom, none };

        // Adds (sign plus) or subtracts (sign minus) the interval, wrapping.
        static Transform offset(const TimecodeInterval& interval) { return Transform(Kind::offset, interval, {}); }
        // Replaces the value, properties included, by the function's result. The
        // function must be safe to call from any thread.
        static Transform custom(Function function) {
            return Transform(Kind::custom, std::nullopt, std::make_shared<const Function>(std::move(function)));
        }
        static Transform none() { return Transform(Kind::none, std::nullopt, {}); }

        Kind kind() const noexcept { return kind_; }
        // The interval of an offset.
        const std::optional<TimecodeInterval>& interval() const noexcept { return interval_; }

        Timecode apply(const Timecode& timecode) const;

    private:
        Transform(Kind kind, std::optional<TimecodeInterval> interval, std::shared_ptr<const Function> function)
            : kind_(kind), interval_(std::move(interval)), function_(std::move(function)) {}

        Kind kind_;
        std::optional<TimecodeInterval> interval_;
        std::shared_ptr<const Function> function_;
    };

    explicit TimecodeTransformer(Transform transform) : transforms{std::move(transform)} {}
    explicit TimecodeTransformer(std::vector<Transform> transforms = {}) : transforms(std::move(transforms)) {}

    std::vector<Transform> transforms;
    bool enabled = true;

    // The transforms applied in order; the input unchanged when disabled. Never throws
    // (apart from what a custom function throws).
    Timecode transform(const Timecode& timecode) const;
};

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeInterval> {
    std::size_t operator()(const timecode::TimecodeInterval& i) const noexcept { return i.hashValue(); }
};
