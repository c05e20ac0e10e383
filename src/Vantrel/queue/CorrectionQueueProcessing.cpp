// The run processor: the processing loop, the verification stage and the manual
// thorough verification, and every change of a job's status.
#include "Vantrel/queue/CorrectionQueuePrivate.h"

#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/media/MovieFiles.h"
#include "Vantrel/queue/Preflight.h"
#include "Vantrel/queue/VolumeInfo.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <QUnhandledException>

namespace vantrel {

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
        if (!detail.isEmpty()) qCWarning(lcCorrectionQueue).noquote() << "Verification of" << job.sourceName() << "threw:" << detail;
        return missingResult(job, why);
    }
}

}  // namespace

std::optional<QString> failureOf(QFuture<void> future, QString* detail) {
    try {
        future.waitForFinished();
    } catch (...) {
        return descriptionOf(std::current_exception(), unexpectedCorrectionError, detail);
    }
    if (future.isCanceled()) return QStringLiteral("Operation was cancelled");
    return std::nullopt;
}

CorrectionQueue::VolumeInfo defaultVolumeInfo(const QString& folder) {
    return {volumeAvailableCapacity(folder), volumeName(folder)};
}

std::optional<QString> CorrectionQueue::checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const {
    const QFileInfo source(sourcePath);
    const qint64 size = source.exists() ? source.size() : 0;
    const VolumeInfo volume = volumeInfo_ ? volumeInfo_(outputFolder) : VolumeInfo{};
    return freeSpaceProblem(size, volume.availableBytes, volume.name);
}

// ---- statuses ----

void CorrectionQueue::setJobStatus(const QUuid& id, JobStatus status, std::optional<double> progress) {
    store_->update(id, [&](CorrectionJob& job) {
        job.status = status;
        if (progress) job.progress = *progress;
    });
}

bool CorrectionQueue::retryStatus(const QUuid& id) {
    const CorrectionJob* job = store_->find(id);
    if (!job || !(job->status.is(JobStatus::Kind::cancelled) || job->status.is(JobStatus::Kind::failed))) return false;
    setJobStatus(id, JobStatus::pending(), 0);
    return true;
}

int CorrectionQueue::settlePending(const JobStatus& status) {
    return store_->updateWhere([](const CorrectionJob& job) { return job.status.is(JobStatus::Kind::pending); },
                               [&status](CorrectionJob& job) { job.status = status; });
}

