#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

namespace timecode {

// Rounding modes of decimal rounding.
enum class DecimalRoundingMode {
    plain,    // to nearest, halves away from zero
    down,     // toward minus infinity
    up,       // toward plus infinity
    bankers,  // to nearest, halves to even
};

// An exact decimal number with 18 fractional digits, held as a signed 128-bit
// count of 1e-18 units. Its range is about ±1.7e20; results beyond it saturate at
// the nearest end, so no operation overflows. Frame counts, subframe fractions and
// the decimal drop rates (29.97, 59.94, 119.88) are all held exactly.
class Decimal {
public:
    using Units = __int128;
    static constexpr int places = 18;
    static constexpr std::int64_t unitsPerOne = 1'000'000'000'000'000'000;

    constexpr Decimal() noexcept = default;
    constexpr explicit Decimal(std::int64_t integer) noexcept : units_(Units(integer) * unitsPerOne) {}

    // A value from its raw 1e-18 units.
    static constexpr Decimal fromUnits(Units units) noexcept {
        Decimal d;
        d.units_ = units;
        return d;
    }
    // A 128-bit whole number, saturating.
    static Decimal fromInteger(Units integer) noexcept;
    // The shortest decimal text that reads back as `value`, cut (toward zero) after
    // 18 places. NaN gives 0; infinities and huge values saturate.
    static Decimal fromDouble(double value) noexcept;
    // numerator / denominator, rounded half away from zero at 18 places. A zero
    // denominator gives 0.
    static Decimal quotient(std::int64_t numerator, std::int64_t denominator) noexcept;

    static constexpr Decimal max() noexcept { return fromUnits(~(Units(1) << 127)); }
    static constexpr Decimal min() noexcept { return fromUnits(-(~(Units(1) << 127))); }

    constexpr Units units() const noexcept { return units_; }
    constexpr bool isZero() const noexcept { return units_ == 0; }
    constexpr bool isNegative() const noexcept { return units_ < 0; }

    // Whole part (toward zero) as a 128-bit integer, and the fraction in units
    // (same sign as the value, magnitude below 1e18).
    constexpr Units integralValue() const noexcept { return units_ / unitsPerOne; }
    constexpr std::int64_t fractionUnits() const noexcept { return std::int64_t(units_ % unitsPerOne); }

    // Whole part truncated toward zero, saturated to the 64-bit range.
    std::int64_t int64Value() const noexcept;
    // The nearest double (read back from the exact decimal text).
    double doubleValue() const;

    // Rounding at `decimalPlaces` places (negative counts as 0, 18 or more changes nothing).
    Decimal rounded(DecimalRoundingMode mode, int decimalPlaces) const noexcept;
    // Rounding toward zero at `decimalPlaces` places.
    Decimal truncated(int decimalPlaces) const noexcept;
    Decimal integral() const noexcept { return fromUnits(units_ - units_ % unitsPerOne); }
    Decimal fraction() const noexcept { return fromUnits(units_ % unitsPerOne); }

    struct QuotientAndRemainder;
    // quotient = (this / divisor) truncated toward zero; remainder = this − quotient × divisor.
    // A zero divisor gives quotient 0 and the value itself as remainder.
    QuotientAndRemainder quotientAndRemainder(const Decimal& divisor) const noexcept;
    Decimal truncatingRemainder(const Decimal& divisor) const noexcept;
    // Integer power (n < 0 gives 1).
    Decimal power(int n) const noexcept;

    // Count of digits before the point of the magnitude; 0 when the magnitude is below 1.
    int integralDigitPlaces() const noexcept;
    // Count of significant digits after the point (trailing zeros not counted).
    int fractionDigitPlaces() const noexcept;

    // Plain decimal text without exponent or trailing zeros: "10.5", "-2", "0.00000001".
    std::string description() const;

    Decimal operator-() const noexcept;
    friend Decimal operator+(const Decimal& a, const Decimal& b) noexcept;
    friend Decimal operator-(const Decimal& a, const Decimal& b) noexcept;
    friend Decimal operator*(const Decimal& a, const Decimal& b) noexcept;
    friend Decimal operator*(const Decimal& a, std::int64_t factor) noexcept;
    // Division by a whole number, truncated toward zero at 18 places. A zero divisor gives 0.
    friend Decimal operator/(const Decimal& a, std::int64_t divisor) noexcept;

    friend constexpr bool operator==(const Decimal& a, const Decimal& b) noexcept = default;
    friend constexpr std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept {
        return a.units_ <=> b.units_;
    }

private:
    Units units_ = 0;
};

struct Decimal::QuotientAndRemainder {
    Decimal quotient;
    Decimal remainder;
};

}  // namespace timecode
