#include "TimecodeCore/CMTime.h"

#include <cmath>
#include <limits>
#include <numeric>

#include "TimecodeCore/Fraction.h"

namespace timecode {

namespace {

using I128 = __int128;

// −inf, numeric, +inf, then the times that are not on the time line.
int rank(const CMTime& t) noexcept {
    if (t.isNegativeInfinity()) return 0;
    if (t.isNumeric()) return 1;
    if (t.isPositiveInfinity()) return 2;
    return 3;
}

bool fitsInt64(I128 v) noexcept {
    return v >= std::numeric_limits<std::int64_t>::min() && v <= std::numeric_limits<std::int64_t>::max();
}

}  // namespace

CMTime::CMTime(const Fraction& fraction) noexcept {
    const std::int64_t d = fraction.denominator();
    if (d < std::numeric_limits<std::int32_t>::min() || d > std::numeric_limits<std::int32_t>::max()) return;  // invalid
    value = fraction.numerator();
    timescale = std::int32_t(d);
    flags = valid;
}

Fraction CMTime::fractionValue() const noexcept { return Fraction(*this); }

double CMTime::seconds() const noexcept {
    if (isPositiveInfinity()) return std::numeric_limits<double>::infinity();
    if (isNegativeInfinity()) return -std::numeric_limits<double>::infinity();
    if (!isNumeric() || timescale == 0) return std::numeric_limits<double>::quiet_NaN();
    return double(value) / double(timescale);
}

int CMTime::compare(const CMTime& a, const CMTime& b) noexcept {
    const int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra != 1) return 0;
    // a.value / a.timescale against b.value / b.timescale, exactly.
    I128 lhs = I128(a.value) * b.timescale;
    I128 rhs = I128(b.value) * a.timescale;
    if ((I128(a.timescale) * b.timescale) < 0) std::swap(lhs, rhs);
    return lhs < rhs ? -1 : (lhs > rhs ? 1 : 0);
}

CMTime CMTime::add(const CMTime& a, const CMTime& b) noexcept {
    if (!a.isValid() || !b.isValid()) return invalid();
    if (a.isIndefinite() || b.isIndefinite()) return makeIndefinite();
    const bool pos = a.isPositiveInfinity() || b.isPositiveInfinity();
    const bool neg = a.isNegativeInfinity() || b.isNegativeInfinity();
    if (pos && neg) return invalid();
    if (pos) return makePositiveInfinity();
    if (neg) return makeNegativeInfinity();
    if (a.timescale <= 0 || b.timescale <= 0) return invalid();
    const std::int64_t g = std::gcd(std::int64_t(a.timescale), std::int64_t(b.timescale));
    const std::int64_t common = std::int64_t(a.timescale) / g * b.timescale;
    std::uint32_t roundedFlag = 0;
    I128 sum;
    std::int64_t scale;
    if (common <= std::numeric_limits<std::int32_t>::max()) {
        scale = common;
        sum = I128(a.value) * (common / a.timescale) + I128(b.value) * (common / b.timescale);
    } else {
        scale = std::max(a.timescale, b.timescale);
        const long double exact = (static_cast<long double>(a.value) / a.timescale +
                                   static_cast<long double>(b.value) / b.timescale) * scale;
        if (!(std::fabs(exact) < 9.2e18L)) return invalid();
        sum = I128(std::llround(exact));
        roundedFlag = hasBeenRounded;
    }
    if (!fitsInt64(sum)) return invalid();
    return CMTime(std::int64_t(sum), std::int32_t(scale), valid | roundedFlag);
}

}  // namespace timecode
