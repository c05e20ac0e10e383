#pragma once

// The check a timecode text field makes on every edit: only timecode characters,
// separators normalised while typing. Plain C++.

#include <optional>
#include <string>

#include "TimecodeCore/Timecode.h"

namespace timecode::field {

struct PartialTextCheck {
    enum class Outcome : std::uint8_t { accepted, rejected, replaced };
    Outcome outcome = Outcome::accepted;
    // The rewritten text (replaced only).
    std::string replacement;
    // Set only for characters that cannot belong to a timecode.
    std::optional<std::string> errorDescription;
};

// The proposed text at a rate and upper limit (either missing accepts everything):
// full stops and semicolons standing for separators become ":" (";" for the third
// at a drop rate); a space only after the days of a 100-day limit; at most three
// separators, one full stop, and that only with showSubFrames.
PartialTextCheck checkPartialTimecodeText(std::string_view proposed, std::optional<TimecodeFrameRate> rate,
                                          std::optional<UpperLimit> limit, const StringFormat& format);

}  // namespace timecode::field
