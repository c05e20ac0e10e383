#pragma once

#include "Vantrel/media/FrameRate.h"
#include "Vantrel/media/SerialWorker.h"

#include <QDateTime>
#include <QFuture>
#include <QString>
#include <QTimeZone>
#include <QUrl>

#include <optional>

namespace vantrel {

// Finds when a movie was recorded: the QuickTime creation-date metadata item
// (with the zone written in it), else the file's own creation (birth) time; and
// the movie's duration. Reads run one at a time on the reader's own thread.
class VideoMetadataReader {
public:
    // Where a creation date came from.
    enum class Source { quickTimeAtom, filesystem, none };

    struct ReadResult {
        QUrl url;
        std::optional<QDateTime> creationDate;       // UTC instant
        std::optional<QTimeZone> creationTimeZone;   // only with quickTimeAtom
        std::optional<double> duration;              // seconds
        // The first video stream's average frame rate as the container gives it,
        // labelled with the nearest whole rate; absent without a video stream.
        std::optional<FrameRate> videoFrameRate;
        // How many video streams the movie has, cover pictures not counted;
        // absent when the file cannot be opened as a movie.
        std::optional<int> videoStreamCount;
        Source source = Source::none;
    };

    struct CreationDate {
        QDateTime date;                  // UTC instant
        std::optional<QTimeZone> zone;   // fixed offset, or UTC for "Z"
    };

    VideoMetadataReader() : worker_(QStringLiteral("VideoMetadataReader")) {}

    // Reads on the reader's thread; receive the result on the caller's thread
    // with whenFinished (FutureWatch/WhenFinished.h). Never fails: what cannot be read is absent.
    QFuture<ReadResult> read(const QString& path);

    // The same read on the calling thread (never call it from the GUI thread).
    static ReadResult readNow(const QString& path);

    // An ISO 8601 internet date and time with a zone ("Z", "+02:00" or "+0200"),
    // with or without fractional seconds; nothing for any other text.
    static std::optional<CreationDate> parseCreationDate(const QString& text);

    // The file system's creation (birth) time of a file; nothing where the file
    // system does not record one.
    static std::optional<QDateTime> fileCreationDate(const QString& path);

private:
    SerialWorker worker_;
};

}  // namespace vantrel
