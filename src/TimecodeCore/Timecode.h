#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TimecodeCore/CMTime.h"
#include "TimecodeCore/Fraction.h"
#include "TimecodeCore/NumericUtilities.h"
#include "TimecodeCore/SubFramesBase.h"
#include "TimecodeCore/TimecodeComponent.h"
#include "TimecodeCore/TimecodeComponents.h"
#include "TimecodeCore/TimecodeErrors.h"
#include "TimecodeCore/TimecodeFrameCount.h"
#include "TimecodeCore/FloatingPointSign.h"
#include "TimecodeCore/TimecodeFrameRate.h"
#include "TimecodeCore/TimecodeOperand.h"
#include "TimecodeCore/TimecodeSources.h"
#include "TimecodeCore/TimecodeStringFormat.h"
#include "TimecodeCore/UpperLimit.h"

namespace timecode {

struct FeetAndFrames;
class TimecodeInterval;
class TimecodeTransformer;

// Three-way result of comparing two timecodes.
enum class ComparisonResult : int { orderedAscending = -1, orderedSame = 0, orderedDescending = 1 };

// A timecode: six whole-number components (days, hours, minutes, seconds, frames,
// subframes) and the properties that give them meaning (frame rate, subframes
// base, upper limit).
//
// The stored fields are set without validation; validity is asked for explicitly
// (isValid, invalidComponents). Operations come in pairs: a throwing form that
// rejects an out-of-range result with ValidationError (outOfBounds) and leaves the
// timecode unchanged, and a form with a ValidationRule that never fails on range.
class Timecode {
public:
    using SubFramesBase = timecode::SubFramesBase;
    using UpperLimit = timecode::UpperLimit;
    using Component = TimecodeComponent;
    using Components = TimecodeComponents;
    using Properties = TimecodeProperties;
    using ComponentRanges = TimecodeComponentRanges;
    using FrameCount = TimecodeFrameCount;
    using ValidationRule = timecode::ValidationRule;
    using ValidationError = timecode::ValidationError;
    using StringParseError = timecode::StringParseError;
    using StringFormatOption = timecode::StringFormatOption;
    using StringFormat = timecode::StringFormat;

    // ---- Construction. Each starts from zero components and the given properties
    // and lets the source set it.

    // Zero at 24 fps, base 80, 24 hours (for containers; callers pass properties).
    Timecode() noexcept = default;
    Timecode(const TimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit);
    Timecode(const TimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit,
             ValidationRule rule);
    Timecode(const TimecodeSourceValue& source, const Properties& properties);
    Timecode(const TimecodeSourceValue& source, const Properties& properties, ValidationRule rule);
    Timecode(const FormattedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit);
    Timecode(const FormattedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit,
             ValidationRule rule);
    Timecode(const FormattedTimecodeSourceValue& source, const Properties& properties);
    Timecode(const FormattedTimecodeSourceValue& source, const Properties& properties, ValidationRule rule);
    Timecode(const GuaranteedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit);
    Timecode(const GuaranteedTimecodeSourceValue& source, const Properties& properties);
    // Rich sources bring their own properties.
    explicit Timecode(const RichTimecodeSourceValue& source);
    Timecode(const RichTimecodeSourceValue& source, ValidationRule rule);
    explicit Timecode(const GuaranteedRichTimecodeSourceValue& source);

    // ---- Fields. Every setter stores what it is handed: no validation, no
    // clamping, no conversion of the other fields.

    const Components& components() const noexcept { return components_; }
    void setComponents(const Components& components) noexcept { components_ = components; }
    const Properties& properties() const noexcept { return properties_; }
    void setProperties(const Properties& properties) noexcept { properties_ = properties; }

