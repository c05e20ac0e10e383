#pragma once

#include <algorithm>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>

namespace timecode {

// Rules for rounding a floating-point value to an integral value.
enum class RoundingRule {
    toNearestOrAwayFromZero,
    toNearestOrEven,
    up,
    down,
    towardZero,
    awayFromZero,
};

// `value` rounded to an integral value by `rule`.
template <std::floating_point T>
T rounded(T value, RoundingRule rule = RoundingRule::toNearestOrAwayFromZero) {
    switch (rule) {
    case RoundingRule::toNearestOrAwayFromZero: return std::round(value);
    case RoundingRule::toNearestOrEven: return std::nearbyint(value);  // default FE_TONEAREST
    case RoundingRule::up: return std::ceil(value);
    case RoundingRule::down: return std::floor(value);
    case RoundingRule::towardZero: return std::trunc(value);
    case RoundingRule::awayFromZero: return value >= 0 ? std::ceil(value) : std::floor(value);
    }
    return value;
}

// `value` rounded to `decimalPlaces` places: scaled by 10^places in the value's own
// precision, rounded by `rule`, scaled back. Fewer than one place rounds to an integral value.
template <std::floating_point T>
T rounded(T value, RoundingRule rule, int decimalPlaces) {
    if (decimalPlaces < 1) return rounded(value, rule);
    const T p = std::pow(T(10), T(decimalPlaces));
    return rounded(value * p, rule) / p;
}

template <std::floating_point T>
T truncated(T value, int decimalPlaces) {
    return rounded(value, RoundingRule::towardZero, decimalPlaces);
}

template <std::floating_point T>
struct IntegralAndFraction {
    T integral;
    T fraction;
};

// The value split into its part rounded toward zero and the rest.
template <std::floating_point T>
IntegralAndFraction<T> integralAndFraction(T value) {
    const T i = std::trunc(value);
    return {i, value - i};
}

template <std::floating_point T>
struct QuotientAndRemainder {
    T quotient;
    T remainder;
};

// quotient = (value / divisor) rounded toward zero; remainder = value − quotient × divisor.
template <std::floating_point T>
QuotientAndRemainder<T> quotientAndRemainder(T value, T divisor) {
    const T q = std::trunc(value / divisor);
    return {q, value - q * divisor};
}

// Count of decimal digits of the magnitude of an integer; the sign is not counted
// and 0 has one digit.
template <std::integral T>
constexpr int numberOfDigits(T value) {
    int n = 1;
    while (value <= T(-10) || value >= T(10)) {
        value /= 10;
        ++n;
    }
    return n;
}

// A closed range lowerBound...upperBound.
template <class T>
struct ClosedRange {
    T lowerBound{};
    T upperBound{};

    constexpr bool contains(const T& value) const { return !(value < lowerBound) && !(upperBound < value); }
    friend constexpr bool operator==(const ClosedRange& a, const ClosedRange& b) {
        return a.lowerBound == b.lowerBound && a.upperBound == b.upperBound;
    }
};

// `value` moved into `range`: min(max(value, lowerBound), upperBound).
template <class T>
constexpr T clamped(const T& value, const ClosedRange<T>& range) {
    return std::min(std::max(value, range.lowerBound), range.upperBound);
}

// Partial and half-open ranges: a..., ...b, ..<b and a..<b.
template <class T>
struct PartialRangeFrom {
    T lowerBound{};
};
template <class T>
struct PartialRangeThrough {
    T upperBound{};
};
template <class T>
struct PartialRangeUpTo {
    T upperBound{};
};
template <class T>
struct HalfOpenRange {
    T lowerBound{};
    T upperBound{};
};

template <class T>
constexpr T clamped(const T& value, const PartialRangeFrom<T>& range) {
    return std::max(value, range.lowerBound);
}
template <class T>
constexpr T clamped(const T& value, const PartialRangeThrough<T>& range) {
    return std::min(value, range.upperBound);
}
// At most the value before the upper bound.
template <std::integral T>
constexpr T clamped(const T& value, const PartialRangeUpTo<T>& range) {
    return std::min(value, T(range.upperBound - 1));
}
template <std::integral T>
constexpr T clamped(const T& value, const HalfOpenRange<T>& range) {
    return std::min(std::max(value, range.lowerBound), T(range.upperBound - 1));
}

// Digits before the point of the magnitude of `value` in its shortest decimal form
// (0 below 1), and significant digits after it.
int integralDigitPlaces(double value) noexcept;
int fractionDigitPlaces(double value) noexcept;

// `value` truncated toward zero into the 64-bit range: NaN gives 0 and values
// beyond the range give the nearest end.
std::int64_t saturatingInt64(double value) noexcept;

// The shortest text that reads back as `value`, written as a number is usually
// shown: "10.5", "10.0", "0.0001", "1e-05", "1.8014398509481986e+16", "inf", "nan".
std::string shortestDescription(double value);

// Which end of a range something refers to.
enum class RangeAttribute { start, end, duration };

}  // namespace timecode
