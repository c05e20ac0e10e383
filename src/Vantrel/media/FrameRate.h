#pragma once

#include "TimecodeCore/TimecodeFrameRate.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <optional>

namespace vantrel {

// The application's record of a source's frame rate: the exact rate as a fraction,
// the whole frames that make one timecode second, and the drop-frame flag. Made
// from a timecode track, offered as a per-row override, stored in every queued job.
struct FrameRate {
    std::int64_t numerator = 0;    // 30000 for 29.97
    std::int64_t denominator = 1;  // 1, or 1001 for the NTSC rates; never 0 in records the app makes
    std::int64_t labelRate = 0;    // whole frames per timecode second (30 for 29.97)
    bool isDropFrame = false;

    // From a timecode track's frame quanta and drop flag: with the flag, 30 and 60
    // become 30000/1001 and 60000/1001; every other case is nominal/1.
    static FrameRate fromNominal(std::int64_t nominal, bool ntsc);

    // Short text for the source row: "23.98", "29.97 DF", "25", "12.500".
    QString displayText() const;

    // The first timecode rate (in case order) within 0.01 fps of this rate, drop
    // only when the flag is set at a 1001-based multiple of 30; nothing when none is.
    std::optional<timecode::TimecodeFrameRate> timecodeFrameRate() const;

    // The stored form: {"numerator", "denominator", "labelRate", "isDropFrame"}.
    QJsonObject toJson() const;
    // Fails (nothing, with the reason in `error`) on a missing key, a wrong type, a
    // number that is not a whole 64-bit integer, or a rate that is not positive.
    // Keys it does not know are ignored.
    static std::optional<FrameRate> fromJson(const QJsonValue& value, QString* error = nullptr);

    friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

std::size_t qHash(const FrameRate& rate, std::size_t seed = 0) noexcept;

}  // namespace vantrel

template <>
struct std::hash<vantrel::FrameRate> {
    std::size_t operator()(const vantrel::FrameRate& rate) const noexcept { return vantrel::qHash(rate); }
};
