#pragma once

#include "Vantrel/media/FixMode.h"
#include "Vantrel/media/FrameRate.h"
#include "Vantrel/media/TimecodeModel.h"
#include "Vantrel/media/VideoMetadataReader.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace vantrel {

// One row of the source list: a movie the user added, what its analysis found,
// and the choices made for it. Everything it derives is computed afresh on each
// call from these fields; nothing here fails: a missing input gives no result.
struct SourceItem {
    // What the analysis of the file found.
    struct Analysis {
        std::optional<TimecodeModel> embeddedTimecode;  // from the timecode track, at detectedRate
        std::optional<FrameRate> detectedRate;          // from the timecode track
        std::optional<QDateTime> creationDate;
        std::optional<QTimeZone> creationZone;          // recorded with the creation date
        VideoMetadataReader::Source creationSource = VideoMetadataReader::Source::none;
        std::optional<FrameRate> videoFrameRate;        // the video stream's own rate
        std::optional<int> videoStreamCount;            // cover pictures not counted; absent: not known

        friend bool operator==(const Analysis&, const Analysis&) = default;
    };

    // Progress and result of the file's analysis.
    class AnalysisState {
    public:
        enum class Kind { done, failed, pending, analyzing };

        static AnalysisState done(Analysis analysis) { return {Kind::done, std::move(analysis), {}}; }
        static AnalysisState failed(QString message) { return {Kind::failed, std::nullopt, std::move(message)}; }
        static AnalysisState pending() { return {Kind::pending, std::nullopt, {}}; }
        static AnalysisState analyzing() { return {Kind::analyzing, std::nullopt, {}}; }

        Kind kind() const { return kind_; }
        bool isDone() const { return kind_ == Kind::done; }
        // The analysis of a done state; null otherwise.
        const Analysis* analysis() const { return analysis_ ? &*analysis_ : nullptr; }
        // The message of a failed state; empty otherwise.
        const QString& failureMessage() const { return message_; }

        friend bool operator==(const AnalysisState&, const AnalysisState&) = default;

    private:
        AnalysisState(Kind kind, std::optional<Analysis> analysis, QString message)
            : kind_(kind), analysis_(std::move(analysis)), message_(std::move(message)) {}
        Kind kind_;
        std::optional<Analysis> analysis_;
        QString message_;
    };

    // Embedded timecode against the creation time of day, in seconds of the day.
    struct TimeOfDayMismatch {
        double embedded;   // the embedded timecode's seconds since midnight
        double creation;   // the creation time's seconds since local midnight
        double delta;      // creation − embedded, within (−43200, 43200]
        double tolerance;  // as passed in
    };

    QUuid id;
    QUrl url;
    AnalysisState analysis = AnalysisState::pending();
    bool included = true;
    FixMode fixMode = FixMode::creationTime;
    std::optional<timecode::Timecode::Components> manualComponents;
    std::optional<FrameRate> rateOverride;

    // A new row: fresh id, analysis pending, included, no typed timecode, no override.
    static SourceItem make(const QUrl& url, FixMode fixMode);

    // The rate override when set, else the detected rate of a done analysis.
    std::optional<FrameRate> effectiveRate() const;
    // The time of day of the creation date, in its zone, at the effective rate.
    std::optional<TimecodeModel> creationTimecode() const;
    // The start timecode a correction of this row would write, in its fix mode.
    // Manual components are taken as typed (days and subframes dropped), unvalidated.
    std::optional<TimecodeModel> resolvedStartTimecode() const;
    std::optional<TimeOfDayMismatch> timeOfDayMismatch(double tolerance) const;
    // Why a resolved start timecode could not be written to the movie: a typed
    // timecode the rate does not have, or a drop-frame timecode on a video whose
    // rate is no multiple of 30 (ffmpeg then writes no timecode track at all).
    // Nothing when there is no start timecode or it can be written.
    std::optional<QString> startTimecodeProblem() const;
    // Why no timecode track could be written whatever the start timecode: ffmpeg
    // writes one beside each video stream, so a movie without one gets none and a
    // movie with two gets two. Nothing while the stream count is not known.
    std::optional<QString> videoStreamProblem() const;
    // Whether a job made from the row now could succeed: included, readable, with
    // one video stream and a start timecode that can be written.
    bool isReady() const;
    // Why an included row is not ready: an unreadable file, a movie without exactly
    // one video stream, or an analysed row without a start timecode that can be
    // written; nothing otherwise.
    std::optional<QString> blockingReason() const;

    friend bool operator==(const SourceItem&, const SourceItem&) = default;
};

}  // namespace vantrel
