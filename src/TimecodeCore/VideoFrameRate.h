#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TimecodeCore/CMTime.h"
#include "TimecodeCore/Fraction.h"
#include "TimecodeCore/TimecodeFrameRate.h"

namespace timecode {

// The picture rates of video material, progressive and interlaced, beside the
// timecode counting rates. Converts implicitly to and from its Case.
class VideoFrameRate {
public:
    enum Case : std::uint8_t {
        fps23_98p,
        fps24p,
        fps25p,
        fps25i,
        fps29_97p,
        fps29_97i,
        fps30p,
        fps47_95p,
        fps48p,
        fps50p,
        fps50i,
        fps59_94p,
        fps59_94i,
        fps60p,
        fps60i,
        fps90p,
        fps95_9p,
        fps96p,
        fps100p,
        fps119_88p,
        fps120p,
    };
    static constexpr int caseCount = 21;

    constexpr VideoFrameRate(Case c) noexcept : case_(c) {}
    constexpr operator Case() const noexcept { return case_; }

    // ---- Lookups (none when nothing matches; never throw)
    static const std::vector<VideoFrameRate>& allCases();
    // Exactly one of the 21 labels ("23.98p", "29.97i", ...); case-sensitive.
    static std::optional<VideoFrameRate> fromRawValue(std::string_view rawValue) noexcept;
    static std::optional<VideoFrameRate> fromStringValue(std::string_view stringValue) noexcept;
    // By frames per second: first compared truncated to 3 places (strict) or 1 place,
    // then, when that finds nothing, rounded to the same places.
    static std::optional<VideoFrameRate> fromFps(double fps, bool interlaced, bool strict) noexcept;
    static std::optional<VideoFrameRate> fromFps(float fps, bool interlaced, bool strict) noexcept;
    // The first rate in case order whose rate equals `rate` (same pair, or the same
    // double quotient) and whose interlacing is `interlaced`.
    static std::optional<VideoFrameRate> fromRate(const Fraction& rate, bool interlaced) noexcept;
    static std::optional<VideoFrameRate> fromRate(const CMTime& rate, bool interlaced) noexcept;
    // As fromRate, matching the frame duration or the alternate duration.
    static std::optional<VideoFrameRate> fromFrameDuration(const Fraction& duration, bool interlaced) noexcept;
    static std::optional<VideoFrameRate> fromFrameDuration(const CMTime& duration, bool interlaced) noexcept;

    // ---- Properties
    std::string_view rawValue() const noexcept;
    std::string_view stringValue() const noexcept { return rawValue(); }
    std::string description() const { return std::string(rawValue()); }
    Fraction rate() const noexcept;
    Fraction frameDuration() const noexcept;
    std::optional<Fraction> alternateFrameDuration() const noexcept;
    CMTime rateCMTime() const noexcept { return CMTime(rate()); }
    CMTime frameDurationCMTime() const noexcept { return CMTime(frameDuration()); }
    // The rate as a double (23.976023976023978 at 23.98p).
    double fps() const noexcept;
    bool isInterlaced() const noexcept;
    // The timecode rate that counts this video rate, non-drop or drop; none where there is none.
    std::optional<TimecodeFrameRate> timecodeFrameRate(bool drop) const noexcept;

private:
    Case case_;
};

// The video rate whose label is the whole text, or none.
inline std::optional<VideoFrameRate> videoFrameRate(std::string_view text) noexcept {
    return VideoFrameRate::fromStringValue(text);
}

}  // namespace timecode

template <>
struct std::hash<timecode::VideoFrameRate> {
    std::size_t operator()(timecode::VideoFrameRate r) const noexcept {
        return std::hash<std::string_view>{}(r.rawValue());
    }
};
