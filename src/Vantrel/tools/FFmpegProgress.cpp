// How ffmpeg's standard error becomes log lines, a total duration and throttled
// progress. Progress is read from each chunk as it arrives; the log gets whole
// lines only, a line begun in one chunk waiting for its end in a later one.
#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/StrictNumbers.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

struct Patterns {
    QRegularExpression duration{QStringLiteral(R"(Duration:\s*(\d+:\d+:\d+(?:\.\d+)?))")};
    QRegularExpression frame{QStringLiteral(R"(frame=\s*(\d+))")};
    QRegularExpression fps{QStringLiteral(R"(fps=\s*([\d.]+))")};
    QRegularExpression speed{QStringLiteral(R"(speed=\s*([\d.]+x|N/A))")};
    QRegularExpression time{QStringLiteral(R"(time=\s*([\d:.]+))")};
    QRegularExpression bitrate{QStringLiteral(R"(bitrate=\s*([\d.]+\s*\w+/s))")};
    QRegularExpression size{QStringLiteral(R"(size=\s*([\d.]+\s*\w+))")};
};

const Patterns& patterns() {
    // One set per thread: chunks of different runs are parsed on different threads.
    thread_local const Patterns instance;
    return instance;
}

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

// The whole first match, with every occurrence of the key removed and blanks trimmed.
std::optional<QString> fieldText(const QRegularExpression& pattern, const QString& text, const QString& key) {
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    return trimSpacesAndTabs(match.captured(0).remove(key));
}

}  // namespace

// ---- Output collector ----

FFmpegWrapper::OutputCollector::OutputCollector() { outputParts_.reserve(1000); }

void FFmpegWrapper::OutputCollector::append(const QString& text) {
    QMutexLocker locker(&lock_);
    outputParts_.append(text);
}

QString FFmpegWrapper::OutputCollector::joinedOutput() const {
    QMutexLocker locker(&lock_);
    return outputParts_.join(QString());
}

std::optional<double> FFmpegWrapper::OutputCollector::totalSeconds() const {
    QMutexLocker locker(&lock_);
    return totalSeconds_;
}

void FFmpegWrapper::OutputCollector::storeTotalSecondsIfUnset(double seconds) {
    QMutexLocker locker(&lock_);
    if (!totalSeconds_) totalSeconds_ = seconds;
}

bool FFmpegWrapper::OutputCollector::shouldUpdateProgress(Clock::time_point now) {
    QMutexLocker locker(&lock_);
    if (lastProgressUpdate_ && now - *lastProgressUpdate_ < progressThrottleInterval) return false;
    lastProgressUpdate_ = now;
    return true;
}

// ---- UTF-8 chunks ----

QString FFmpegWrapper::Utf8ChunkDecoder::decode(QByteArrayView bytes) {
    QByteArray data = pending_ + bytes.toByteArray();
    pending_.clear();
    // Hold back a lead byte at the end whose continuation bytes have not arrived yet.
    const qsizetype size = data.size();
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, size); ++back) {
        const auto byte = static_cast<unsigned char>(data[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte: look further back
        if (byte >= 0xC0 && byte < 0xF8) {
            const qsizetype needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            if (needed > back) {
                pending_ = data.right(back);
                data.chop(back);
            }
        }
        break;
    }
    return QString::fromUtf8(data);
}

QString FFmpegWrapper::Utf8ChunkDecoder::finish() {
    const QString rest = QString::fromUtf8(pending_);
    pending_.clear();
    return rest;
}

// ---- Parsers ----

FFmpegWrapper::FFmpegOutputMetrics FFmpegWrapper::parseOutputMetrics(const QString& text) {
    const Patterns& p = patterns();
    FFmpegOutputMetrics metrics;
    if (auto frame = fieldText(p.frame, text, QStringLiteral("frame="))) {
        if (auto value = strictInteger(*frame)) metrics.frame = *value;
    }
    if (auto fps = fieldText(p.fps, text, QStringLiteral("fps="))) metrics.fps = strictDouble(*fps);
    if (auto speed = fieldText(p.speed, text, QStringLiteral("speed="))) {
        if (*speed != QStringLiteral("N/A")) metrics.speed = *speed;
    }
    metrics.time = fieldText(p.time, text, QStringLiteral("time="));
    metrics.bitrate = fieldText(p.bitrate, text, QStringLiteral("bitrate="));
    metrics.size = fieldText(p.size, text, QStringLiteral("size="));
    return metrics;
}

std::optional<double> FFmpegWrapper::parseTimeString(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) return std::nullopt;
    const QStringList pieces = text->split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (pieces.isEmpty() || pieces.size() > 3) return std::nullopt;
    double seconds = 0.0;
    double unit = 1.0;
    for (qsizetype i = pieces.size() - 1; i >= 0; --i) {
        const auto value = strictDouble(pieces[i]);
        if (!value) return std::nullopt;
        seconds += *value * unit;
        unit *= 60.0;
    }
    return seconds;
}

// ---- Chunk processing ----

