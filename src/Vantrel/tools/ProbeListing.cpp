#include "Vantrel/tools/ProbeListing.h"
#include "Vantrel/tools/StrictNumbers.h"
#include "Vantrel/tools/ToolProcess.h"

#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

// No movie has this many streams; a larger index is not tallied.
constexpr qint64 maxStreamIndex = 1 << 16;
// The longest line kept; ffprobe writes no such line for the fields asked for.
constexpr qsizetype maxLineLength = 64 * 1024;

// An optional sign and ASCII digits only, within the 64-bit range.
std::optional<qint64> integer(QByteArrayView text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const bool plus = begin != end && *begin == '+';
    if (plus) ++begin;
    if (begin == end || *begin == '+' || (plus && *begin == '-')) return std::nullopt;
    qint64 value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<int> intValue(QByteArrayView text) {
    const auto value = integer(text);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return int(*value);
}

// Calls field(key, value) for each "key=value" after the section name. Values
// come back with the compact format's backslash escapes undone.
template <typename Field>
void forEachField(QByteArrayView fields, Field field) {
    QByteArray unescaped;
    qsizetype i = 0;
    while (i < fields.size()) {
        qsizetype end = i;
        bool escaped = false;
        while (end < fields.size() && fields[end] != '|') {
            if (fields[end] == '\\' && end + 1 < fields.size()) {
                escaped = true;
                ++end;
            }
            ++end;
        }
        QByteArrayView piece = fields.sliced(i, end - i);
        if (escaped) {
            unescaped.clear();
            for (qsizetype k = 0; k < piece.size(); ++k) {
                char c = piece[k];
                if (c == '\\' && k + 1 < piece.size()) {
                    c = piece[++k];
                    c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 'b' ? '\b' : c == 'f' ? '\f' : c;
                }
                unescaped += c;
            }
            piece = unescaped;
        }
        const qsizetype equals = piece.indexOf('=');
        if (equals > 0) field(piece.first(equals), piece.sliced(equals + 1));
        i = end + 1;
    }
}

// ffprobe's words for a value it does not have.
bool isUnknown(QByteArrayView value) { return value == "unknown"; }

qint64 millisecondsFromSeconds(QByteArrayView text) {
    const auto seconds = strictDouble(QString::fromLatin1(text));
    if (!seconds) return -1;
    const double milliseconds = std::round(*seconds * 1000.0);
    if (!std::isfinite(milliseconds) || milliseconds < -9223372036854775808.0 || milliseconds >= 9223372036854775808.0) {
        return -1;
    }
    return qint64(milliseconds);
}

}  // namespace

QStringList ProbeListing::arguments(const QString& file) {
    // Absolute, so that a name beginning with "-" is never taken for an option.
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-of"),
            QStringLiteral("compact"),
            QStringLiteral("-show_entries"),
            QStringLiteral("stream=index,codec_name,codec_type,codec_tag_string,width,height,pix_fmt,sample_rate"
                           ":stream_disposition=attached_pic:format=duration:packet=stream_index,size"),
            QFileInfo(file).absoluteFilePath()};
}

ProbeListing ProbeListing::probe(const BundledToolResolver& resolver, const QString& file,
                                 const std::function<bool()>& shouldStop) {
    ProbeListing listing;
    const auto tool = resolver.resolve(BundledToolResolver::Tool::ffprobe);
    if (!tool) return listing;
    ToolProcessOptions options;
    options.output = [&listing](QByteArrayView bytes) { listing.feed(bytes); };
    options.shouldStop = shouldStop;
    const ToolProcessRun run = runToolProcess(*tool, arguments(file), options);
    listing.finish(!run.stopped && run.exitStatus == 0);
    return listing;
}

void ProbeListing::feed(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const void* found = std::memchr(bytes.data(), '\n', size_t(bytes.size()));
        if (!found) {
            if (partialLine_.size() + bytes.size() > maxLineLength) {
                overlongLine_ = true;
                partialLine_.clear();
            } else if (!overlongLine_) {
                partialLine_.append(bytes);
            }
            return;
        }
        const qsizetype length = static_cast<const char*>(found) - bytes.data();
        if (overlongLine_) {
            overlongLine_ = false;
        } else if (partialLine_.isEmpty()) {
            parseLine(bytes.first(length));
        } else {
            partialLine_.append(bytes.first(length));
            parseLine(partialLine_);
            partialLine_.clear();
        }
        bytes = bytes.sliced(length + 1);
    }
}

