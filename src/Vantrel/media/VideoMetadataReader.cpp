#include "Vantrel/media/VideoMetadataReader.h"

#include "Vantrel/media/MovieDemuxer.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace vantrel {

Q_LOGGING_CATEGORY(lcVideoMetadataReader, "Vantrel.VideoMetadataReader")

namespace {

constexpr char creationDateKey[] = "com.apple.quicktime.creationdate";

// Largest offset a fixed-offset zone can have here.
constexpr int maxZoneOffsetSeconds = 14 * 3600;

// A stream of moving pictures: ffmpeg's QuickTime muxer writes a timecode track
// beside each. A cover picture (an MP4's artwork) is a video stream too, but a
// still without a frame rate, and gets none.
bool isMovingPicture(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

int videoStreamCount(const AVFormatContext* context) {
    int count = 0;
    for (unsigned i = 0; i < context->nb_streams; ++i) count += isMovingPicture(context->streams[i]) ? 1 : 0;
    return count;
}

// The average frame rate of the first video stream, the one ffmpeg's muxer
// checks a drop-frame timecode against.
std::optional<FrameRate> videoFrameRate(const AVFormatContext* context) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (!isMovingPicture(stream)) continue;
        const AVRational rate = stream->avg_frame_rate;
        if (rate.num <= 0 || rate.den <= 0) return std::nullopt;
        return FrameRate{rate.num, rate.den, (std::int64_t(rate.num) + rate.den / 2) / rate.den, false};
    }
    return std::nullopt;
}

}  // namespace

QFuture<VideoMetadataReader::ReadResult> VideoMetadataReader::read(const QString& path) {
    return worker_.submit([path] { return readNow(path); });
}

VideoMetadataReader::ReadResult VideoMetadataReader::readNow(const QString& path) {
    ReadResult result;
    result.url = QUrl::fromLocalFile(path);
    const QString name = QFileInfo(path).fileName();

    std::optional<QString> rawDate;
    {
        MovieDemuxer movie(path);
        if (movie.isOpen()) {
            const AVFormatContext* context = movie.context();
            if (context->duration != AV_NOPTS_VALUE) result.duration = double(context->duration) / AV_TIME_BASE;
            result.videoFrameRate = videoFrameRate(context);
            result.videoStreamCount = videoStreamCount(context);
            if (const AVDictionaryEntry* entry =
                    av_dict_get(context->metadata, creationDateKey, nullptr, AV_DICT_MATCH_CASE)) {
                rawDate = QString::fromUtf8(entry->value);
            }
        }
    }

    if (rawDate) {
        if (const auto parsed = parseCreationDate(*rawDate)) {
            qCInfo(lcVideoMetadataReader, "creationdate atom for %s: %s", qUtf8Printable(name),
                   qUtf8Printable(*rawDate));
            result.creationDate = parsed->date;
            result.creationTimeZone = parsed->zone;
            result.source = Source::quickTimeAtom;
            return result;
        }
    }
    if (const auto fileDate = fileCreationDate(path)) {
        qCInfo(lcVideoMetadataReader, "filesystem creationDate fallback for %s", qUtf8Printable(name));
        result.creationDate = fileDate;
        result.source = Source::filesystem;
        return result;
    }
    qCInfo(lcVideoMetadataReader, "no creation date for %s", qUtf8Printable(name));
    return result;
}

std::optional<VideoMetadataReader::CreationDate> VideoMetadataReader::parseCreationDate(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\.([0-9]+))?(?:(Z)|([+-])([0-9]{2}):?([0-9]{2}))\z)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const auto number = [&match](int group) { return match.capturedView(group).toInt(); };

    const QDate date(number(1), number(2), number(3));
    const int hour = number(4), minute = number(5), second = number(6);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    // Milliseconds: further digits are dropped.
    const QString fraction = match.captured(7).left(3).leftJustified(3, u'0');
    const QTime time(hour, minute, second, fraction.toInt());

    int offsetSeconds = 0;
    std::optional<QTimeZone> zone;
    if (match.capturedLength(8) > 0) {
        zone = QTimeZone::utc();
    } else {
        const int offsetHours = number(10), offsetMinutes = number(11);
        if (offsetHours > 23 || offsetMinutes > 59) return std::nullopt;
        offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (match.capturedView(9) == u'-' ? -1 : 1);
        if (std::abs(offsetSeconds) <= maxZoneOffsetSeconds) zone = QTimeZone(offsetSeconds);
    }
    const QDateTime instant = QDateTime(date, time, QTimeZone::utc()).addSecs(-offsetSeconds);
    return CreationDate{instant, zone};
}

std::optional<QDateTime> VideoMetadataReader::fileCreationDate(const QString& path) {
    const QDateTime birth = QFileInfo(path).birthTime();
    if (!birth.isValid()) return std::nullopt;
    return birth.toUTC();
}

}  // namespace vantrel
