#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace timecode {

// How far a timecode may count: 24 hours (days always 0) or 100 days (days 0...99).
// Reached as Timecode::UpperLimit.
class UpperLimit {
public:
    enum Case : std::uint8_t { max24Hours, max100Days };

    constexpr UpperLimit(Case c) noexcept : case_(c) {}
    constexpr operator Case() const noexcept { return case_; }

    static const std::vector<UpperLimit>& allCases();
    // Accepts exactly "24 hours" and "100 days".
    static std::optional<UpperLimit> fromRawValue(std::string_view rawValue) noexcept;

    constexpr std::string_view rawValue() const noexcept {
        return case_ == max24Hours ? std::string_view("24 hours") : std::string_view("100 days");
    }
    // The highest valid days value: 0 or 99.
    constexpr std::int64_t maxDays() const noexcept { return case_ == max24Hours ? 0 : 99; }
    // Number of days the limit spans: 1 or 100.
    constexpr std::int64_t dayCount() const noexcept { return case_ == max24Hours ? 1 : 100; }

private:
    Case case_;
};

}  // namespace timecode

template <>
struct std::hash<timecode::UpperLimit> {
    std::size_t operator()(timecode::UpperLimit l) const noexcept { return std::hash<std::string_view>{}(l.rawValue()); }
};
