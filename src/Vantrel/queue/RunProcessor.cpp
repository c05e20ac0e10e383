#include "Vantrel/queue/RunProcessor.h"

#include "FutureWatch/WhenFinished.h"
#include "Vantrel/media/MovieFiles.h"
#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/queue/JobStore.h"
#include "Vantrel/queue/PartialOutput.h"
#include "Vantrel/queue/Preflight.h"
#include "Vantrel/queue/QueueConsole.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QUnhandledException>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantrel {

Q_LOGGING_CATEGORY(lcRunProcessor, "vantrel.RunProcessor")

namespace {

const QString sleepReason = QStringLiteral("Vantrel is correcting timecode");
const QString ffmpegUnavailable =
    QStringLiteral("FFmpeg unavailable — install it (or check the bundled tools), then retry.");
const QString unexpectedCorrectionError = QStringLiteral("The correction stopped on an unexpected error.");
const QString unexpectedVerificationError = QStringLiteral("The verification stopped on an unexpected error.");

// The runners' own errors describe themselves for the user (their what() is that
// description). Anything else is a fault whose text means nothing to the user: it
// becomes `plainWords`, and its own text goes to `detail`.
QString descriptionOf(const std::exception_ptr& error, const QString& plainWords, QString* detail) {
    try {
        std::rethrow_exception(error);
    } catch (const QUnhandledException& wrapped) {
        if (wrapped.exception()) return descriptionOf(wrapped.exception(), plainWords, detail);
    } catch (const QException& e) {
        const QString text = QString::fromUtf8(e.what()).trimmed();
        if (!text.isEmpty() && text != QLatin1String("std::exception")) return text;
    } catch (const std::exception& e) {
        if (detail) *detail = QString::fromUtf8(e.what());
    } catch (...) {
    }
    return plainWords;
}

// The description of the error a finished correction ended with; nothing when it succeeded.
std::optional<QString> failureOf(QFuture<void> future, QString* detail) {
    try {
        future.waitForFinished();
    } catch (...) {
        return descriptionOf(std::current_exception(), unexpectedCorrectionError, detail);
    }
    if (future.isCanceled()) return QStringLiteral("Operation was cancelled");
    return std::nullopt;
}

// A verification that ended without a result must not pass for a good one: it
// fails, saying why.
VerificationResult missingResult(const CorrectionJob& job, const QString& why) {
    return VerificationResult{job.verifyTier,
                              {VerificationCheck{VerificationCheck::Kind::readability, CheckSeverity::fail,
                                                 QStringLiteral("Readability"), why}},
                              QDateTime::currentDateTimeUtc(),
                              0};
}

VerificationResult resultOf(QFuture<VerificationResult> future, const CorrectionJob& job) {
    try {
        future.waitForFinished();
        if (future.isCanceled()) return missingResult(job, QStringLiteral("The verification was stopped before it ended."));
        if (future.resultCount() == 0) return missingResult(job, QStringLiteral("Verification ended without a result."));
        return future.result();
    } catch (...) {
        QString detail;
        const QString why = descriptionOf(std::current_exception(), unexpectedVerificationError, &detail);
        if (!detail.isEmpty()) qCWarning(lcRunProcessor).noquote() << "Verification of" << job.sourceName() << "threw:" << detail;
        return missingResult(job, why);
    }
}

// Whether a save failed for want of room: a full disk, or a quota used up. The
// queue file's writer gives its reason as text only, in the system's words or in
// Qt's (which words a full disk its own way): both are looked for.
bool isOutOfSpace(const QString& reason) {
    for (const int error : {ENOSPC, EDQUOT}) {
        if (reason.contains(qt_error_string(error)) || reason.contains(QString::fromLocal8Bit(std::strerror(error)))) {
            return true;
        }
    }
    return false;
}

// Where a job's source and output folder are now, by their bookmarks; the job
// carries the renewed bookmarks. Safe on any thread.
struct JobLocations {
    CorrectionJob job;
    QString sourcePath;
    QString outputFolder;
};

JobLocations findJobLocations(CorrectionJob job, bool sweepPartials) {
    JobLocations found;
    const QString storedSource = job.sourcePath;
    found.sourcePath = job.resolveSourceURL().value_or(storedSource);
    found.outputFolder = job.resolveOutputFolderURL().value_or(QFileInfo(job.outputPath).absolutePath());
    // The partial file an interrupted earlier run of this job left behind goes first.
    if (sweepPartials) PartialOutput::sweep({job});
    found.job = std::move(job);
    return found;
}

}  // namespace

