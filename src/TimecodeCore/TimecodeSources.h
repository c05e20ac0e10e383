#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "TimecodeCore/CMTime.h"
#include "TimecodeCore/Fraction.h"
#include "TimecodeCore/TimecodeComponents.h"
#include "TimecodeCore/TimecodeErrors.h"
#include "TimecodeCore/TimecodeFrameCount.h"

namespace timecode {

class Timecode;
struct FeetAndFrames;
class TimecodeInterval;

// Kinds of value that can set a timecode whose properties are already set. Each
// kind implements one of these; the boxes below carry one value of a kind to the
// Timecode initialisers and setters.

// Throws ValidationError (outOfBounds) when the value is out of range, leaving the
// timecode unchanged; with a rule it never fails.
class TimecodeSource {
public:
    virtual ~TimecodeSource() = default;
    virtual void set(Timecode& timecode) const = 0;
    virtual void set(Timecode& timecode, ValidationRule rule) const = 0;
};

// As TimecodeSource, but also chooses the timecode's properties and returns them.
class RichTimecodeSource {
public:
    virtual ~RichTimecodeSource() = default;
    virtual TimecodeProperties set(Timecode& timecode) const = 0;
    virtual TimecodeProperties set(Timecode& timecode, ValidationRule rule) const = 0;
};

// Never fails.
class GuaranteedTimecodeSource {
public:
    virtual ~GuaranteedTimecodeSource() = default;
    virtual void set(Timecode& timecode) const = 0;
};

// Never fails; returns the properties it chose.
class GuaranteedRichTimecodeSource {
public:
    virtual ~GuaranteedRichTimecodeSource() = default;
    virtual TimecodeProperties set(Timecode& timecode) const = 0;
};

// Text: both forms throw StringParseError for text that is not a timecode; the
// strict form also throws ValidationError.
class FormattedTimecodeSource {
public:
    virtual ~FormattedTimecodeSource() = default;
    virtual void set(Timecode& timecode) const = 0;
    virtual void set(Timecode& timecode, ValidationRule rule) const = 0;
};

// ---- Boxes

class TimecodeSourceValue {
public:
    explicit TimecodeSourceValue(std::shared_ptr<const TimecodeSource> source) : value(std::move(source)) {}
    std::shared_ptr<const TimecodeSource> value;

    static TimecodeSourceValue components(const TimecodeComponents& components);
    static TimecodeSourceValue components(std::int64_t d, std::int64_t h, std::int64_t m, std::int64_t s,
                                          std::int64_t f, std::int64_t sf) {
        return components(TimecodeComponents{d, h, m, s, f, sf});
    }
    static TimecodeSourceValue frames(const TimecodeFrameCount::Value& value);
    // A count with its own subframes base.
    static TimecodeSourceValue frames(const TimecodeFrameCount& count);
    // Whole frames, with subframes when they are not 0 (split), else plain frames.
    template <std::integral I, std::integral J = std::int64_t>
    static TimecodeSourceValue frames(I frames, J subFrames = 0) {
        return framesSplit(std::int64_t(frames), std::int64_t(subFrames));
    }
    // Frames with a fraction (combined).
    template <std::floating_point F>
    static TimecodeSourceValue frames(F frames) {
        return TimecodeSourceValue::frames(TimecodeFrameCount::Value::combined(double(frames)));
    }
    // Whole frames plus a fraction of a frame (splitUnitInterval).
    template <std::integral I, std::floating_point F>
    static TimecodeSourceValue frames(I frames, F subFramesUnitInterval) {
        return TimecodeSourceValue::frames(
            TimecodeFrameCount::Value::splitUnitInterval(std::int64_t(frames), double(subFramesUnitInterval)));
    }
    // Seconds of real time.
    static TimecodeSourceValue realTime(double seconds);
    // Rational time in seconds.
    static TimecodeSourceValue rational(const Fraction& fraction);
    static TimecodeSourceValue rational(std::int64_t numerator, std::int64_t denominator) {
        return rational(Fraction(numerator, denominator));
    }
    static TimecodeSourceValue cmTime(const CMTime& time);
    // An audio sample position at a sample rate.
    template <class N>
        requires std::integral<N> || std::floating_point<N>
    static TimecodeSourceValue samples(N samples, std::int64_t sampleRate) {
        return samplesAt(double(samples), sampleRate);
    }
    // Random components drawn from the ranges.
    static TimecodeSourceValue randomComponents(const TimecodeComponentRanges& ranges);
    // Feet and frames (16 frames a foot), counted at the value's own subframes base.
    static TimecodeSourceValue feetAndFrames(const FeetAndFrames& value);
    static TimecodeSourceValue feetAndFrames(std::int64_t feet, std::int64_t frames, std::int64_t subFrames,
                                             SubFramesBase subFramesBase);
    // "feet+frames[.subframes]"; throws StringParseError for other text.
    static TimecodeSourceValue feetAndFrames(std::string_view text, SubFramesBase subFramesBase);

private:
    static TimecodeSourceValue framesSplit(std::int64_t frames, std::int64_t subFrames);
    static TimecodeSourceValue samplesAt(double samples, std::int64_t sampleRate);
};

class RichTimecodeSourceValue {
public:
    explicit RichTimecodeSourceValue(std::shared_ptr<const RichTimecodeSource> source) : value(std::move(source)) {}
    std::shared_ptr<const RichTimecodeSource> value;

