#include "TimecodeCore/UpperLimit.h"

namespace timecode {

const std::vector<UpperLimit>& UpperLimit::allCases() {
    static const std::vector<UpperLimit> cases{max24Hours, max100Days};
    return cases;
}

std::optional<UpperLimit> UpperLimit::fromRawValue(std::string_view rawValue) noexcept {
    if (rawValue == "24 hours") return max24Hours;
    if (rawValue == "100 days") return max100Days;
    return std::nullopt;
}

}  // namespace timecode