// Hands work from any thread to the processor's thread, and drops it once the
// processor is gone.
class RunProcessor::Relay {
public:
    explicit Relay(RunProcessor* processor) : processor_(processor) {}

    void post(std::function<void(RunProcessor&)> task) {
        QMutexLocker lock(&mutex_);
        if (!processor_) return;
        RunProcessor* processor = processor_;
        if (QThread::currentThread() == processor->thread()) {
            // Already on the processor's thread: apply at once, so that a value
            // reported before a run finished is never applied after its result.
            lock.unlock();
            task(*processor);
            return;
        }
        // Posted events die with their receiver, so nothing runs after the processor is gone.
        QMetaObject::invokeMethod(
            processor, [processor, task = std::move(task)] { task(*processor); }, Qt::QueuedConnection);
    }

    void detach() {
        QMutexLocker lock(&mutex_);
        processor_ = nullptr;
    }

private:
    QMutex mutex_;
    RunProcessor* processor_;
};

RunProcessor::Ending RunProcessor::Ending::failed(QString message, QString line, QString detail) {
    Ending ending;
    ending.kind = Kind::failed;
    ending.message = std::move(message);
    ending.line = std::move(line);
    ending.detail = std::move(detail);
    return ending;
}

RunProcessor::Ending RunProcessor::Ending::corrected() {
    Ending ending;
    ending.kind = Kind::corrected;
    return ending;
}

RunProcessor::Ending RunProcessor::Ending::verified(VerificationResult result) {
    Ending ending;
    ending.kind = Kind::verified;
    ending.result = std::move(result);
    return ending;
}

RunProcessor::RunProcessor(JobStore& store, QueueConsole& console, std::shared_ptr<CorrectionRunning> runner,
                           std::shared_ptr<OutputVerifying> verifier, QObject* parent)
    : QObject(parent),
      store_(store),
      console_(console),
      runner_(std::move(runner)),
      verifier_(std::move(verifier)),
      relay_(std::make_shared<Relay>(this)),
      sleepInhibitor_(std::make_unique<LogindSleepInhibitor>()),
      volumeInfo_(volumeFacts) {}

RunProcessor::~RunProcessor() {
    relay_->detach();
    // Runs cut off here stop their tools and take their partial files with them.
    loopRun_.reset();
    manualRun_.reset();
    allowSleep();
}

std::optional<QUuid> RunProcessor::currentJobId() const {
    if (!loopRun_) return std::nullopt;
    return loopRun_->job().id;
}

std::optional<QUuid> RunProcessor::currentlyVerifyingJobId() const {
    if (loopVerifyingJobId_) return loopVerifyingJobId_;
    if (manualRun_) return manualRun_->job().id;
    return std::nullopt;
}

bool RunProcessor::isDeepVerifying() const {
    return loopVerifyingJobId_ ? loopDeepVerifying_ : manualRun_ != nullptr;
}

void RunProcessor::log(const QString& message) { console_.log(message); }

std::optional<QString> RunProcessor::checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const {
    const QFileInfo source(sourcePath);
    const qint64 size = source.exists() ? source.size() : 0;
    const VolumeFacts volume = volumeInfo_ ? volumeInfo_(outputFolder) : VolumeFacts{};
    return freeSpaceProblem(size, volume.availableBytes, volume.name);
}

// ---- statuses ----

void RunProcessor::setJobStatus(const QUuid& id, JobStatus status, std::optional<double> progress) {
    store_.update(id, [&](CorrectionJob& job) {
        job.status = status;
        if (progress) job.progress = *progress;
    });
}

bool RunProcessor::retry(const QUuid& id) {
    const CorrectionJob* job = store_.find(id);
    if (!job || !(job->status.is(JobStatus::Kind::cancelled) || job->status.is(JobStatus::Kind::failed))) return false;
    setJobStatus(id, JobStatus::pending(), 0);
    return true;
}

int RunProcessor::cancelPending() {
    return store_.updateWhere([](const CorrectionJob& job) { return job.status.is(JobStatus::Kind::pending); },
                              [](CorrectionJob& job) { job.status = JobStatus::cancelled(); });
}