FFmpegWrapper::ChunkProcessor::ChunkProcessor(std::shared_ptr<OutputCollector> collector,
                                              std::optional<qint64> totalFrames, ProgressHandler progress,
                                              LogHandler logHandler, MetricsHandler metricsHandler,
                                              std::weak_ptr<void> owner, Post post)
    : collector_(std::move(collector)),
      totalFrames_(totalFrames),
      progress_(std::move(progress)),
      log_(std::move(logHandler)),
      metrics_(std::move(metricsHandler)),
      owner_(std::move(owner)),
      post_(std::move(post)) {}

void FFmpegWrapper::ChunkProcessor::process(QByteArrayView bytes, Clock::time_point now) {
    processText(decoder_.decode(bytes), now);
}

void FFmpegWrapper::ChunkProcessor::finish(Clock::time_point now) {
    processText(decoder_.finish(), now);
    logLines(QString(), true);
}

// Logs every line the text completes ("\n" or "\r" ends one), blank lines and the
// statistics lines left out; the unfinished rest waits for the next chunk, or for
// the end of the run (or grows too long to wait for).
void FFmpegWrapper::ChunkProcessor::logLines(const QString& text, bool atEnd) {
    if (!log_) return;
    lineCarry_ += text;
    QStringList lines;
    const auto take = [&lines](QStringView line) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1String("frame="))) lines << QStringLiteral("FFmpeg: ") + line.toString();
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < lineCarry_.size(); ++i) {
        const QChar c = lineCarry_[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r')) continue;
        take(QStringView(lineCarry_).mid(start, i - start));
        start = i + 1;
    }
    lineCarry_.remove(0, start);
    if (atEnd || lineCarry_.size() > maxLineCarry) {
        take(lineCarry_);
        lineCarry_.clear();
    }
    if (lines.isEmpty()) return;
    post_([log = log_, lines = std::move(lines)] {
        for (const QString& line : lines) log(line);
    });
}

void FFmpegWrapper::ChunkProcessor::processText(const QString& text, Clock::time_point now) {
    if (text.isEmpty()) return;
    collector_->append(text);
    logLines(text, false);

    if (owner_.expired()) return;

    if (!collector_->totalSeconds()) findTotalDuration(text);

    const FFmpegOutputMetrics metrics = parseOutputMetrics(text);
    if (!metrics.time && !metrics.frame) return;
    if (!collector_->shouldUpdateProgress(now)) return;

    const std::optional<double> total = collector_->totalSeconds();
    const std::optional<double> elapsed = parseTimeString(metrics.time);
    double fraction = 0.0;
    double cap = 0.0;
    if (total && *total > 0 && elapsed) {
        fraction = *elapsed / *total;
        cap = 0.99;
    } else if (!metrics.frame) {
        return;
    } else if (totalFrames_ && *totalFrames_ >= 1) {
        fraction = static_cast<double>(*metrics.frame) / static_cast<double>(*totalFrames_);
        cap = 0.99;
    } else {
        fraction = static_cast<double>(*metrics.frame) / 1000.0;
        cap = 0.9;
    }
    const double progress = std::min(fraction, cap);

    QStringList parts;
    if (metrics.time && collector_->totalSeconds()) {
        parts << *metrics.time;
    } else if (metrics.frame) {
        QString first = QStringLiteral("Frame %1").arg(*metrics.frame);
        if (totalFrames_) first += QStringLiteral("/%1").arg(*totalFrames_);
        parts << first;
    }
    if (metrics.speed) {
        parts << *metrics.speed;
    } else if (metrics.fps && *metrics.fps > 0) {
        parts << QString::asprintf("%.0f fps", *metrics.fps);
    }
    const QString phase = parts.join(QStringLiteral(" \u2022 "));

    ProgressMetrics record{progress,        phase,          metrics.speed, metrics.fps,
                           metrics.time,    metrics.frame,  totalFrames_};
    post_([progressHandler = progress_, metricsHandler = metrics_, record] {
        if (progressHandler) progressHandler(record.progress, record.phase);
        if (metricsHandler) metricsHandler(record);
    });
}

// ffmpeg writes the duration line in several pieces, which may arrive in
// separate chunks; so the line begun in earlier chunks is searched with this one,
// and a match that reaches the end of the text waits for the rest of its digits.
void FFmpegWrapper::ChunkProcessor::findTotalDuration(const QString& text) {
    const QString haystack = durationCarry_ + text;
    const QRegularExpressionMatch match = patterns().duration.match(haystack);
    if (match.hasMatch() && match.capturedEnd(0) < haystack.size()) {
        const QString total = trimSpacesAndTabs(match.captured(0).remove(QStringLiteral("Duration:")));
        if (auto seconds = parseTimeString(total)) collector_->storeTotalSecondsIfUnset(*seconds);
    }
    const qsizetype lineBreak = std::max(haystack.lastIndexOf(QLatin1Char('\n')), haystack.lastIndexOf(QLatin1Char('\r')));
    durationCarry_ = haystack.mid(lineBreak + 1).right(maxDurationCarry);
}

void FFmpegWrapper::postToMainThread(std::function<void()> block) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;  // the application is gone: nobody is left to tell
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

}  // namespace vantrel
