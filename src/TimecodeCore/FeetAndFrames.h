#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "TimecodeCore/SubFramesBase.h"
#include "TimecodeCore/TimecodeFrameCount.h"

namespace timecode {

// A film-footage position: whole feet plus frames at 16 frames per foot, with
// optional subframes. Nothing normalises the fields: frames of 16 or more, negative
// values and subframes beyond the base are kept as given.
struct FeetAndFrames {
    static constexpr std::int64_t framesPerFoot = 16;

    std::int64_t feet = 0;
    std::int64_t frames = 0;
    std::int64_t subFrames = 0;
    SubFramesBase subFramesBase = SubFramesBase::max80SubFrames;

    constexpr FeetAndFrames() noexcept = default;
    constexpr FeetAndFrames(std::int64_t feet, std::int64_t frames, std::int64_t subFrames,
                            SubFramesBase subFramesBase) noexcept
        : feet(feet), frames(frames), subFrames(subFrames), subFramesBase(subFramesBase) {}
    // Reads "feet+frames" or "feet+frames.subframes" (digits only, nothing around
    // them). Throws StringParseError (malformed) for any other text or a number that
    // does not fit 64 bits.
    FeetAndFrames(std::string_view text, SubFramesBase subFramesBase);

    // feet × 16 + frames frames (plain when there are no subframes, else split with
    // the subframes) at this value's base. Totals beyond the 64-bit range saturate.
    TimecodeFrameCount frameCount() const noexcept;

    // "12+05": feet as a plain integer, frames at least two digits.
    std::string stringValue() const;
    std::string description() const { return stringValue(); }
    // "12+05.03": subframes always at least two digits, whatever the base.
    std::string stringValueVerbose() const;

    friend constexpr bool operator==(const FeetAndFrames&, const FeetAndFrames&) = default;
    std::size_t hashValue() const noexcept;
};

}  // namespace timecode

template <>
struct std::hash<timecode::FeetAndFrames> {
    std::size_t operator()(const timecode::FeetAndFrames& f) const noexcept { return f.hashValue(); }
};