void RunProcessor::settleRestored(CorrectionJob& job) {
    if (job.status.isRunning()) {
        job.status = JobStatus::pending();
        job.progress = 0;
    }
    if (job.sourceBookmarkData && !job.resolveSourceURL()) {
        job.status = JobStatus::failed(QStringLiteral("Cannot find source file (moved or deleted)"));
    }
    if (job.outputBookmarkData && !job.resolveOutputFolderURL()) {
        job.status = JobStatus::failed(QStringLiteral("Cannot find output folder (moved or deleted)"));
    }
}

// ---- the loop ----

void RunProcessor::start() {
    if (isProcessing_ || store_.count(JobStore::Tally::pending) == 0) return;
    QMetaObject::invokeMethod(this, &RunProcessor::processQueue, Qt::QueuedConnection);
}

void RunProcessor::processQueue() {
    if (isProcessing_) return;
    if (!runner_ || !runner_->isAvailable()) {
        store_.updateWhere([](const CorrectionJob& job) { return job.status.is(JobStatus::Kind::pending); },
                           [](CorrectionJob& job) { job.status = JobStatus::failed(ffmpegUnavailable); });
        store_.save();
        return;
    }
    setProcessing(true);
    preventSleep();
    sessionBytesDone_ = 0;
    sessionSecondsDone_ = 0;
    log(QStringLiteral("=== Queue processing started ==="));
    processNextPending();
}

void RunProcessor::processNextPending() {
    if (!isProcessing_ || loopRun_) return;
    // Rescanned from the front each time: jobs added or retried meanwhile are seen,
    // and an earlier job that became pending again goes first.
    const auto& all = store_.jobs();
    const auto next = std::find_if(all.begin(), all.end(),
                                   [](const CorrectionJob& j) { return j.status.is(JobStatus::Kind::pending); });
    if (next == all.end()) {
        finishProcessing();
        return;
    }
    processJob(*next);
}

void RunProcessor::finishProcessing() {
    allowSleep();
    setProcessing(false);
    log(QStringLiteral("=== Queue processing complete ==="));
    store_.save();
}

// Takes its own copy: the job in the list moves when a change detaches the list
// from a save still writing it.
void RunProcessor::processJob(CorrectionJob job) {
    auto run = std::make_shared<JobRun>(job, JobRun::Purpose::correction);
    loopRun_ = run;
    setJobStatus(job.id, JobStatus::preparing(), 0);
    store_.update(job.id, [](CorrectionJob& j) { j.startedAt = QDateTime::currentDateTimeUtc(); });
    log(QStringLiteral("--- Starting: %1 → %2 ---").arg(job.sourceName(), job.outputName()));
    locateFiles(run, [this, run] {
        // Stopped while its files were looked for: the tool never starts.
        if (run->isCancelled()) {
            finish(run, Ending::cancelled());
            return;
        }
        correct(run);
    });
}

void RunProcessor::locateFiles(const RunPtr& run, std::function<void()> then) {
    futurewatch::whenFinished<JobLocations>(
        QtConcurrent::run(findJobLocations, run->job(), !run->isManual()), this,
        [this, run, then = std::move(then)](const QFuture<JobLocations>& future) {
            if (run->isFinished()) return;
            const JobLocations found =
                future.resultCount() > 0
                    ? future.result()
                    : JobLocations{run->job(), run->job().sourcePath, QFileInfo(run->job().outputPath).absolutePath()};
            run->setLocations(found.sourcePath, found.outputFolder, found.job.sourceBookmarkData,
                              found.job.outputBookmarkData);
            store_.update(run->job().id, [&](CorrectionJob& job) {
                job.sourceBookmarkData = found.job.sourceBookmarkData;
                job.outputBookmarkData = found.job.outputBookmarkData;
                job.sourcePath = found.sourcePath;
            });
            then();
        });
}

