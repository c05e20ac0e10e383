#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string_view>
#include <vector>

#include "TimecodeCore/SubFramesBase.h"
#include "TimecodeCore/TimecodeFrameRate.h"

namespace timecode {

// One of the six components of a timecode, largest first. Reached as Timecode::Component.
class TimecodeComponent {
public:
    enum Case : std::uint8_t { days, hours, minutes, seconds, frames, subFrames };

    constexpr TimecodeComponent(Case c) noexcept : case_(c) {}
    constexpr operator Case() const noexcept { return case_; }

    // The six, days first; also the order of <.
    static const std::vector<TimecodeComponent>& allCases();

    std::string_view nameLowerCamelCase() const noexcept;  // "subFrames"
    std::string_view nameCapitalized() const noexcept;     // "SubFrames"
    std::string_view nameLowercased() const noexcept;      // "subframes"

    // Width of the component's field: 2, the rate's frame digits, or the base's subframe digits.
    int numberOfDigits(TimecodeFrameRate rate, SubFramesBase base) const noexcept;

    // Focus navigation over the components not in `excluding` (which must leave at least one).
    static TimecodeComponent first(const std::set<TimecodeComponent>& excluding);
    static TimecodeComponent last(const std::set<TimecodeComponent>& excluding);
    TimecodeComponent next(const std::set<TimecodeComponent>& excluding, bool wrap) const;
    TimecodeComponent previous(const std::set<TimecodeComponent>& excluding, bool wrap) const;

private:
    Case case_;
};

using TimecodeComponentSet = std::set<TimecodeComponent>;

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeComponent> {
    std::size_t operator()(timecode::TimecodeComponent c) const noexcept { return std::hash<int>{}(int(c)); }
};
