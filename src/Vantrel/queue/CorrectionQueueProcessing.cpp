// The processing loop, the verification stage and the manual thorough verification.
#include "Vantrel/queue/CorrectionQueuePrivate.h"

#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/media/MovieFiles.h"
#include "Vantrel/queue/Preflight.h"
#include "Vantrel/queue/VolumeInfo.h"

#include <QFileInfo>
#include <QUnhandledException>

namespace vantrel {

namespace {

const QString sleepReason = QStringLiteral("Vantrel is correcting timecode");
const QString ffmpegUnavailable =
    QStringLiteral("FFmpeg unavailable — install it (or check the bundled tools), then retry.");

QString descriptionOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const QUnhandledException& wrapped) {
        if (wrapped.exception()) return descriptionOf(wrapped.exception());
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("Unknown error");
}

// A verification that ended without a result must not pass for a good one.
VerificationResult missingResult(const CorrectionJob& job) {
    return VerificationResult{job.verifyTier,
                              {VerificationCheck{VerificationCheck::Kind::readability, CheckSeverity::fail,
                                                 QStringLiteral("Readability"),
                                                 QStringLiteral("Verification ended without a result.")}},
                              QDateTime::currentDateTimeUtc(),
                              0};
}

VerificationResult resultOf(QFuture<VerificationResult> future, const CorrectionJob& job) {
    try {
        future.waitForFinished();
    } catch (...) {
        return missingResult(job);
    }
    if (future.isCanceled() || future.resultCount() == 0) return missingResult(job);
    return future.result();
}

}  // namespace

