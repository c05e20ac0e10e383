#pragma once

// A timecode laid out as text piece by piece, so that each number and each
// separator can carry its own style. Plain C++; the text forms build on it.

#include <optional>
#include <string>
#include <vector>

#include "TimecodeCore/Timecode.h"

namespace timecode::field {

struct TimecodePiece {
    enum class Kind : std::uint8_t { number, separator };
    Kind kind = Kind::number;
    std::string text;
    // The component of a number piece.
    std::optional<TimecodeComponent> component;
    // Whether that component is out of range at the timecode's properties.
    bool invalid = false;

    bool isSubFrames() const noexcept { return component == TimecodeComponent::subFrames; }
};

// Days (when not 0 or always shown) and a space, hours, minutes and seconds
// joined by ":", the rate's frames separator, the frames, and with showSubFrames
// a "." and the subframes zero-filled to the base's width. With dashes, the
// file-name form writes "-" for ":", ";" (the space stays).
std::vector<TimecodePiece> timecodePieces(const Timecode& timecode, const StringFormat& format, bool dashes);

}  // namespace timecode::field