void RunProcessor::correct(const RunPtr& run) {
    const QUuid id = run->job().id;
    run->sourceAccessStarted = beginAccess(run->sourcePath()) == Access::started;
    run->folderAccessStarted = beginAccess(run->outputFolder()) == Access::started;

    if (const auto problem = checkFreeSpace(run->sourcePath(), run->outputFolder())) {
        finish(run, Ending::failed(*problem, QStringLiteral("FAILED preflight: %1 — %2").arg(run->job().sourceName(), *problem)));
        return;
    }

    // The partial file is made without a name, and the job records its name and
    // which file it is; the file takes the name only once the record is on disk. A
    // run cut off before then leaves nothing (an unnamed file goes with the
    // process), and one cut off later leaves only what the next start knows for the
    // job's own.
    if (run->makePartial() == EEXIST) {
        failNaming(run, EEXIST);
        return;
    }
    store_.update(id, [&](CorrectionJob& job) {
        job.partialName = run->partialName();
        job.partialFile = run->partialFile();
    });
    store_.save();
    const std::weak_ptr<Relay> relay = relay_;
    store_.whenSaved([relay, run](const std::optional<QString>& unsaved) {
        if (const auto r = relay.lock()) {
            r->post([run, unsaved](RunProcessor& processor) { processor.launchCorrection(run, unsaved); });
        }
    });
}

void RunProcessor::fail(const RunPtr& run, const QString& problem, const QString& detail) {
    finish(run, Ending::failed(problem, QStringLiteral("FAILED: %1 — %2").arg(run->job().sourceName(), problem), detail));
}

void RunProcessor::failNaming(const RunPtr& run, int error) {
    const QString what = error == EEXIST
                             ? QStringLiteral("A file appeared under the hidden name the output was to be written to; "
                                              "it was left as it was")
                             : QStringLiteral("The hidden file the output was to be written to could not be given its "
                                              "name (%1); nothing was written")
                                   .arg(QString::fromLocal8Bit(std::strerror(error)));
    fail(run, what + QStringLiteral(". Retry the job."));
}

void RunProcessor::launchCorrection(const RunPtr& run, const std::optional<QString>& unsaved) {
    if (run->isFinished()) return;
    // Stopped while the record was written: the tool never starts.
    if (run->isCancelled()) {
        finish(run, Ending::cancelled());
        return;
    }
    // Without its record on disk the partial file would be known to nobody after a
    // crash: nothing is written, and the job says how to get on.
    if (unsaved && store_.filePath()) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(*store_.filePath()).absolutePath());
        const QString advice = isOutOfSpace(*unsaved) ? QStringLiteral("free space in %1")
                                                      : QStringLiteral("make sure Vantrel can write to %1");
        fail(run, QStringLiteral("The queue could not be saved (%1), so the correction was not started: %2, then Retry")
                      .arg(*unsaved, advice.arg(folder)));
        return;
    }
    if (const int error = run->namePartial()) {
        failNaming(run, error);
        return;
    }
    const QUuid id = run->job().id;
    setJobStatus(id, JobStatus::active());
    run->enter(JobRun::Stage::correcting);
    run->correctionTimer().start();
    const std::weak_ptr<Relay> relay = relay_;
    const CancellationToken token = run->token();
    auto progress = [relay, id, token](double fraction) {
        const auto r = relay.lock();
        if (!r) return;
        r->post([id, fraction, token](RunProcessor& processor) {
            // A cancelled run reports nothing more, whatever its tool still says.
            if (token.isCancelled()) return;
            processor.store_.update(id, [fraction](CorrectionJob& j) { j.progress = fraction; });
        });
    };
    const CorrectionJob corrected = run->checkedJob();
    // The tool's lines name the partial file it writes; the console names the output.
    auto logLine = [relay, naming = run->outputNaming()](const QString& line) {
        if (const auto r = relay.lock()) {
            r->post([line = naming(line)](RunProcessor& processor) { processor.log(line); });
        }
    };
    run->setCorrection(runner_->run(corrected, progress, logLine, token));
    futurewatch::whenFinished<void>(run->correction(), this, [this, run](const QFuture<void>&) { onCorrectionFinished(run); });
}

