#include "Vantrel/media/TimecodeModel.h"

#include <algorithm>
#include <exception>

namespace vantrel {

using timecode::Timecode;

namespace {

struct WallClock {
    std::int64_t hour, minute, second, millisecond;
};

WallClock wallClock(const QDateTime& date, const std::optional<QTimeZone>& timeZone) {
    const QTime time = date.toTimeZone(timeZone ? *timeZone : QTimeZone::systemTimeZone()).time();
    if (!time.isValid()) return {0, 0, 0, 0};
    return {time.hour(), time.minute(), time.second(), time.msec()};
}

}  // namespace

Timecode makeAppTimecode(const Timecode::Components& components, timecode::TimecodeFrameRate rate) {
    return Timecode(timecode::TimecodeSourceValue::components(components), rate,
                    timecode::SubFramesBase::max100SubFrames, timecode::UpperLimit::max24Hours,
                    timecode::ValidationRule::allowingInvalid);
}

std::optional<TimecodeModel> TimecodeModel::fromText(const QString& text, const FrameRate& frameRate) {
    const auto resolved = frameRate.timecodeFrameRate();
    if (!resolved) return std::nullopt;
    try {
        Timecode tc(timecode::FormattedTimecodeSourceValue::string(text.toStdString()), *resolved,
                    timecode::SubFramesBase::max100SubFrames, timecode::UpperLimit::max24Hours);
        return TimecodeModel{frameRate, *resolved, tc};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool operator==(const TimecodeModel& a, const TimecodeModel& b) {
    const auto wholeFrames = [](const Timecode& tc) {
        return Timecode::frameCount(tc.components(), tc.frameRate(), tc.subFramesBase()).wholeFrames();
    };
    return a.frameRate == b.frameRate && wholeFrames(a.tc) == wholeFrames(b.tc);
}

double secondsSinceMidnight(const QDateTime& date, const std::optional<QTimeZone>& timeZone) {
    const WallClock clock = wallClock(date, timeZone);
    return double(clock.hour * 3600 + clock.minute * 60 + clock.second) + double(clock.millisecond) / 1000.0;
}

std::optional<TimecodeModel> timeOfDayTimecode(const QDateTime& date, const std::optional<QTimeZone>& timeZone,
                                               const FrameRate& frameRate) {
    const WallClock clock = wallClock(date, timeZone);
    const auto resolved = frameRate.timecodeFrameRate();
    if (!resolved) return std::nullopt;

    // The frame that holds the millisecond, counted in whole numbers: in floating
    // point 580 ms at 50 fps comes to 28.999… and would fall one frame short.
    std::int64_t frames = std::clamp<std::int64_t>(clock.millisecond * frameRate.labelRate / 1000, 0,
                                                   std::max<std::int64_t>(frameRate.labelRate - 1, 0));
    // Drop-frame counting has no labels 0 to n−1 in the first second of minutes not
    // divisible by ten; a job with such a label would fail when run.
    if (resolved->isDrop() && clock.second == 0 && clock.minute % 10 != 0)
        frames = std::max(frames, resolved->framesDropped());

    Timecode::Components components;
    components.hours = clock.hour;
    components.minutes = clock.minute;
    components.seconds = clock.second;
    components.frames = frames;
    return TimecodeModel{frameRate, *resolved, makeAppTimecode(components, *resolved)};
}

}  // namespace vantrel
