#include "TimecodeCore/NumericUtilities.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

namespace timecode {

std::int64_t saturatingInt64(double value) noexcept {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value)) return 0;
    if (value >= limit) return std::numeric_limits<std::int64_t>::max();
    if (value < -limit) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(value);
}

std::string shortestDescription(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";

    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, std::size_t(res.ptr - buf));
    const bool negative = sci.front() == '-';
    if (negative) sci.remove_prefix(1);
    const auto e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits += c;
    const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());

    std::string text;
    // Exponential form for tiny values (below 1e-4) and those beyond 2^54.
    if (exponent < -4 || std::fabs(value) > 18014398509481984.0) {
        text = digits.substr(0, 1);
        if (digits.size() > 1) text += "." + digits.substr(1);
        text += exponent < 0 ? "e-" : "e+";
        const int absExponent = exponent < 0 ? -exponent : exponent;
        if (absExponent < 10) text += '0';
        text += std::to_string(absExponent);
    } else if (exponent < 0) {
        text = "0." + std::string(std::size_t(-exponent - 1), '0') + digits;
    } else if (std::size_t(exponent) + 1 >= digits.size()) {
        text = digits + std::string(std::size_t(exponent) + 1 - digits.size(), '0') + ".0";
    } else {
        text = digits.substr(0, std::size_t(exponent) + 1) + "." + digits.substr(std::size_t(exponent) + 1);
    }
    return negative ? "-" + text : text;
}

}  // namespace timecode

namespace timecode {

namespace {

// Significant digits and decimal exponent of the shortest decimal form of a finite,
// non-zero double ("1.234e+01" has 4 digits and exponent 1).
struct DecimalShape {
    int digits;
    int exponent;
};

std::optional<DecimalShape> decimalShape(double value) noexcept {
    if (!std::isfinite(value) || value == 0) return std::nullopt;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buffer, std::size_t(result.ptr - buffer));
    const std::size_t e = text.find('e');
    int digits = 0;
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') ++digits;
    int exponent = 0;
    const std::string_view exponentText = text.substr(e + 1);
    std::from_chars(exponentText.data() + (exponentText[0] == '+' ? 1 : 0), exponentText.data() + exponentText.size(),
                    exponent);
    return DecimalShape{digits, exponent};
}

}  // namespace

int integralDigitPlaces(double value) noexcept {
    const auto shape = decimalShape(value);
    return shape && shape->exponent >= 0 ? shape->exponent + 1 : 0;
}

int fractionDigitPlaces(double value) noexcept {
    const auto shape = decimalShape(value);
    return shape ? std::max(0, shape->digits - 1 - shape->exponent) : 0;
}

}  // namespace timecode