    std::int64_t days() const noexcept { return components_.days; }
    std::int64_t hours() const noexcept { return components_.hours; }
    std::int64_t minutes() const noexcept { return components_.minutes; }
    std::int64_t seconds() const noexcept { return components_.seconds; }
    std::int64_t frames() const noexcept { return components_.frames; }
    std::int64_t subFrames() const noexcept { return components_.subFrames; }
    void setDays(std::int64_t v) noexcept { components_.days = v; }
    void setHours(std::int64_t v) noexcept { components_.hours = v; }
    void setMinutes(std::int64_t v) noexcept { components_.minutes = v; }
    void setSeconds(std::int64_t v) noexcept { components_.seconds = v; }
    void setFrames(std::int64_t v) noexcept { components_.frames = v; }
    void setSubFrames(std::int64_t v) noexcept { components_.subFrames = v; }

    TimecodeFrameRate frameRate() const noexcept { return properties_.frameRate; }
    SubFramesBase subFramesBase() const noexcept { return properties_.subFramesBase; }
    UpperLimit upperLimit() const noexcept { return properties_.upperLimit; }
    void setFrameRate(TimecodeFrameRate rate) noexcept { properties_.frameRate = rate; }
    void setSubFramesBase(SubFramesBase base) noexcept { properties_.subFramesBase = base; }
    void setUpperLimit(UpperLimit limit) noexcept { properties_.upperLimit = limit; }

    // ---- Setting from a source. set changes this timecode (keeping its properties,
    // except for rich sources); setting returns a changed copy.

    void set(const TimecodeSourceValue& source);
    void set(const TimecodeSourceValue& source, ValidationRule rule);
    Timecode setting(const TimecodeSourceValue& source) const;
    Timecode setting(const TimecodeSourceValue& source, ValidationRule rule) const;
    void set(const FormattedTimecodeSourceValue& source);
    void set(const FormattedTimecodeSourceValue& source, ValidationRule rule);
    Timecode setting(const FormattedTimecodeSourceValue& source) const;
    Timecode setting(const FormattedTimecodeSourceValue& source, ValidationRule rule) const;
    void set(const RichTimecodeSourceValue& source);
    void set(const RichTimecodeSourceValue& source, ValidationRule rule);
    Timecode setting(const RichTimecodeSourceValue& source) const;
    Timecode setting(const RichTimecodeSourceValue& source, ValidationRule rule) const;
    void set(const GuaranteedTimecodeSourceValue& source);
    Timecode setting(const GuaranteedTimecodeSourceValue& source) const;
    // Sets the components and returns the source's properties without applying them.
    Properties set(const GuaranteedRichTimecodeSourceValue& source);
    // A copy with the source's components and properties.
    Timecode setting(const GuaranteedRichTimecodeSourceValue& source) const;

    // This timecode at another rate (and base; the upper limit is kept). Unchanged
    // when rate and base are the same. With preservingValues the same components
    // are tried at the new rate first; otherwise, or when they are not valid there,
    // the same real time. Throws ValidationError when the result is out of range.
    Timecode converted(TimecodeFrameRate rate, std::optional<SubFramesBase> base = std::nullopt,
                       bool preservingValues = false) const;

    // ---- Frame counts

    // The elapsed frames of the components at the rate and base: whole frames plus
    // subframes / base (splitUnitInterval). Drop rates skip their dropped frame
    // numbers. Never fails: a total beyond the 64-bit range gives frames(0).
    static FrameCount frameCount(const Components& components, TimecodeFrameRate rate, SubFramesBase base) noexcept;
    FrameCount frameCount() const noexcept { return frameCount(components_, frameRate(), subFramesBase()); }
    // The components of a count at a rate, subframes in the count's own base. Never
    // fails and checks no range; only the leading non-zero component of a negative
    // count carries the sign.
    static Components components(const FrameCount& count, TimecodeFrameRate rate) noexcept;
    // Replaces the components with those of the count, read at this timecode's base.
    // Throws outOfBounds (and changes nothing) when the count is below zero or past
    // the last subframe of the upper limit.
    void setFrameCount(const FrameCount& count);

    // ---- Validation