void ProbeListing::finish(bool succeeded) {
    if (!overlongLine_ && !partialLine_.isEmpty()) parseLine(partialLine_);
    partialLine_.clear();
    overlongLine_ = false;
    succeeded_ = succeeded;
}

void ProbeListing::parseLine(QByteArrayView line) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith("packet|")) {
        parsePacket(line.sliced(7));
    } else if (line.startsWith("stream|")) {
        parseStream(line.sliced(7));
    } else if (line.startsWith("format|")) {
        forEachField(line.sliced(7), [this](QByteArrayView key, QByteArrayView value) {
            if (key == "duration") durationMs_ = millisecondsFromSeconds(value);
        });
    }
}

void ProbeListing::parsePacket(QByteArrayView fields) {
    std::optional<qint64> index;
    std::optional<qint64> size;
    // Packet lines hold numbers only: no escapes to undo.
    while (!fields.isEmpty()) {
        const qsizetype bar = fields.indexOf('|');
        const QByteArrayView piece = bar < 0 ? fields : fields.first(bar);
        if (piece.startsWith("stream_index=")) index = integer(piece.sliced(13));
        else if (piece.startsWith("size=")) size = integer(piece.sliced(5));
        if (bar < 0) break;
        fields = fields.sliced(bar + 1);
    }
    if (!index || *index < 0 || *index >= maxStreamIndex) return;
    if (size_t(*index) >= tallies_.size()) tallies_.resize(size_t(*index) + 1);
    Tally& tally = tallies_[size_t(*index)];
    ++tally.packets;
    if (size && __builtin_add_overflow(tally.bytes, *size, &tally.bytes)) tally.bytesOverflowed = true;
}

void ProbeListing::parseStream(QByteArrayView fields) {
    Stream stream;
    std::optional<QByteArray> codec;
    StreamParams params;
    forEachField(fields, [&](QByteArrayView key, QByteArrayView value) {
        if (key == "index") stream.index = intValue(value).value_or(-1);
        else if (key == "codec_type") stream.type = value.toByteArray();
        else if (key == "codec_tag_string") stream.tag = value.toByteArray();
        else if (key == "codec_name" && !isUnknown(value)) codec = value.toByteArray();
        else if (key == "width") params.width = intValue(value);
        else if (key == "height") params.height = intValue(value);
        else if (key == "pix_fmt" && !isUnknown(value)) params.pixelFormat = value.toByteArray().toStdString();
        else if (key == "sample_rate") params.sampleRate = intValue(value);
        else if (key == "disposition:attached_pic") stream.attachedPicture = value == "1";
    });
    if (codec) {
        params.codec = codec->toStdString();
        stream.params = std::move(params);
    }
    streams_.append(std::move(stream));
}

const ProbeListing::Stream* ProbeListing::first(ProbeStream stream) const {
    if (!succeeded_) return nullptr;
    const QByteArrayView type = stream == ProbeStream::video ? "video" : "audio";
    for (const Stream& candidate : streams_) {
        if (candidate.type == type) return &candidate;
    }
    return nullptr;
}

const ProbeListing::Tally* ProbeListing::tally(ProbeStream stream) const {
    static const Tally none;
    const Stream* found = first(stream);
    if (!found || found->index < 0) return nullptr;
    return size_t(found->index) < tallies_.size() ? &tallies_[size_t(found->index)] : &none;
}

int ProbeListing::timecodeTrackCount() const {
    if (!succeeded_) return -1;
    int count = 0;
    for (const Stream& stream : streams_) count += stream.tag == "tmcd" ? 1 : 0;
    return count;
}

std::optional<StreamParams> ProbeListing::streamParams(ProbeStream stream) const {
    const Stream* found = first(stream);
    return found ? found->params : std::nullopt;
}

qint64 ProbeListing::packetCount(ProbeStream stream) const {
    const Tally* found = tally(stream);
    return found ? found->packets : -1;
}

qint64 ProbeListing::packetBytes(ProbeStream stream) const {
    const Tally* found = tally(stream);
    if (!found || found->packets == 0 || found->bytesOverflowed) return -1;
    return found->bytes;
}

}  // namespace vantrel
