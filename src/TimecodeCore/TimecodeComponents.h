#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "TimecodeCore/NumericUtilities.h"
#include "TimecodeCore/SubFramesBase.h"
#include "TimecodeCore/TimecodeComponent.h"
#include "TimecodeCore/TimecodeFrameRate.h"
#include "TimecodeCore/UpperLimit.h"

namespace timecode {

// Frame rate, subframes base and upper limit of a timecode. Reached as Timecode::Properties.
struct TimecodeProperties {
    TimecodeFrameRate frameRate = TimecodeFrameRate::fps24;
    SubFramesBase subFramesBase = SubFramesBase::max80SubFrames;
    UpperLimit upperLimit = UpperLimit::max24Hours;

    constexpr TimecodeProperties() noexcept = default;
    constexpr TimecodeProperties(TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit) noexcept
        : frameRate(rate), subFramesBase(base), upperLimit(limit) {}

    // Random properties: upper limit, then base, then rate, each drawn uniformly.
    static TimecodeProperties random();

    friend constexpr bool operator==(const TimecodeProperties& a, const TimecodeProperties& b) noexcept {
        return a.frameRate == b.frameRate && a.subFramesBase == b.subFramesBase && a.upperLimit == b.upperLimit;
    }
    std::size_t hashValue() const noexcept;
};

// A closed range of values per component. Reached as Timecode::ComponentRanges.
struct TimecodeComponentRanges {
    ClosedRange<std::int64_t> days;
    ClosedRange<std::int64_t> hours;
    ClosedRange<std::int64_t> minutes;
    ClosedRange<std::int64_t> seconds;
    ClosedRange<std::int64_t> frames;
    ClosedRange<std::int64_t> subFrames;

    // Every range 0...99.
    static constexpr TimecodeComponentRanges unsafeRandom() noexcept {
        return {{0, 99}, {0, 99}, {0, 99}, {0, 99}, {0, 99}, {0, 99}};
    }

    friend constexpr bool operator==(const TimecodeComponentRanges&, const TimecodeComponentRanges&) = default;
    std::size_t hashValue() const noexcept;
};

// The six signed components of a timecode, days first. Nothing limits them by
// themselves; validRange and invalidComponents say which values are valid.
// Reached as Timecode::Components.
struct TimecodeComponents {
    std::int64_t days = 0;
    std::int64_t hours = 0;
    std::int64_t minutes = 0;
    std::int64_t seconds = 0;
    std::int64_t frames = 0;
    std::int64_t subFrames = 0;

    using Pair = std::pair<TimecodeComponent, std::int64_t>;

    static constexpr TimecodeComponents zero() noexcept { return {}; }
    // Each component from its entry; missing entries are 0.
    static TimecodeComponents fromDictionary(const std::map<TimecodeComponent, std::int64_t>& dictionary);
    // Pairs applied in order (a later pair for the same component wins); the rest are 0.
    static TimecodeComponents fromArray(const std::vector<Pair>& pairs);

    std::int64_t value(TimecodeComponent component) const noexcept;
    void setValue(TimecodeComponent component, std::int64_t value) noexcept;

    // All six entries.
    std::map<TimecodeComponent, std::int64_t> dictionary() const;
    // Assigns only the components present in `dictionary`.
    void setDictionary(const std::map<TimecodeComponent, std::int64_t>& dictionary);
    // The six pairs in component order.
    std::vector<Pair> array() const;
    // Applies the pairs in order; unnamed components stay.
    void setArray(const std::vector<Pair>& pairs);

    // Valid components for the properties, each drawn uniformly from its valid range.
    static TimecodeComponents random(const TimecodeProperties& properties);
    // Each component drawn uniformly from its range (a range whose bounds are
    // reversed gives its lower bound).
    static TimecodeComponents random(const TimecodeComponentRanges& ranges);

    // ---- Validation
    // The valid values of `component` for the properties; only the frames range
    // depends on other components (the drop floor reads minutes and seconds).
    ClosedRange<std::int64_t> validRange(TimecodeComponent component, const TimecodeProperties& properties) const noexcept;
    ClosedRange<std::int64_t> validRange(TimecodeComponent component, TimecodeFrameRate rate, SubFramesBase base,
                                         UpperLimit limit) const noexcept {
        return validRange(component, {rate, base, limit});
    }
    // The components outside their valid ranges (empty when valid).
    TimecodeComponentSet invalidComponents(const TimecodeProperties& properties) const;
    TimecodeComponentSet invalidComponents(TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit) const {
        return invalidComponents({rate, base, limit});
    }
    // Whether invalidComponents is empty.
    bool isValid(const TimecodeProperties& properties) const noexcept;
    // Every component moved into its valid range: days, hours, minutes, seconds,
    // then frames (floor from the clamped minutes and seconds), then subframes.
    void clamp(const TimecodeProperties& properties) noexcept;
    // Whether every component's digit count (sign not counted) fits its field width.
    bool isWithinValidDigitCounts(TimecodeFrameRate rate, SubFramesBase base) const noexcept;
    bool isWithinValidDigitCount(TimecodeFrameRate rate, SubFramesBase base) const noexcept {
        return isWithinValidDigitCounts(rate, base);
    }

    friend constexpr bool operator==(const TimecodeComponents&, const TimecodeComponents&) = default;
    std::size_t hashValue() const noexcept;
};

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeComponents> {
    std::size_t operator()(const timecode::TimecodeComponents& c) const noexcept { return c.hashValue(); }
};

template <>
struct std::hash<timecode::TimecodeProperties> {
    std::size_t operator()(const timecode::TimecodeProperties& p) const noexcept { return p.hashValue(); }
};

template <>
struct std::hash<timecode::TimecodeComponentRanges> {
    std::size_t operator()(const timecode::TimecodeComponentRanges& r) const noexcept { return r.hashValue(); }
};