    // The valid values of a component, given this timecode's other components.
    ClosedRange<std::int64_t> validRange(Component component) const noexcept {
        return components_.validRange(component, properties_);
    }
    TimecodeComponentSet invalidComponents() const { return components_.invalidComponents(properties_); }
    bool isValid() const noexcept { return components_.isValid(properties_); }
    void clampComponents() noexcept { components_.clamp(properties_); }
    bool isWithinValidComponentDigitCounts() const noexcept {
        return components_.isWithinValidDigitCounts(frameRate(), subFramesBase());
    }
    // The highest subframe of the base (79, 99 or 3).
    std::int64_t maxSubFramesExpressible() const noexcept { return subFramesBase().maxSubFrames(); }
    // The last subframe of the span, as a total.
    std::int64_t maxSubFrameCountExpressible() const noexcept {
        return frameRate().maxSubFrameCountExpressible(upperLimit(), subFramesBase());
    }
    // The last expressible position: the last frame and subframe of the span.
    FrameCount maxFrameCountExpressible() const noexcept;

    // ---- Text

    // HH:MM:SS:FF (";" before the frames at drop rates), with days, subframes and
    // the file-name form as the format asks. Formats any components, valid or not.
    std::string stringValue(const StringFormat& format = {}) const;
    // Reads components from text; no rate, no range check. Throws StringParseError.
    static Components decode(std::string_view text);

    // ---- Real and rational time

    // Seconds: frameCount().doubleValue() × (1 / real-time rate).
    double realTimeValue() const noexcept;
    // The exact time in seconds, reduced.
    Fraction rationalValue() const;
    // The exact time as a media time (invalid when its timescale does not fit 32 bits).
    CMTime cmTimeValue() const;
    double samplesDoubleValue(std::int64_t sampleRate) const noexcept;
    // Rounded half away from zero; 0 beyond the 64-bit range.
    std::int64_t samplesValue(std::int64_t sampleRate) const noexcept;

    // ---- Comparison. Equal: same rate, same subframes base unless either has zero
    // subframes, and the same real time rounded to 9 places. Ordered by the rounded
    // real time, whatever the rates. The upper limit is never compared.

    friend bool operator==(const Timecode& a, const Timecode& b) noexcept;
    friend bool operator<(const Timecode& a, const Timecode& b) noexcept;
    friend bool operator>(const Timecode& a, const Timecode& b) noexcept { return b < a; }
    friend bool operator<=(const Timecode& a, const Timecode& b) noexcept { return !(b < a); }
    friend bool operator>=(const Timecode& a, const Timecode& b) noexcept { return !(a < b); }
    // This timecode against another. On a time line that starts at a non-zero
    // timelineStart, timecodes at or after the start come before those earlier than
    // it (a recording that runs past midnight), compared by frame number.
    ComparisonResult compare(const Timecode& other, const std::optional<Timecode>& timelineStart = std::nullopt) const;
    // The real time rounded to 9 places, half away from zero: what comparisons use.
    double roundedRealTimeValue() const noexcept;

    // ---- Description, identity and stepping

    // stringValue with subframes.
    std::string description() const;
    // "Timecode<01:00:00:00.00 @ 24 fps>" (days shown under the 100-day limit).
    std::string debugDescription() const;
    // "01:00:00:00.00 @ 29.97 fps drop".
    std::string stringValueVerbose() const;
    std::string verboseDescription() const { return stringValueVerbose(); }
    // Agrees with ==: the rate and the rounded real time.
    std::size_t hashValue() const noexcept;
    // Whole frames from this timecode to `other` (subframes do not count).
    std::int64_t distance(const Timecode& other) const noexcept;
    // This timecode plus `frames` whole frames, clamped to zero and to the last
    // subframe of the upper limit.
    Timecode advanced(std::int64_t frames) const noexcept;