    // Random properties, then random components drawn from the ranges.
    static RichTimecodeSourceValue randomComponentsAndProperties(const TimecodeComponentRanges& ranges);
};

class GuaranteedTimecodeSourceValue {
public:
    explicit GuaranteedTimecodeSourceValue(std::shared_ptr<const GuaranteedTimecodeSource> source)
        : value(std::move(source)) {}
    std::shared_ptr<const GuaranteedTimecodeSource> value;

    // Random components that are valid for the timecode's properties (shared box;
    // every use draws afresh).
    static const GuaranteedTimecodeSourceValue& randomComponents();
    // All six components zero (shared box).
    static const GuaranteedTimecodeSourceValue& zero();
};

class GuaranteedRichTimecodeSourceValue {
public:
    explicit GuaranteedRichTimecodeSourceValue(std::shared_ptr<const GuaranteedRichTimecodeSource> source)
        : value(std::move(source)) {}
    std::shared_ptr<const GuaranteedRichTimecodeSource> value;

    // Random properties, then random valid components for them (shared box).
    static const GuaranteedRichTimecodeSourceValue& randomComponentsAndProperties();
    // The interval's flattened timecode, properties included.
    static GuaranteedRichTimecodeSourceValue interval(const TimecodeInterval& flattening);
};

class FormattedTimecodeSourceValue {
public:
    explicit FormattedTimecodeSourceValue(std::shared_ptr<const FormattedTimecodeSource> source)
        : value(std::move(source)) {}
    std::shared_ptr<const FormattedTimecodeSource> value;

    // Timecode text ("01:00:00:00", "1 01:00:00;00.40", ...).
    static FormattedTimecodeSourceValue string(std::string_view text);
};

// ---- Values produced asynchronously (supplied by callers; no kind of this library
// is one). Their set runs on a worker thread, may wait for the value, and throws as
// the synchronous kinds do.

class AsyncTimecodeSource {
public:
    virtual ~AsyncTimecodeSource() = default;
    virtual void set(Timecode& timecode) const = 0;
    virtual void set(Timecode& timecode, ValidationRule rule) const = 0;
};

class AsyncRichTimecodeSource {
public:
    virtual ~AsyncRichTimecodeSource() = default;
    virtual TimecodeProperties set(Timecode& timecode) const = 0;
    virtual TimecodeProperties set(Timecode& timecode, ValidationRule rule) const = 0;
};

class AsyncTimecodeSourceValue {
public:
    explicit AsyncTimecodeSourceValue(std::shared_ptr<const AsyncTimecodeSource> source) : value(std::move(source)) {}
    std::shared_ptr<const AsyncTimecodeSource> value;
};

class AsyncRichTimecodeSourceValue {
public:
    explicit AsyncRichTimecodeSourceValue(std::shared_ptr<const AsyncRichTimecodeSource> source)
        : value(std::move(source)) {}
    std::shared_ptr<const AsyncRichTimecodeSource> value;
};

// ---- Source kinds of this library that have types of their own

// An audio sample position.
struct SamplesPayload {
    double samples = 0;
    std::int64_t sampleRate = 0;
};

}  // namespace timecode
