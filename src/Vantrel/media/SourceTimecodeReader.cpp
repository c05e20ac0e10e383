#include "Vantrel/media/SourceTimecodeReader.h"

#include "Vantrel/media/MovieDemuxer.h"

#include <algorithm>
#include <limits>

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

namespace vantrel {

namespace {

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) << 24 | std::uint32_t(std::uint8_t(b)) << 16 |
           std::uint32_t(std::uint8_t(c)) << 8 | std::uint32_t(std::uint8_t(d));
}

constexpr std::uint32_t tmcdCode = fourCC('t', 'm', 'c', 'd');

std::int16_t saturated16(std::int64_t value) {
    return std::int16_t(std::clamp<std::int64_t>(value, std::numeric_limits<std::int16_t>::min(),
                                                 std::numeric_limits<std::int16_t>::max()));
}

std::uint32_t readBigEndian32(const char* bytes) {
    return std::uint32_t(std::uint8_t(bytes[0])) << 24 | std::uint32_t(std::uint8_t(bytes[1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[2])) << 8 | std::uint32_t(std::uint8_t(bytes[3]));
}

// libavformat keeps a stream's four-character code little-endian (first character lowest).
std::uint32_t codecTagAsFourCC(std::uint32_t tag) {
    return (tag & 0xff) << 24 | (tag >> 8 & 0xff) << 16 | (tag >> 16 & 0xff) << 8 | tag >> 24;
}

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

}  // namespace

QString formatTimecode(const TimecodeTrackReading& reading, bool dropFrame) {
    return QString::asprintf("%02d:%02d:%02d%c%02d", int(reading.hours), int(reading.minutes),
                             int(reading.seconds), dropFrame ? ';' : ':', int(reading.frames));
}

QString SourceTimecodeReader::ReaderError::errorDescription() const {
    switch (kind_) {
    case Kind::readerInitFailed: return QStringLiteral("Movie reader init failed: ") + text_;
    case Kind::startReadingFailed: return QStringLiteral("Movie reader start failed: ") + text_;
    case Kind::unsupportedFormatType: {
        QString code;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const char c = char(formatType_ >> shift & 0xff);
            code += (c >= 0x20 && c < 0x7f) ? QChar::fromLatin1(c) : QChar(u'?');
        }
        return QStringLiteral("Unsupported timecode format type '%1'. Expected 'tmcd'.").arg(code);
    }
    case Kind::noTimecodeTrack: return QStringLiteral("Asset has no tmcd timecode track.");
    case Kind::noSampleBuffer: return QStringLiteral("Timecode track produced no sample buffer.");
    case Kind::missingFormatDescription: return QStringLiteral("Sample buffer lacks a format description.");
    case Kind::emptyBlockBuffer: return QStringLiteral("Timecode sample block buffer is empty.");
    }
    return {};
}

TimecodeTrackReading SourceTimecodeReader::components(std::int32_t frameNumber, std::int32_t quanta,
                                                      bool dropFrame) {
    std::int64_t count = frameNumber;
    if (dropFrame && quanta >= 30 && quanta % 30 == 0) {
        const std::int64_t dropped = std::int64_t(quanta) / 15;  // per minute: 2 at 30, 4 at 60, 8 at 120
        const std::int64_t perTenMinutes = std::int64_t(quanta) * 600 - 9 * dropped;
        const std::int64_t perMinute = std::int64_t(quanta) * 60 - dropped;
        const std::int64_t blocks = count / perTenMinutes;
        const std::int64_t rest = count % perTenMinutes;
        count += 9 * dropped * blocks;
        if (rest >= dropped) count += dropped * ((rest - dropped) / perMinute);
    }
    const std::int64_t perSecond = quanta < 1 ? 1 : quanta;
    const std::int64_t totalSeconds = count / perSecond;
    TimecodeTrackReading reading;
    reading.frames = saturated16(count - totalSeconds * perSecond);
    reading.hours = saturated16(totalSeconds / 3600);
    reading.minutes = saturated16(totalSeconds / 60 % 60);
    reading.seconds = saturated16(totalSeconds % 60);
    reading.frameQuanta = quanta;
    reading.isDropFrame = dropFrame;
    return reading;
}

std::optional<SourceTimecodeReader::SampleDescription> SourceTimecodeReader::parseSampleDescription(
    const QByteArray& extradata) {
    if (extradata.size() < 17) return std::nullopt;
    SampleDescription description;
    description.flags = readBigEndian32(extradata.constData() + 4);
    description.frameQuanta = std::uint8_t(extradata[16]);
    return description;
}

std::optional<std::int32_t> SourceTimecodeReader::frameNumberOfSample(const QByteArray& sample) {
    if (sample.size() < 4) return std::nullopt;
    return std::int32_t(readBigEndian32(sample.constData()));
}

QFuture<SourceTimecodeReader::Result> SourceTimecodeReader::readTimecode(const QString& path) {
    return worker_.submit([path] { return readTimecodeNow(path); });
}

SourceTimecodeReader::Result SourceTimecodeReader::readTimecodeNow(const QString& path) {
    MovieDemuxer movie(path);
    if (!movie.isOpen()) return ReaderError::readerInitFailed(movie.errorText());
    AVFormatContext* context = movie.context();

    int trackIndex = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* parameters = context->streams[i]->codecpar;
        if (trackIndex < 0 && parameters->codec_type == AVMEDIA_TYPE_DATA &&
            codecTagAsFourCC(parameters->codec_tag) == tmcdCode) {
            trackIndex = int(i);
        } else {
            // Only the timecode samples are wanted: skip the data of everything else.
            context->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (trackIndex < 0) return ReaderError::noTimecodeTrack();
    const AVStream* track = context->streams[trackIndex];

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!packet) return ReaderError::startReadingFailed(libavErrorText(AVERROR(ENOMEM)));
    QByteArray sample;
    for (;;) {
        const int status = av_read_frame(context, packet.get());
        if (status == AVERROR_EOF) return ReaderError::noSampleBuffer();
        if (status < 0) return ReaderError::startReadingFailed(libavErrorText(status));
        const bool wanted = packet->stream_index == trackIndex && packet->size > 0;
        if (wanted) sample = QByteArray(reinterpret_cast<const char*>(packet->data), packet->size);
        av_packet_unref(packet.get());
        if (wanted) break;
    }

    const QByteArray extradata(reinterpret_cast<const char*>(track->codecpar->extradata),
                               track->codecpar->extradata ? track->codecpar->extradata_size : 0);
    const auto description = parseSampleDescription(extradata);
    if (!description) return ReaderError::missingFormatDescription();
    const auto frameNumber = frameNumberOfSample(sample);
    if (!frameNumber) return ReaderError::emptyBlockBuffer();
    return components(*frameNumber, description->frameQuanta, (description->flags & 1) != 0);
}

}  // namespace vantrel