void RunProcessor::onCorrectionFinished(const RunPtr& run) {
    if (run->stage() != JobRun::Stage::correcting) return;
    QString detail;
    if (const auto failure = failureOf(run->correction(), &detail)) {
        fail(run, *failure, detail.isEmpty() ? QString() : QStringLiteral("Error detail: ") + detail);
        return;
    }
    // The tool ended well: a cancel that came too late to stop it does not stop the
    // job; its checks decide how it ends.
    run->markCorrected();
    store_.update(run->job().id, [](CorrectionJob& j) { j.progress = 1.0; });
    const CorrectionJob& job = run->job();
    if (job.totalSourceBytes && *job.totalSourceBytes > 0) {
        sessionBytesDone_ += *job.totalSourceBytes;
        sessionSecondsDone_ += double(run->correctionTimer().nsecsElapsed()) / 1e9;
    }
    if (job.verifyTier == VerifyTier::off) {
        finish(run, Ending::corrected());
        return;
    }
    run->enter(JobRun::Stage::verifying);
    if (manualRun_) {
        // One verification at a time: this one starts when the manual one ends.
        deferredVerification_ = [this, run] { beginVerification(run); };
        return;
    }
    beginVerification(run);
}

// ---- how a run ends ----

void RunProcessor::finish(const RunPtr& run, Ending ending) {
    if (run->isFinished()) return;
    const QUuid id = run->job().id;
    const QString name = run->job().sourceName();

    // A run cancelled before its tool ended well ends cancelled: the status was set
    // when it was cancelled (and a retry since then stands), and nothing is left
    // under the output's name.
    if (run->isCancelled() && !run->isManual() && !run->isCorrected()) {
        run->discardPartial();
        log(QStringLiteral("Cancelled: ") + name);
        endRun(run);
        return;
    }

    switch (ending.kind) {
    case Ending::Kind::cancelled:
        // Only a cancelled run is told to end this way; a run that is not cancelled
        // has no reason to stop short.
        run->discardPartial();
        setJobStatus(id, JobStatus::failed(unexpectedCorrectionError));
        log(QStringLiteral("FAILED: %1 — %2").arg(name, unexpectedCorrectionError));
        break;
    case Ending::Kind::failed: {
        run->discardPartial();
        const QString message = run->namingOutput(ending.message);
        log(run->namingOutput(ending.line));
        if (!ending.detail.isEmpty()) log(ending.detail);
        setJobStatus(id, JobStatus::failed(message));
        break;
    }
    case Ending::Kind::corrected:
        complete(run);
        break;
    case Ending::Kind::verified:
        applyVerification(run, ending.result);
        break;
    }
    endRun(run);
}

void RunProcessor::applyVerification(const RunPtr& run, const VerificationResult& checked) {
    const QUuid id = run->job().id;
    const QString name = run->job().sourceName();
    const QString manual = run->isManual() ? QStringLiteral(" (manual)") : QString();
    const auto outcome = checked.outcome();
    // The output goes under its name before the result is told, so that the result
    // names it where it is (the checks named the partial file; the name may be
    // another than the job's). One that failed its checks is put there too, to be
    // looked at.
    std::optional<JobRun::Placement> placed;
    if (!run->isManual()) placed = placeOutput(run);
    const VerificationResult result = run->namingOutput(checked);
    // The thorough result replaces the standard one. Looked up again: the job may
    // have been removed while it was verified.
    store_.update(id, [&](CorrectionJob& j) { j.verification = result; });
    if (outcome == VerificationResult::Outcome::failed) {
        log(QStringLiteral("VERIFY ✗%1: %2 — %3").arg(manual, name, result.summary()));
        if (placed) logPlacement(run, *placed);
        setJobStatus(id, JobStatus::failed(QStringLiteral("Verification failed: ") + result.summary()));
        return;
    }
    log((outcome == VerificationResult::Outcome::clean ? QStringLiteral("VERIFY ✓%1: ") : QStringLiteral("VERIFY ⚠%1: "))
            .arg(manual) +
        name);
    if (!placed) return;  // a manual run: the job stays completed
    completeWith(run, *placed);
}

void RunProcessor::complete(const RunPtr& run) { completeWith(run, placeOutput(run)); }

JobRun::Placement RunProcessor::placeOutput(const RunPtr& run) {
    const QUuid id = run->job().id;
    // Names promised to the other jobs of the queue are passed over too.
    const JobRun::Placement placed = run->placeOutput([this, id](const QString& path) {
        return std::any_of(store_.jobs().cbegin(), store_.jobs().cend(),
                           [&](const CorrectionJob& job) { return job.id != id && job.outputPath == path; });
    });
    if (placed.problem.isEmpty()) {
        store_.update(id, [&](CorrectionJob& j) {
            j.outputPath = placed.path;
            j.placedOutput = run->job().placedOutput;
        });
    }
    return placed;
}

