#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/ToolProcess.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/stat.h>

namespace vantrel {

Q_LOGGING_CATEGORY(lcFFmpegWrapper, "Vantrel.FFmpegWrapper")

// ---- Errors ----

FFmpegWrapper::FFmpegError::FFmpegError(Kind kind, QString payload)
    : kind_(kind), payload_(std::move(payload)), what_(errorDescription().toUtf8()) {}

FFmpegWrapper::FFmpegError FFmpegWrapper::FFmpegError::conversionFailed(const QString& standardError) {
    return FFmpegError(Kind::conversionFailed, standardError);
}

FFmpegWrapper::FFmpegError FFmpegWrapper::FFmpegError::invalidInput(const QString& detail) {
    return FFmpegError(Kind::invalidInput, detail);
}

FFmpegWrapper::FFmpegError FFmpegWrapper::FFmpegError::ffmpegNotFound() {
    return FFmpegError(Kind::ffmpegNotFound, {});
}

FFmpegWrapper::FFmpegError FFmpegWrapper::FFmpegError::cancelled() { return FFmpegError(Kind::cancelled, {}); }

QString FFmpegWrapper::FFmpegError::errorDescription() const {
    switch (kind_) {
    case Kind::conversionFailed:
        return QStringLiteral("Operation failed: ") + payload_;
    case Kind::invalidInput:
        return QStringLiteral("Invalid input: ") + payload_;
    case Kind::ffmpegNotFound:
        return QStringLiteral("FFmpeg is not installed — install it with “sudo apt-get install ffmpeg”.");
    case Kind::cancelled:
        return QStringLiteral("Operation was cancelled");
    }
    return {};
}

FFmpegWrapper::LaunchError::LaunchError(QString description)
    : description_(std::move(description)), what_(description_.toUtf8()) {}

// ---- Run state ----

struct FFmpegWrapper::State {
    QMutex cancelLock;
    std::optional<CancellationToken> currentRun;  // the run in progress; none after cancel()
    bool isCancelling = false;
};

FFmpegWrapper::FFmpegWrapper(BundledToolResolver toolResolver)
    : toolResolver_(std::move(toolResolver)), state_(std::make_shared<State>()) {}

// A run still in progress goes on; its worker holds the run's state, not the wrapper.
FFmpegWrapper::~FFmpegWrapper() = default;

void FFmpegWrapper::cancel() {
    std::optional<CancellationToken> run;
    {
        QMutexLocker locker(&state_->cancelLock);
        state_->isCancelling = true;
        run = std::exchange(state_->currentRun, std::nullopt);
    }
    if (run) run->cancel();
}

void FFmpegWrapper::clearCancelling() {
    QMutexLocker locker(&state_->cancelLock);
    state_->isCancelling = false;
}

bool FFmpegWrapper::isCancelling() const {
    QMutexLocker locker(&state_->cancelLock);
    return state_->isCancelling;
}

// ---- Same-file guard ----

std::optional<QString> FFmpegWrapper::outputOverwritingInput(const QStringList& arguments) {
    if (arguments.size() < 2) return std::nullopt;
    const qsizetype outputIndex = arguments.size() - 1;
    if (arguments[outputIndex - 1] == QStringLiteral("-i")) return std::nullopt;  // the last word is an input
    const QString& output = arguments[outputIndex];
    struct stat outputStat {};
    if (::stat(QFile::encodeName(output).constData(), &outputStat) != 0) return std::nullopt;
    for (qsizetype i = 0; i + 1 < outputIndex; ++i) {
        if (arguments[i] != QStringLiteral("-i")) continue;
        struct stat inputStat {};
        if (::stat(QFile::encodeName(arguments[i + 1]).constData(), &inputStat) != 0) continue;
        if (inputStat.st_dev == outputStat.st_dev && inputStat.st_ino == outputStat.st_ino) return output;
    }
    return std::nullopt;
}

// ---- Run ----

namespace {

struct RunRequest {
    QString executable;
    QStringList arguments;
    std::optional<qint64> totalFrames;
    FFmpegWrapper::ProgressHandler progress;
    FFmpegWrapper::LogHandler log;
    FFmpegWrapper::MetricsHandler metrics;
};

void postLog(const FFmpegWrapper::LogHandler& log, const QString& line) {
    if (!log) return;
    FFmpegWrapper::postToMainThread([log, line] { log(line); });
}

}  // namespace

QFuture<void> FFmpegWrapper::runFFmpeg(const QString& executable, const QStringList& arguments,
                                       std::optional<qint64> totalFrames, ProgressHandler progress,
                                       LogHandler logHandler, MetricsHandler metricsHandler) {
    return QFuture<void>(runFFmpegKeepingErrors(executable, arguments, totalFrames, std::move(progress),
                                                std::move(logHandler), std::move(metricsHandler)));
}

QFuture<QString> FFmpegWrapper::runFFmpegKeepingErrors(const QString& executable, const QStringList& arguments,
                                                      std::optional<qint64> totalFrames, ProgressHandler progress,
                                                      LogHandler logHandler, MetricsHandler metricsHandler,
                                                      CancellationToken token) {
    {
        // Registered before the run is handed to a worker: a cancel that comes while
        // it waits for a thread or is being launched stops it as soon as it runs.
        QMutexLocker locker(&state_->cancelLock);
        state_->currentRun = token;
    }
    RunRequest request{executable,          arguments,  totalFrames, std::move(progress), std::move(logHandler),
                       std::move(metricsHandler)};
    std::weak_ptr<State> weakState = state_;

    return QtConcurrent::run(toolThreadPool(), [request = std::move(request), weakState, token,
                                                grace = terminateGracePeriod_, now = now_](QPromise<QString>& promise) {
        if (auto same = outputOverwritingInput(request.arguments)) {
            promise.setException(FFmpegError::invalidInput(
                QStringLiteral("the output file is the source file: ") + *same));
            return;
        }

        auto collector = std::make_shared<OutputCollector>();
        ChunkProcessor chunks(collector, request.totalFrames, request.progress, request.log, request.metrics,
                              weakState);
        ToolProcessOptions options;
        options.errors = [&chunks, &now](QByteArrayView bytes) { chunks.process(bytes, now()); };
        options.shouldStop = [&token, &promise] { return token.isCancelled() || promise.isCanceled(); };
        // Asked to end, ffmpeg finishes the file it writes; one that will not is killed.
        options.stopGracePeriod = grace;
        options.started = [&request](qint64 pid) {
            postLog(request.log, QStringLiteral("FFmpeg PID: ") + QString::number(pid));
        };
        postLog(request.log, QStringLiteral("Starting FFmpeg: ") + QFileInfo(request.executable).fileName());
        const ToolProcessRun run = runToolProcess(request.executable, request.arguments, options);
        if (!run.started && run.stopped) {
            postLog(request.log, QStringLiteral("FFmpeg was cancelled before it started"));
            promise.setException(FFmpegError::cancelled());
            return;
        }
        if (!run.started) {
            postLog(request.log, QStringLiteral("Failed to launch FFmpeg: ") + run.errorOutput);
            promise.setException(LaunchError(run.errorOutput));
            return;
        }
        // Everything the tool wrote goes into the error text, up to the last byte.
        chunks.finish(now());

        bool cancelling = token.isCancelled();
        if (auto state = weakState.lock()) {
            QMutexLocker locker(&state->cancelLock);
            cancelling = cancelling || state->isCancelling;
            // Over: a cancel from now on is for whatever runs next.
            if (state->currentRun == token) state->currentRun.reset();
        }
        // A tool ended by a signal reports the signal's number, as a shell would show it.
        const int status = run.signal != 0 ? run.signal : run.exitStatus;
        postLog(request.log, QStringLiteral("FFmpeg exit code: ") + QString::number(status) +
                                 (cancelling ? QStringLiteral(" (cancelled)") : QString()));
        if (status == 0) {
            promise.addResult(collector->joinedOutput());
            return;
        }
        if (cancelling) {
            promise.setException(FFmpegError::cancelled());
            return;
        }
        // Everything the tool wrote, statistics included: its last lines usually name the cause.
        QString output = collector->joinedOutput();
        // A tool that failed without a word: its status is all there is to tell.
        if (output.trimmed().isEmpty()) output = QStringLiteral("FFmpeg exited with status %1.\n").arg(status);
        postLog(request.log, QStringLiteral("FFmpeg error output: ") + output);
        promise.setException(FFmpegError::conversionFailed(output));
    });
}

}  // namespace vantrel
