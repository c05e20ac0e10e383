#include "TimecodeCore/Fraction.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "TimecodeCore/Hashing.h"

namespace timecode {

namespace {

using I128 = __int128;
using U128 = unsigned __int128;

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

struct Pair128 {
    I128 n;
    I128 d;
};

U128 gcd(U128 a, U128 b) noexcept {
    while (b != 0) {
        const U128 r = a % b;
        a = b;
        b = r;
    }
    return a;
}

U128 magnitude(I128 v) noexcept { return v < 0 ? U128(0) - U128(v) : U128(v); }

// Lowest terms, denominator not negative, sign on the numerator; never overflows
// because the 64-bit inputs have room in 128 bits.
Pair128 reduce128(I128 n, I128 d) noexcept {
    if (d == 0) return {n == 0 ? 0 : 1, 0};
    if (n == 0) return {0, 1};
    const U128 an = magnitude(n), ad = magnitude(d);
    const U128 g = gcd(an, ad);
    const I128 rn = I128(an / g), rd = I128(ad / g);
    return {((n < 0) != (d < 0)) ? -rn : rn, rd};
}

bool fits64(I128 v) noexcept { return v >= int64Min && v <= int64Max; }

Fraction reducedFraction(I128 n, I128 d) { return Fraction::reducingWide(n, d); }

std::int64_t checkedNegate(std::int64_t v) {
    if (v == int64Min) throw std::overflow_error("Fraction does not fit 64 bits.");
    return -v;
}

std::string text128(I128 v) {
    const bool negative = v < 0;
    U128 m = magnitude(v);
    std::string s;
    do {
        s.insert(s.begin(), char('0' + int(m % 10)));
        m /= 10;
    } while (m != 0);
    if (negative) s.insert(s.begin(), '-');
    return s;
}

bool allDigits(std::string_view s) noexcept {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<std::int64_t> parseInt(std::string_view s) noexcept {
    std::int64_t v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

Fraction Fraction::reducing(std::int64_t numerator, std::int64_t denominator) {
    const Pair128 r = reduce128(numerator, denominator);
    if (!fits64(r.n)) throw std::overflow_error("Fraction does not fit 64 bits.");
    return Fraction(std::int64_t(r.n), std::int64_t(r.d), true);
}

Fraction Fraction::reducingWide(__int128 numerator, __int128 denominator) {
    const Pair128 r = reduce128(numerator, denominator);
    if (!fits64(r.n) || !fits64(r.d)) throw std::overflow_error("Fraction does not fit 64 bits.");
    return Fraction(std::int64_t(r.n), std::int64_t(r.d), true);
}

Fraction Fraction::fromDouble(double value, int decimalPrecision) noexcept {
    if (std::isnan(value)) return Fraction(0, 1, true);
    if (std::isinf(value)) return Fraction(value < 0 ? -int64Max : int64Max, 1, true);
    const double absValue = std::fabs(value);
    // Digits before the point, from the shortest decimal text of the value.
    int integerDigits = 0;
    if (absValue >= 1) integerDigits = Decimal::fromDouble(absValue).integralDigitPlaces();
    if (absValue >= 1e20) integerDigits = int(std::floor(std::log10(absValue))) + 1;
    int places = std::min(std::max(19 - integerDigits, 0), std::max(decimalPrecision, 0));
    // Keep the power of ten and the scaled value inside 64 bits.
    places = std::min(places, 18);
    constexpr double twoTo63 = 9223372036854775808.0;
    while (places > 0 && absValue * std::pow(10.0, places) >= twoTo63) --places;
    std::int64_t denominator = 1;
    for (int i = 0; i < places; ++i) denominator *= 10;
    const double scaled = absValue * double(denominator);
    const std::int64_t magnitudeValue = scaled >= twoTo63 ? int64Max : std::int64_t(scaled);
    return reducing(value < 0 ? -magnitudeValue : magnitudeValue, denominator);
}

Fraction::Fraction(const CMTime& time) noexcept {
    if (time.isIndefinite() || time.isPositiveInfinity() || time.isNegativeInfinity()) return;  // 0/1
    numerator_ = time.value;
    denominator_ = time.timescale;
}

std::optional<Fraction> Fraction::fromFcpxmlString(std::string_view text) noexcept {
    if (text.empty() || text.back() != 's') return std::nullopt;
    std::string_view body = text.substr(0, text.size() - 1);
    const bool negative = !body.empty() && body.front() == '-';
    const std::string_view unsignedBody = negative ? body.substr(1) : body;
    if (allDigits(unsignedBody)) {
        if (auto v = parseInt(body)) return Fraction(*v, 1, true);
        return std::nullopt;  // too many digits: the ratio form cannot match either
    }
    const auto slash = unsignedBody.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view numText = unsignedBody.substr(0, slash);
    const std::string_view denText = unsignedBody.substr(slash + 1);
    if (!allDigits(numText) || !allDigits(denText)) return std::nullopt;
    const auto n = parseInt(body.substr(0, slash + (negative ? 1 : 0)));
    const auto d = parseInt(denText);
    if (!n || !d) return std::nullopt;
    return Fraction(*n, *d);
}

bool Fraction::isReduced() const noexcept {
    if (isReducedFlag_ == true) return true;
    const Pair128 r = reduce128(numerator_, denominator_);
    return r.n == numerator_ && r.d == denominator_;
}

Fraction Fraction::reduced() const {
    if (isReducedFlag_ == true) return *this;
    return reducing(numerator_, denominator_);
}

bool Fraction::isWholeInteger() const noexcept {
    const double q = doubleValue();
    return std::isfinite(q) && std::trunc(q) == q;
}

Fraction Fraction::abs() const {
    const std::int64_t d = denominator_ < 0 ? checkedNegate(denominator_) : denominator_;
    const std::int64_t n = numerator_ < 0 ? checkedNegate(numerator_) : numerator_;
    return Fraction(n, d);
}

Fraction Fraction::negated() const { return Fraction(checkedNegate(numerator_), denominator_); }

std::string Fraction::description() const {
    return std::to_string(numerator_) + "/" + std::to_string(denominator_);
}

std::string Fraction::fcpxmlStringValue() const {
    I128 n = numerator_, d = denominator_;
    if (isReducedFlag_ != true && d < 0) {
        n = -n;
        d = -d;
    }
    // A whole number of seconds is written as that number: tested exactly, so that
    // large or zero denominators never go through a lossy double quotient.
    if (d != 0 && n % d == 0) return text128(n / d) + "s";
    return text128(n) + "/" + text128(d) + "s";
}

bool operator==(const Fraction& a, const Fraction& b) noexcept {
    const Pair128 ra = reduce128(a.numerator_, a.denominator_);
    const Pair128 rb = reduce128(b.numerator_, b.denominator_);
    return ra.n == rb.n && ra.d == rb.d;
}

std::size_t Fraction::hashValue() const noexcept {
    const Pair128 r = reduce128(numerator_, denominator_);
    std::size_t seed = 0;
    hashCombine128(seed, r.n);
    hashCombine128(seed, r.d);
    return seed;
}

Fraction operator+(const Fraction& a, const Fraction& b) {
    if (a.denominator_ == b.denominator_) return reducedFraction(I128(a.numerator_) + b.numerator_, a.denominator_);
    return reducedFraction(I128(a.numerator_) * b.denominator_ + I128(b.numerator_) * a.denominator_,
                           I128(a.denominator_) * b.denominator_);
}

Fraction operator-(const Fraction& a, const Fraction& b) {
    if (a.denominator_ == b.denominator_) return reducedFraction(I128(a.numerator_) - b.numerator_, a.denominator_);
    return reducedFraction(I128(a.numerator_) * b.denominator_ - I128(b.numerator_) * a.denominator_,
                           I128(a.denominator_) * b.denominator_);
}

Fraction operator*(const Fraction& a, const Fraction& b) {
    return reducedFraction(I128(a.numerator_) * b.numerator_, I128(a.denominator_) * b.denominator_);
}

Fraction operator/(const Fraction& a, const Fraction& b) {
    if (b.numerator_ == 0) throw std::domain_error("Division by zero.");
    return reducedFraction(I128(a.numerator_) * b.denominator_, I128(a.denominator_) * b.numerator_);
}

}  // namespace timecode
