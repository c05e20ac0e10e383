// Equality, ordering and sorting of timecodes.
#include <algorithm>
#include <numeric>

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeSortComparator.h"

namespace timecode {

namespace {

bool hasTimeline(const std::optional<Timecode>& start) { return start && !start->frameCount().isZero(); }

// The decimal frame count, one day earlier when at or after the time-line start
// (so a recording that runs past midnight stays in order).
Decimal timelinePosition(const Timecode& t, const Decimal& start) {
    Decimal position = t.frameCount().decimalValue();
    if (position >= start) {
        const Timecode::Components oneDay{.days = 1};
        position = position - Timecode::frameCount(oneDay, t.frameRate(), t.subFramesBase()).decimalValue();
    }
    return position;
}

// Orders by a key computed once per element; equal keys keep their order. Every
// key type used here is totally ordered, so the order is a strict weak one.
template <class KeyFn>
void stableSortByKey(std::span<Timecode> list, bool ascending, KeyFn keyOf) {
    using Key = decltype(keyOf(list.front()));
    std::vector<std::pair<Key, std::size_t>> keyed;
    keyed.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) keyed.emplace_back(keyOf(list[i]), i);
    std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
    });
    std::vector<Timecode> ordered;
    ordered.reserve(list.size());
    for (const auto& k : keyed) ordered.push_back(list[k.second]);
    std::copy(ordered.begin(), ordered.end(), list.begin());
}

}  // namespace

double Timecode::roundedRealTimeValue() const noexcept {
    return rounded(realTimeValue(), RoundingRule::toNearestOrAwayFromZero, 9);
}

bool operator==(const Timecode& a, const Timecode& b) noexcept {
    if (a.frameRate() != b.frameRate()) return false;
    if (a.subFrames() != 0 && b.subFrames() != 0 && a.subFramesBase() != b.subFramesBase()) return false;
    return a.roundedRealTimeValue() == b.roundedRealTimeValue();
}

bool operator<(const Timecode& a, const Timecode& b) noexcept {
    return a.roundedRealTimeValue() < b.roundedRealTimeValue();
}

ComparisonResult Timecode::compare(const Timecode& other, const std::optional<Timecode>& timelineStart) const {
    if (*this == other) return ComparisonResult::orderedSame;
    if (hasTimeline(timelineStart)) {
        const Decimal start = timelineStart->frameCount().decimalValue();
        return timelinePosition(*this, start) < timelinePosition(other, start) ? ComparisonResult::orderedAscending
                                                                              : ComparisonResult::orderedDescending;
    }
    return roundedRealTimeValue() < other.roundedRealTimeValue() ? ComparisonResult::orderedAscending
                                                                 : ComparisonResult::orderedDescending;
}

bool isSorted(std::span<const Timecode> timecodes, bool ascending, const std::optional<Timecode>& timelineStart) {
    for (std::size_t i = 1; i < timecodes.size(); ++i) {
        const Timecode& previous = timecodes[i - 1];
        const Timecode& next = timecodes[i];
        if (previous == next) continue;
        const ComparisonResult r = previous.compare(next, timelineStart);
        if (ascending ? r == ComparisonResult::orderedDescending : r == ComparisonResult::orderedAscending)
            return false;
    }
    return true;
}

void sort(std::span<Timecode> timecodes, bool ascending, const Timecode& timelineStart) {
    if (timecodes.size() < 2) return;
    if (hasTimeline(timelineStart)) {
        const Decimal start = timelineStart.frameCount().decimalValue();
        stableSortByKey(timecodes, ascending, [&start](const Timecode& t) { return timelinePosition(t, start); });
    } else {
        stableSortByKey(timecodes, ascending, [](const Timecode& t) { return t.roundedRealTimeValue(); });
    }
}

std::vector<Timecode> sorted(std::span<const Timecode> timecodes, bool ascending, const Timecode& timelineStart) {
    std::vector<Timecode> copy(timecodes.begin(), timecodes.end());
    sort(copy, ascending, timelineStart);
    return copy;
}

// ---- TimecodeSortComparator

ComparisonResult TimecodeSortComparator::compare(const Timecode& lhs, const Timecode& rhs) const {
    const ComparisonResult r = lhs.compare(rhs, timelineStart);
    return order == SortOrder::reverse ? ComparisonResult(-int(r)) : r;
}

bool TimecodeSortComparator::operator()(const Timecode& lhs, const Timecode& rhs) const {
    const bool forward = order == SortOrder::forward;
    if (hasTimeline(timelineStart)) {
        const Decimal start = timelineStart->frameCount().decimalValue();
        const Decimal a = timelinePosition(lhs, start), b = timelinePosition(rhs, start);
        return forward ? a < b : b < a;
    }
    const double a = lhs.roundedRealTimeValue(), b = rhs.roundedRealTimeValue();
    return forward ? a < b : b < a;
}

std::size_t TimecodeSortComparator::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine(seed, int(order));
    hashCombine(seed, timelineStart.has_value());
    if (timelineStart) hashCombine(seed, *timelineStart);
    return seed;
}

}  // namespace timecode
