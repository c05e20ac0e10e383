#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vantrel {

// Where a row's (and a job's) start timecode comes from: the time of day of the
// file's creation date, or the timecode the user typed. Stored as the case name.
enum class FixMode { creationTime, manual };

inline constexpr std::array<FixMode, 2> allFixModes{FixMode::creationTime, FixMode::manual};

inline constexpr std::string_view fixModeRawValue(FixMode mode) {
    return mode == FixMode::manual ? std::string_view("manual") : std::string_view("creationTime");
}

inline std::optional<FixMode> fixModeFromRawValue(std::string_view raw) {
    if (raw == "creationTime") return FixMode::creationTime;
    if (raw == "manual") return FixMode::manual;
    return std::nullopt;
}

}  // namespace vantrel