std::optional<QString> failureOf(QFuture<void> future) {
    try {
        future.waitForFinished();
    } catch (...) {
        return descriptionOf(std::current_exception());
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

// MARK: the loop

void CorrectionQueue::start() {
    if (isProcessing_ || pendingCount() == 0) return;
    QMetaObject::invokeMethod(this, &CorrectionQueue::processQueue, Qt::QueuedConnection);
}

void CorrectionQueue::processQueue() {
    if (isProcessing_) return;
    if (!runner_ || !runner_->isAvailable()) {
        bool changed = false;
        for (auto& job : jobs_) {
            if (!job.status.is(JobStatus::Kind::pending)) continue;
            job.status = JobStatus::failed(ffmpegUnavailable);
            changed = true;
        }
        if (changed) emit jobsChanged();
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
    // Rescanned from the front each time: jobs added or retried meanwhile are seen,
    // and an earlier job that became pending again goes first.
    const auto next = std::find_if(jobs_.begin(), jobs_.end(),
                                   [](const CorrectionJob& j) { return j.status.is(JobStatus::Kind::pending); });
    if (next == jobs_.end()) {
        finishProcessing();
        return;
    }
    processJob(*next, [this] {
        saveQueue();
        // Queued, so that a long run of jobs that end at once does not nest calls.
        QMetaObject::invokeMethod(this, &CorrectionQueue::processNextPending, Qt::QueuedConnection);
    });
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

void CorrectionQueue::resolveJobLocations(JobRun& run) {
    CorrectionJob local = run.job;
    const QString storedSource = local.sourcePath;
    run.sourcePath = local.resolveSourceURL().value_or(storedSource);
    run.outputFolder = local.resolveOutputFolderURL().value_or(QFileInfo(local.outputPath).absolutePath());
    // A source found elsewhere by its bookmark is the one the run and the checks use.
    run.job.sourcePath = run.sourcePath;
    run.job.sourceBookmarkData = local.sourceBookmarkData;
    run.job.outputBookmarkData = local.outputBookmarkData;
    updateJob(run.job.id, [&](CorrectionJob& job) {
        job.sourceBookmarkData = local.sourceBookmarkData;
        job.outputBookmarkData = local.outputBookmarkData;
        job.sourcePath = run.sourcePath;
    });
}

void CorrectionQueue::processJob(const CorrectionJob& job, std::function<void()> done) {
    if (!indexOfJob(job.id)) {
        done();
        return;
    }
    auto run = std::make_shared<JobRun>();
    run->job = job;
    run->done = std::move(done);
    currentJobId_ = job.id;
    updateJob(job.id, [](CorrectionJob& j) {
        j.status = JobStatus::preparing();
        j.progress = 0;
        j.startedAt = QDateTime::currentDateTimeUtc();
    });
    log(QStringLiteral("--- Starting: %1 → %2 ---").arg(job.sourceName(), job.outputName()));

    resolveJobLocations(*run);
    run->sourceAccessStarted = beginSecurityScopedAccess(run->sourcePath) == Access::started;
    run->folderAccessStarted = beginSecurityScopedAccess(run->outputFolder) == Access::started;

    if (const auto problem = checkFreeSpace(run->sourcePath, run->outputFolder)) {
        setJobStatus(job.id, JobStatus::failed(*problem));
        log(QStringLiteral("FAILED preflight: %1 — %2").arg(run->job.sourceName(), *problem));
        endJob(run);
        return;
    }

    setJobStatus(job.id, JobStatus::active());
    run->runTimer.start();
    const QUuid id = job.id;
    const std::weak_ptr<Relay> relay = relay_;
    auto progress = [relay, id](double fraction) {
        if (const auto r = relay.lock()) {
            r->post([id, fraction](CorrectionQueue& queue) {
                queue.updateJob(id, [fraction](CorrectionJob& j) { j.progress = fraction; });
            });
        }
    };
    auto logLine = [relay](const QString& line) {
        if (const auto r = relay.lock()) r->post([line](CorrectionQueue& queue) { queue.log(line); });
    };
    whenFinished<void>(runner_->run(run->job, progress, logLine),
                       [this, run](const QFuture<void>& future) { onRunFinished(run, future); });
}

void CorrectionQueue::onRunFinished(const std::shared_ptr<JobRun>& run, const QFuture<void>& future) {
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    if (const auto failure = failureOf(future)) {
        const auto index = indexOfJob(id);
        if (index && jobs_[*index].status.is(JobStatus::Kind::cancelled)) {
            log(QStringLiteral("Cancelled: ") + name);
        } else {
            setJobStatus(id, JobStatus::failed(*failure));
            log(QStringLiteral("FAILED: %1 — %2").arg(name, *failure));
        }
        endJob(run);
        return;
    }

    updateJob(id, [](CorrectionJob& j) { j.progress = 1.0; });
    if (run->job.totalSourceBytes && *run->job.totalSourceBytes > 0) {
        sessionBytesDone_ += *run->job.totalSourceBytes;
        sessionSecondsDone_ += double(run->runTimer.nsecsElapsed()) / 1e9;
    }
    if (run->job.verifyTier == VerifyTier::off) {
        setJobStatus(id, JobStatus::completed());
        log(QStringLiteral("SUCCESS: ") + name);
        endJob(run);
        return;
    }
    if (manualVerifyingJobId_) {
        // One verification at a time: this one starts when the manual one ends.
        deferredVerificationStage_ = [this, run] { beginVerificationStage(run); };
        return;
    }
    beginVerificationStage(run);
}

void CorrectionQueue::endJob(const std::shared_ptr<JobRun>& run) {
    if (run->sourceAccessStarted) endSecurityScopedAccess(run->sourcePath);
    if (run->folderAccessStarted) endSecurityScopedAccess(run->outputFolder);
    run->sourceAccessStarted = run->folderAccessStarted = false;
    currentJobId_.reset();
    setLoopVerifying(std::nullopt, false);
    auto done = std::exchange(run->done, nullptr);
    if (done) done();
}

// MARK: verification stage

std::function<void(double)> CorrectionQueue::verificationProgressSetter(const QUuid& id) {
    const std::weak_ptr<Relay> relay = relay_;
    return [relay, id](double fraction) {
        if (const auto r = relay.lock()) {
            r->post([id, fraction](CorrectionQueue& queue) {
                queue.updateJob(id, [fraction](CorrectionJob& j) { j.verificationProgress = fraction; });
            });
        }
    };
}

void CorrectionQueue::beginVerificationStage(const std::shared_ptr<JobRun>& run) {
    const CorrectionJob& job = run->job;
    setLoopVerifying(job.id, false);
    log(QStringLiteral("Verifying (%1): %2")
            .arg(job.verifyTier == VerifyTier::thorough ? QStringLiteral("Thorough") : QStringLiteral("Standard"),
                 job.sourceName()));
    const auto standardRun = verifier_ ? verifier_->verify(job) : QtFuture::makeReadyFuture(missingResult(job));
    whenFinished<VerificationResult>(standardRun, [this, run](const QFuture<VerificationResult>& future) {
        const CorrectionJob& job = run->job;
        const VerificationResult standard = resultOf(future, job);
        updateJob(job.id, [&](CorrectionJob& j) { j.verification = standard; });
        const CheckSeverity worst = standard.worstSeverity();
        if (job.verifyTier == VerifyTier::standard && worst <= CheckSeverity::info) {
            finishVerificationStage(run, standard);
            return;
        }
        setLoopVerifying(job.id, true);
        if (worst >= CheckSeverity::warning) log(QStringLiteral("Verifying (byte-exact, escalated): ") + job.sourceName());
        // The standard measurements just made are handed on, not made again.
        whenFinished<VerificationResult>(
            verifier_ ? verifier_->verifyThoroughAfter(job, standard, verificationProgressSetter(job.id))
                      : QtFuture::makeReadyFuture(missingResult(job)),
            [this, run](const QFuture<VerificationResult>& thorough) {
                finishVerificationStage(run, resultOf(thorough, run->job));
            });
    });
}

void CorrectionQueue::finishVerificationStage(const std::shared_ptr<JobRun>& run, const VerificationResult& result) {
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    setLoopVerifying(std::nullopt, false);
    updateJob(id, [&](CorrectionJob& j) { j.verification = result; });
    const auto outcome = result.outcome();
    if (outcome == VerificationResult::Outcome::failed) {
        setJobStatus(id, JobStatus::failed(QStringLiteral("Verification failed: ") + result.summary()));
        log(QStringLiteral("VERIFY ✗: %1 — %2").arg(name, result.summary()));
    } else {
        log((outcome == VerificationResult::Outcome::clean ? QStringLiteral("VERIFY ✓: ") : QStringLiteral("VERIFY ⚠: ")) +
            name);
        setJobStatus(id, JobStatus::completed());
        log(QStringLiteral("SUCCESS: ") + name);
    }
    endJob(run);
}

// MARK: manual thorough verification

void CorrectionQueue::manualThoroughVerify(const QUuid& id) {
    if (currentlyVerifyingJobId() || deferredVerificationStage_) return;
    const auto index = indexOfJob(id);
    if (!index || !jobs_[*index].status.is(JobStatus::Kind::completed)) return;

    manualVerifyingJobId_ = id;
    emit verificationStateChanged();
    auto run = std::make_shared<JobRun>();
    run->job = jobs_[*index];
    log(QStringLiteral("Manual thorough verify: ") + run->job.sourceName());
    resolveJobLocations(*run);
    run->sourceAccessStarted = beginSecurityScopedAccess(run->sourcePath) == Access::started;
    run->folderAccessStarted = beginSecurityScopedAccess(run->outputFolder) == Access::started;

    CorrectionJob thoroughJob = run->job;
    thoroughJob.verifyTier = VerifyTier::thorough;
    whenFinished<VerificationResult>(verifier_ ? verifier_->verifyThorough(thoroughJob, verificationProgressSetter(id))
                                               : QtFuture::makeReadyFuture(missingResult(thoroughJob)),
                                     [this, run, thoroughJob](const QFuture<VerificationResult>& future) {
                                         finishManualVerify(run, resultOf(future, thoroughJob));
                                     });
}

void CorrectionQueue::finishManualVerify(const std::shared_ptr<JobRun>& run, const VerificationResult& result) {
    const QUuid id = run->job.id;
    const QString name = run->job.sourceName();
    // Looked up again: the job may have been removed while it was verified.
    updateJob(id, [&](CorrectionJob& j) { j.verification = result; });
    switch (result.outcome()) {
    case VerificationResult::Outcome::failed:
        setJobStatus(id, JobStatus::failed(QStringLiteral("Verification failed: ") + result.summary()));
        log(QStringLiteral("VERIFY ✗ (manual): %1 — %2").arg(name, result.summary()));
        break;
    case VerificationResult::Outcome::warnings: log(QStringLiteral("VERIFY ⚠ (manual): ") + name); break;
    case VerificationResult::Outcome::clean: log(QStringLiteral("VERIFY ✓ (manual): ") + name); break;
    }
    saveQueue();
    if (run->sourceAccessStarted) endSecurityScopedAccess(run->sourcePath);
    if (run->folderAccessStarted) endSecurityScopedAccess(run->outputFolder);
    manualVerifyingJobId_.reset();
    emit verificationStateChanged();
    if (auto deferred = std::exchange(deferredVerificationStage_, nullptr)) deferred();
}

}  // namespace vantrel
