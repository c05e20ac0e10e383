#include "TimecodeCore/Decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace timecode {

namespace {

using Units = Decimal::Units;
using UUnits = unsigned __int128;

constexpr Units maxUnits = ~(Units(1) << 127);
constexpr Units minUnits = -maxUnits;

Units saturate(bool negative) noexcept { return negative ? minUnits : maxUnits; }

Units saturatingAdd(Units a, Units b) noexcept {
    Units r;
    if (__builtin_add_overflow(a, b, &r) || r < minUnits) return saturate(b < 0);
    return r;
}

Units saturatingMul(Units a, Units b) noexcept {
    Units r;
    if (__builtin_mul_overflow(a, b, &r) || r < minUnits) return saturate((a < 0) != (b < 0));
    return r;
}

Units pow10(int n) noexcept {
    Units p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

// Divides toward zero, then moves the quotient one step by `mode` when a remainder is left.
Units divideRounding(Units value, Units divisor, DecimalRoundingMode mode) noexcept {
    Units q = value / divisor;
    Units r = value % divisor;
    if (r == 0) return q;
    const bool negative = (value < 0) != (divisor < 0);
    const UUnits absR = r < 0 ? UUnits(-r) : UUnits(r);
    const UUnits absD = divisor < 0 ? UUnits(-divisor) : UUnits(divisor);
    const UUnits twice = absR * 2;
    bool awayFromZero = false;
    switch (mode) {
    case DecimalRoundingMode::plain: awayFromZero = twice >= absD; break;
    case DecimalRoundingMode::bankers:
        awayFromZero = twice > absD || (twice == absD && (q % 2) != 0);
        break;
    case DecimalRoundingMode::down: awayFromZero = negative; break;
    case DecimalRoundingMode::up: awayFromZero = !negative; break;
    }
    if (awayFromZero) q += negative ? -1 : 1;
    return q;
}

std::string unitsText(UUnits v) {
    if (v == 0) return "0";
    std::string s;
    while (v > 0) {
        s.insert(s.begin(), char('0' + int(v % 10)));
        v /= 10;
    }
    return s;
}

}  // namespace

Decimal Decimal::fromInteger(Units integer) noexcept {
    return fromUnits(saturatingMul(integer, unitsPerOne));
}

Decimal Decimal::fromDouble(double value) noexcept {
    if (std::isnan(value) || value == 0) return Decimal();
    if (std::isinf(value)) return fromUnits(saturate(value < 0));
    // Shortest round-trip digits in scientific form: d.ddddde±xx.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative) ++p;
    UUnits digits = 0;
    int digitCount = 0;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p == '.') continue;
        digits = digits * 10 + UUnits(*p - '0');
        ++digitCount;
    }
    int exponent = 0;
    if (p < res.ptr && *p == 'e') std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
    // value = digits × 10^(exponent − digitCount + 1); units = value × 10^18.
    const int scale = exponent - digitCount + 1 + places;
    UUnits magnitude = digits;
    if (scale >= 0) {
        for (int i = 0; i < scale; ++i) {
            if (magnitude > UUnits(maxUnits) / 10) return fromUnits(saturate(negative));
            magnitude *= 10;
        }
    } else {
        if (scale < -38) return Decimal();
        magnitude /= UUnits(pow10(-scale));
    }
    if (magnitude > UUnits(maxUnits)) return fromUnits(saturate(negative));
    const Units u = Units(magnitude);
    return fromUnits(negative ? -u : u);
}

Decimal Decimal::quotient(std::int64_t numerator, std::int64_t denominator) noexcept {
    if (denominator == 0) return Decimal();
    return fromUnits(divideRounding(Units(numerator) * unitsPerOne, Units(denominator), DecimalRoundingMode::plain));
}

