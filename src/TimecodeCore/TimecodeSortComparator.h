#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include "TimecodeCore/Timecode.h"

namespace timecode {

enum class SortOrder { forward, reverse };

// The time-line ordering of timecodes, packaged for sorting.
struct TimecodeSortComparator {
    SortOrder order = SortOrder::forward;
    std::optional<Timecode> timelineStart;

    // lhs.compare(rhs, timelineStart), negated for the reverse order.
    ComparisonResult compare(const Timecode& lhs, const Timecode& rhs) const;
    // A strict weak ordering for the standard algorithms, consistent with compare:
    // whether lhs goes before rhs.
    bool operator()(const Timecode& lhs, const Timecode& rhs) const;

    // Same order, and starts both absent or both present and equal.
    friend bool operator==(const TimecodeSortComparator& a, const TimecodeSortComparator& b) noexcept {
        return a.order == b.order && a.timelineStart == b.timelineStart;
    }
    std::size_t hashValue() const noexcept;
};

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeSortComparator> {
    std::size_t operator()(const timecode::TimecodeSortComparator& c) const noexcept { return c.hashValue(); }
};
