#include "Vantrel/media/SourceItem.h"

#include <cmath>

namespace vantrel {

SourceItem SourceItem::make(const QUrl& url, FixMode fixMode) {
    SourceItem item;
    item.id = QUuid::createUuid();
    item.url = url;
    item.fixMode = fixMode;
    return item;
}

std::optional<FrameRate> SourceItem::effectiveRate() const {
    if (rateOverride) return rateOverride;
    if (const Analysis* done = analysis.analysis()) return done->detectedRate;
    return std::nullopt;
}

std::optional<TimecodeModel> SourceItem::creationTimecode() const {
    const Analysis* done = analysis.analysis();
    if (!done || !done->creationDate) return std::nullopt;
    const auto rate = effectiveRate();
    if (!rate) return std::nullopt;
    return timeOfDayTimecode(*done->creationDate, done->creationZone, *rate);
}

std::optional<TimecodeModel> SourceItem::resolvedStartTimecode() const {
    if (fixMode != FixMode::manual) return creationTimecode();
    const auto rate = effectiveRate();
    if (!rate || !manualComponents) return std::nullopt;
    const auto resolved = rate->timecodeFrameRate();
    if (!resolved) return std::nullopt;
    timecode::Timecode::Components components = *manualComponents;
    components.days = 0;
    components.subFrames = 0;
    return TimecodeModel{*rate, *resolved, makeAppTimecode(components, *resolved)};
}

std::optional<SourceItem::TimeOfDayMismatch> SourceItem::timeOfDayMismatch(double tolerance) const {
    const Analysis* done = analysis.analysis();
    if (!done || !done->embeddedTimecode || !done->creationDate) return std::nullopt;
    const TimecodeModel& embeddedModel = *done->embeddedTimecode;
    const timecode::Timecode& tc = embeddedModel.tc;
    if (embeddedModel.frameRate.labelRate <= 0) return std::nullopt;

    std::int64_t hourSeconds = 0, minuteSeconds = 0, wholeSeconds = 0;
    if (__builtin_mul_overflow(tc.hours(), std::int64_t(3600), &hourSeconds) ||
        __builtin_mul_overflow(tc.minutes(), std::int64_t(60), &minuteSeconds) ||
        __builtin_add_overflow(hourSeconds, minuteSeconds, &wholeSeconds) ||
        __builtin_add_overflow(wholeSeconds, tc.seconds(), &wholeSeconds))
        return std::nullopt;
    const double embedded = double(wholeSeconds) + double(tc.frames()) / double(embeddedModel.frameRate.labelRate);
    const double creation = secondsSinceMidnight(*done->creationDate, done->creationZone);

    double delta = std::fmod(creation - embedded, 86400.0);
    if (delta > 43200.0) delta -= 86400.0;
    if (delta <= -43200.0) delta += 86400.0;
    return TimeOfDayMismatch{embedded, creation, delta, tolerance};
}

std::optional<QString> SourceItem::startTimecodeProblem() const {
    const auto start = resolvedStartTimecode();
    if (!start) return std::nullopt;
    if (!start->tc.isValid()) {
        if (fixMode == FixMode::manual) return QStringLiteral("Invalid timecode for this rate");
        return QStringLiteral("Can't resolve a creation timecode");
    }
    // ffmpeg takes a drop-frame timecode only on a video whose rate rounds to a
    // multiple of 30 frames; on any other it writes the movie without a timecode.
    const Analysis* done = analysis.analysis();
    if (start->resolvedRate.isDrop() && done && done->videoFrameRate && done->videoFrameRate->labelRate % 30 != 0) {
        return QStringLiteral("Drop frame doesn't fit this video's %1 fps — choose another rate")
            .arg(done->videoFrameRate->displayText());
    }
    // ffmpeg counts the written timecode's frames at the video's own rate: a frame
    // number past that rate's last (frame 45 of 59.94 DF on a 29.97 video) is carried
    // into the next second, and the file would start somewhere else.
    if (done && done->videoFrameRate && done->videoFrameRate->labelRate > 0 &&
        start->tc.frames() >= done->videoFrameRate->labelRate) {
        return QStringLiteral("Frame %1 doesn't exist in this video's %2 fps — choose another rate")
            .arg(start->tc.frames())
            .arg(done->videoFrameRate->displayText());
    }
    return std::nullopt;
}

std::optional<QString> SourceItem::videoStreamProblem() const {
    const Analysis* done = analysis.analysis();
    if (!done || !done->videoStreamCount || *done->videoStreamCount == 1) return std::nullopt;
    if (*done->videoStreamCount < 1) return QStringLiteral("No video stream — a timecode track needs one");
    return QStringLiteral("%1 video streams — only a movie with one can get a timecode track").arg(*done->videoStreamCount);
}

bool SourceItem::isReady() const {
    return included && analysis.kind() != AnalysisState::Kind::failed && resolvedStartTimecode().has_value() &&
           !videoStreamProblem() && !startTimecodeProblem();
}

std::optional<QString> SourceItem::blockingReason() const {
    if (!included) return std::nullopt;
    // Whatever was typed for it, a file that cannot be read cannot be corrected.
    if (analysis.kind() == AnalysisState::Kind::failed) return QStringLiteral("Can't read this file — remove it from the list");
    const Analysis* done = analysis.analysis();
    if (!done) return std::nullopt;
    // Nothing typed or chosen for the row can give such a movie one timecode track.
    if (auto problem = videoStreamProblem()) return problem;
    if (resolvedStartTimecode()) return startTimecodeProblem();
    if (fixMode != FixMode::manual) {
        if (!done->creationDate) return QStringLiteral("No creation date — switch to Manual or set fps");
        if (effectiveRate()) return QStringLiteral("Can't resolve a creation timecode");
        return QStringLiteral("Unknown frame rate — set fps");
    }
    if (!effectiveRate()) return QStringLiteral("Set a frame rate (fps)");
    if (manualComponents) return QStringLiteral("Invalid timecode for this rate");
    return QStringLiteral("Enter a timecode");
}

}  // namespace vantrel
