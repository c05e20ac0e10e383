#pragma once

#include "Vantrel/tools/BundledToolResolver.h"
#include "Vantrel/tools/CancellationToken.h"
#include "Vantrel/tools/StreamParams.h"

#include <QByteArray>
#include <QException>
#include <QFuture>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

Q_DECLARE_LOGGING_CATEGORY(lcFFmpegWrapper)

// What the metrics handler of a run receives with each progress update.
struct ProgressMetrics {
    double progress = 0.0;
    QString phase;
    std::optional<QString> speed;
    std::optional<double> fps;
    std::optional<QString> processedTime;
    std::optional<qint64> currentFrame;
    std::optional<qint64> totalFrames;

    friend bool operator==(const ProgressMetrics&, const ProgressMetrics&) = default;
};

// Runs the external ffmpeg tool as a cancellable child process (one run at a
// time per wrapper) and measures files with ffprobe.
//
// Threads: a run and every probe execute on a worker thread of the tools' own
// pool; standard error is read there. Every callback (progress, log, metrics) is
// posted to the main thread (the thread of the QCoreApplication instance), in
// order, and all of a run's callbacks are posted before its future finishes.
// cancel() may be called from any thread.
//
// Locks: the cancel lock (current run, cancelling flag) and each run's output
// collector lock. Each critical section takes one of them; neither is held while
// calling out, so they never nest.
class FFmpegWrapper {
public:
    using ProgressHandler = std::function<void(double fraction, const QString& phase)>;
    using LogHandler = std::function<void(const QString& line)>;
    using MetricsHandler = std::function<void(const ProgressMetrics& metrics)>;
    using Clock = std::chrono::steady_clock;

    // The errors of a run. errorDescription() is the user-facing message.
    class FFmpegError : public QException {
    public:
        enum class Kind { conversionFailed, invalidInput, ffmpegNotFound, cancelled };

        static FFmpegError conversionFailed(const QString& standardError);
        static FFmpegError invalidInput(const QString& detail);
        static FFmpegError ffmpegNotFound();
        static FFmpegError cancelled();

        Kind kind() const { return kind_; }
        const QString& payload() const { return payload_; }
        QString errorDescription() const;

        const char* what() const noexcept override { return what_.constData(); }
        void raise() const override { throw *this; }
        FFmpegError* clone() const override { return new FFmpegError(*this); }

    private:
        FFmpegError(Kind kind, QString payload);
        Kind kind_;
        QString payload_;
        QByteArray what_;
    };

    // The tool could not be started at all; carries the system's description.
    class LaunchError : public QException {
    public:
        explicit LaunchError(QString description);
        const QString& errorDescription() const { return description_; }
        const char* what() const noexcept override { return what_.constData(); }
        void raise() const override { throw *this; }
        LaunchError* clone() const override { return new LaunchError(*this); }

    private:
        QString description_;
        QByteArray what_;
    };

    // What one chunk of ffmpeg's standard error says; a field is absent when the
    // chunk does not say it.
    struct FFmpegOutputMetrics {
        std::optional<qint64> frame;
        std::optional<double> fps;
        std::optional<QString> speed;
        std::optional<QString> time;
        std::optional<QString> bitrate;
        std::optional<QString> size;

        friend bool operator==(const FFmpegOutputMetrics&, const FFmpegOutputMetrics&) = default;
    };

    // Per run: everything the tool wrote to standard error, the input's total
    // duration once seen, and the progress throttle.
    class OutputCollector {
    public:
        static constexpr std::chrono::milliseconds progressThrottleInterval{100};

        OutputCollector();
        void append(const QString& text);
        // Every chunk in arrival order, joined without a separator.
        QString joinedOutput() const;
        std::optional<double> totalSeconds() const;
        // Keeps the first value stored.
        void storeTotalSecondsIfUnset(double seconds);
        // True at most once per throttle interval (the first call always passes).
        bool shouldUpdateProgress(Clock::time_point now = Clock::now());

    private:
        mutable QMutex lock_;
        QStringList outputParts_;
        std::optional<Clock::time_point> lastProgressUpdate_;
        std::optional<double> totalSeconds_;
    };

    // Turns standard-error bytes into text. A multi-byte character split across
    // chunks is held back until it is complete; invalid bytes become U+FFFD.
    class Utf8ChunkDecoder {
    public:
        QString decode(QByteArrayView bytes);
        // Whatever is still held back, as replacement characters.
        QString finish();

    private:
        QByteArray pending_;
    };

    // The handling of one run's standard error, chunk by chunk: collects the
    // text, logs it line by line, finds the input's duration and delivers throttled progress.
    class ChunkProcessor {
    public:
        using Post = std::function<void(std::function<void()>)>;

        ChunkProcessor(std::shared_ptr<OutputCollector> collector, std::optional<qint64> totalFrames,
                       ProgressHandler progress, LogHandler logHandler, MetricsHandler metricsHandler,
                       std::weak_ptr<void> owner, Post post = postToMainThread);
        void process(QByteArrayView bytes, Clock::time_point now = Clock::now());
        // Call at the end of the stream: handles bytes still held back by the decoder.
        void finish(Clock::time_point now = Clock::now());

    private:
        static constexpr qsizetype maxDurationCarry = 4096;
        static constexpr qsizetype maxLineCarry = 16384;
        void processText(const QString& text, Clock::time_point now);
        void logLines(const QString& text, bool atEnd);
        void findTotalDuration(const QString& text);

