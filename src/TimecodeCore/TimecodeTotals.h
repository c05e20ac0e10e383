#pragma once

#include "TimecodeCore/Timecode.h"

// Subframe totals: the one integer that the validation rules, stepping and the
// arithmetic work on. A total is whole frames × subframes base + subframes, read at
// a timecode's frame rate and base; 128 bits, so no sum or difference of totals of
// 64-bit components overflows.
namespace timecode::detail {

using Total = __int128;

// Total of components at a rate and base. Whole frames beyond the 64-bit range
// saturate at ±2^63 (so clamping still moves them to the nearer end).
Total subFrameTotal(const TimecodeComponents& components, TimecodeFrameRate rate, SubFramesBase base) noexcept;
inline Total subFrameTotal(const TimecodeComponents& components, const TimecodeProperties& properties) noexcept {
    return subFrameTotal(components, properties.frameRate, properties.subFramesBase);
}

// The number of distinct totals within the upper limit (frames in the limit × base).
Total subFrameTotalSpan(const TimecodeProperties& properties) noexcept;
// The last total of the span: its last frame with the base's highest subframe.
inline Total lastSubFrameTotal(const TimecodeProperties& properties) noexcept {
    return subFrameTotalSpan(properties) - 1;
}

// Limited to 0 ... last.
Total clampTotal(Total total, const TimecodeProperties& properties) noexcept;
// Reduced into 0 ... last, wrapping around the span (negative totals from the end).
Total wrapTotal(Total total, const TimecodeProperties& properties) noexcept;

// Components of a total at the properties' rate and base (frames = total ÷ base and
// subframes = the remainder, both toward zero).
TimecodeComponents componentsOfTotal(Total total, TimecodeFrameRate rate, SubFramesBase base) noexcept;
inline TimecodeComponents componentsOfTotal(Total total, const TimecodeProperties& properties) noexcept {
    return componentsOfTotal(total, properties.frameRate, properties.subFramesBase);
}

// What a value of components becomes under a rule at the properties. Counts (frame
// counts, time values) clamp the whole value under both clamping rules; other
// values clamp each component under clampingComponents.
enum class ValueKind { components, count };
TimecodeComponents applyRule(ValidationRule rule, const TimecodeComponents& components,
                             const TimecodeProperties& properties, ValueKind kind) noexcept;

}  // namespace timecode::detail