void CorrectionQueue::settleRestored(CorrectionJob& job) {
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

void CorrectionQueue::start() {
    if (isProcessing_ || pendingCount() == 0) return;
    QMetaObject::invokeMethod(this, &CorrectionQueue::processQueue, Qt::QueuedConnection);
}

void CorrectionQueue::processQueue() {
    if (isProcessing_) return;
    if (!runner_ || !runner_->isAvailable()) {
        settlePending(JobStatus::failed(ffmpegUnavailable));
        saveQueue();
        return;
    }
    setProcessing(true);
    preventSleep();
    sessionBytesDone_ = 0;
    sessionSecondsDone_ = 0;
    log(QStringLiteral("=== Queue processing started ==="));
    processNextPending();
}

void CorrectionQueue::processNextPending() {
    if (!isProcessing_ || loopRun_) return;
    // A cancelled correction has ended for the queue, but its tool may still be
    // on its way out; the runner takes one run at a time.
    if (!runnerBusy_.isFinished()) {
        whenFinished<void>(runnerBusy_, [this](const QFuture<void>&) { processNextPending(); });
        return;
    }
    // Rescanned from the front each time: jobs added or retried meanwhile are seen,
    // and an earlier job that became pending again goes first.
    const auto& all = jobs();
    const auto next = std::find_if(all.begin(), all.end(),
                                   [](const CorrectionJob& j) { return j.status.is(JobStatus::Kind::pending); });
    if (next == all.end()) {
        finishProcessing();
        return;
    }
    processJob(*next);
}

void CorrectionQueue::finishProcessing() {
    allowSleep();
    setProcessing(false);
    log(QStringLiteral("=== Queue processing complete ==="));
    saveQueue();
}

void CorrectionQueue::preventSleep() {
    if (isSleepPrevented_ || !sleepInhibitor_) return;
    isSleepPrevented_ = sleepInhibitor_->acquire(sleepReason);
}

void CorrectionQueue::allowSleep() {
    if (!isSleepPrevented_) return;
    if (sleepInhibitor_) sleepInhibitor_->release();
    isSleepPrevented_ = false;
}

CorrectionQueue::Access CorrectionQueue::beginSecurityScopedAccess(const QString& path) {
    const QString key = standardizedFilePath(path);
    if (accessedResources_.contains(key)) return Access::alreadyHeld;
    if (!startAccessingSecurityScopedResource(key)) return Access::notGranted;
    accessedResources_.insert(key);
    return Access::started;
}

void CorrectionQueue::endSecurityScopedAccess(const QString& path) {
    const QString key = standardizedFilePath(path);
    if (!accessedResources_.remove(key)) return;
    stopAccessingSecurityScopedResource(key);
}

namespace {

// Where a job's source and output folder are now, by their bookmarks; the job
// carries the renewed bookmarks. Safe on any thread.
struct JobLocations {
    CorrectionJob job;
    QString sourcePath;
    QString outputFolder;
};

JobLocations findJobLocations(CorrectionJob job) {
    JobLocations found;
    const QString storedSource = job.sourcePath;
    found.sourcePath = job.resolveSourceURL().value_or(storedSource);
    found.outputFolder = job.resolveOutputFolderURL().value_or(QFileInfo(job.outputPath).absolutePath());
    found.job = std::move(job);
    return found;
}

}  // namespace

void CorrectionQueue::resolveJobLocations(const std::shared_ptr<JobRun>& run, std::function<void()> then) {
    whenFinished<JobLocations>(
        QtConcurrent::run(findJobLocations, run->job),
        [this, run, then = std::move(then)](const QFuture<JobLocations>& future) {
            if (run->stage == JobRun::Stage::finished) return;
            const JobLocations found =
                future.resultCount() > 0
                    ? future.result()
                    : JobLocations{run->job, run->job.sourcePath, QFileInfo(run->job.outputPath).absolutePath()};
            run->sourcePath = found.sourcePath;
            run->outputFolder = found.outputFolder;
            // A source found elsewhere by its bookmark is the one the run and the checks use.
            run->job.sourcePath = run->sourcePath;
            run->job.sourceBookmarkData = found.job.sourceBookmarkData;
            run->job.outputBookmarkData = found.job.outputBookmarkData;
            store_->update(run->job.id, [&](CorrectionJob& job) {
                job.sourceBookmarkData = found.job.sourceBookmarkData;
                job.outputBookmarkData = found.job.outputBookmarkData;
                job.sourcePath = run->sourcePath;
            });
            then();
        });
}

// Takes its own copy: the job in the list moves when a change detaches the list
// from a save still writing it.
void CorrectionQueue::processJob(CorrectionJob job) {
    auto run = std::make_shared<JobRun>();
    run->job = job;
    loopRun_ = run;
    currentJobId_ = job.id;
    setJobStatus(job.id, JobStatus::preparing(), 0);
    store_->update(job.id, [](CorrectionJob& j) { j.startedAt = QDateTime::currentDateTimeUtc(); });
    log(QStringLiteral("--- Starting: %1 → %2 ---").arg(job.sourceName(), job.outputName()));

    resolveJobLocations(run, [this, run] {
        // Stopped while its files were looked for.
        if (run->cancelled) {
            log(QStringLiteral("Cancelled: ") + run->job.sourceName());
            endRun(run);
            return;
        }
        correctJob(run);
    });
}

void CorrectionQueue::correctJob(const std::shared_ptr<JobRun>& run) {
    const CorrectionJob& job = run->job;
    run->sourceAccessStarted = beginSecurityScopedAccess(run->sourcePath) == Access::started;
    run->folderAccessStarted = beginSecurityScopedAccess(run->outputFolder) == Access::started;

    if (const auto problem = checkFreeSpace(run->sourcePath, run->outputFolder)) {
        log(QStringLiteral("FAILED preflight: %1 — %2").arg(run->job.sourceName(), *problem));
        endRun(run, JobStatus::failed(*problem));
        return;
    }

    setJobStatus(job.id, JobStatus::active());
    run->stage = JobRun::Stage::correcting;
    run->runTimer.start();
    const QUuid id = job.id;
    const std::weak_ptr<Relay> relay = relay_;
    auto progress = [relay, id](double fraction) {
        if (const auto r = relay.lock()) {
            r->post([id, fraction](CorrectionQueue& queue) {
                // Only a job still running takes its run's progress (not one cancelled meanwhile).
                const CorrectionJob* job = queue.store_->find(id);
                if (!job || !job->status.isRunning()) return;
                queue.store_->update(id, [fraction](CorrectionJob& j) { j.progress = fraction; });
            });
        }
    };
    auto logLine = [relay](const QString& line) {
        if (const auto r = relay.lock()) r->post([line](CorrectionQueue& queue) { queue.log(line); });
    };
    const QFuture<void> correction = runner_->run(run->job, progress, logLine);
    runnerBusy_ = correction;
    whenFinished<void>(correction, [this, run](const QFuture<void>& future) { onRunFinished(run, future); });
}

void CorrectionQueue::onRunFinished(const std::shared_ptr<JobRun>& run, const QFuture<void>& future) {
    if (run->stage != JobRun::Stage::correcting) return;
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    QString detail;
    const auto failure = failureOf(future, &detail);
    // One cancellation covers the whole run: a tool that finished just as it was
    // stopped does not bring the job back.
    if (run->cancelled) {
        log(QStringLiteral("Cancelled: ") + name);
        endRun(run);
        return;
    }
    if (failure) {
        log(QStringLiteral("FAILED: %1 — %2").arg(name, *failure));
        if (!detail.isEmpty()) log(QStringLiteral("Error detail: ") + detail);
        endRun(run, JobStatus::failed(*failure));
        return;
    }

    store_->update(id, [](CorrectionJob& j) { j.progress = 1.0; });
    if (run->job.totalSourceBytes && *run->job.totalSourceBytes > 0) {
        sessionBytesDone_ += *run->job.totalSourceBytes;
        sessionSecondsDone_ += double(run->runTimer.nsecsElapsed()) / 1e9;
    }
    if (run->job.verifyTier == VerifyTier::off) {
        log(QStringLiteral("SUCCESS: ") + name);
        endRun(run, JobStatus::completed());
        return;
    }
    run->stage = JobRun::Stage::verifying;
    if (manualRun_) {
        // One verification at a time: this one starts when the manual one ends.
        deferredVerificationStage_ = [this, run] { beginVerificationStage(run); };
        return;
    }
    beginVerificationStage(run);
}

void CorrectionQueue::endRun(const std::shared_ptr<JobRun>& run, std::optional<JobStatus> status) {
    if (run->stage == JobRun::Stage::finished) return;
    run->stage = JobRun::Stage::finished;
    if (status) setJobStatus(run->job.id, *status);
    if (run->sourceAccessStarted) endSecurityScopedAccess(run->sourcePath);
    if (run->folderAccessStarted) endSecurityScopedAccess(run->outputFolder);
    run->sourceAccessStarted = run->folderAccessStarted = false;

    if (run->manual) {
        manualRun_.reset();
        manualVerifyingJobId_.reset();
        emit verificationStateChanged();
        saveQueue();
        if (auto deferred = std::exchange(deferredVerificationStage_, nullptr)) deferred();
        return;
    }
    currentJobId_.reset();
    loopRun_.reset();
    setLoopVerifying(std::nullopt, false);
    saveQueue();
    // The next job starts once this one's end is on disk.
    store_->saver().whenWritten([this] { processNextPending(); });
}

void CorrectionQueue::cancelRun(const QString& line) {
    const std::shared_ptr<JobRun> run = loopRun_;
    if (!run || run->stage == JobRun::Stage::finished) return;
    const QString name = run->job.sourceName();
    if (runner_) runner_->cancel();
    run->cancelled = true;
    setJobStatus(run->job.id, JobStatus::cancelled(), 0);
    log(line + name);
    if (run->stage != JobRun::Stage::verifying) return;  // the run ends once its tool has stopped

    // A verification is dropped at once: its tool runs are told to stop, and what
    // they still return goes nowhere. The standard checks already stored on the job
    // go too: they are only half of what this run set out to check, and a
    // cancelled job must not wear a seal for a verification that never ended.
    run->verification.cancel();
    store_->update(run->job.id, [](CorrectionJob& j) {
        j.verification.reset();
        j.verificationProgress = 0;
    });
    deferredVerificationStage_ = nullptr;
    // Ended on the next turn, so that the console reads the cancel's own lines first.
    QMetaObject::invokeMethod(
        this,
        [this, run, name] {
            if (run->stage == JobRun::Stage::finished) return;
            log(QStringLiteral("Cancelled: ") + name);
            endRun(run);
        },
        Qt::QueuedConnection);
}

// ---- verification stage ----

std::function<void(double)> CorrectionQueue::verificationProgressSetter(const QUuid& id) {
    const std::weak_ptr<Relay> relay = relay_;
    return [relay, id](double fraction) {
        if (const auto r = relay.lock()) {
            r->post([id, fraction](CorrectionQueue& queue) {
                queue.store_->update(id, [fraction](CorrectionJob& j) { j.verificationProgress = fraction; });
            });
        }
    };
}

void CorrectionQueue::beginVerificationStage(const std::shared_ptr<JobRun>& run) {
    if (run->stage != JobRun::Stage::verifying || run->cancelled) return;
    const CorrectionJob& job = run->job;
    setLoopVerifying(job.id, false);
    log(QStringLiteral("Verifying (%1): %2")
            .arg(job.verifyTier == VerifyTier::thorough ? QStringLiteral("Thorough") : QStringLiteral("Standard"),
                 job.sourceName()));
    run->verification = verifier_ ? verifier_->verify(job)
                                  : QtFuture::makeReadyFuture(missingResult(job, QStringLiteral("No verifier.")));
    whenFinished<VerificationResult>(run->verification, [this, run](const QFuture<VerificationResult>& future) {
        onStandardVerified(run, future);
    });
}

void CorrectionQueue::onStandardVerified(const std::shared_ptr<JobRun>& run, const QFuture<VerificationResult>& future) {
    if (run->stage != JobRun::Stage::verifying || run->cancelled) return;
    const CorrectionJob& job = run->job;
    const VerificationResult standard = resultOf(future, job);
    store_->update(job.id, [&](CorrectionJob& j) { j.verification = standard; });
    const CheckSeverity worst = standard.worstSeverity();
    if (job.verifyTier == VerifyTier::standard && worst <= CheckSeverity::info) {
        finishVerificationStage(run, standard);
        return;
    }
    setLoopVerifying(job.id, true);
    if (worst >= CheckSeverity::warning) log(QStringLiteral("Verifying (byte-exact, escalated): ") + job.sourceName());
    // The standard measurements just made are handed on, not made again.
    run->verification = verifier_ ? verifier_->verifyThoroughAfter(job, standard, verificationProgressSetter(job.id))
                                  : QtFuture::makeReadyFuture(missingResult(job, QStringLiteral("No verifier.")));
    whenFinished<VerificationResult>(run->verification, [this, run](const QFuture<VerificationResult>& thorough) {
        if (run->stage != JobRun::Stage::verifying || run->cancelled) return;
        finishVerificationStage(run, resultOf(thorough, run->job));
    });
}

void CorrectionQueue::finishVerificationStage(const std::shared_ptr<JobRun>& run, const VerificationResult& result) {
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    setLoopVerifying(std::nullopt, false);
    store_->update(id, [&](CorrectionJob& j) { j.verification = result; });
    const auto outcome = result.outcome();
    if (outcome == VerificationResult::Outcome::failed) {
        log(QStringLiteral("VERIFY ✗: %1 — %2").arg(name, result.summary()));
        endRun(run, JobStatus::failed(QStringLiteral("Verification failed: ") + result.summary()));
        return;
    }
    log((outcome == VerificationResult::Outcome::clean ? QStringLiteral("VERIFY ✓: ") : QStringLiteral("VERIFY ⚠: ")) + name);
    log(QStringLiteral("SUCCESS: ") + name);
    endRun(run, JobStatus::completed());
}

// ---- manual thorough verification ----

void CorrectionQueue::manualThoroughVerify(const QUuid& id) {
    if (currentlyVerifyingJobId() || deferredVerificationStage_) return;
    const CorrectionJob* job = store_->find(id);
    if (!job || !job->status.is(JobStatus::Kind::completed)) return;

    auto run = std::make_shared<JobRun>();
    run->manual = true;
    run->stage = JobRun::Stage::verifying;
    run->job = *job;
    manualRun_ = run;
    manualVerifyingJobId_ = id;
    emit verificationStateChanged();
    log(QStringLiteral("Manual thorough verify: ") + run->job.sourceName());
    resolveJobLocations(run, [this, run, id] {
        if (run->stage != JobRun::Stage::verifying) return;
        run->sourceAccessStarted = beginSecurityScopedAccess(run->sourcePath) == Access::started;
        run->folderAccessStarted = beginSecurityScopedAccess(run->outputFolder) == Access::started;

        CorrectionJob thoroughJob = run->job;
        thoroughJob.verifyTier = VerifyTier::thorough;
        run->verification = verifier_ ? verifier_->verifyThorough(thoroughJob, verificationProgressSetter(id))
                                      : QtFuture::makeReadyFuture(missingResult(thoroughJob, QStringLiteral("No verifier.")));
        whenFinished<VerificationResult>(run->verification,
                                         [this, run, thoroughJob](const QFuture<VerificationResult>& future) {
                                             if (run->stage != JobRun::Stage::verifying) return;
                                             finishManualVerify(run, resultOf(future, thoroughJob));
                                         });
    });
}

void CorrectionQueue::finishManualVerify(const std::shared_ptr<JobRun>& run, const VerificationResult& result) {
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    // Looked up again: the job may have been removed while it was verified.
    store_->update(id, [&](CorrectionJob& j) { j.verification = result; });
    switch (result.outcome()) {
    case VerificationResult::Outcome::failed:
        log(QStringLiteral("VERIFY ✗ (manual): %1 — %2").arg(name, result.summary()));
        endRun(run, JobStatus::failed(QStringLiteral("Verification failed: ") + result.summary()));
        return;
    case VerificationResult::Outcome::warnings: log(QStringLiteral("VERIFY ⚠ (manual): ") + name); break;
    case VerificationResult::Outcome::clean: log(QStringLiteral("VERIFY ✓ (manual): ") + name); break;
    }
    endRun(run);
}

}  // namespace vantrel
