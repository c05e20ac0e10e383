#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "TimecodeCore/Decimal.h"
#include "TimecodeCore/SubFramesBase.h"

namespace timecode {

// An elapsed-frame position: a number of frames, possibly with a fraction, and the
// subframes base its subframes are counted in. Equality, hashing and ordering use
// the total subframe count (whole frames × base + subframes, each count at its own
// base). Reached as Timecode::FrameCount.
class TimecodeFrameCount {
public:
    // The four interchangeable ways of writing the frames.
    class Value {
    public:
        enum class Case : std::uint8_t { frames, split, combined, splitUnitInterval };

        // Whole frames, no subframes.
        static constexpr Value frames(std::int64_t frames) noexcept { return {Case::frames, frames, 0, 0}; }
        // Whole frames plus a subframe count in the count's base.
        static constexpr Value split(std::int64_t frames, std::int64_t subFrames) noexcept {
            return {Case::split, frames, subFrames, 0};
        }
        // Frames with a fraction.
        static constexpr Value combined(double frames) noexcept { return {Case::combined, 0, 0, frames}; }
        // Whole frames plus a fraction of a frame (0.5 is half a frame).
        static constexpr Value splitUnitInterval(std::int64_t frames, double subFramesUnitInterval) noexcept {
            return {Case::splitUnitInterval, frames, 0, subFramesUnitInterval};
        }

        constexpr Case kind() const noexcept { return case_; }
        // Frames of frames/split/splitUnitInterval (0 for combined).
        constexpr std::int64_t wholeFramesPayload() const noexcept { return frames_; }
        // Subframes of split (0 otherwise).
        constexpr std::int64_t subFramesPayload() const noexcept { return subFrames_; }
        // Frames of combined, or the unit interval of splitUnitInterval (0 otherwise).
        constexpr double doublePayload() const noexcept { return double_; }

        // Every payload word is zero (−0 counts as zero).
        bool isZero() const noexcept { return frames_ == 0 && subFrames_ == 0 && double_ == 0; }
        // "24 frames", "10.4 frames", "10.5 frames".
        std::string description() const;
        // ".frames(24)", ".split(frames: 10, subFrames: 4)", ".combined(10.5)",
        // ".splitUnitInterval(frames: 3, subFramesUnitInterval: 0.5)".
        std::string debugDescription() const;

        // Same case and equal payloads (doubles compared as numbers).
        friend constexpr bool operator==(const Value& a, const Value& b) noexcept {
            return a.case_ == b.case_ && a.frames_ == b.frames_ && a.subFrames_ == b.subFrames_ && a.double_ == b.double_;
        }
        std::size_t hashValue() const noexcept;

    private:
        constexpr Value(Case c, std::int64_t f, std::int64_t sf, double d) noexcept
            : case_(c), frames_(f), subFrames_(sf), double_(d) {}

        Case case_;
        std::int64_t frames_;
        std::int64_t subFrames_;
        double double_;
    };

    Value value;
    SubFramesBase subFramesBase;

    constexpr TimecodeFrameCount(Value v, SubFramesBase base) noexcept : value(v), subFramesBase(base) {}

    // Whole frames; a combined count is truncated toward zero (saturated, NaN as 0).
    std::int64_t wholeFrames() const noexcept;
    // Subframes in this count's base: the split count as stored, or the fraction of
    // a frame × base truncated toward zero, computed in decimal (negative for a
    // negative fraction).
    std::int64_t subFrames() const noexcept;
    // Exact decimal value: frames + subframes / base; a combined count is cut
    // (toward zero) at 8 places.
    Decimal decimalValue() const noexcept;
    double doubleValue() const noexcept;
    bool isZero() const noexcept { return value.isZero(); }
    bool isNegative() const noexcept { return doubleValue() < 0; }
    // "24" for whole frames, otherwise the shortest text of doubleValue ("10.5", "10.0").
    std::string description() const;

    // wholeFrames × base + subFrames, without overflow.
    __int128 totalSubFrames128() const noexcept;
    // The same, saturated to 64 bits.
    std::int64_t totalSubFrames() const noexcept;

    // Arithmetic on totals; the result is a split count at this count's base. The
    // other count's total is taken at its own base, unconverted. Totals beyond 64
    // bits saturate; a NaN product or quotient counts as 0.
    TimecodeFrameCount adding(const TimecodeFrameCount& other) const noexcept;
    TimecodeFrameCount subtracting(const TimecodeFrameCount& other) const noexcept;
    TimecodeFrameCount multiplying(double factor) const noexcept;
    TimecodeFrameCount dividing(double divisor) const noexcept;
    friend TimecodeFrameCount operator+(const TimecodeFrameCount& a, const TimecodeFrameCount& b) noexcept {
        return a.adding(b);
    }
    friend TimecodeFrameCount operator-(const TimecodeFrameCount& a, const TimecodeFrameCount& b) noexcept {
        return a.subtracting(b);
    }
    friend TimecodeFrameCount operator*(const TimecodeFrameCount& a, double factor) noexcept { return a.multiplying(factor); }
    friend TimecodeFrameCount operator/(const TimecodeFrameCount& a, double divisor) noexcept { return a.dividing(divisor); }

    friend bool operator==(const TimecodeFrameCount& a, const TimecodeFrameCount& b) noexcept {
        return a.totalSubFrames128() == b.totalSubFrames128();
    }
    friend std::strong_ordering operator<=>(const TimecodeFrameCount& a, const TimecodeFrameCount& b) noexcept {
        return a.totalSubFrames128() <=> b.totalSubFrames128();
    }
    std::size_t hashValue() const noexcept;
};

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeFrameCount> {
    std::size_t operator()(const timecode::TimecodeFrameCount& c) const noexcept { return c.hashValue(); }
};

template <>
struct std::hash<timecode::TimecodeFrameCount::Value> {
    std::size_t operator()(const timecode::TimecodeFrameCount::Value& v) const noexcept { return v.hashValue(); }
};
