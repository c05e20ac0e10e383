#pragma once

#include <cstdint>

namespace timecode {

class Fraction;

// A rational media time: `value` / `timescale` seconds, with flags for validity,
// rounding and the non-numeric times (infinities, indefinite).
struct CMTime {
    enum Flags : std::uint32_t {
        valid = 1u << 0,
        hasBeenRounded = 1u << 1,
        positiveInfinity = 1u << 2,
        negativeInfinity = 1u << 3,
        indefinite = 1u << 4,
    };

    std::int64_t value = 0;
    std::int32_t timescale = 0;
    std::uint32_t flags = 0;  // a combination of Flags; 0 is an invalid time
    std::int64_t epoch = 0;

    constexpr CMTime() noexcept = default;
    constexpr CMTime(std::int64_t v, std::int32_t ts, std::uint32_t f = valid, std::int64_t e = 0) noexcept
        : value(v), timescale(ts), flags(f), epoch(e) {}
    // numerator / denominator of the fraction; invalid when the denominator does not fit 32 bits.
    explicit CMTime(const Fraction& fraction) noexcept;

    static constexpr CMTime make(std::int64_t value, std::int32_t timescale) noexcept { return {value, timescale}; }
    static constexpr CMTime zero() noexcept { return {0, 1}; }
    static constexpr CMTime invalid() noexcept { return {0, 0, 0}; }
    static constexpr CMTime makeIndefinite() noexcept { return {0, 0, valid | indefinite}; }
    static constexpr CMTime makePositiveInfinity() noexcept { return {0, 0, valid | positiveInfinity}; }
    static constexpr CMTime makeNegativeInfinity() noexcept { return {0, 0, valid | negativeInfinity}; }

    constexpr bool isValid() const noexcept { return (flags & valid) != 0; }
    constexpr bool isIndefinite() const noexcept { return isValid() && (flags & indefinite) != 0; }
    constexpr bool isPositiveInfinity() const noexcept { return isValid() && (flags & positiveInfinity) != 0; }
    constexpr bool isNegativeInfinity() const noexcept { return isValid() && (flags & negativeInfinity) != 0; }
    constexpr bool isNumeric() const noexcept {
        return isValid() && (flags & (indefinite | positiveInfinity | negativeInfinity)) == 0;
    }

    // The time as a fraction: 0/1 for indefinite and infinite times, else value / timescale.
    Fraction fractionValue() const noexcept;
    double seconds() const noexcept;

    // Three-way order of two times: −1, 0 or 1. Numeric times compare exactly by
    // value; negative infinity sorts before every numeric time and positive
    // infinity after; invalid and indefinite times sort after everything else.
    static int compare(const CMTime& a, const CMTime& b) noexcept;
    // Exact sum. Invalid if either is invalid; indefinite if either is indefinite;
    // opposite infinities give invalid; an infinity dominates a numeric time. When the
    // common timescale does not fit 32 bits the larger timescale is used and the
    // result is rounded (and flagged so).
    static CMTime add(const CMTime& a, const CMTime& b) noexcept;

    // Fields compared as stored.
    friend constexpr bool operator==(const CMTime&, const CMTime&) = default;
};

// A time range: start and duration.
struct CMTimeRange {
    CMTime start;
    CMTime duration;

    // Valid when start and duration are valid, the duration's epoch is 0 and its value is not negative.
    constexpr bool isValid() const noexcept {
        return start.isValid() && duration.isValid() && duration.epoch == 0 && duration.value >= 0;
    }
    CMTime end() const noexcept { return CMTime::add(start, duration); }

    friend constexpr bool operator==(const CMTimeRange&, const CMTimeRange&) = default;
};

}  // namespace timecode
