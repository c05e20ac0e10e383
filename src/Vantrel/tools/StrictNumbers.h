#pragma once

#include <QString>
#include <QStringView>

#include <charconv>
#include <cstdint>
#include <optional>

namespace vantrel {

// Strict text-to-number conversions: the whole text must be the number, with no
// blank before or after it and no group separators; locale-independent.

// An optional "+" or "-" followed by ASCII digits only, within the 64-bit range.
inline std::optional<std::int64_t> strictInteger(QStringView text) {
    const QByteArray bytes = text.toLatin1();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    const bool plus = begin != end && *begin == '+';
    if (plus) ++begin;
    const char* digits = (!plus && begin != end && *begin == '-') ? begin + 1 : begin;
    if (digits == end) return std::nullopt;
    for (const char* p = digits; p != end; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// A decimal floating-point number (optionally signed, with an exponent); also
// "inf" and "nan" as the C library writes them.
inline std::optional<double> strictDouble(QStringView text) {
    const QByteArray bytes = text.toLatin1();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && (*begin == '-' || *begin == '+')) return std::nullopt;
    }
    if (begin == end) return std::nullopt;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace vantrel
