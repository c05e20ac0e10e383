#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "TimecodeCore/CMTime.h"
#include "TimecodeCore/Decimal.h"

namespace timecode {

// An exact rational number: the rates and frame durations of the timecode rates,
// and rational media time. The numerator and denominator are stored as given; the
// reduced flag records that the pair is known to be in lowest terms.
//
// Arithmetic whose result does not fit 64 bits throws std::overflow_error;
// dividing by a zero fraction throws std::domain_error.
class Fraction {
public:
    constexpr Fraction() noexcept = default;
    // Stored unchanged, reduced flag unset.
    constexpr Fraction(std::int64_t numerator, std::int64_t denominator) noexcept
        : numerator_(numerator), denominator_(denominator) {}
    // The pair in lowest terms with the sign on the numerator, flag set: 6/−4 is −3/2,
    // 0/−7 is 0/1, any n ≠ 0 over 0 is 1/0, and 0/0 stays 0/0.
    static Fraction reducing(std::int64_t numerator, std::int64_t denominator);
    // The same for a 128-bit pair; throws std::overflow_error when the reduced pair
    // does not fit 64 bits.
    static Fraction reducingWide(__int128 numerator, __int128 denominator);
    // A decimal approximation of `value` with at most `decimalPrecision` places over a
    // power of ten, reduced. Places are cut to keep numerator and denominator inside
    // 64 bits; NaN gives 0/1 and magnitudes of 2^63 or more saturate.
    static Fraction fromDouble(double value, int decimalPrecision) noexcept;
    // Indefinite and infinite times give 0/1; otherwise value / timescale, flag unset.
    explicit Fraction(const CMTime& time) noexcept;
    // "5s", "-5s" (flag set) or "1001/30000s" (flag unset); nullopt for any other text.
    static std::optional<Fraction> fromFcpxmlString(std::string_view text) noexcept;

    static constexpr Fraction zero() noexcept { return {0, 1}; }

    constexpr std::int64_t numerator() const noexcept { return numerator_; }
    constexpr std::int64_t denominator() const noexcept { return denominator_; }
    // The stored flag: true, false or unknown.
    constexpr std::optional<bool> reducedFlag() const noexcept { return isReducedFlag_; }

    bool isReduced() const noexcept;
    Fraction reduced() const;
    bool isIdentical(const Fraction& other) const noexcept {
        return numerator_ == other.numerator_ && denominator_ == other.denominator_;
    }
    bool isEqual(const Fraction& other) const noexcept { return *this == other; }

    bool isNegative() const noexcept { return (numerator_ < 0) != (denominator_ < 0); }
    bool isWholeInteger() const noexcept;
    double doubleValue() const noexcept { return double(numerator_) / double(denominator_); }
    float floatValue() const noexcept { return float(doubleValue()); }
    Decimal decimalValue() const noexcept { return Decimal::quotient(numerator_, denominator_); }

    CMTime cmTimeValue() const noexcept { return CMTime(*this); }

    Fraction abs() const;
    Fraction negated() const;
    void negate() { *this = negated(); }

    // "1001/30000"
    std::string description() const;
    // The identity is the description.
    std::string id() const { return description(); }
    // "1001/30000s", or "2s" when the value is a whole number of seconds.
    std::string fcpxmlStringValue() const;

    // Equal when the reduced forms are identical (1/2 == 2/4).
    friend bool operator==(const Fraction& a, const Fraction& b) noexcept;
    // Ordered by the double quotients.
    friend bool operator<(const Fraction& a, const Fraction& b) noexcept { return a.doubleValue() < b.doubleValue(); }
    friend bool operator>(const Fraction& a, const Fraction& b) noexcept { return b < a; }
    friend bool operator<=(const Fraction& a, const Fraction& b) noexcept { return a.doubleValue() <= b.doubleValue(); }
    friend bool operator>=(const Fraction& a, const Fraction& b) noexcept { return b <= a; }

    friend Fraction operator+(const Fraction& a, const Fraction& b);
    friend Fraction operator-(const Fraction& a, const Fraction& b);
    friend Fraction operator*(const Fraction& a, const Fraction& b);
    friend Fraction operator/(const Fraction& a, const Fraction& b);

    // Agrees with ==: equal fractions hash alike.
    std::size_t hashValue() const noexcept;

private:
    constexpr Fraction(std::int64_t n, std::int64_t d, bool reducedFlag) noexcept
        : numerator_(n), denominator_(d), isReducedFlag_(reducedFlag) {}

    std::int64_t numerator_ = 0;
    std::int64_t denominator_ = 1;
    std::optional<bool> isReducedFlag_;
};

}  // namespace timecode

template <>
struct std::hash<timecode::Fraction> {
    std::size_t operator()(const timecode::Fraction& f) const noexcept { return f.hashValue(); }
};
