#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TimecodeCore/CMTime.h"
#include "TimecodeCore/Fraction.h"
#include "TimecodeCore/SubFramesBase.h"
#include "TimecodeCore/UpperLimit.h"

namespace timecode {

class VideoFrameRate;

// The 23 timecode frame rates and every per-rate constant of the timecode model.
// Converts implicitly to and from its Case, so it can be switched on and compared
// with ==.
class TimecodeFrameRate {
public:
    enum Case : std::uint8_t {
        fps23_976,
        fps24,
        fps24_98,
        fps25,
        fps29_97,
        fps29_97d,
        fps30,
        fps30d,
        fps47_952,
        fps48,
        fps50,
        fps59_94,
        fps59_94d,
        fps60,
        fps60d,
        fps90,
        fps95_904,
        fps96,
        fps100,
        fps119_88,
        fps119_88d,
        fps120,
        fps120d,
    };
    static constexpr int caseCount = 23;

    // Rates that count alike: same kind (1001-based or whole) and same drop flag.
    class CompatibleGroup {
    public:
        enum Case : std::uint8_t { ntscColor, ntscDrop, whole, ntscColorWallTime };

        constexpr CompatibleGroup(Case c) noexcept : case_(c) {}
        constexpr operator Case() const noexcept { return case_; }

        static const std::vector<CompatibleGroup>& allCases();
        // "NTSC Color", "NTSC Drop-Frame", "Whole", "NTSC Color Wall Time".
        std::string_view stringValue() const noexcept;
        std::string_view description() const noexcept { return stringValue(); }
        // The member rates of this group, in case order.
        const std::vector<TimecodeFrameRate>& rates() const;
        // Every group with its members, in the order of allCases().
        static const std::vector<std::pair<CompatibleGroup, std::vector<TimecodeFrameRate>>>& table();

    private:
        Case case_;
    };

    struct AafMetadata {
        std::string editRate;         // "30000/1001"
        std::string dropFrame;        // "true" / "false"
        std::string framesPerSecond;  // "30"
    };
    struct FcpXmlMetadata {
        std::string frameDuration;  // "1001/30000s"
        std::string tcFormat;       // "DF" / "NDF"
    };

    constexpr TimecodeFrameRate(Case c) noexcept : case_(c) {}
    constexpr operator Case() const noexcept { return case_; }

    // ---- Lookups (none when nothing matches; never throw)
    static const std::vector<TimecodeFrameRate>& allCases();
    static const std::vector<TimecodeFrameRate>& allDrop();
    static const std::vector<TimecodeFrameRate>& allNonDrop();
    // Exactly one of the 23 raw strings ("23.976", "29.97d", ...); case-sensitive, no trimming.
    static std::optional<TimecodeFrameRate> fromRawValue(std::string_view rawValue) noexcept;
    static std::optional<TimecodeFrameRate> fromStringValue(std::string_view stringValue) noexcept {
        return fromRawValue(stringValue);
    }
    // The first rate, in case order, whose rate equals `rate` (same pair, or same
    // double quotient) and whose drop flag is `drop`.
    static std::optional<TimecodeFrameRate> fromRate(const Fraction& rate, bool drop) noexcept;
    static std::optional<TimecodeFrameRate> fromRate(const CMTime& rate, bool drop) noexcept;
    // As fromRate, matching the frame duration, or the alternate duration 1000/N.
    static std::optional<TimecodeFrameRate> fromFrameDuration(const Fraction& duration, bool drop) noexcept;
    static std::optional<TimecodeFrameRate> fromFrameDuration(const CMTime& duration, bool drop) noexcept;

    // ---- Text forms
    std::string_view rawValue() const noexcept;
    std::string_view stringValue() const noexcept { return rawValue(); }
    std::string description() const { return std::string(rawValue()); }
    // "29.97 fps drop", "24 fps".
    std::string stringValueVerbose() const;
    AafMetadata aafMetadata() const;
    FcpXmlMetadata fcpXMLMetadata() const;
    // ";" before the frames field at drop rates, ":" otherwise.
    char framesSeparator() const noexcept { return isDrop() ? ';' : ':'; }