        std::shared_ptr<OutputCollector> collector_;
        std::optional<qint64> totalFrames_;
        ProgressHandler progress_;
        LogHandler log_;
        MetricsHandler metrics_;
        std::weak_ptr<void> owner_;
        Post post_;
        Utf8ChunkDecoder decoder_;
        QString durationCarry_;  // the unfinished line the duration may continue on
        QString lineCarry_;      // the unfinished line the log waits to complete
    };

    // The stream a probe looks at: the first video ("v:0") or audio ("a:0") stream.
    enum class ProbeStream { video, audio };

    explicit FFmpegWrapper(BundledToolResolver toolResolver = BundledToolResolver());
    ~FFmpegWrapper();
    FFmpegWrapper(const FFmpegWrapper&) = delete;
    FFmpegWrapper& operator=(const FFmpegWrapper&) = delete;

    const BundledToolResolver& toolResolver() const { return toolResolver_; }

    // Runs the executable with the arguments as they are (no shell). The future
    // finishes when the process has ended: normally on exit status 0, otherwise
    // with FFmpegError (cancelled, conversionFailed with the whole standard error,
    // invalidInput when the output named last is the very file of an "-i" input),
    // or LaunchError when the process cannot be started.
    QFuture<void> runFFmpeg(const QString& executable, const QStringList& arguments,
                            std::optional<qint64> totalFrames, ProgressHandler progress, LogHandler logHandler,
                            MetricsHandler metricsHandler = {});
    // The same run, whose result on exit status 0 is everything the tool wrote to
    // standard error: a tool may say it failed and still exit 0. A cancelled
    // `token` stops this run alone; the run counts as cancelled when its token or
    // the wrapper's flag says so.
    QFuture<QString> runFFmpegKeepingErrors(const QString& executable, const QStringList& arguments,
                                            std::optional<qint64> totalFrames, ProgressHandler progress,
                                            LogHandler logHandler, MetricsHandler metricsHandler = {},
                                            CancellationToken token = CancellationToken());

    // Asks the current run to stop (terminate, then kill when the process ignores
    // that for the grace period) and sets the cancelling flag. Returns at once.
    void cancel();
    // The caller clears the flag before each run; the wrapper never does. A run's
    // own token is the finer way: it stops that run and no other.
    void clearCancelling();
    bool isCancelling() const;

    static constexpr std::chrono::milliseconds defaultTerminateGracePeriod{3000};
    // How long a tool asked to stop may take before it is killed; for runs started from now on.
    void setTerminateGracePeriod(std::chrono::milliseconds period) { terminateGracePeriod_ = period; }
    std::chrono::milliseconds terminateGracePeriod() const { return terminateGracePeriod_; }

    // Where a run reads the time its progress throttle compares, once per chunk of
    // standard error, on the run's worker thread; for runs started from now on.
    using Now = std::function<Clock::time_point()>;
    void setClock(Now now) { now_ = std::move(now); }

    // Probes. Each starts one ffprobe run on a worker thread; a value that cannot
    // be measured is -1 or none. Cancelling the returned future stops the tool;
    // a cancelled future carries no result.
    QFuture<int> timecodeTrackCount(const QString& file) const;
    QFuture<std::optional<StreamParams>> streamParams(const QString& file, ProbeStream stream) const;
    QFuture<qint64> packetCount(const QString& file, ProbeStream stream) const;
    QFuture<qint64> packetBytes(const QString& file, ProbeStream stream) const;
    // Container duration in milliseconds.
    QFuture<qint64> duration(const QString& file) const;
    // The top-level JSON object ffprobe prints for the file with these extra arguments.
    QFuture<std::optional<QJsonObject>> probeJSON(const QString& file, const QStringList& arguments) const;
    // Standard output of a successful run of the tool (exit status 0), or none.
    static QFuture<std::optional<QByteArray>> runProbe(const QString& tool, const QStringList& arguments);

    // How the probes read ffprobe's JSON.
    static int timecodeTrackCountFromJSON(const std::optional<QJsonObject>& json);
    static std::optional<StreamParams> streamParamsFromJSON(const std::optional<QJsonObject>& json);
    static qint64 packetCountFromJSON(const std::optional<QJsonObject>& json);
    static qint64 packetBytesFromJSON(const std::optional<QJsonObject>& json);
    static qint64 durationFromJSON(const std::optional<QJsonObject>& json);
    // A JSON number that is exactly an integer, or a string holding a decimal integer.
    static std::optional<qint64> integerField(const QJsonValue& value);

    static FFmpegOutputMetrics parseOutputMetrics(const QString& text);
    // "HH:MM:SS.ss", "MM:SS" or "SS.ss" to seconds; none when it does not parse.
    static std::optional<double> parseTimeString(const std::optional<QString>& text);

    // When the last argument names the same file (device and inode, links
    // followed) as the value of an "-i" argument, that path.
    static std::optional<QString> outputOverwritingInput(const QStringList& arguments);

    static void postToMainThread(std::function<void()> block);

private:
    struct State;
    template <typename T, typename Parse>
    QFuture<T> probe(const QString& file, const QStringList& arguments, Parse parse) const;

    BundledToolResolver toolResolver_;
    std::shared_ptr<State> state_;
    std::chrono::milliseconds terminateGracePeriod_ = defaultTerminateGracePeriod;
    Now now_ = [] { return Clock::now(); };
};

}  // namespace vantrel
