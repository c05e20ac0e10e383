#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/ToolProcess.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QProcess>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

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

// One run as the cancel lock sees it. The worker that owns the process polls
// terminateRequested, so cancel() never touches the process object itself.
struct FFmpegWrapper::RunControl {
    std::atomic<bool> terminateRequested{false};
    std::atomic<bool> running{false};
};

struct FFmpegWrapper::State {
    QMutex cancelLock;
    std::shared_ptr<RunControl> currentProcess;  // the current or last run; none after cancel()
    bool isCancelling = false;
    quint64 cancelCount = 0;  // lets a run see a cancel that arrived while it was launching
};

FFmpegWrapper::FFmpegWrapper(BundledToolResolver toolResolver)
    : toolResolver_(std::move(toolResolver)), state_(std::make_shared<State>()) {}

// A run still in progress goes on; its worker holds the run's state, not the wrapper.
FFmpegWrapper::~FFmpegWrapper() = default;

void FFmpegWrapper::cancel() {
    std::shared_ptr<RunControl> run;
    {
        QMutexLocker locker(&state_->cancelLock);
        state_->isCancelling = true;
        ++state_->cancelCount;
        run = state_->currentProcess;
    }
    if (run && run->running) run->terminateRequested = true;
    {
        QMutexLocker locker(&state_->cancelLock);
        state_->currentProcess.reset();
    }
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
                                                      LogHandler logHandler, MetricsHandler metricsHandler) {
    quint64 cancelCountAtStart = 0;
    {
        QMutexLocker locker(&state_->cancelLock);
        cancelCountAtStart = state_->cancelCount;
    }
    RunRequest request{executable,          arguments,  totalFrames, std::move(progress), std::move(logHandler),
                       std::move(metricsHandler)};
    std::weak_ptr<State> weakState = state_;

    return QtConcurrent::run(toolThreadPool(), [request = std::move(request), weakState,
                                                cancelCountAtStart](QPromise<QString>& promise) {
        if (auto same = outputOverwritingInput(request.arguments)) {
            promise.setException(FFmpegError::invalidInput(
                QStringLiteral("the output file is the source file: ") + *same));
            return;
        }

        QEventLoop loop;  // first, so that the process's notifiers have this thread's dispatcher
        QProcess process;
        setUpToolProcess(process, request.executable, request.arguments);
        process.setStandardOutputFile(QProcess::nullDevice());

        auto collector = std::make_shared<OutputCollector>();
        ChunkProcessor chunks(collector, request.totalFrames, request.progress, request.log, request.metrics,
                              weakState);
        QObject::connect(&process, &QProcess::readyReadStandardError, &loop,
                         [&] { chunks.process(process.readAllStandardError()); });
        bool ended = false;
        QObject::connect(&process, &QProcess::finished, &loop, [&] {
            ended = true;
            loop.quit();
        });

        auto control = std::make_shared<RunControl>();
        if (auto state = weakState.lock()) {
            QMutexLocker locker(&state->cancelLock);
            state->currentProcess = control;
        }
        postLog(request.log, QStringLiteral("Starting FFmpeg: ") + QFileInfo(request.executable).fileName());

        process.start();
        if (!process.waitForStarted(-1)) {
            QObject::disconnect(&process, nullptr, &loop, nullptr);
            const QString description = process.errorString();
            postLog(request.log, QStringLiteral("Failed to launch FFmpeg: ") + description);
            promise.setException(LaunchError(description));
            return;
        }
        control->running = true;
        postLog(request.log, QStringLiteral("FFmpeg PID: ") + QString::number(process.processId()));

        // A cancel that came while the process was being launched stops it now.
        if (auto state = weakState.lock()) {
            QMutexLocker locker(&state->cancelLock);
            if (state->cancelCount != cancelCountAtStart) control->terminateRequested = true;
        }

        QTimer killTimer;
        killTimer.setSingleShot(true);
        killTimer.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire up to 5% early
        QObject::connect(&killTimer, &QTimer::timeout, &loop, [&] {
            if (process.state() != QProcess::NotRunning) process.kill();
        });
        QTimer poll;
        poll.setInterval(50);
        bool terminateSent = false;
        auto checkTerminate = [&] {
            if (terminateSent || !control->terminateRequested) return;
            terminateSent = true;
            if (process.state() == QProcess::NotRunning) return;
            process.terminate();
            killTimer.start(terminateGracePeriod);
        };
        QObject::connect(&poll, &QTimer::timeout, &loop, checkTerminate);
        checkTerminate();
        poll.start();
        if (!ended && process.state() != QProcess::NotRunning) loop.exec();
        poll.stop();
        killTimer.stop();
        control->running = false;

        // Everything the tool wrote goes into the error text, up to the last byte.
        chunks.process(process.readAllStandardError());
        chunks.finish();

        bool cancelling = false;
        if (auto state = weakState.lock()) {
            QMutexLocker locker(&state->cancelLock);
            cancelling = state->isCancelling;
        }
        int status = process.exitCode();
        if (process.exitStatus() == QProcess::CrashExit && status == 0) status = -1;
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
        const QString output = withoutStatistics(collector->joinedOutput());
        postLog(request.log, QStringLiteral("FFmpeg error output: ") + output);
        promise.setException(FFmpegError::conversionFailed(output));
    });
}

}  // namespace vantrel
