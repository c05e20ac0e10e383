// Measurements of a file with ffprobe's JSON output. Each query is one tool run
// on a worker thread; nothing is shared with a running correction.
#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/StrictNumbers.h"
#include "Vantrel/tools/ToolThreadPool.h"
#include "Vantrel/tools/ToolProcess.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

using IsCancelled = std::function<bool()>;

// Standard output only; standard error is discarded.
std::optional<QByteArray> runProbeBlocking(const QString& tool, const QStringList& arguments,
                                           const IsCancelled& isCancelled) {
    QByteArray output;
    ToolProcessOptions options;
    options.output = [&output](QByteArrayView bytes) { output.append(bytes); };
    options.shouldStop = isCancelled;
    if (runToolProcess(tool, arguments, options).exitStatus != 0) return std::nullopt;
    return output;
}

std::optional<QJsonObject> probeJSONBlocking(const BundledToolResolver& resolver, const QString& file,
                                             const QStringList& extraArguments, const IsCancelled& isCancelled) {
    const auto tool = resolver.resolve(BundledToolResolver::Tool::ffprobe);
    if (!tool) return std::nullopt;
    QStringList arguments{QStringLiteral("-hide_banner"), QStringLiteral("-v"), QStringLiteral("error"),
                          QStringLiteral("-of"), QStringLiteral("json")};
    // Absolute, so that a name beginning with "-" is never taken for an option.
    arguments << extraArguments << QFileInfo(file).absoluteFilePath();
    const auto output = runProbeBlocking(*tool, arguments, isCancelled);
    if (!output) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*output, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

QString streamSpecifier(FFmpegWrapper::ProbeStream stream) {
    return stream == FFmpegWrapper::ProbeStream::audio ? QStringLiteral("a:0") : QStringLiteral("v:0");
}

// The array under a key, when it is an array of objects.
std::optional<QJsonArray> arrayField(const std::optional<QJsonObject>& json, const QString& key) {
    if (!json) return std::nullopt;
    const QJsonValue value = json->value(key);
    if (!value.isArray()) return std::nullopt;
    QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (!element.isObject()) return std::nullopt;
    }
    return array;
}

std::optional<int> intField(const QJsonValue& value) {
    const auto number = FFmpegWrapper::integerField(value);
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

}  // namespace

// ---- Reading the JSON ----

std::optional<qint64> FFmpegWrapper::integerField(const QJsonValue& value) {
    if (value.isString()) return strictInteger(value.toString());
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    // 2^63 is the first double past the 64-bit range.
    if (!std::isfinite(number) || std::trunc(number) != number || number < -9223372036854775808.0 ||
        number >= 9223372036854775808.0) {
        return std::nullopt;
    }
    return value.toInteger();
}

int FFmpegWrapper::timecodeTrackCountFromJSON(const std::optional<QJsonObject>& json) {
    const auto streams = arrayField(json, QStringLiteral("streams"));
    if (!streams) return -1;
    int count = 0;
    for (const QJsonValue& stream : *streams) {
        const QJsonValue tag = stream.toObject().value(QStringLiteral("codec_tag_string"));
        if (tag.isString() && tag.toString() == QStringLiteral("tmcd")) ++count;
    }
    return count;
}

std::optional<StreamParams> FFmpegWrapper::streamParamsFromJSON(const std::optional<QJsonObject>& json) {
    const auto streams = arrayField(json, QStringLiteral("streams"));
    if (!streams || streams->isEmpty()) return std::nullopt;
    const QJsonObject first = streams->first().toObject();
    const QJsonValue codec = first.value(QStringLiteral("codec_name"));
    if (!codec.isString()) return std::nullopt;
    const QJsonValue pixelFormat = first.value(QStringLiteral("pix_fmt"));
    return StreamParams{codec.toString().toStdString(), intField(first.value(QStringLiteral("width"))),
                        intField(first.value(QStringLiteral("height"))),
                        pixelFormat.isString() ? std::optional(pixelFormat.toString().toStdString()) : std::nullopt,
                        intField(first.value(QStringLiteral("sample_rate")))};
}