    // ---- Arithmetic and intervals (built on the subframe totals of TimecodeTotals.h)
    //
    // Sums and differences take another timecode (converted to this rate through
    // real time when its rate differs), plain components, or a source value (set
    // exactly at this timecode's properties first). Without a rule the result must
    // lie within 0 ... the last subframe of the upper limit and be valid, else
    // ValidationError (outOfBounds) is thrown and nothing changes; with a rule it is
    // clamped (clamping, clampingComponents), wrapped (wrapping) or kept as it comes
    // (allowingInvalid). Results keep this timecode's properties; operands only
    // contribute their components. Errors of obtaining an operand pass through.
    void add(const TimecodeOperand& operand);
    void add(const TimecodeOperand& operand, ValidationRule rule);
    Timecode adding(const TimecodeOperand& operand) const;
    Timecode adding(const TimecodeOperand& operand, ValidationRule rule) const;
    void subtract(const TimecodeOperand& operand);
    void subtract(const TimecodeOperand& operand, ValidationRule rule);
    Timecode subtracting(const TimecodeOperand& operand) const;
    Timecode subtracting(const TimecodeOperand& operand, ValidationRule rule) const;

    // The subframe total scaled by a number and truncated toward zero (no rounding).
    // A value that cannot become a total (NaN; with wrapping or allowingInvalid also
    // anything infinite or beyond 64 bits) throws outOfBounds with any rule.
    void multiply(double factor);
    void multiply(double factor, ValidationRule rule);
    Timecode multiplying(double factor) const;
    Timecode multiplying(double factor, ValidationRule rule) const;
    void divide(double divisor);
    void divide(double divisor, ValidationRule rule);
    Timecode dividing(double divisor) const;
    Timecode dividing(double divisor, ValidationRule rule) const;

    // The ratio of this timecode to another (converted to this rate first). Throws
    // outOfBounds when the ratio is negative or beyond the span (a non-zero
    // timecode over zero among them); a zero timecode over zero gives NaN.
    double dividing(const Timecode& other) const;
    double dividing(const Components& other) const;

    // Operators use the wrapping form. When the right-hand timecode's rate cannot be
    // converted to the left-hand one's, + and - give the left-hand value unchanged.
    // Integer factors and divisors convert to double.
    friend Timecode operator+(const Timecode& a, const Timecode& b);
    friend Timecode operator-(const Timecode& a, const Timecode& b);
    friend Timecode& operator+=(Timecode& a, const Timecode& b);
    friend Timecode& operator-=(Timecode& a, const Timecode& b);
    friend Timecode operator*(const Timecode& a, double factor);
    friend Timecode operator/(const Timecode& a, double divisor);
    friend Timecode& operator*=(Timecode& a, double factor);
    friend Timecode& operator/=(Timecode& a, double divisor);
    // The ratio, or none when dividing(other) would throw.
    friend std::optional<double> operator/(const Timecode& a, const Timecode& b);

    // ---- Offsets, intervals and rounding (TimecodeInterval.h)

    // Moves by the interval, wrapping; an interval whose rate cannot be converted
    // leaves the timecode unchanged.
    void offset(const TimecodeInterval& interval);
    Timecode offsetting(const TimecodeInterval& interval) const;
    // The signed distance from this timecode to `other`, measured under the 100-day
    // limit (so more than a day survives); zero when `other` cannot be converted.
    TimecodeInterval interval(const Timecode& other) const;
    // This timecode, unchanged, as the magnitude of an interval.
    TimecodeInterval asInterval(FloatingPointSign sign) const noexcept;
    // The frame count is zero.
    bool isZero() const noexcept;
    // Up to the next whole unit of `component` when any smaller field is above zero
    // (throws outOfBounds, changing nothing, past the upper limit); down by zeroing
    // the smaller fields that are above zero. At drop rates a zeroed frame number
    // that the rate skips moves up to the first frame of that minute.
    void roundUp(Component component);
    Timecode roundedUp(Component component) const;
    void roundDown(Component component) noexcept;
    Timecode roundedDown(Component component) const noexcept;

