#pragma once

#include "Vantrel/media/FrameRate.h"

#include "TimecodeCore/Timecode.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace vantrel {

// A timecode together with the application's rate record it was made for and the
// timecode library's rate that record maps to. Timecodes are at subframes base
// 100 and the 24-hour limit.
struct TimecodeModel {
    FrameRate frameRate;
    timecode::TimecodeFrameRate resolvedRate;
    timecode::Timecode tc;

    // From timecode text ("01:00:00:00", "10:20:30;15") at a rate record: nothing
    // when the record maps to no timecode rate, the text is no timecode, or a
    // component is out of range at that rate.
    static std::optional<TimecodeModel> fromText(const QString& text, const FrameRate& frameRate);

    // Equal rate records, and timecodes that count to the same whole frames.
    friend bool operator==(const TimecodeModel& a, const TimecodeModel& b);
};

// Seconds since local midnight of an instant in a zone (the system zone when none).
double secondsSinceMidnight(const QDateTime& date, const std::optional<QTimeZone>& timeZone);

// The timecode of an instant's wall-clock time in a zone (the system zone when
// none): hours, minutes and seconds as they are, frames = the milliseconds ×
// the label rate ÷ 1000, rounded down (exactly, in integers). At a drop-frame
// rate a time that falls on a frame label the rate skips moves to the first frame
// of that second that exists. Nothing when the rate maps to no timecode rate.
std::optional<TimecodeModel> timeOfDayTimecode(const QDateTime& date, const std::optional<QTimeZone>& timeZone,
                                               const FrameRate& frameRate);

// A timecode of components at a rate, base 100, 24-hour limit, components kept as given.
timecode::Timecode makeAppTimecode(const timecode::Timecode::Components& components,
                                   timecode::TimecodeFrameRate rate);

}  // namespace vantrel
