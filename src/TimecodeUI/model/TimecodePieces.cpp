#include "TimecodeUI/model/TimecodePieces.h"

#include <cstdio>

namespace timecode::field {

namespace {

std::string zeroFilled(std::int64_t value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    return buffer;
}

}  // namespace

std::vector<TimecodePiece> timecodePieces(const Timecode& timecode, const StringFormat& format, bool dashes) {
    const TimecodeComponentSet invalid = timecode.invalidComponents();
    const TimecodeComponents& c = timecode.components();
    std::vector<TimecodePiece> pieces;
    auto number = [&](TimecodeComponent component, std::string text) {
        pieces.push_back({TimecodePiece::Kind::number, std::move(text), component, invalid.contains(component)});
    };
    auto separator = [&](std::string text) { pieces.push_back({TimecodePiece::Kind::separator, std::move(text), {}, false}); };
    const std::string colon = dashes ? "-" : ":";

    if (c.days != 0 || format.alwaysShowDays()) {
        number(TimecodeComponent::days, std::to_string(c.days));
        separator(" ");
    }
    number(TimecodeComponent::hours, zeroFilled(c.hours, 2));
    separator(colon);
    number(TimecodeComponent::minutes, zeroFilled(c.minutes, 2));
    separator(colon);
    number(TimecodeComponent::seconds, zeroFilled(c.seconds, 2));
    separator(dashes ? "-" : std::string(1, timecode.frameRate().framesSeparator()));
    number(TimecodeComponent::frames, zeroFilled(c.frames, timecode.frameRate().numberOfDigits()));
    if (format.showSubFrames()) {
        separator(".");
        number(TimecodeComponent::subFrames, zeroFilled(c.subFrames, timecode.subFramesBase().numberOfDigits()));
    }
    return pieces;
}

}  // namespace timecode::field
