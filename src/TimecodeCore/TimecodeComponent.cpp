#include "TimecodeCore/TimecodeComponent.h"

namespace timecode {

namespace {

struct Names {
    std::string_view lowerCamel, capitalized, lowercased;
};

constexpr Names names[] = {
    {"days", "Days", "days"},          {"hours", "Hours", "hours"},    {"minutes", "Minutes", "minutes"},
    {"seconds", "Seconds", "seconds"}, {"frames", "Frames", "frames"}, {"subFrames", "SubFrames", "subframes"},
};

std::vector<TimecodeComponent> remaining(const std::set<TimecodeComponent>& excluding) {
    std::vector<TimecodeComponent> list;
    for (TimecodeComponent c : TimecodeComponent::allCases())
        if (!excluding.contains(c)) list.push_back(c);
    return list;
}

}  // namespace

const std::vector<TimecodeComponent>& TimecodeComponent::allCases() {
    static const std::vector<TimecodeComponent> cases{days, hours, minutes, seconds, frames, subFrames};
    return cases;
}

std::string_view TimecodeComponent::nameLowerCamelCase() const noexcept { return names[case_].lowerCamel; }
std::string_view TimecodeComponent::nameCapitalized() const noexcept { return names[case_].capitalized; }
std::string_view TimecodeComponent::nameLowercased() const noexcept { return names[case_].lowercased; }

int TimecodeComponent::numberOfDigits(TimecodeFrameRate rate, SubFramesBase base) const noexcept {
    switch (case_) {
    case frames: return rate.numberOfDigits();
    case subFrames: return base.numberOfDigits();
    default: return 2;
    }
}

// With every component excluded there is nothing to move to; the navigation then
// stays where it is (first/last give days/subFrames).
TimecodeComponent TimecodeComponent::first(const std::set<TimecodeComponent>& excluding) {
    const auto list = remaining(excluding);
    return list.empty() ? TimecodeComponent(days) : list.front();
}

TimecodeComponent TimecodeComponent::last(const std::set<TimecodeComponent>& excluding) {
    const auto list = remaining(excluding);
    return list.empty() ? TimecodeComponent(subFrames) : list.back();
}

TimecodeComponent TimecodeComponent::next(const std::set<TimecodeComponent>& excluding, bool wrap) const {
    const auto list = remaining(excluding);
    if (list.empty()) return *this;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != *this) continue;
        if (i + 1 < list.size()) return list[i + 1];
        return wrap ? list.front() : *this;
    }
    return list.front();
}

TimecodeComponent TimecodeComponent::previous(const std::set<TimecodeComponent>& excluding, bool wrap) const {
    const auto list = remaining(excluding);
    if (list.empty()) return *this;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != *this) continue;
        if (i > 0) return list[i - 1];
        return wrap ? list.back() : *this;
    }
    return list.back();
}

}  // namespace timecode