std::int64_t Decimal::int64Value() const noexcept {
    const Units i = integralValue();
    if (i > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (i < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(i);
}

double Decimal::doubleValue() const { return std::strtod(description().c_str(), nullptr); }

Decimal Decimal::rounded(DecimalRoundingMode mode, int decimalPlaces) const noexcept {
    if (decimalPlaces < 0) decimalPlaces = 0;
    if (decimalPlaces >= places) return *this;
    const Units step = pow10(places - decimalPlaces);
    return fromUnits(divideRounding(units_, step, mode) * step);
}

Decimal Decimal::truncated(int decimalPlaces) const noexcept {
    return rounded(units_ > 0 ? DecimalRoundingMode::down : DecimalRoundingMode::up, decimalPlaces);
}

Decimal::QuotientAndRemainder Decimal::quotientAndRemainder(const Decimal& divisor) const noexcept {
    if (divisor.units_ == 0) return {Decimal(), *this};
    const Units q = units_ / divisor.units_;  // whole quotient: the units cancel
    return {fromInteger(q), fromUnits(units_ % divisor.units_)};
}

Decimal Decimal::truncatingRemainder(const Decimal& divisor) const noexcept {
    return quotientAndRemainder(divisor).remainder;
}

Decimal Decimal::power(int n) const noexcept {
    Decimal result(1);
    for (int i = 0; i < n; ++i) {
        result = result * *this;
        if (result.units_ == maxUnits || result.units_ == minUnits) break;
    }
    return result;
}

int Decimal::integralDigitPlaces() const noexcept {
    Units i = integralValue();
    if (i < 0) i = -i;
    int n = 0;
    while (i > 0) {
        ++n;
        i /= 10;
    }
    return n;
}

int Decimal::fractionDigitPlaces() const noexcept {
    Units f = units_ % unitsPerOne;
    if (f == 0) return 0;
    int n = places;
    while (f % 10 == 0) {
        f /= 10;
        --n;
    }
    return n;
}

std::string Decimal::description() const {
    const bool negative = units_ < 0;
    const UUnits magnitude = negative ? UUnits(-units_) : UUnits(units_);
    std::string text = unitsText(magnitude / UUnits(unitsPerOne));
    UUnits frac = magnitude % UUnits(unitsPerOne);
    if (frac != 0) {
        std::string f = unitsText(frac);
        f.insert(0, std::size_t(places) - f.size(), '0');
        while (!f.empty() && f.back() == '0') f.pop_back();
        text += '.';
        text += f;
    }
    if (negative) text.insert(text.begin(), '-');
    return text;
}

Decimal Decimal::operator-() const noexcept { return fromUnits(-units_); }

Decimal operator+(const Decimal& a, const Decimal& b) noexcept { return Decimal::fromUnits(saturatingAdd(a.units_, b.units_)); }

Decimal operator-(const Decimal& a, const Decimal& b) noexcept { return Decimal::fromUnits(saturatingAdd(a.units_, -b.units_)); }

Decimal operator*(const Decimal& a, std::int64_t factor) noexcept {
    return Decimal::fromUnits(saturatingMul(a.units_, Units(factor)));
}

Decimal operator*(const Decimal& a, const Decimal& b) noexcept {
    // (ai + af)(bi + bf) with whole parts ai, bi and fractions af, bf, all in units:
    // ai·bi·1e18 + ai·bf + af·bi + af·bf/1e18, each term kept inside 128 bits.
    const Units one = Decimal::unitsPerOne;
    const Units ai = a.units_ / one, af = a.units_ % one;
    const Units bi = b.units_ / one, bf = b.units_ % one;
    Units sum = saturatingMul(saturatingMul(ai, bi), one);
    sum = saturatingAdd(sum, saturatingMul(ai, bf));
    sum = saturatingAdd(sum, af * bi);  // |af| < 1e18 and |bi| < 1.8e20: fits
    sum = saturatingAdd(sum, (af * bf) / one);
    return Decimal::fromUnits(sum);
}

Decimal operator/(const Decimal& a, std::int64_t divisor) noexcept {
    if (divisor == 0) return Decimal();
    return Decimal::fromUnits(a.units_ / Units(divisor));
}

}  // namespace timecode