    // ---- Rate constants
    Fraction rate() const noexcept;
    Fraction frameDuration() const noexcept;
    std::optional<Fraction> alternateFrameDuration() const noexcept;
    CMTime rateCMTime() const noexcept { return CMTime(rate()); }
    CMTime frameDurationCMTime() const noexcept { return CMTime(frameDuration()); }
    bool isDrop() const noexcept;
    // Whole frames counted per timecode second (24 at 23.976).
    std::int64_t maxFrames() const noexcept;
    std::int64_t maxFrameNumberDisplayable() const noexcept { return maxFrames() - 1; }
    // Width of the frames field: 2, or 3 from 119.88 up.
    int numberOfDigits() const noexcept;
    double framesDroppedPerMinute() const noexcept;
    // Whole-number form of framesDroppedPerMinute (0, 2, 4 or 8).
    std::int64_t framesDropped() const noexcept;
    double frameRateForElapsedFramesCalculation() const noexcept;
    double frameRateForRealTimeCalculation() const noexcept;
    // Frames in ten minutes at a drop rate (17982, 35964, 71928); 0 otherwise.
    std::int64_t framesPerTenMinutes() const noexcept;

    // ---- Counts
    std::int64_t maxTotalFrames(UpperLimit limit) const noexcept;
    std::int64_t maxTotalFramesExpressible(UpperLimit limit) const noexcept { return maxTotalFrames(limit) - 1; }
    std::int64_t maxTotalSubFrames(UpperLimit limit, SubFramesBase base) const noexcept {
        return maxTotalFrames(limit) * base.rawValue();
    }
    std::int64_t maxSubFrameCountExpressible(UpperLimit limit, SubFramesBase base) const noexcept {
        return maxTotalSubFrames(limit, base) - 1;
    }

    // ---- Groups
    CompatibleGroup compatibleGroup() const noexcept;
    const std::vector<TimecodeFrameRate>& compatibleGroupRates() const { return compatibleGroup().rates(); }
    bool isCompatible(TimecodeFrameRate other) const noexcept { return compatibleGroup() == other.compatibleGroup(); }

    // ---- Video rate (defined with VideoFrameRate)
    // The video rate of the same rate fraction, progressive or interlaced; none where there is none.
    std::optional<VideoFrameRate> videoFrameRate(bool interlaced) const noexcept;

private:
    Case case_;
};

// The rate whose text form is exactly `text` ("23.976", "29.97d", ...), or nullopt.
inline std::optional<TimecodeFrameRate> timecodeFrameRate(std::string_view text) noexcept {
    return TimecodeFrameRate::fromStringValue(text);
}

// What the timecode rates and the video rates have in common.
template <class R>
concept FrameRateProtocol = std::equality_comparable<R> && requires(const R r, std::string_view text) {
    { R::allCases() } -> std::convertible_to<const std::vector<R>&>;
    { r.stringValue() } -> std::convertible_to<std::string_view>;
    { R::fromStringValue(text) } -> std::same_as<std::optional<R>>;
    { r.rate() } -> std::same_as<Fraction>;
    { r.frameDuration() } -> std::same_as<Fraction>;
    { r.alternateFrameDuration() } -> std::same_as<std::optional<Fraction>>;
};

// Rates ordered by their position in allCases(); equal values stay side by side.
template <FrameRateProtocol R>
std::vector<R> sorted(std::vector<R> rates) {
    const auto& all = R::allCases();
    auto index = [&all](const R& r) { return std::find(all.begin(), all.end(), r) - all.begin(); };
    std::stable_sort(rates.begin(), rates.end(), [&](const R& a, const R& b) { return index(a) < index(b); });
    return rates;
}

}  // namespace timecode

template <>
struct std::hash<timecode::TimecodeFrameRate> {
    std::size_t operator()(timecode::TimecodeFrameRate r) const noexcept {
        return std::hash<std::string_view>{}(r.rawValue());
    }
};
