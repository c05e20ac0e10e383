#pragma once

#include "Vantrel/media/SerialWorker.h"

#include <QByteArray>
#include <QFuture>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace vantrel {

// The start timecode a movie's timecode track carries, as read from its first sample.
struct TimecodeTrackReading {
    std::int16_t hours = 0;    // not wrapped at 24
    std::int16_t minutes = 0;
    std::int16_t seconds = 0;
    std::int16_t frames = 0;
    std::int32_t frameQuanta = 0;  // frames per timecode second
    bool isDropFrame = false;      // bit 0 of the track's timecode flags

    friend bool operator==(const TimecodeTrackReading&, const TimecodeTrackReading&) = default;
};

// Text of a reading: "HH:MM:SS:FF", or "HH:MM:SS;FF" with the drop-frame flag.
QString formatTimecode(const TimecodeTrackReading& reading, bool dropFrame);

// Reads the first sample of a movie's `tmcd` track in process (libavformat).
// Reads run one at a time on the reader's own thread.
class SourceTimecodeReader {
public:
    class ReaderError {
    public:
        enum class Kind {
            readerInitFailed,
            startReadingFailed,
            unsupportedFormatType,
            noTimecodeTrack,
            noSampleBuffer,
            missingFormatDescription,
            emptyBlockBuffer,
        };

        static ReaderError readerInitFailed(const QString& text) { return {Kind::readerInitFailed, text, 0}; }
        static ReaderError startReadingFailed(const QString& text) { return {Kind::startReadingFailed, text, 0}; }
        static ReaderError unsupportedFormatType(std::uint32_t code) { return {Kind::unsupportedFormatType, {}, code}; }
        static ReaderError noTimecodeTrack() { return {Kind::noTimecodeTrack, {}, 0}; }
        static ReaderError noSampleBuffer() { return {Kind::noSampleBuffer, {}, 0}; }
        static ReaderError missingFormatDescription() { return {Kind::missingFormatDescription, {}, 0}; }
        static ReaderError emptyBlockBuffer() { return {Kind::emptyBlockBuffer, {}, 0}; }

        Kind kind() const { return kind_; }
        const QString& text() const { return text_; }
        std::uint32_t formatType() const { return formatType_; }
        QString errorDescription() const;

        friend bool operator==(const ReaderError& a, const ReaderError& b) {
            if (a.kind_ != b.kind_) return false;
            switch (a.kind_) {
            case Kind::readerInitFailed:
            case Kind::startReadingFailed: return a.text_ == b.text_;
            case Kind::unsupportedFormatType: return a.formatType_ == b.formatType_;
            default: return true;
            }
        }

    private:
        ReaderError(Kind kind, QString text, std::uint32_t formatType)
            : kind_(kind), text_(std::move(text)), formatType_(formatType) {}
        Kind kind_;
        QString text_;
        std::uint32_t formatType_;
    };

    // Either the reading or why there is none.
    using Result = std::variant<TimecodeTrackReading, ReaderError>;

    SourceTimecodeReader() : worker_(QStringLiteral("SourceTimecodeReader")) {}

    // Reads on the reader's thread; receive the result on the caller's thread
    // with whenFinished (FutureWatch/WhenFinished.h).
    QFuture<Result> readTimecode(const QString& path);

    // The same read on the calling thread (never call it from the GUI thread).
    static Result readTimecodeNow(const QString& path);

    // Frame number → hours, minutes, seconds and frames at a frame quanta. Drop-frame
    // counting applies at quanta 30, 60, 90, 120, ... (two frame numbers per 30 of
    // quanta skipped each minute except every tenth); any other quanta counts
    // non-drop even with the flag set. A quanta below 1 counts as 1. The reading's
    // `isDropFrame` is the flag as given.
    static TimecodeTrackReading components(std::int32_t frameNumber, std::int32_t quanta, bool dropFrame);

    // The timecode flags and frame quanta of a `tmcd` sample description, as
    // libavformat keeps it (the bytes after the general sample-entry header:
    // reserved 4, flags 4, time scale 4, frame duration 4, frame quanta 1, ...).
    struct SampleDescription {
        std::uint32_t flags = 0;
        std::int32_t frameQuanta = 0;
    };
    static std::optional<SampleDescription> parseSampleDescription(const QByteArray& extradata);

    // The frame number in a timecode sample: its first 4 bytes, big-endian signed.
    static std::optional<std::int32_t> frameNumberOfSample(const QByteArray& sample);

private:
    SerialWorker worker_;
};

}  // namespace vantrel