    // ---- Values produced asynchronously (TimecodeAsync.cpp)
    //
    // Each leaves the calling thread: the value is awaited and applied on a worker
    // thread, exactly as the synchronous forms apply theirs, and the future carries
    // the result or the error. Mutating forms change this timecode on that worker:
    // keep it alive and leave it alone until the future is ready (a discarded
    // future waits for it).
    static std::future<Timecode> fromAsync(const AsyncTimecodeSourceValue& source, const Properties& properties);
    static std::future<Timecode> fromAsync(const AsyncTimecodeSourceValue& source, const Properties& properties,
                                           ValidationRule rule);
    static std::future<Timecode> fromAsync(const AsyncTimecodeSourceValue& source, TimecodeFrameRate rate,
                                           SubFramesBase base, UpperLimit limit) {
        return fromAsync(source, Properties(rate, base, limit));
    }
    static std::future<Timecode> fromAsync(const AsyncTimecodeSourceValue& source, TimecodeFrameRate rate,
                                           SubFramesBase base, UpperLimit limit, ValidationRule rule) {
        return fromAsync(source, Properties(rate, base, limit), rule);
    }
    static std::future<Timecode> fromAsync(const AsyncRichTimecodeSourceValue& source);
    [[nodiscard]] std::future<void> set(const AsyncTimecodeSourceValue& source);
    [[nodiscard]] std::future<void> set(const AsyncTimecodeSourceValue& source, ValidationRule rule);
    std::future<Timecode> setting(const AsyncTimecodeSourceValue& source) const;
    std::future<Timecode> setting(const AsyncTimecodeSourceValue& source, ValidationRule rule) const;
    [[nodiscard]] std::future<void> set(const AsyncRichTimecodeSourceValue& source);
    std::future<Timecode> setting(const AsyncRichTimecodeSourceValue& source) const;
    [[nodiscard]] std::future<void> add(const AsyncTimecodeOperand& operand);
    [[nodiscard]] std::future<void> add(const AsyncTimecodeOperand& operand, ValidationRule rule);
    std::future<Timecode> adding(const AsyncTimecodeOperand& operand) const;
    std::future<Timecode> adding(const AsyncTimecodeOperand& operand, ValidationRule rule) const;
    [[nodiscard]] std::future<void> subtract(const AsyncTimecodeOperand& operand);
    [[nodiscard]] std::future<void> subtract(const AsyncTimecodeOperand& operand, ValidationRule rule);
    std::future<Timecode> subtracting(const AsyncTimecodeOperand& operand) const;
    std::future<Timecode> subtracting(const AsyncTimecodeOperand& operand, ValidationRule rule) const;

    // ---- Transformers and feet and frames

    void transform(const TimecodeTransformer& transformer);
    Timecode transformed(const TimecodeTransformer& transformer) const;
    // The whole frames as feet (16 frames each) and frames, with this timecode's
    // subframes and base.
    FeetAndFrames feetAndFramesValue() const noexcept;

private:
    Components components_;
    Properties properties_;
};

// ---- Collections of timecodes

// Whether the list is in order; neighbours that are equal always pass.
bool isSorted(std::span<const Timecode> timecodes, bool ascending = true,
              const std::optional<Timecode>& timelineStart = std::nullopt);
// The list in order. A timeline start whose frame count is zero means no time line.
// Timecodes that compare as the same keep their relative order.
std::vector<Timecode> sorted(std::span<const Timecode> timecodes, bool ascending, const Timecode& timelineStart);
void sort(std::span<Timecode> timecodes, bool ascending, const Timecode& timelineStart);

// The closed range of timecodes from a media time range's start to its end. Throws
// ValidationError: invalid for an invalid range, outOfBounds when the end is before
// the start or either end does not fit the properties.
ClosedRange<Timecode> timecodeRange(const CMTimeRange& range, const Timecode::Properties& properties);
ClosedRange<Timecode> timecodeRange(const CMTimeRange& range, TimecodeFrameRate rate, Timecode::SubFramesBase base,
                                    Timecode::UpperLimit limit);

}  // namespace timecode

template <>
struct std::hash<timecode::Timecode> {
    std::size_t operator()(const timecode::Timecode& t) const noexcept { return t.hashValue(); }
};