qint64 FFmpegWrapper::packetCountFromJSON(const std::optional<QJsonObject>& json) {
    const auto streams = arrayField(json, QStringLiteral("streams"));
    if (!streams || streams->isEmpty()) return -1;
    return integerField(streams->first().toObject().value(QStringLiteral("nb_read_packets"))).value_or(-1);
}

qint64 FFmpegWrapper::packetBytesFromJSON(const std::optional<QJsonObject>& json) {
    const auto packets = arrayField(json, QStringLiteral("packets"));
    if (!packets || packets->isEmpty()) return -1;
    qint64 total = 0;
    for (const QJsonValue& packet : *packets) {
        const auto size = integerField(packet.toObject().value(QStringLiteral("size")));
        if (size && __builtin_add_overflow(total, *size, &total)) return -1;
    }
    return total;
}

qint64 FFmpegWrapper::durationFromJSON(const std::optional<QJsonObject>& json) {
    if (!json) return -1;
    const QJsonValue format = json->value(QStringLiteral("format"));
    if (!format.isObject()) return -1;
    const QJsonValue text = format.toObject().value(QStringLiteral("duration"));
    if (!text.isString()) return -1;
    const auto seconds = strictDouble(text.toString());
    if (!seconds) return -1;
    const double milliseconds = std::round(*seconds * 1000.0);
    if (!std::isfinite(milliseconds) || milliseconds < -9223372036854775808.0 ||
        milliseconds >= 9223372036854775808.0) {
        return -1;
    }
    return static_cast<qint64>(milliseconds);
}

// ---- Queries ----

template <typename T, typename Parse>
QFuture<T> FFmpegWrapper::probe(const QString& file, const QStringList& arguments, Parse parse) const {
    return QtConcurrent::run(toolThreadPool(),
                             [resolver = toolResolver_, file, arguments, parse](QPromise<T>& promise) {
                                 const auto json = probeJSONBlocking(resolver, file, arguments,
                                                                     [&promise] { return promise.isCanceled(); });
                                 if (promise.isCanceled()) return;
                                 promise.addResult(parse(json));
                             });
}

QFuture<std::optional<QJsonObject>> FFmpegWrapper::probeJSON(const QString& file,
                                                             const QStringList& arguments) const {
    return probe<std::optional<QJsonObject>>(file, arguments, [](const std::optional<QJsonObject>& json) { return json; });
}

QFuture<std::optional<QByteArray>> FFmpegWrapper::runProbe(const QString& tool, const QStringList& arguments) {
    return QtConcurrent::run(toolThreadPool(), [tool, arguments](QPromise<std::optional<QByteArray>>& promise) {
        auto output = runProbeBlocking(tool, arguments, [&promise] { return promise.isCanceled(); });
        if (!promise.isCanceled()) promise.addResult(std::move(output));
    });
}

QFuture<int> FFmpegWrapper::timecodeTrackCount(const QString& file) const {
    return probe<int>(file, {QStringLiteral("-show_entries"), QStringLiteral("stream=codec_tag_string")},
                      &timecodeTrackCountFromJSON);
}

QFuture<std::optional<StreamParams>> FFmpegWrapper::streamParams(const QString& file, ProbeStream stream) const {
    return probe<std::optional<StreamParams>>(
        file,
        {QStringLiteral("-select_streams"), streamSpecifier(stream), QStringLiteral("-show_entries"),
         QStringLiteral("stream=codec_name,width,height,pix_fmt,sample_rate")},
        &streamParamsFromJSON);
}

QFuture<qint64> FFmpegWrapper::packetCount(const QString& file, ProbeStream stream) const {
    return probe<qint64>(file,
                         {QStringLiteral("-select_streams"), streamSpecifier(stream), QStringLiteral("-count_packets"),
                          QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_packets")},
                         &packetCountFromJSON);
}

QFuture<qint64> FFmpegWrapper::packetBytes(const QString& file, ProbeStream stream) const {
    return probe<qint64>(file,
                         {QStringLiteral("-select_streams"), streamSpecifier(stream), QStringLiteral("-show_entries"),
                          QStringLiteral("packet=size")},
                         &packetBytesFromJSON);
}

QFuture<qint64> FFmpegWrapper::duration(const QString& file) const {
    return probe<qint64>(file, {QStringLiteral("-show_entries"), QStringLiteral("format=duration")},
                         &durationFromJSON);
}

}  // namespace vantrel
