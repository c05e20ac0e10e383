#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace timecode {

// How many subframes make one frame: 80, 100, or quarter frames (4).
// Reached as Timecode::SubFramesBase.
class SubFramesBase {
public:
    enum Case : std::uint8_t { max80SubFrames, max100SubFrames, quarterFrames };

    constexpr SubFramesBase(Case c) noexcept : case_(c) {}
    constexpr operator Case() const noexcept { return case_; }

    static const std::vector<SubFramesBase>& allCases();
    // Accepts 80, 100 and 4 only.
    static std::optional<SubFramesBase> fromRawValue(std::int64_t rawValue) noexcept;

    // 80, 100 or 4.
    constexpr std::int64_t rawValue() const noexcept {
        switch (case_) {
        case max80SubFrames: return 80;
        case max100SubFrames: return 100;
        case quarterFrames: return 4;
        }
        return 80;
    }
    // The highest subframe number: 79, 99 or 3.
    constexpr std::int64_t maxSubFrames() const noexcept { return rawValue() - 1; }
    // Digits of the highest subframe: 2, 2 or 1.
    constexpr int numberOfDigits() const noexcept { return case_ == quarterFrames ? 1 : 2; }
    // "80", "100", "4".
    std::string description() const;
    // "80", "100", "4 (Quarter-Frames)".
    std::string stringValueVerbose() const;

    // `subFrames` of this base rescaled to `other`: unchanged when the bases are equal
    // or the count is 0, else count ÷ this × other in double precision, truncated
    // toward zero (saturated to the 64-bit range).
    std::int64_t convert(std::int64_t subFrames, SubFramesBase other) const noexcept;

private:
    Case case_;
};

}  // namespace timecode

template <>
struct std::hash<timecode::SubFramesBase> {
    std::size_t operator()(timecode::SubFramesBase b) const noexcept { return std::hash<std::int64_t>{}(b.rawValue()); }
};
