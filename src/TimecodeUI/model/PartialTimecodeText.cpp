#include "TimecodeUI/model/PartialTimecodeText.h"

namespace timecode::field {

PartialTextCheck checkPartialTimecodeText(std::string_view proposed, std::optional<TimecodeFrameRate> rate,
                                          std::optional<UpperLimit> limit, const StringFormat& format) {
    using O = PartialTextCheck::Outcome;
    if (!rate || !limit || proposed.empty()) return {};
    for (char ch : proposed)
        if (std::string_view("0123456789:;. ").find(ch) == std::string_view::npos)
            return {O::rejected, {}, std::string("Invalid characters.")};

    const bool drop = rate->isDrop();
    int separators = 0, fullStops = 0, digitRuns = 0;
    bool spaceSeen = false, rewritten = false, previousDigit = false;
    std::string result;
    for (char ch : proposed) {
        if (ch == '.' && separators < 3) {
            ch = (drop && separators == 2) ? ';' : ':';
            rewritten = true;
        } else if (ch == '.' && fullStops > 0) {
            return {O::rejected, {}, {}};
        } else if (ch == ';' && separators < 3) {
            ch = (drop && separators == 2) ? ';' : ':';
            rewritten = true;
        }
        if (ch == ' ') {
            if (*limit != UpperLimit::max100Days || digitRuns != 1 || separators > 0 || fullStops > 0 || spaceSeen)
                return {O::rejected, {}, {}};
            spaceSeen = true;
            digitRuns = 0;  // the run that starts next counts as the first again
        } else if (ch == ':' || ch == ';') {
            if (++separators > 3) return {O::rejected, {}, {}};
        } else if (ch == '.') {
            if (++fullStops > 1 || !format.showSubFrames()) return {O::rejected, {}, {}};
        }
        const bool digit = ch >= '0' && ch <= '9';
        if (digit && !previousDigit) ++digitRuns;
        previousDigit = digit;
        result += ch;
    }
    if (rewritten) return {O::replaced, std::move(result), {}};
    return {};
}

}  // namespace timecode::field