void RunProcessor::logPlacement(const RunPtr& run, const JobRun::Placement& placed) {
    if (!placed.problem.isEmpty()) {
        log(QStringLiteral("FAILED: %1 — %2").arg(run->job().sourceName(), placed.problem));
    } else if (placed.renamed) {
        log(QStringLiteral("Output name taken: %1 — saved as %2")
                .arg(QFileInfo(placed.wanted).fileName(), QFileInfo(placed.path).fileName()));
    }
}

void RunProcessor::completeWith(const RunPtr& run, const JobRun::Placement& placed) {
    logPlacement(run, placed);
    if (!placed.problem.isEmpty()) {
        setJobStatus(run->job().id, JobStatus::failed(placed.problem));
        return;
    }
    log(QStringLiteral("SUCCESS: ") + run->job().sourceName());
    setJobStatus(run->job().id, JobStatus::completed());
}

void RunProcessor::endRun(const RunPtr& run) {
    if (run->isFinished()) return;
    run->enter(JobRun::Stage::finished);
    if (run->sourceAccessStarted) endAccess(run->sourcePath());
    if (run->folderAccessStarted) endAccess(run->outputFolder());
    run->sourceAccessStarted = run->folderAccessStarted = false;

    if (run->isManual()) {
        manualRun_.reset();
        emit verificationStateChanged();
        store_.save();
        if (auto deferred = std::exchange(deferredVerification_, nullptr)) deferred();
        return;
    }
    // The partial file has taken the output's name or is gone: the job has none left
    // (one that could not be removed stays recorded, for a later sweep).
    if (!run->hasPartialLeft()) {
        const CorrectionJob* job = store_.find(run->job().id);
        if (job && (job->partialName || job->partialFile)) {
            store_.update(job->id, [](CorrectionJob& j) {
                j.partialName.reset();
                j.partialFile.reset();
            });
        }
    }
    loopRun_.reset();
    setLoopVerifying(std::nullopt, false);
    store_.save();
    // The next job starts once this one's end is on disk.
    store_.whenSaved([this](const std::optional<QString>&) { processNextPending(); });
}

void RunProcessor::cancelCurrentRun(const QString& line) {
    const RunPtr run = loopRun_;
    if (!run || run->isFinished() || !store_.find(run->job().id)) return;
    // The tool is told to stop, or never starts; the run then ends cancelled once
    // its tool has stopped. A tool that ends well all the same, or has already,
    // takes the run on to its checks, which are not interrupted: their result
    // decides how the job ends.
    run->cancel();
    setJobStatus(run->job().id, JobStatus::cancelled(), 0);
    log(line + run->job().sourceName());
}

// ---- verification ----

std::function<void(double)> RunProcessor::verificationProgressSetter(const QUuid& id) {
    const std::weak_ptr<Relay> relay = relay_;
    return [relay, id](double fraction) {
        if (const auto r = relay.lock()) {
            r->post([id, fraction](RunProcessor& processor) {
                processor.store_.update(id, [fraction](CorrectionJob& j) { j.verificationProgress = fraction; });
            });
        }
    };
}

void RunProcessor::beginVerification(const RunPtr& run) {
    if (run->stage() != JobRun::Stage::verifying) return;
    const CorrectionJob job = run->checkedJob();
    setLoopVerifying(job.id, false);
    log(QStringLiteral("Verifying (%1): %2")
            .arg(job.verifyTier == VerifyTier::thorough ? QStringLiteral("Thorough") : QStringLiteral("Standard"),
                 job.sourceName()));
    run->setVerification(verifier_ ? verifier_->verify(job)
                                   : QtFuture::makeReadyFuture(missingResult(job, QStringLiteral("No verifier."))));
    futurewatch::whenFinished<VerificationResult>(
        run->verification(), this, [this, run](const QFuture<VerificationResult>& future) { onStandardVerified(run, future); });
}

void RunProcessor::onStandardVerified(const RunPtr& run, const QFuture<VerificationResult>& future) {
    if (run->stage() != JobRun::Stage::verifying) return;
    const CorrectionJob job = run->checkedJob();
    const VerificationResult standard = resultOf(future, job);
    store_.update(job.id, [&](CorrectionJob& j) { j.verification = run->namingOutput(standard); });
    const CheckSeverity worst = standard.worstSeverity();
    if (job.verifyTier == VerifyTier::standard && worst <= CheckSeverity::info) {
        setLoopVerifying(std::nullopt, false);
        finish(run, Ending::verified(standard));
        return;
    }
    setLoopVerifying(job.id, true);
    if (worst >= CheckSeverity::warning) log(QStringLiteral("Verifying (byte-exact, escalated): ") + job.sourceName());
    // The standard measurements just made are handed on, not made again.
    run->setVerification(verifier_ ? verifier_->verifyThoroughAfter(job, standard, verificationProgressSetter(job.id))
                                   : QtFuture::makeReadyFuture(missingResult(job, QStringLiteral("No verifier."))));
    futurewatch::whenFinished<VerificationResult>(run->verification(), this,
                                                  [this, run](const QFuture<VerificationResult>& thorough) {
                                                      if (run->stage() != JobRun::Stage::verifying) return;
                                                      setLoopVerifying(std::nullopt, false);
                                                      finish(run, Ending::verified(resultOf(thorough, run->checkedJob())));
                                                  });
}

void RunProcessor::manualThoroughVerify(const QUuid& id) {
    if (currentlyVerifyingJobId() || deferredVerification_) return;
    const CorrectionJob* job = store_.find(id);
    if (!job || !job->status.is(JobStatus::Kind::completed)) return;

    auto run = std::make_shared<JobRun>(*job, JobRun::Purpose::manualVerification);
    run->enter(JobRun::Stage::verifying);
    manualRun_ = run;
    emit verificationStateChanged();
    log(QStringLiteral("Manual thorough verify: ") + run->job().sourceName());
    locateFiles(run, [this, run, id] {
        run->sourceAccessStarted = beginAccess(run->sourcePath()) == Access::started;
        run->folderAccessStarted = beginAccess(run->outputFolder()) == Access::started;

        CorrectionJob thoroughJob = run->checkedJob();
        thoroughJob.verifyTier = VerifyTier::thorough;
        run->setVerification(verifier_ ? verifier_->verifyThorough(thoroughJob, verificationProgressSetter(id))
                                       : QtFuture::makeReadyFuture(missingResult(thoroughJob, QStringLiteral("No verifier."))));
        futurewatch::whenFinished<VerificationResult>(run->verification(), this,
                                                      [this, run, thoroughJob](const QFuture<VerificationResult>& future) {
                                                          finish(run, Ending::verified(resultOf(future, thoroughJob)));
                                                      });
    });
}

// ---- helpers ----

void RunProcessor::setProcessing(bool processing) {
    if (isProcessing_ == processing) return;
    isProcessing_ = processing;
    emit processingChanged(processing);
}

void RunProcessor::setLoopVerifying(std::optional<QUuid> id, bool deep) {
    if (loopVerifyingJobId_ == id && loopDeepVerifying_ == deep) return;
    loopVerifyingJobId_ = id;
    loopDeepVerifying_ = deep;
    emit verificationStateChanged();
}

void RunProcessor::setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor) {
    if (isSleepPrevented_) allowSleep();
    sleepInhibitor_ = std::move(inhibitor);
}

void RunProcessor::preventSleep() {
    if (isSleepPrevented_ || !sleepInhibitor_) return;
    isSleepPrevented_ = sleepInhibitor_->acquire(sleepReason);
}

void RunProcessor::allowSleep() {
    if (!isSleepPrevented_) return;
    if (sleepInhibitor_) sleepInhibitor_->release();
    isSleepPrevented_ = false;
}

RunProcessor::Access RunProcessor::beginAccess(const QString& path) {
    const QString key = standardizedFilePath(path);
    if (accessedResources_.contains(key)) return Access::alreadyHeld;
    if (!startAccessingSecurityScopedResource(key)) return Access::notGranted;
    accessedResources_.insert(key);
    return Access::started;
}

void RunProcessor::endAccess(const QString& path) {
    const QString key = standardizedFilePath(path);
    if (!accessedResources_.remove(key)) return;
    stopAccessingSecurityScopedResource(key);
}

}  // namespace vantrel
